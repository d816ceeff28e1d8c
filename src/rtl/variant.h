#pragma once

#include <compare>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace qr2vor {

// A date-time number: days since 30 December 1899, the fraction is the time of day.
using TDateTime = double;

// Fixed-point money value held as a count of 1/10000 units.
struct Currency {
  static constexpr int64_t kScale = 10000;

  int64_t value = 0;

  // Rounds half away from zero to the nearest 1/10000; raises EConvertError when out of range.
  static Currency FromDouble(double number);
  double ToDouble() const { return static_cast<double>(value) / kScale; }

  friend auto operator<=>(const Currency&, const Currency&) = default;
};

// Type tags in the order of the value alternatives held by Variant.
enum VarType {
  varEmpty,
  varNull,
  varBoolean,
  varInteger,
  varDouble,
  varCurrency,
  varDate,
  varString
};

// The name used for a type in conversion messages ("Int64", "Date", ...).
const char* VarTypeName(VarType type);

enum VarCompareResult { vcLess, vcEqual, vcGreater, vcNotEqual };

// A tagged value: Empty, Null, Boolean, Integer, Double, Currency, DateTime or String (ANSI bytes).
class Variant {
 public:
  Variant() = default;
  template <std::same_as<bool> T>
  Variant(T value) : value_(value) {}
  Variant(int value) : value_(int64_t{value}) {}
  Variant(int64_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(Currency value) : value_(value) {}
  Variant(std::string value) : value_(std::move(value)) {}
  Variant(const char* value) : value_(std::string(value)) {}

  static Variant Null();
  static Variant FromDate(TDateTime value);

  VarType Type() const { return static_cast<VarType>(value_.index()); }
  bool IsEmpty() const { return Type() == varEmpty; }
  bool IsNull() const { return Type() == varNull; }
  bool IsNumeric() const;

  // Direct access to the held value; nullptr when the variant holds another type.
  const bool* BooleanPtr() const { return std::get_if<bool>(&value_); }
  const int64_t* IntegerPtr() const { return std::get_if<int64_t>(&value_); }
  const double* DoublePtr() const { return std::get_if<double>(&value_); }
  const Currency* CurrencyPtr() const { return std::get_if<Currency>(&value_); }
  const TDateTime* DatePtr() const {
    const DateValue* date = std::get_if<DateValue>(&value_);
    return date ? &date->value : nullptr;
  }
  const std::string* StringPtr() const { return std::get_if<std::string>(&value_); }

  // Conversions; each raises EVariantError when the value cannot be converted.
  bool AsBoolean() const;
  int64_t AsInteger() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  std::string AsString() const;

 private:
  struct NullValue {};
  struct DateValue {
    TDateTime value;
  };

  [[noreturn]] void RaiseConversion(VarType target) const;

  std::variant<std::monostate, NullValue, bool, int64_t, double, Currency, DateValue, std::string>
      value_;
};

// Null equals only Null and is "not equal" to anything else; strings compare as bytes;
// numbers, Booleans (False = 0, True = 1) and dates compare numerically; a string against a
// non-string compares as that type when the string converts to it, otherwise as text.
VarCompareResult Compare(const Variant& left, const Variant& right);

inline bool operator==(const Variant& left, const Variant& right) {
  return Compare(left, right) == vcEqual;
}

// Date-time numbers over the proleptic Gregorian calendar, years 1 to 9999. A negative
// date-time counts days before 30 December 1899 in its integer part, while its fraction,
// taken by absolute value, is still the time of day. Invalid parts raise EConvertError.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime dateTime, int& year, int& month, int& day);
void DecodeTime(TDateTime dateTime, int& hour, int& minute, int& second, int& millisecond);

// Locale-free text of a date-time: "yyyy-mm-dd", or "yyyy-mm-dd hh:nn:ss" when there is a time
// of day; and its reading back, which also accepts "yyyy-mm-dd hh:nn".
std::string DateTimeToIsoText(TDateTime dateTime);
bool TryIsoTextToDateTime(std::string_view text, TDateTime& dateTime);

}  // namespace qr2vor
