#pragma once

// The units of page geometry, in one place.
//
// Page units are pixels of a 96 pixels-per-inch screen: every position and size of a report
// object and of a generated page is one. The printer is a virtual one at 600 dots per inch.
// `PaperSizeWidth`/`PaperSizeHeight` of the printer settings are tenths of a millimetre whatever
// `PaperSize` says (the paper table's unit, and what a new report's 2159 x 2794 means: letter
// paper); a page's size in page units is that value x 96 div 254. Margins whose `ByDefault` is
// false are printer dots. Every conversion multiplies first and truncates the division.

#include <cstdint>

namespace qr2vor {

inline constexpr int32_t kScreenPixelsPerInch = 96;
inline constexpr int32_t kPrinterDotsPerInch = 600;
inline constexpr int32_t kTenthsMmPerInch = 254;

constexpr int32_t TenthsMmToPageUnits(int32_t tenthsMm) {
  return static_cast<int32_t>(int64_t{tenthsMm} * kScreenPixelsPerInch / kTenthsMmPerInch);
}
constexpr int32_t PageUnitsToTenthsMm(int32_t pageUnits) {
  return static_cast<int32_t>(int64_t{pageUnits} * kTenthsMmPerInch / kScreenPixelsPerInch);
}
constexpr int32_t PrinterDotsToPageUnits(int32_t dots) {
  return static_cast<int32_t>(int64_t{dots} * kScreenPixelsPerInch / kPrinterDotsPerInch);
}
constexpr int32_t PageUnitsToPrinterDots(int32_t pageUnits) {
  return static_cast<int32_t>(int64_t{pageUnits} * kPrinterDotsPerInch / kScreenPixelsPerInch);
}
constexpr int32_t TenthsMmToPrinterDots(int32_t tenthsMm) {
  return static_cast<int32_t>(int64_t{tenthsMm} * kPrinterDotsPerInch / kTenthsMmPerInch);
}

}  // namespace qr2vor
