#include "rtl/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include <fmt/format.h>

#include "rtl/exceptions.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

struct TCodePageEntry {
  int number;
  const char* iconvName;
  bool multiByte;
};

constexpr TCodePageEntry kCodePages[] = {
    {437, "CP437", false},   {850, "CP850", false},   {852, "CP852", false},
    {861, "CP861", false},   {865, "CP865", false},   {866, "CP866", false},
    {874, "CP874", false},   {932, "CP932", true},    {936, "CP936", true},
    {949, "CP949", true},    {950, "CP950", true},    {1250, "CP1250", false},
    {1251, "CP1251", false}, {1252, "CP1252", false}, {1253, "CP1253", false},
    {1254, "CP1254", false}, {1255, "CP1255", false}, {1256, "CP1256", false},
    {1257, "CP1257", false}, {1258, "CP1258", false}, {28591, "ISO-8859-1", false},
};

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr const char* kUtf8Name = "UTF-8";
constexpr const char* kUtf16Name = kLittleEndian ? "UTF-16LE" : "UTF-16BE";
constexpr const char* kUtf32Name = kLittleEndian ? "UTF-32LE" : "UTF-32BE";

int processCodePage = kDefaultCodePage;

const TCodePageEntry* FindCodePage(int codePage) {
  for (const TCodePageEntry& entry : kCodePages) {
    if (entry.number == codePage) return &entry;
  }
  return nullptr;
}

const TCodePageEntry& CodePageEntry(int codePage) {
  const TCodePageEntry* entry = FindCodePage(codePage);
  if (entry == nullptr) throw EConvertError(fmt::format("Code page {} is not supported", codePage));
  return *entry;
}

// iconv descriptors are opened once per pair of encodings and kept for the process.
class TIconv {
 public:
  TIconv(const char* from, const char* to) : descriptor_(iconv_open(to, from)) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
      throw EConvertError(fmt::format("No conversion from {} to {} is available", from, to));
    }
  }
  ~TIconv() { iconv_close(descriptor_); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  iconv_t Get() const { return descriptor_; }

 private:
  iconv_t descriptor_;
};

iconv_t Descriptor(const char* from, const char* to) {
  static std::map<std::pair<std::string, std::string>, std::unique_ptr<TIconv>> cache;
  std::unique_ptr<TIconv>& slot = cache[{from, to}];
  if (!slot) slot = std::make_unique<TIconv>(from, to);
  return slot->Get();
}

constexpr char32_t kUndefined = 0xFFFFFFFF;

// What each single byte of a code page decodes to on its own; kUndefined for the bytes that are
// not a character alone (undefined bytes, lead bytes of double-byte characters).
const std::array<char32_t, 256>& ByteTable(const TCodePageEntry& entry) {
  static std::map<int, std::array<char32_t, 256>> tables;
  auto found = tables.find(entry.number);
  if (found != tables.end()) return found->second;
  std::array<char32_t, 256> table{};
  iconv_t cd = Descriptor(entry.iconvName, kUtf32Name);
  for (size_t b = 0; b < table.size(); ++b) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in = static_cast<char>(b);
    char* src = &in;
    size_t srcLeft = 1;
    std::array<char32_t, 4> out{};
    char* dst = reinterpret_cast<char*>(out.data());
    size_t dstLeft = sizeof(out);
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
    table[b] = ok && dstLeft == sizeof(out) - sizeof(char32_t) ? out[0] : kUndefined;
  }
  return tables.emplace(entry.number, table).first->second;
}

// Whether a byte of 0x80..0x9F stands for the C1 control of its number: a single-byte code page
// that leaves the byte undefined.
bool IsPassedC1(const TCodePageEntry* entry, char32_t c) {
  return entry != nullptr && !entry->multiByte && c >= 0x80 && c <= 0x9F &&
         ByteTable(*entry)[c] == kUndefined;
}

enum class TUnit { utf8, utf16, codePage };

struct TSide {
  const char* name;
  TUnit unit;
  const TCodePageEntry* codePage;  // for TUnit::codePage only
};

TSide Unicode(TUnit unit) { return {unit == TUnit::utf8 ? kUtf8Name : kUtf16Name, unit, nullptr}; }

TSide CodePageSide(int codePage) {
  const TCodePageEntry& entry = CodePageEntry(codePage);
  return {entry.iconvName, TUnit::codePage, &entry};
}

// The bytes of one character at the start of `rest`, the piece skipped when it cannot be
// converted: a well-formed UTF-8 sequence or surrogate pair whole, a double-byte character's two
// bytes, else one byte (or one UTF-16 unit).
size_t CharacterLength(const TSide& side, std::string_view rest) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(rest[i]); };
  switch (side.unit) {
    case TUnit::utf8: {
      const unsigned char lead = byte(0);
      const size_t length = lead < 0x80           ? 1
                            : (lead >> 5) == 0x06 ? 2
                            : (lead >> 4) == 0x0E ? 3
                            : (lead >> 3) == 0x1E ? 4
                                                  : 1;
      if (length > rest.size()) return 1;
      for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 1;
      }
      return length;
    }
    case TUnit::utf16: {
      if (rest.size() < 2) return rest.size();
      char16_t unit;
      std::memcpy(&unit, rest.data(), 2);
      if (unit >= 0xD800 && unit <= 0xDBFF && rest.size() >= 4) {
        char16_t next;
        std::memcpy(&next, rest.data() + 2, 2);
        if (next >= 0xDC00 && next <= 0xDFFF) return 4;
      }
      return 2;
    }
    case TUnit::codePage:
      if (side.codePage->multiByte && rest.size() >= 2 && byte(0) >= 0x81 && byte(0) <= 0xFE &&
          byte(1) >= 0x40 && byte(1) <= 0xFE && byte(1) != 0x7F) {
        return 2;
      }
      return 1;
  }
  return 1;
}

std::string Utf16Bytes(char16_t unit) {
  return std::string(reinterpret_cast<const char*>(&unit), 2);
}

// A C1 control code point written in a Unicode encoding.
std::string EncodeC1(TUnit unit, char32_t c) {
  if (unit == TUnit::utf16) return Utf16Bytes(static_cast<char16_t>(c));
  return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
}

// The code point of a C1 control written in a Unicode encoding; kUndefined for anything else.
char32_t DecodeC1(TUnit unit, std::string_view piece) {
  if (unit == TUnit::utf8 && piece.size() == 2 && static_cast<unsigned char>(piece[0]) == 0xC2)
    return static_cast<unsigned char>(piece[1]);
  if (unit == TUnit::utf16 && piece.size() == 2) {
    char16_t u;
    std::memcpy(&u, piece.data(), 2);
    return u;
  }
  return kUndefined;
}

// What stands in the output for a piece of input that iconv refused.
std::string Substitute(const TSide& from, const TSide& to, std::string_view piece, size_t* lost) {
  if (from.unit == TUnit::codePage && piece.size() == 1 &&
      IsPassedC1(from.codePage, static_cast<unsigned char>(piece[0]))) {
    return EncodeC1(to.unit, static_cast<unsigned char>(piece[0]));
  }
  if (to.unit == TUnit::codePage) {
    const char32_t c = DecodeC1(from.unit, piece);
    if (IsPassedC1(to.codePage, c)) return std::string(1, static_cast<char>(c));
  }
  if (lost != nullptr) ++*lost;
  return to.unit == TUnit::utf16 ? Utf16Bytes(u'?') : std::string("?");
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Convert(std::string_view in, const TSide& from, const TSide& to, size_t* lost) {
  iconv_t cd = Descriptor(from.name, to.name);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  std::array<char, 1024> buffer;
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  const auto flush = [&] {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer.data(), dst);
  };
  while (srcLeft > 0) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    const size_t result = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const int error = result == static_cast<size_t>(-1) ? errno : 0;
    out.append(buffer.data(), dst);
    if (error == EILSEQ || error == EINVAL) {
      flush();  // a character held back for a combining mark goes out before the substitute
      const size_t length =
          std::min(CharacterLength(from, std::string_view(src, srcLeft)), srcLeft);
      out += Substitute(from, to, std::string_view(src, length), lost);
      src += length;
      srcLeft -= length;
    } else if (error != 0 && error != E2BIG) {
      throw EConvertError(fmt::format("Conversion from {} to {} failed", from.name, to.name));
    }
  }
  flush();
  return out;
}

std::u16string ToU16(const std::string& bytes) {
  std::u16string result(bytes.size() / 2, u'\0');
  std::memcpy(result.data(), bytes.data(), result.size() * 2);
  return result;
}

std::string_view BytesOf(std::u16string_view text) {
  return {reinterpret_cast<const char*>(text.data()), text.size() * 2};
}

}  // namespace

int ProcessCodePage() { return processCodePage; }

void SetProcessCodePage(int codePage) {
  CodePageEntry(codePage);
  processCodePage = codePage;
}

void SetProcessCodePageFromEnvironment() {
  const char* value = std::getenv(kCodePageVariable);
  if (value == nullptr || *value == '\0') return;
  int codePage = 0;
  if (!ParseCodePage(value, codePage)) {
    throw EConvertError(
        fmt::format("{} names an unknown code page: '{}'", kCodePageVariable, value));
  }
  SetProcessCodePage(codePage);
}

bool ParseCodePage(std::string_view name, int& codePage) {
  if (SameText(name, "latin1") || SameText(name, "iso-8859-1")) {
    codePage = 28591;
    return true;
  }
  for (std::string_view prefix : {"windows-", "cp"}) {
    if (name.size() > prefix.size() && SameText(name.substr(0, prefix.size()), prefix)) {
      name.remove_prefix(prefix.size());
      break;
    }
  }
  if (name.empty() || name.size() > 5 ||
      !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  int number = 0;
  for (char c : name) number = number * 10 + (c - '0');
  if (!IsSupportedCodePage(number)) return false;
  codePage = number;
  return true;
}

bool IsSupportedCodePage(int codePage) { return FindCodePage(codePage) != nullptr; }

bool IsMultiByteCodePage(int codePage) { return CodePageEntry(codePage).multiByte; }

int CharsetCodePage(TFontCharset charset) {
  switch (charset) {
    case EASTEUROPE_CHARSET:
      return 1250;
    case RUSSIAN_CHARSET:
      return 1251;
    case GREEK_CHARSET:
      return 1253;
    case TURKISH_CHARSET:
      return 1254;
    case HEBREW_CHARSET:
      return 1255;
    case ARABIC_CHARSET:
      return 1256;
    case BALTIC_CHARSET:
      return 1257;
    case VIETNAMESE_CHARSET:
      return 1258;
    case THAI_CHARSET:
      return 874;
    case SHIFTJIS_CHARSET:
      return 932;
    case GB2312_CHARSET:
      return 936;
    case HANGEUL_CHARSET:
      return 949;
    case CHINESEBIG5_CHARSET:
      return 950;
    default:
      return processCodePage;
  }
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage, size_t* lost) {
  const TSide to = CodePageSide(codePage);
  if (IsAscii(utf8)) return std::string(utf8);
  return Convert(utf8, Unicode(TUnit::utf8), to, lost);
}

std::string Utf16ToCodePage(std::u16string_view utf16, int codePage, size_t* lost) {
  return Convert(BytesOf(utf16), Unicode(TUnit::utf16), CodePageSide(codePage), lost);
}

std::string CodePageToUtf8(std::string_view text, int codePage, size_t* lost) {
  const TSide from = CodePageSide(codePage);
  if (IsAscii(text)) return std::string(text);
  return Convert(text, from, Unicode(TUnit::utf8), lost);
}

std::u16string CodePageToUtf16(std::string_view text, int codePage, size_t* lost) {
  return ToU16(Convert(text, CodePageSide(codePage), Unicode(TUnit::utf16), lost));
}

std::string Utf8ToAnsi(std::string_view utf8, size_t* lost) {
  return Utf8ToCodePage(utf8, processCodePage, lost);
}

std::string Utf16ToAnsi(std::u16string_view utf16, size_t* lost) {
  return Utf16ToCodePage(utf16, processCodePage, lost);
}

std::string AnsiToUtf8(std::string_view ansi, size_t* lost) {
  return CodePageToUtf8(ansi, processCodePage, lost);
}

std::string CodePointToAnsi(char32_t codePoint) {
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return "?";
  std::u16string utf16;
  if (codePoint >= 0x10000) {
    utf16 += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
    utf16 += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
  } else {
    utf16 += static_cast<char16_t>(codePoint);
  }
  return Utf16ToAnsi(utf16);
}

char32_t AnsiToCodePoint(unsigned char c) {
  const TCodePageEntry& entry = CodePageEntry(processCodePage);
  const char32_t mapped = ByteTable(entry)[c];
  if (mapped != kUndefined) return mapped;
  return IsPassedC1(&entry, c) ? c : U'?';
}

}  // namespace qr2vor
