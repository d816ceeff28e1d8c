#pragma once

// Properties that later versions of a class publish and this model does not. A class lists the
// ones it accepts, each with the kind of value real forms give it; a form carrying one reads
// without reaching the error hook, and the value is kept as text (in the text form syntax) so
// that the conversion can report what it did not use. Nothing kept is interpreted or written.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rtl/persistent.h"
#include "rtl/typinfo.h"

namespace qr2vor {

enum class TLaterValue : uint8_t {
  lvInteger,
  lvFloat,    // a floating-point number, or an integer
  lvOrdinal,  // an integer or an identifier (colours)
  lvBoolean,
  lvIdent,  // an enumeration element of an open list, an event handler, a component's name
  lvString,
  lvSet,
  lvList,
  lvCollection,
  lvBinary,
};

struct TLaterProperty {
  std::string_view name;
  TLaterValue value;
};

// Name and value text, in the order first read.
using TLaterValues = std::vector<std::pair<std::string, std::string>>;

// Keeps the properties of later versions an object read.
class TLaterProperties {
 public:
  const TLaterValues& LaterProperties() const { return laterValues_; }
  // Keeps `value` under `name`, replacing a value kept before under that name.
  void KeepLaterProperty(std::string_view name, std::string value);

 protected:
  // Offers each of `accepted` to the filer; from DefineProperties. A value of another kind is
  // skipped and raises EReadError "Invalid property value", which reaches the error hook.
  void DefineLaterProperties(TFiler& filer, std::span<const TLaterProperty> accepted);

 private:
  TLaterValues laterValues_;
};

// A persistent part that only later versions publish (margins, size constraints, scroll bars):
// it accepts the properties `accepted` and `more` list.
class TLaterPart : public TPersistent, public TLaterProperties {
 public:
  explicit TLaterPart(std::span<const TLaterProperty> accepted,
                      std::span<const TLaterProperty> more = {})
      : accepted_(accepted), more_(more) {}

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  void DefineProperties(TFiler& filer) override;

 private:
  std::span<const TLaterProperty> accepted_;
  std::span<const TLaterProperty> more_;
};

// What `object` kept and what the persistent parts it publishes kept (components it refers to
// are not followed), a part's values named after the part: "XLColumn", "Margins.Left".
TLaterValues AllLaterProperties(const TPersistent& object);

}  // namespace qr2vor
