#pragma once

#include <string>
#include <string_view>

#include "rtl/format_settings.h"

namespace qr2vor {

// Widths above this are refused (the value comes back unchanged), so that a width can never ask
// for an unbounded amount of padding.
inline constexpr int kMaxMaskWidth = 4096;

// Formats a control's value text by a format mask of "@" codes: "@C " character, "@N " number
// and "@D "/"@T " date-time formatting. Codes are found anywhere in the mask; an argument runs
// from the code's letters to the next space. `width` (characters; 0 or less for none) matters
// only for "@NL". The mask's codes act on a copy of the settings, with currency decimals 2.
// Any failure (a value that is not a date-time number, a rounding step of 0 or one whose
// quotient leaves the 32-bit range, more than kMaxLayoutDecimals decimals, a width above
// kMaxMaskWidth) returns the value unchanged.
std::string FormatByMask(std::string_view value, std::string_view mask, int width,
                         const TFormatSettings& settings);

// The same with the process-wide settings.
std::string FormatByMask(std::string_view value, std::string_view mask, int width);

}  // namespace qr2vor
