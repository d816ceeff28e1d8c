#include "app/convert/form_outline.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include <fmt/format.h>

#include "rtl/codepage.h"
#include "rtl/constants.h"
#include "rtl/exceptions.h"
#include "rtl/number_text.h"
#include "rtl/typinfo.h"
#include "stream/format.h"
#include "stream/reader.h"

namespace qr2vor {

namespace {

class OutlineReader {
 public:
  OutlineReader(TStream& stream, int codePage) : reader_(stream) { reader_.SetCodePage(codePage); }

  TOutlineObject Read() {
    reader_.ReadSignature();
    return ReadObject();
  }

 private:
  // Counts one level of nesting for as long as it lives; too deep a stream is a broken one.
  class Level {
   public:
    explicit Level(int& depth) : depth_(depth) {
      if (++depth_ > kMaxNestingDepth) {
        --depth_;
        throw EReadError(msg::kInvalidStreamFormat);
      }
    }
    ~Level() { --depth_; }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

   private:
    int& depth_;
  };

  TOutlineObject ReadObject() {
    Level level(depth_);
    TOutlineObject object;
    int position;
    reader_.ReadPrefix(object.flags, position);
    object.className = reader_.ReadStr();
    object.name = reader_.ReadStr();
    while (!reader_.EndOfList()) object.properties.push_back(ReadProperty());
    reader_.ReadByte();
    while (!reader_.EndOfList()) object.children.push_back(ReadObject());
    reader_.ReadByte();
    return object;
  }

  TOutlineProperty ReadProperty() {
    TOutlineProperty property;
    property.name = reader_.ReadStr();
    property.isIdent = reader_.NextValue() == vaIdent;
    property.value = ReadValue(false);
    return property;
  }

  std::string ReadValue(bool inList) {
    switch (reader_.NextValue()) {
      case vaNull:
        reader_.ReadValue();
        return "Null";
      case vaList: {
        Level level(depth_);
        reader_.ReadValue();
        std::vector<std::string> items;
        while (!reader_.EndOfList()) items.push_back(ReadValue(true));
        reader_.ReadByte();
        return fmt::format("({})", fmt::join(items, ", "));
      }
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        return fmt::format("{}", reader_.ReadInt64());
      case vaExtended:
      case vaSingle:
      case vaCurrency:
      case vaDate:
      case vaDouble:
        return fmt::format("{}", reader_.ReadFloat());
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String: {
        const std::string text = reader_.ReadString();
        return inList ? QuoteString(text) : text;
      }
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
        return reader_.ReadIdent();
      case vaBinary:
        return SkipBinary();
      case vaSet: {
        reader_.ReadValue();
        std::vector<std::string> elements;
        for (std::string element = reader_.ReadStr(); !element.empty();
             element = reader_.ReadStr()) {
          elements.push_back(std::move(element));
        }
        return fmt::format("[{}]", fmt::join(elements, ", "));
      }
      case vaCollection:
        return ReadCollection();
      default:
        reader_.ReadValue();
        throw EReadError(msg::kInvalidStreamFormat);
    }
  }

  static std::string QuoteString(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
      quoted += c;
      if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
  }

  std::string SkipBinary() {
    reader_.ReadValue();
    const uint32_t length = reader_.ReadLength();
    std::array<uint8_t, 4096> chunk;
    for (uint32_t remaining = length; remaining > 0;) {
      const uint32_t n = std::min<uint32_t>(remaining, chunk.size());
      reader_.Read(chunk.data(), n);
      remaining -= n;
    }
    return fmt::format("({} bytes)", length);
  }

  std::string ReadCollection() {
    Level level(depth_);
    reader_.ReadValue();
    size_t items = 0;
    while (!reader_.EndOfList()) {
      const TValueType next = reader_.NextValue();
      if (next == vaInt8 || next == vaInt16 || next == vaInt32) reader_.ReadInt64();
      reader_.ReadListBegin();
      while (!reader_.EndOfList()) ReadProperty();
      reader_.ReadByte();
      ++items;
    }
    reader_.ReadByte();
    return fmt::format("<{} items>", items);
  }

  TReader reader_;
  int depth_ = -1;
};

// "OnPrint" starts with the word "On"; "Only" does not.
bool StartsWithWord(std::string_view text, std::string_view prefix) {
  return text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix &&
         std::isupper(static_cast<unsigned char>(text[prefix.size()]));
}

}  // namespace

TOutlineObject ReadFormOutline(TStream& stream) {
  return OutlineReader(stream, ProcessCodePage()).Read();
}

TOutlineObject ReadFormOutline(TStream& stream, int codePage) {
  return OutlineReader(stream, codePage).Read();
}

int FormCodePage(const TOutlineObject& outline) {
  std::optional<int> named;
  bool agree = true;
  outline.ForEach([&](const TOutlineObject& object) {
    for (const TOutlineProperty& property : object.properties) {
      const std::string_view name = property.name;
      if (name.size() < 8 || !SameText(name.substr(name.size() - 8), ".Charset")) continue;
      int32_t charset = -1;
      if (property.isIdent) {
        IdentToInt(CharsetIdents(), property.value, charset);
      } else if (!TryStrToInt(property.value, charset)) {
        continue;
      }
      if (charset < 0 || charset > 255) continue;
      switch (charset) {
        case ANSI_CHARSET:
        case DEFAULT_CHARSET:
        case SYMBOL_CHARSET:
        case MAC_CHARSET:
        case OEM_CHARSET:
          continue;
        default:
          break;
      }
      const int codePage = CharsetCodePage(static_cast<TFontCharset>(charset));
      if (!named) named = codePage;
      agree = agree && *named == codePage;
    }
  });
  return named && agree ? *named : ProcessCodePage();
}

bool IsEventHandlerReference(const TOutlineProperty& property) {
  if (!property.isIdent || property.name.find('.') != std::string::npos) return false;
  return StartsWithWord(property.name, "On") || StartsWithWord(property.name, "Before") ||
         StartsWithWord(property.name, "After");
}

}  // namespace qr2vor
