#include "rtl/codepage.h"

#include <array>

#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

TCodePage currentCodePage = TCodePage::cp1252;

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes the code page leaves undefined, which
// map to the C1 control of the same number.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

TCodePage AnsiCodePage() { return currentCodePage; }

void SetAnsiCodePage(TCodePage codePage) { currentCodePage = codePage; }

bool ParseCodePage(std::string_view name, TCodePage& codePage) {
  for (std::string_view n : {"1252", "cp1252", "windows-1252"}) {
    if (SameText(name, n)) {
      codePage = TCodePage::cp1252;
      return true;
    }
  }
  for (std::string_view n : {"latin1", "iso-8859-1", "28591"}) {
    if (SameText(name, n)) {
      codePage = TCodePage::cpLatin1;
      return true;
    }
  }
  return false;
}

char32_t AnsiToCodePoint(unsigned char c) {
  if (currentCodePage == TCodePage::cp1252 && c >= 0x80 && c <= 0x9F) {
    const char16_t mapped = kCp1252High[c - 0x80];
    return mapped != 0 ? mapped : c;
  }
  return c;
}

char CodePointToAnsi(char32_t codePoint) {
  if (currentCodePage == TCodePage::cp1252) {
    if (codePoint >= 0x80 && codePoint <= 0x9F) {
      // Only the C1 controls that Windows-1252 leaves undefined pass through unchanged.
      return kCp1252High[codePoint - 0x80] == 0 ? static_cast<char>(codePoint) : '?';
    }
    for (size_t i = 0; i < kCp1252High.size(); ++i) {
      if (kCp1252High[i] != 0 && kCp1252High[i] == codePoint) return static_cast<char>(0x80 + i);
    }
  }
  return codePoint <= 0xFF ? static_cast<char>(codePoint) : '?';
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80           ? 0
                      : (lead >> 5) == 0x06 ? 1
                      : (lead >> 4) == 0x0E ? 2
                      : (lead >> 3) == 0x1E ? 3
                                            : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= utf8.size() + (extra == 0)) {
      out += '?';
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += CodePointToAnsi(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string Utf16ToAnsi(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      ++i;  // a surrogate pair: outside every single-byte code page
      out += '?';
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out += '?';
    } else {
      out += CodePointToAnsi(unit);
    }
  }
  return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(out, AnsiToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace qr2vor
