#pragma once

#include <array>
#include <cstdint>

namespace qr2vor {

// The 80-bit extended float of the x87: 64-bit mantissa with explicit leading bit, then a 15-bit
// exponent (bias 16383) and the sign, little-endian.
using Extended80 = std::array<uint8_t, 10>;

Extended80 DoubleToExtended(double value);
// Values beyond the range of a double become infinities; the lost low mantissa bits are rounded.
double ExtendedToDouble(const Extended80& bytes);
// Exact both ways: `long double` is the x87 extended type on the platforms this builds for.
Extended80 LongDoubleToExtended(long double value);
long double ExtendedToLongDouble(const Extended80& bytes);

}  // namespace qr2vor
