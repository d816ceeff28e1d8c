#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qr2vor {

// Text in the model is kept as single-byte characters of one ANSI code page, Windows-1252 unless
// the user names another. These convert between that code page and Unicode.
enum class TCodePage { cp1252, cpLatin1 };

TCodePage AnsiCodePage();
void SetAnsiCodePage(TCodePage codePage);
// Parses "1252", "cp1252", "windows-1252", "latin1", "iso-8859-1"; false when unknown.
bool ParseCodePage(std::string_view name, TCodePage& codePage);

// A code point that the code page cannot hold becomes '?'.
char CodePointToAnsi(char32_t codePoint);
char32_t AnsiToCodePoint(unsigned char c);

// Malformed sequences become '?' as well.
std::string Utf8ToAnsi(std::string_view utf8);
std::string Utf16ToAnsi(std::u16string_view utf16);
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace qr2vor
