#include "stream/later_properties.h"

#include <algorithm>

#include "rtl/component.h"
#include "rtl/exceptions.h"
#include "stream/format.h"
#include "stream/reader.h"
#include "stream/text_form.h"

namespace qr2vor {

namespace {

bool Fits(TLaterValue kind, TValueType tag) {
  const bool integer = tag == vaInt8 || tag == vaInt16 || tag == vaInt32 || tag == vaInt64;
  switch (kind) {
    case TLaterValue::lvInteger:
      return integer;
    case TLaterValue::lvFloat:
      return integer || tag == vaExtended || tag == vaSingle || tag == vaCurrency ||
             tag == vaDate || tag == vaDouble;
    case TLaterValue::lvOrdinal:
      return integer || tag == vaIdent;
    case TLaterValue::lvBoolean:
      return tag == vaFalse || tag == vaTrue;
    case TLaterValue::lvIdent:
      return tag == vaIdent;
    case TLaterValue::lvString:
      return tag == vaString || tag == vaLString || tag == vaWString || tag == vaUTF8String;
    case TLaterValue::lvSet:
      return tag == vaSet;
    case TLaterValue::lvList:
      return tag == vaList;
    case TLaterValue::lvCollection:
      return tag == vaCollection;
    case TLaterValue::lvBinary:
      return tag == vaBinary;
  }
  return false;
}

}  // namespace

void TLaterProperties::KeepLaterProperty(std::string_view name, std::string value) {
  const auto kept = std::find_if(laterValues_.begin(), laterValues_.end(),
                                 [name](const auto& entry) { return entry.first == name; });
  if (kept != laterValues_.end()) {
    kept->second = std::move(value);
  } else {
    laterValues_.emplace_back(name, std::move(value));
  }
}

void TLaterProperties::DefineLaterProperties(TFiler& filer,
                                             std::span<const TLaterProperty> accepted) {
  for (const TLaterProperty& property : accepted) {
    filer.DefineProperty(
        property.name,
        [this, property](TValueReader& valueReader) {
          // Defined properties are only ever read by the stream reader, a value cursor.
          auto& reader = dynamic_cast<TValueCursor&>(valueReader);
          if (!Fits(property.value, reader.NextValue())) {
            reader.SkipValue();
            throw EReadError(msg::kInvalidPropertyValue);
          }
          KeepLaterProperty(property.name, ReadValueText(reader));
        },
        nullptr, false);
  }
}

const TClassInfo& TLaterPart::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TLaterPart, TPersistent>("TLaterPart");
  return info;
}

void TLaterPart::DefineProperties(TFiler& filer) {
  TPersistent::DefineProperties(filer);
  DefineLaterProperties(filer, accepted_);
  DefineLaterProperties(filer, more_);
}

TLaterValues AllLaterProperties(const TPersistent& object) {
  TLaterValues values;
  if (const auto* own = dynamic_cast<const TLaterProperties*>(&object)) {
    values = own->LaterProperties();
  }
  for (const TPropInfo& property : object.ClassInfo().Properties()) {
    if (property.kind != TTypeKind::tkClass || !property.getObject) continue;
    const TPersistent* part = property.getObject(object);
    if (part == nullptr || dynamic_cast<const TComponent*>(part) != nullptr) continue;
    for (auto& [name, value] : AllLaterProperties(*part)) {
      values.emplace_back(property.name + "." + name, std::move(value));
    }
  }
  return values;
}

}  // namespace qr2vor
