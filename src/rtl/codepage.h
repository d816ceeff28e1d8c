#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "rtl/constants.h"

namespace qr2vor {

// Text in the model is kept as bytes of one 8-bit code page (single- or double-byte), named by
// its Windows number. The process code page is Windows-1252 unless the user names another
// (`--codepage N`, or the environment variable QR2VOR_CODEPAGE). Conversions go through iconv.
constexpr int kDefaultCodePage = 1252;
constexpr const char* kCodePageVariable = "QR2VOR_CODEPAGE";

int ProcessCodePage();
// Throws EConvertError for a code page that cannot be converted.
void SetProcessCodePage(int codePage);
// Sets the process code page from QR2VOR_CODEPAGE when it is set; an unknown value throws
// EConvertError naming the variable.
void SetProcessCodePageFromEnvironment();

// Parses "1252", "cp1252", "windows-1252" (any of the supported numbers), and "latin1" or
// "iso-8859-1" (28591); false when unknown.
bool ParseCodePage(std::string_view name, int& codePage);
bool IsSupportedCodePage(int codePage);
// Whether a character may take more than one byte (932, 936, 949, 950).
bool IsMultiByteCodePage(int codePage);

// The code page of a font character set; DEFAULT_CHARSET, ANSI_CHARSET and the sets without a
// text code page of their own (symbol, OEM, Mac) mean the process code page.
int CharsetCodePage(TFontCharset charset);

// Conversions between Unicode and a code page. A character the target cannot hold, and a
// malformed input sequence, becomes '?' and adds one to *lost when given. In single-byte code
// pages the bytes 0x80..0x9F that the code page leaves undefined stand for the C1 controls of the
// same number, both ways, as Windows maps them.
std::string Utf8ToCodePage(std::string_view utf8, int codePage, size_t* lost = nullptr);
std::string Utf16ToCodePage(std::u16string_view utf16, int codePage, size_t* lost = nullptr);
std::string CodePageToUtf8(std::string_view text, int codePage, size_t* lost = nullptr);
std::u16string CodePageToUtf16(std::string_view text, int codePage, size_t* lost = nullptr);

// The same in the process code page.
std::string Utf8ToAnsi(std::string_view utf8, size_t* lost = nullptr);
std::string Utf16ToAnsi(std::u16string_view utf16, size_t* lost = nullptr);
std::string AnsiToUtf8(std::string_view ansi, size_t* lost = nullptr);

// One character of the process code page: the bytes of a code point ("?" when it cannot be
// held), and the code point of a single byte ('?' for a lead byte of a double-byte code page).
std::string CodePointToAnsi(char32_t codePoint);
char32_t AnsiToCodePoint(unsigned char c);

}  // namespace qr2vor
