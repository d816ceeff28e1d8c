#pragma once

#include <string_view>

#include "platform/data/dataset.h"
#include "rtl/variant.h"

namespace qr2vor {

// Reads the text form of a field value as stored in data files: integers in decimal, numbers
// with '.' and an optional exponent, "true"/"false" (any case), dates "yyyy-mm-dd", times
// "hh:nn[:ss]", date-times "yyyy-mm-dd[ T]hh:nn[:ss]". String and memo types take the text as it
// is. False (value untouched) when the text is not a value of `dataType`, or the type has no
// text form (binary types).
bool TryParseFieldValue(std::string_view text, TFieldType dataType, Variant& value);

}  // namespace qr2vor
