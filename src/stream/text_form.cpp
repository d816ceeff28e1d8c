#include "stream/text_form.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "rtl/codepage.h"
#include "rtl/typinfo.h"
#include "stream/format.h"
#include "stream/reader.h"
#include "stream/resource.h"
#include "stream/writer.h"

namespace qr2vor {

namespace {

// Rendered strings are cut into pieces of about this many characters, joined by " +".
constexpr size_t kStringLineLength = 64;
constexpr size_t kBinaryBytesPerLine = 32;
// Class names of 240 characters or more would start with a byte taken for a prefix.
constexpr size_t kMaxClassName = 239;
constexpr size_t kMaxShortString = 255;

// Counts the nesting of the text being parsed; the counter starts at -1 so that the root object
// itself is level 0, as in the reader, and anything the reader accepts can be rendered.
class NestingGuard {
 public:
  template <typename OnTooDeep>
  NestingGuard(int& depth, OnTooDeep onTooDeep) : depth_(depth) {
    if (++depth_ > kMaxNestingDepth) {
      --depth_;
      onTooDeep();
    }
  }
  ~NestingGuard() { --depth_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int& depth_;
};

std::string Indent(int level) { return std::string(static_cast<size_t>(level) * 2, ' '); }

// A float as the toolkit's text forms write it: 16 significant digits laid out with 18 decimals
// ("1899.708333333333000000", "0.000000000000000000"); numbers whose digits do not fit that layout
// in exponent form with the trailing zeros dropped ("1.5E-7", "1E300").
std::string FormatFloat(long double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  constexpr int kDigits = 16;
  constexpr int kDecimals = 18;
  char scientific[48];
  std::snprintf(scientific, sizeof scientific, "%.*Le", kDigits - 1, value);
  // "-d.ddddddddddddddde+XX"
  std::string_view text(scientific);
  std::string sign;
  if (text.front() == '-') {
    sign = "-";
    text.remove_prefix(1);
  }
  const size_t e = text.find('e');
  std::string digits = std::string(text.substr(0, 1)) + std::string(text.substr(2, e - 2));
  int exponent = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                  exponent);
  if (exponent >= kDigits - 1 - kDecimals && exponent < kDecimals) {
    std::string whole;
    std::string fraction;
    if (exponent >= 0) {
      whole = digits.substr(0, std::min<size_t>(digits.size(), exponent + 1));
      whole.resize(static_cast<size_t>(exponent) + 1, '0');
      if (static_cast<size_t>(exponent) + 1 < digits.size()) fraction = digits.substr(exponent + 1);
    } else {
      whole = "0";
      fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    fraction.resize(kDecimals, '0');
    return sign + whole + "." + fraction;
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string mantissa = digits.substr(0, 1);
  if (digits.size() > 1) mantissa += "." + digits.substr(1);
  return fmt::format("{}{}E{}", sign, mantissa, exponent);
}

// A string as quoted pieces and #nnn codes, cut into pieces of about kStringLineLength characters.
std::vector<std::string> QuoteString(std::string_view text) {
  std::vector<std::string> pieces;
  std::string piece;
  bool quoted = false;
  for (const char ch : text) {
    if (piece.size() >= kStringLineLength) {
      if (quoted) piece += '\'';
      pieces.push_back(std::move(piece));
      piece.clear();
      quoted = false;
    }
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c <= 126) {
      if (!quoted) piece += '\'';
      quoted = true;
      piece += ch;
      if (ch == '\'') piece += '\'';
    } else {
      if (quoted) piece += '\'';
      quoted = false;
      piece += fmt::format("#{}", c);
    }
  }
  if (quoted) piece += '\'';
  if (piece.empty()) piece = "''";
  pieces.push_back(std::move(piece));
  return pieces;
}

// Binary to text: walks the stream value by value with the value cursor.
class BinaryToText {
 public:
  explicit BinaryToText(TValueCursor& reader) : reader_(reader) {}

  std::string Convert() {
    reader_.ReadSignature();
    ConvertObject(0);
    return std::move(out_);
  }

  std::string Value() {
    ConvertValue(0, false);
    return std::move(out_);
  }

 private:
  // The root is level 0; every child counts one level of nesting, as in the reader.
  void ConvertObject(int level) {
    uint8_t flags;
    int position;
    reader_.ReadPrefix(flags, position);
    const std::string className = reader_.ReadStr();
    const std::string name = reader_.ReadStr();
    out_ += Indent(level);
    out_ += (flags & ffInline) != 0      ? "inline "
            : (flags & ffInherited) != 0 ? "inherited "
                                         : "object ";
    out_ += name.empty() ? className : name + ": " + className;
    if ((flags & ffChildPos) != 0) out_ += fmt::format(" [{}]", position);
    out_ += '\n';
    while (!reader_.EndOfList()) ConvertProperty(level + 1);
    reader_.ReadListEnd();
    while (!reader_.EndOfList()) {
      const TValueCursor::Level nesting(reader_);
      ConvertObject(level + 1);
    }
    reader_.ReadListEnd();
    out_ += Indent(level) + "end\n";
  }

  void ConvertProperty(int level) {
    out_ += Indent(level) + reader_.ReadStr() + " =";
    ConvertValue(level, true);
    out_ += '\n';
  }

  // Appends the value at the end of the current line; lines it continues on are indented one
  // level deeper than `level`. After "Prop =" a value starts with a space or a line break.
  void ConvertValue(int level, bool afterEquals) {
    const std::string lead = afterEquals ? " " : "";
    switch (reader_.NextValue()) {
      case vaNull:
        reader_.ReadValue();
        out_ += lead + "Null";
        break;
      case vaList: {
        const TValueCursor::Level nesting(reader_);
        reader_.ReadListBegin();
        out_ += lead + "(";
        while (!reader_.EndOfList()) {
          out_ += '\n' + Indent(level + 1);
          ConvertValue(level + 1, false);
        }
        reader_.ReadListEnd();
        out_ += ')';
        break;
      }
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        out_ += lead + fmt::format("{}", reader_.ReadInt64());
        break;
      case vaExtended:
      case vaSingle:
      case vaCurrency:
      case vaDate:
      case vaDouble:
        out_ += lead + FormatFloat(reader_.ReadExtended());
        break;
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String:
        ConvertString(level, afterEquals);
        break;
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
        out_ += lead + reader_.ReadIdent();
        break;
      case vaBinary:
        ConvertBinary(level, lead);
        break;
      case vaSet:
        out_ += lead + fmt::format("[{}]", fmt::join(reader_.ReadSetNames(), ", "));
        break;
      case vaCollection:
        ConvertCollection(level, lead);
        break;
      default:
        reader_.SkipValue();  // a tag no stream holds: "Invalid stream format"
    }
  }

  void ConvertString(int level, bool afterEquals) {
    const std::vector<std::string> pieces = QuoteString(reader_.ReadString());
    if (pieces.size() == 1) {
      out_ += (afterEquals ? " " : "") + pieces.front();
      return;
    }
    // After "Prop =" the pieces start on a line of their own; as a list item they start on the
    // item's line and continue at its indentation.
    const int pieceLevel = afterEquals ? level + 1 : level;
    if (afterEquals) out_ += '\n' + Indent(pieceLevel);
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) out_ += " +\n" + Indent(pieceLevel);
      out_ += pieces[i];
    }
  }

  void ConvertBinary(int level, const std::string& lead) {
    const std::string bytes = reader_.ReadBinary();
    out_ += lead + "{";
    for (size_t line = 0; line < bytes.size(); line += kBinaryBytesPerLine) {
      out_ += '\n' + Indent(level + 1);
      for (const char byte : std::string_view(bytes).substr(line, kBinaryBytesPerLine)) {
        out_ += fmt::format("{:02X}", static_cast<uint8_t>(byte));
      }
    }
    out_ += '}';
  }

  void ConvertCollection(int level, const std::string& lead) {
    const TValueCursor::Level nesting(reader_);
    reader_.ReadValue();
    out_ += lead + "<";
    // An item index before the item is discarded, as the reader does.
    while (reader_.ReadItemStart()) {
      out_ += '\n' + Indent(level + 1) + "item\n";
      while (!reader_.EndOfList()) ConvertProperty(level + 2);
      reader_.ReadListEnd();
      out_ += Indent(level + 1) + "end";
    }
    out_ += '>';
  }

  TValueCursor& reader_;
  std::string out_;
};

enum class TokenKind { tkEnd, tkSymbol, tkIdent, tkString, tkInteger, tkFloat, tkBinary };

struct Token {
  TokenKind kind = TokenKind::tkEnd;
  char symbol = 0;
  std::string text;  // identifier, string or binary bytes
  int64_t integer = 0;
  long double number = 0;
  int line = 1;
};

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void ParseError(int line, std::string_view what) {
  throw EParserError(fmt::format("Line {}: {}", line, what));
}

// Splits a text form into tokens. Copying a tokenizer saves its place, which the parser uses to
// look one token further ahead.
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : text_(text) {
    // A byte order mark says the quoted text is UTF-8.
    if (text_.starts_with("\xEF\xBB\xBF")) {
      text_.remove_prefix(3);
      utf8_ = true;
    }
  }

  Token Next() {
    SkipBlanks();
    Token token;
    token.line = line_;
    if (pos_ >= text_.size()) return token;
    const char c = text_[pos_];
    if (IsIdentStart(c)) {
      token.kind = TokenKind::tkIdent;
      token.text = ReadIdent();
    } else if (c == '\'' || c == '#') {
      token.kind = TokenKind::tkString;
      token.text = ReadString();
    } else if (IsDigit(c) || c == '$' ||
               (c == '-' && pos_ + 1 < text_.size() &&
                (IsDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '$'))) {
      ReadNumber(token);
    } else if (c == '{') {
      token.kind = TokenKind::tkBinary;
      token.text = ReadBinary();
    } else if (std::strchr("=:[](),<>+", c) != nullptr) {
      token.kind = TokenKind::tkSymbol;
      token.symbol = c;
      ++pos_;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      ParseError(line_, byte > 32 && byte < 127 ? fmt::format("Invalid character '{}'", c)
                                                : fmt::format("Invalid character #{}", byte));
    }
    return token;
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek(size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }

  void SkipBlanks() {
    while (!AtEnd() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }

  // Letters, digits and '_'; a '.' joins the parts of a dotted name ("Font.Name").
  std::string ReadIdent() {
    const size_t start = pos_;
    while (!AtEnd() &&
           (IsIdentChar(text_[pos_]) || (text_[pos_] == '.' && IsIdentStart(Peek(1))))) {
      ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  // Quoted parts and #nnn / #$hh codes written next to each other make one string.
  std::string ReadString() {
    std::string result;
    while (!AtEnd() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
      if (text_[pos_] == '\'') {
        ++pos_;
        std::string part;
        for (;;) {
          if (AtEnd() || text_[pos_] == '\n' || text_[pos_] == '\r') {
            ParseError(line_, "Unterminated string");
          }
          if (text_[pos_] == '\'') {
            if (Peek(1) != '\'') break;
            ++pos_;
          }
          part += text_[pos_++];
        }
        ++pos_;
        result += utf8_ ? Utf8ToAnsi(part) : part;
      } else {
        ++pos_;
        result += CharacterCode();
      }
    }
    return result;
  }

  std::string CharacterCode() {
    const bool hex = Peek() == '$';
    if (hex) ++pos_;
    uint32_t code = 0;
    size_t digits = 0;
    for (; !AtEnd(); ++pos_, ++digits) {
      const int digit =
          hex ? HexDigit(text_[pos_]) : (IsDigit(text_[pos_]) ? text_[pos_] - '0' : -1);
      if (digit < 0) break;
      code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
      if (code > 0x10FFFF) ParseError(line_, "Invalid character code");
    }
    if (digits == 0) ParseError(line_, "Invalid character code");
    return code <= 0xFF ? std::string(1, static_cast<char>(code)) : CodePointToAnsi(code);
  }

  void ReadNumber(Token& token) {
    const size_t start = pos_;
    const bool negative = Peek() == '-';
    if (negative) ++pos_;
    if (Peek() == '$') {
      ++pos_;
      uint64_t value = 0;
      size_t digits = 0;
      for (; !AtEnd() && HexDigit(text_[pos_]) >= 0; ++pos_, ++digits) {
        value = value * 16 + static_cast<uint64_t>(HexDigit(text_[pos_]));
        if (value > 0xFFFFFFFF) ParseError(line_, "Integer value out of range");
      }
      if (digits == 0) ParseError(line_, "Invalid number");
      // Hexadecimal is the 32-bit pattern: $FFFFFFFF is -1.
      const auto pattern = static_cast<int32_t>(static_cast<uint32_t>(value));
      token.kind = TokenKind::tkInteger;
      token.integer = negative ? -int64_t{pattern} : pattern;
      return;
    }
    while (IsDigit(Peek())) ++pos_;
    bool isFloat = false;
    if (Peek() == '.' && IsDigit(Peek(1))) {
      isFloat = true;
      ++pos_;
      while (IsDigit(Peek())) ++pos_;
    }
    if ((Peek() == 'e' || Peek() == 'E') &&
        (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
      isFloat = true;
      pos_ += 2;
      while (IsDigit(Peek())) ++pos_;
    }
    std::string number(text_.substr(start, pos_ - start));
    // Later versions mark single, currency and date values with a suffix ("41412d"); such a
    // number is a float like any other.
    if (std::strchr("sScCdD", Peek()) != nullptr && Peek() != '\0' && !IsIdentChar(Peek(1))) {
      isFloat = true;
      ++pos_;
    }
    if (isFloat) {
      // Straight to the 80-bit value, correctly rounded, as the toolkit converts it.
      long double value = 0;
      const auto [end, error] =
          std::from_chars(number.data(), number.data() + number.size(), value);
      if (error != std::errc() || end != number.data() + number.size()) {
        ParseError(line_, "Float value out of range");
      }
      token.kind = TokenKind::tkFloat;
      token.number = value;
      return;
    }
    if (IsIdentChar(Peek())) ParseError(line_, "Invalid number");
    const std::string_view digits = std::string_view(number).substr(negative ? 1 : 0);
    uint64_t magnitude = 0;
    for (const char d : digits) {
      magnitude = magnitude * 10 + static_cast<uint64_t>(d - '0');
      if (magnitude > uint64_t{1} << 31) ParseError(line_, "Integer value out of range");
    }
    const int64_t value =
        negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (value > INT32_MAX) ParseError(line_, "Integer value out of range");
    token.kind = TokenKind::tkInteger;
    token.integer = value;
  }

  // Hexadecimal digit pairs up to the closing brace, across lines.
  std::string ReadBinary() {
    ++pos_;
    std::string bytes;
    int high = -1;
    for (;;) {
      if (AtEnd()) ParseError(line_, "'}' expected");
      const char c = text_[pos_++];
      if (c == '}') break;
      if (c == '\n') ++line_;
      if (static_cast<unsigned char>(c) <= ' ') continue;
      const int digit = HexDigit(c);
      if (digit < 0) ParseError(line_, "Invalid binary value");
      if (high < 0) {
        high = digit;
      } else {
        bytes += static_cast<char>(high * 16 + digit);
        high = -1;
      }
    }
    if (high >= 0) ParseError(line_, "Invalid binary value");
    return bytes;
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  bool utf8_ = false;
};

// Text to binary: recursive descent over the tokens, writing through the writer's primitives.
class TextToBinary {
 public:
  TextToBinary(std::string_view text, TStream& output) : tokenizer_(text), writer_(output) {}

  // Answers the root's class name.
  std::string Convert() {
    Advance();
    if (!IsObjectKeyword()) Error("'object' expected");
    writer_.WriteSignature();
    const std::string rootClass = ConvertObject();
    if (token_.kind != TokenKind::tkEnd) {
      Error(IsObjectKeyword() ? "Only one root object is allowed" : "End of file expected");
    }
    writer_.FlushBuffer();
    return rootClass;
  }

 private:
  [[noreturn]] void Error(std::string_view what) const { ParseError(token_.line, what); }

  void Advance() { token_ = tokenizer_.Next(); }
  Token PeekNext() const {
    Tokenizer copy = tokenizer_;
    return copy.Next();
  }

  bool IsSymbol(char symbol) const {
    return token_.kind == TokenKind::tkSymbol && token_.symbol == symbol;
  }
  bool IsKeyword(std::string_view keyword) const {
    return token_.kind == TokenKind::tkIdent && SameText(token_.text, keyword);
  }
  bool IsObjectKeyword() const {
    return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline");
  }
  // A name followed by '=': keywords like "end" may be property names too.
  bool AtProperty() const {
    if (token_.kind != TokenKind::tkIdent) return false;
    const Token next = PeekNext();
    return next.kind == TokenKind::tkSymbol && next.symbol == '=';
  }
  void Expect(char symbol) {
    if (!IsSymbol(symbol)) Error(fmt::format("'{}' expected", symbol));
    Advance();
  }
  std::string ExpectIdent(size_t maxLength) {
    if (token_.kind != TokenKind::tkIdent) Error("Identifier expected");
    if (token_.text.size() > maxLength) Error("Identifier too long");
    std::string text = std::move(token_.text);
    Advance();
    return text;
  }
  int32_t ExpectInteger() {
    if (token_.kind != TokenKind::tkInteger) Error("Integer expected");
    const auto value = static_cast<int32_t>(token_.integer);
    Advance();
    return value;
  }
  void Nest() const { Error(fmt::format("Nesting deeper than {} levels", kMaxNestingDepth)); }

  std::string ConvertObject() {
    NestingGuard guard(depth_, [this] { Nest(); });
    uint8_t flags = IsKeyword("inherited") ? ffInherited : IsKeyword("inline") ? ffInline : 0;
    Advance();
    std::string name;
    const int headerLine = token_.line;
    std::string className = ExpectIdent(kMaxShortString);
    if (IsSymbol(':')) {
      Advance();
      name = std::move(className);
      className = ExpectIdent(kMaxClassName);
    } else if (className.size() > kMaxClassName) {
      ParseError(headerLine, "Identifier too long");
    }
    int32_t position = 0;
    if (IsSymbol('[')) {
      Advance();
      position = ExpectInteger();
      flags |= ffChildPos;
      Expect(']');
    }
    if (flags != 0) {
      const auto prefix = static_cast<uint8_t>(kPrefixMask | flags);
      writer_.Write(&prefix, 1);
      if ((flags & ffChildPos) != 0) writer_.WriteInteger(position);
    }
    writer_.WriteStr(className);
    writer_.WriteStr(name);
    while (AtProperty()) ConvertProperty();
    writer_.WriteListEnd();
    while (IsObjectKeyword()) ConvertObject();
    writer_.WriteListEnd();
    if (!IsKeyword("end")) Error("'end' expected");
    Advance();
    return className;
  }

  void ConvertProperty() {
    writer_.WriteStr(ExpectIdent(kMaxShortString));
    Expect('=');
    ConvertValue(false);
  }

  void ConvertValue(bool inList) {
    switch (token_.kind) {
      case TokenKind::tkInteger:
        writer_.WriteInteger(static_cast<int32_t>(token_.integer));
        Advance();
        return;
      case TokenKind::tkFloat:
        writer_.WriteExtended(token_.number);
        Advance();
        return;
      case TokenKind::tkString: {
        std::string text = std::move(token_.text);
        Advance();
        while (IsSymbol('+')) {
          Advance();
          if (token_.kind != TokenKind::tkString) Error("String expected");
          text += token_.text;
          Advance();
        }
        writer_.WriteString(text);
        return;
      }
      case TokenKind::tkIdent:
        if (SameText(token_.text, "Null")) {
          // Tag 0 ends a list, so it cannot stand inside one.
          if (inList) Error("Null is not allowed in a list");
          writer_.WriteValue(vaNull);
          Advance();
          return;
        }
        writer_.WriteIdent(ExpectIdent(kMaxShortString));
        return;
      case TokenKind::tkBinary: {
        const std::string bytes = std::move(token_.text);
        writer_.WriteBinary([&bytes](TStream& data) { data.WriteBytes(bytes); });
        Advance();
        return;
      }
      case TokenKind::tkSymbol:
        if (token_.symbol == '[') return ConvertSet();
        if (token_.symbol == '(') return ConvertList();
        if (token_.symbol == '<') return ConvertCollection();
        break;
      case TokenKind::tkEnd:
        break;
    }
    Error("Property value expected");
  }

  void ConvertSet() {
    Advance();
    writer_.WriteValue(vaSet);
    if (!IsSymbol(']')) {
      writer_.WriteStr(ExpectIdent(kMaxShortString));
      while (IsSymbol(',')) {
        Advance();
        writer_.WriteStr(ExpectIdent(kMaxShortString));
      }
    }
    Expect(']');
    writer_.WriteStr("");
  }

  void ConvertList() {
    NestingGuard guard(depth_, [this] { Nest(); });
    Advance();
    writer_.WriteListBegin();
    while (!IsSymbol(')')) {
      if (token_.kind == TokenKind::tkEnd) Error("')' expected");
      ConvertValue(true);
    }
    Advance();
    writer_.WriteListEnd();
  }

  void ConvertCollection() {
    NestingGuard guard(depth_, [this] { Nest(); });
    Advance();
    writer_.WriteValue(vaCollection);
    while (!IsSymbol('>')) {
      if (!IsKeyword("item")) Error("'item' expected");
      Advance();
      // An item index is accepted and dropped: the reader discards it anyway.
      if (IsSymbol('[')) {
        Advance();
        ExpectInteger();
        Expect(']');
      }
      writer_.WriteListBegin();
      while (AtProperty()) ConvertProperty();
      if (!IsKeyword("end")) Error("'end' expected");
      Advance();
      writer_.WriteListEnd();
    }
    Advance();
    writer_.WriteListEnd();
  }

  Tokenizer tokenizer_;
  Token token_;
  TWriter writer_;
  int depth_ = -1;
};

// Where the component stream of a file starts: at 0 for a bare stream, else right behind the
// first resource header that is followed by the signature.
bool FindResourceHeader(std::string_view bytes, size_t& headerStart) {
  for (size_t p = 0; p + 2 < bytes.size(); ++p) {
    if (static_cast<uint8_t>(bytes[p]) != kResourceNameByNumber ||
        static_cast<uint8_t>(bytes[p + 1]) != kResourceTypeRawData || bytes[p + 2] != '\0') {
      continue;
    }
    const size_t nameEnd = bytes.find('\0', p + 3);
    if (nameEnd == std::string_view::npos ||
        nameEnd - (p + 3) > static_cast<size_t>(kResourceNameMax))
      continue;
    const size_t streamStart = nameEnd - 3 + kResourceHeaderFixed;
    if (streamStart < bytes.size() &&
        bytes.substr(streamStart).starts_with(std::string_view(kSignature, 4))) {
      headerStart = p;
      return true;
    }
  }
  return false;
}

// Converts into memory first, so that a text with an error leaves nothing in `output`.
std::string ConvertText(std::string_view text, TStream& output) {
  TMemoryStream body;
  const std::string rootClass = TextToBinary(text, body).Convert();
  output.WriteBytes(body.Bytes());
  return rootClass;
}

}  // namespace

std::string ObjectBinaryToText(TStream& input) {
  TValueCursor cursor(input);
  return BinaryToText(cursor).Convert();
}

std::string ReadValueText(TValueCursor& cursor) { return BinaryToText(cursor).Value(); }

void ObjectTextToBinary(std::string_view text, TStream& output) { ConvertText(text, output); }

std::string FormFileToText(std::string_view fileBytes) {
  TMemoryStream stream{std::string(fileBytes)};
  if (!fileBytes.starts_with(std::string_view(kSignature, 4))) {
    size_t headerStart = 0;
    if (!FindResourceHeader(fileBytes, headerStart)) throw EInvalidImage(msg::kInvalidStreamFormat);
    stream.SetPosition(static_cast<int64_t>(headerStart));
    ReadResHeader(stream);
  }
  return ObjectBinaryToText(stream);
}

std::string TextToFormFile(std::string_view text) {
  TMemoryStream body;
  const std::string rootClass = ConvertText(text, body);
  std::string file = ResourceHeader(rootClass, static_cast<uint32_t>(body.Bytes().size()));
  file += body.Bytes();
  return file;
}

}  // namespace qr2vor
