#include "rtl/variant_ops.h"

#include <cmath>

namespace qr2vor {

namespace {

enum class Operation { kAdd, kSubtract, kMultiply, kDivide };

// Empty becomes 0 and a string the number (or, next to a date, the date-time) it reads as.
Variant AsNumber(const Variant& value, bool besideDate) {
  if (value.IsEmpty()) return Variant(int64_t{0});
  if (value.Type() == varBoolean) return Variant(value.AsInteger());
  if (value.Type() != varString) return value;
  if (besideDate) return Variant::FromDate(value.AsDateTime());
  return Variant(value.AsDouble());
}

double FloatResult(Operation operation, double left, double right) {
  double result = 0;
  switch (operation) {
    case Operation::kAdd:
      result = left + right;
      break;
    case Operation::kSubtract:
      result = left - right;
      break;
    case Operation::kMultiply:
      result = left * right;
      break;
    case Operation::kDivide:
      if (right == 0 && left == 0) throw EInvalidOp(msg::kInvalidOp);
      if (right == 0) throw EZeroDivide(msg::kZeroDivide);
      result = left / right;
      break;
  }
  if (!std::isfinite(left) || !std::isfinite(right)) return result;
  return CheckedFloat(result);
}

bool IntegerResult(Operation operation, int64_t left, int64_t right, int64_t& result) {
  switch (operation) {
    case Operation::kAdd:
      return !__builtin_add_overflow(left, right, &result);
    case Operation::kSubtract:
      return !__builtin_sub_overflow(left, right, &result);
    case Operation::kMultiply:
      return !__builtin_mul_overflow(left, right, &result);
    case Operation::kDivide:
      return false;
  }
  return false;
}

// Currency values as counts of 1/10000; a product is scaled back and rounded.
bool CurrencyResult(Operation operation, Currency left, Currency right, Currency& result) {
  if (operation == Operation::kMultiply) {
    double product = left.ToDouble() * right.ToDouble();
    if (!(std::fabs(product) < 9.2e14)) return false;
    result = Currency::FromDouble(product);
    return true;
  }
  return IntegerResult(operation, left.value, right.value, result.value);
}

Variant Apply(Operation operation, const Variant& left, const Variant& right) {
  if (left.IsNull() || right.IsNull()) return Variant::Null();
  bool leftText = left.Type() == varString || left.IsEmpty();
  bool rightText = right.Type() == varString || right.IsEmpty();
  if (operation == Operation::kAdd && leftText && rightText) {
    return Variant(left.AsString() + right.AsString());
  }
  Variant a = AsNumber(left, right.Type() == varDate);
  Variant b = AsNumber(right, left.Type() == varDate);
  VarType aType = a.Type(), bType = b.Type();
  if (operation != Operation::kDivide) {
    if (aType == varInteger && bType == varInteger) {
      if (int64_t result = 0; IntegerResult(operation, *a.IntegerPtr(), *b.IntegerPtr(), result)) {
        return Variant(result);
      }
    }
    bool currencies = (aType == varCurrency || bType == varCurrency) &&
                      (aType == varCurrency || aType == varInteger) &&
                      (bType == varCurrency || bType == varInteger);
    if (currencies) {
      if (Currency result; CurrencyResult(operation, a.AsCurrency(), b.AsCurrency(), result)) {
        return Variant(result);
      }
    }
  }
  double result = FloatResult(operation, a.AsDouble(), b.AsDouble());
  bool dateResult = (operation == Operation::kAdd && (aType == varDate) != (bType == varDate)) ||
                    (operation == Operation::kSubtract && aType == varDate && bType != varDate);
  return dateResult ? Variant::FromDate(result) : Variant(result);
}

}  // namespace

double CheckedFloat(double value) {
  if (std::isnan(value)) throw EInvalidOp(msg::kInvalidOp);
  if (std::isinf(value)) throw EOverflow(msg::kOverflow);
  return value;
}

Variant operator+(const Variant& left, const Variant& right) {
  return Apply(Operation::kAdd, left, right);
}

Variant operator-(const Variant& left, const Variant& right) {
  return Apply(Operation::kSubtract, left, right);
}

Variant operator*(const Variant& left, const Variant& right) {
  return Apply(Operation::kMultiply, left, right);
}

Variant operator/(const Variant& left, const Variant& right) {
  return Apply(Operation::kDivide, left, right);
}

}  // namespace qr2vor
