#include "app/convert/form_outline.h"

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
  // The root is level 0; every child counts one level of nesting, as in the reader.
  TOutlineObject ReadObject() {
    TOutlineObject object;
    int position;
    reader_.ReadPrefix(object.flags, position);
    object.className = reader_.ReadStr();
    object.name = reader_.ReadStr();
    while (!reader_.EndOfList()) object.properties.push_back(ReadProperty());
    reader_.ReadListEnd();
    while (!reader_.EndOfList()) {
      const TValueCursor::Level level(reader_);
      object.children.push_back(ReadObject());
    }
    reader_.ReadListEnd();
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
        const TValueCursor::Level level(reader_);
        reader_.ReadListBegin();
        std::vector<std::string> items;
        while (!reader_.EndOfList()) items.push_back(ReadValue(true));
        reader_.ReadListEnd();
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
        return fmt::format("({} bytes)", reader_.ReadBinary().size());
      case vaSet:
        return fmt::format("[{}]", fmt::join(reader_.ReadSetNames(), ", "));
      case vaCollection:
        return ReadCollection();
      default:
        reader_.SkipValue();  // a tag no stream holds: "Invalid stream format"
        return {};
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

  std::string ReadCollection() {
    const TValueCursor::Level level(reader_);
    reader_.ReadValue();
    size_t items = 0;
    while (reader_.ReadItemStart()) {
      while (!reader_.EndOfList()) ReadProperty();
      reader_.ReadListEnd();
      ++items;
    }
    return fmt::format("<{} items>", items);
  }

  TValueCursor reader_;
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
