#pragma once

#include "rtl/exceptions.h"
#include "rtl/variant.h"

namespace qr2vor {

// Arithmetic failures, with the toolkit's texts.
class EMathError : public Exception {
 public:
  using Exception::Exception;
};
class EZeroDivide : public EMathError {
 public:
  using EMathError::EMathError;
};
class EInvalidOp : public EMathError {
 public:
  using EMathError::EMathError;
};
class EOverflow : public EMathError {
 public:
  using EMathError::EMathError;
};
class EDivByZero : public EMathError {
 public:
  using EMathError::EMathError;
};
class EIntOverflow : public EMathError {
 public:
  using EMathError::EMathError;
};
class ERangeError : public Exception {
 public:
  using Exception::Exception;
};

namespace msg {
inline constexpr const char* kZeroDivide = "Floating point division by zero";
inline constexpr const char* kInvalidOp = "Invalid floating point operation";
inline constexpr const char* kOverflow = "Floating point overflow";
inline constexpr const char* kDivByZero = "Division by zero";
inline constexpr const char* kIntOverflow = "Integer overflow";
inline constexpr const char* kRangeError = "Range check error";
}  // namespace msg

// Variant arithmetic. Null on either side gives Null; Empty counts as 0, or as "" next to a
// string. `+` on two strings concatenates; otherwise a string operand is read as a number (as a
// date-time next to a date). Integers stay integers while the result fits int64_t; a currency
// with integers or currencies stays a currency; a date plus or minus a number is a date, a date
// minus a date a double; anything else is a double. Division is always real division.
// Failures: EVariantError for an operand that does not convert, EZeroDivide for x / 0,
// EInvalidOp for 0 / 0 or a result that is not a number, EOverflow for an infinite result
// from finite operands.
Variant operator+(const Variant& left, const Variant& right);
Variant operator-(const Variant& left, const Variant& right);
Variant operator*(const Variant& left, const Variant& right);
Variant operator/(const Variant& left, const Variant& right);

// Raises EInvalidOp for NaN and EOverflow for an infinity; returns the value otherwise.
double CheckedFloat(double value);

}  // namespace qr2vor
