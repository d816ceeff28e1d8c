#pragma once

// The toolkit's text alignment, shared by the QuickReport printables and the report controls
// (one type, so that both models can be used side by side).

#include <cstdint>

#include "rtl/typinfo.h"

namespace qr2vor {

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

inline const TEnumInfo& AlignmentInfo() {
  static const TEnumInfo info("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
  return info;
}

}  // namespace qr2vor
