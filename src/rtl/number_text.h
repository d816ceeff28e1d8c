#pragma once

#include <string>
#include <string_view>

#include "rtl/format_settings.h"

namespace qr2vor {

// A fixed-point or scientific number layout: `decimals` digits after the decimal separator
// (none, and no separator, when 0); the integer part grouped in threes by the thousand
// separator when `grouping` is kGroupThousands; scientific notation writes one digit before the
// separator and an exponent "E+n" / "E-n".
struct TNumberLayout {
  enum Grouping { kNoGrouping, kGroupThousands };
  enum Notation { kFixed, kScientific };

  int decimals = 2;
  Grouping grouping = kNoGrouping;
  Notation notation = kFixed;
};

// The largest number of decimals a layout may ask for.
inline constexpr int kMaxLayoutDecimals = 255;

// The number in the layout with the settings' separators. The value is first taken to 15
// significant digits, then rounded half away from zero at the last printed place; a minus is
// written only when a printed digit is not zero. `decimals` must lie in 0..kMaxLayoutDecimals.
// Values without digits print as the floating-point text writes them: "NAN", "INF", "-INF"
// (FormatCurrency too, without symbol or pattern).
std::string FormatNumber(double value, const TNumberLayout& layout,
                         const TFormatSettings& settings);

// The settings' default currency form: grouped thousands, currencyDecimals decimals, the symbol
// placed by currencyFormat and, for negatives, by negCurrFormat.
std::string FormatCurrency(double value, const TFormatSettings& settings);

// Shortest text of up to 15 significant digits with the settings' decimal separator
// ("1234.5", "1E+20").
std::string FloatToStr(double value, const TFormatSettings& settings);

// Reads [blanks][sign]digits[separator digits][E[sign]digits][blanks] with the settings'
// decimal separator; false when the text is not such a number or is out of the double range.
bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings);

// Reads [blanks][sign]digits[blanks] as a 32-bit signed integer; false otherwise.
bool TryStrToInt(std::string_view text, int& value);

}  // namespace qr2vor
