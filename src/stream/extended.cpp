#include "stream/extended.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace qr2vor {

Extended80 DoubleToExtended(double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);

  uint64_t mantissa = 0;
  int extExponent = 0;
  if (exponent == 0x7FF) {
    // Infinity or NaN: all-ones exponent, leading bit set, fraction kept.
    extExponent = 0x7FFF;
    mantissa = (uint64_t{1} << 63) | (fraction << 11);
  } else if (exponent == 0) {
    if (fraction != 0) {
      // Denormal double: normalise it, the extended exponent range holds it as a normal number.
      const int shift = std::countl_zero(fraction) - 11;
      fraction <<= shift;
      mantissa = fraction << 11;
      extExponent = 1 - 1023 - shift + 16383;
    }
  } else {
    extExponent = exponent - 1023 + 16383;
    mantissa = (uint64_t{1} << 63) | (fraction << 11);
  }

  Extended80 out{};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  const auto signExponent = static_cast<uint16_t>((negative ? 0x8000 : 0) | extExponent);
  out[8] = static_cast<uint8_t>(signExponent & 0xFF);
  out[9] = static_cast<uint8_t>(signExponent >> 8);
  return out;
}

double ExtendedToDouble(const Extended80& bytes) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= uint64_t{bytes[i]} << (8 * i);
  const int signExponent = bytes[8] | (bytes[9] << 8);
  const bool negative = (signExponent & 0x8000) != 0;
  const int exponent = signExponent & 0x7FFF;
  double result;
  if (exponent == 0x7FFF) {
    result = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::quiet_NaN();
  } else {
    // value = mantissa * 2^(exponent - 16383 - 63); ldexp rounds correctly into the double range.
    result = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  }
  return negative ? -result : result;
}

static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the 80-bit extended type");

Extended80 LongDoubleToExtended(long double value) {
  const bool negative = std::signbit(value);
  uint64_t mantissa = 0;
  int extExponent = 0;
  if (std::isnan(value)) {
    extExponent = 0x7FFF;
    mantissa = uint64_t{3} << 62;
  } else if (std::isinf(value)) {
    extExponent = 0x7FFF;
    mantissa = uint64_t{1} << 63;
  } else if (value != 0) {
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
    mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
    extExponent = exponent - 1 + 16383;
    if (extExponent <= 0) {
      // A denormal: the exponent field is 0 and the mantissa loses its leading bit's place.
      mantissa >>= 1 - extExponent;
      extExponent = 0;
    }
  }
  Extended80 out{};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  const auto signExponent = static_cast<uint16_t>((negative ? 0x8000 : 0) | extExponent);
  out[8] = static_cast<uint8_t>(signExponent & 0xFF);
  out[9] = static_cast<uint8_t>(signExponent >> 8);
  return out;
}

long double ExtendedToLongDouble(const Extended80& bytes) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= uint64_t{bytes[i]} << (8 * i);
  const int signExponent = bytes[8] | (bytes[9] << 8);
  const bool negative = (signExponent & 0x8000) != 0;
  const int exponent = signExponent & 0x7FFF;
  long double result;
  if (exponent == 0x7FFF) {
    result = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                                  : std::numeric_limits<long double>::quiet_NaN();
  } else {
    // value = mantissa * 2^(exponent - 16383 - 63), with exponent 0 standing for 1 (denormals).
    result = std::ldexp(static_cast<long double>(mantissa), std::max(exponent, 1) - 16383 - 63);
  }
  return negative ? -result : result;
}

}  // namespace qr2vor
