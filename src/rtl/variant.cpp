#include "rtl/variant.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "rtl/exceptions.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

constexpr const char* kCouldNotConvert = "Could not convert variant of type ({}) into type ({})";
constexpr const char* kDateEncodeError = "Invalid argument to date encode";
constexpr const char* kTimeEncodeError = "Invalid argument to time encode";
constexpr const char* kDateDecodeError = "Invalid argument to date decode";
constexpr const char* kCurrencyRangeError = "Floating point value {} is out of the Currency range";

// Bounds of int64_t as doubles: 2^63 is exact, so [-2^63, 2^63) is the convertible range.
constexpr double kInt64Limit = 9223372036854775808.0;

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kMinDay = -693593;      // 0001-01-01
constexpr int64_t kMaxDay = 2958465;      // 9999-12-31
constexpr int64_t kUnixEpochDay = 25569;  // 1970-01-01

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimSpaces(std::string_view text) {
  constexpr std::string_view kSpaces = " \t\r\n";
  size_t first = text.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kSpaces);
  return text.substr(first, last - first + 1);
}

// Reads a decimal number with '.' as decimal point and an optional exponent. Text without
// point or exponent that fits int64_t becomes an Integer, anything else a Double.
std::optional<Variant> ParseNumber(std::string_view text) {
  text = TrimSpaces(text);
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  size_t mantissaDigits = 0;
  while (pos < text.size() && IsDigit(text[pos])) ++pos, ++mantissaDigits;
  bool integral = true;
  if (pos < text.size() && text[pos] == '.') {
    integral = false;
    ++pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    integral = false;
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    size_t exponentDigits = 0;
    while (pos < text.size() && IsDigit(text[pos])) ++pos, ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;

  // from_chars takes no leading '+'.
  std::string_view number = text.front() == '+' ? text.substr(1) : text;
  const char* end = number.data() + number.size();
  if (integral) {
    int64_t integer = 0;
    auto [ptr, ec] = std::from_chars(number.data(), end, integer);
    if (ec == std::errc() && ptr == end) return Variant(integer);
  }
  double real = 0;
  auto [ptr, ec] = std::from_chars(number.data(), end, real);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return Variant(real);
}

bool TryTextToBoolean(std::string_view text, bool& value) {
  std::string_view trimmed = TrimSpaces(text);
  if (SameText(trimmed, "True")) {
    value = true;
    return true;
  }
  if (SameText(trimmed, "False")) {
    value = false;
    return true;
  }
  std::optional<Variant> number = ParseNumber(trimmed);
  if (!number) return false;
  value = number->AsDouble() != 0;
  return true;
}

bool TryTextToDateTime(std::string_view text, TDateTime& value) {
  if (std::optional<Variant> number = ParseNumber(text)) {
    value = number->AsDouble();
    return true;
  }
  return TryIsoTextToDateTime(text, value);
}

// Round half to even, as the toolkit's Round does; nullopt when out of int64_t range.
std::optional<int64_t> RoundToInt64(double number) {
  double rounded = std::nearbyint(number);
  if (!(rounded >= -kInt64Limit && rounded < kInt64Limit)) return std::nullopt;
  return static_cast<int64_t>(rounded);
}

int64_t RoundCurrency(Currency currency) {
  int64_t quotient = currency.value / Currency::kScale;
  int64_t remainder = currency.value % Currency::kScale;
  constexpr int64_t kHalf = Currency::kScale / 2;
  if (remainder > kHalf || (remainder == kHalf && (quotient & 1) != 0)) ++quotient;
  if (remainder < -kHalf || (remainder == -kHalf && (quotient & 1) != 0)) --quotient;
  return quotient;
}

std::optional<Currency> CurrencyFromDouble(double number) {
  double scaled = std::round(number * Currency::kScale);
  if (!(scaled >= -kInt64Limit && scaled < kInt64Limit)) return std::nullopt;
  return Currency{static_cast<int64_t>(scaled)};
}

std::optional<Currency> CurrencyFromInteger(int64_t integer) {
  constexpr int64_t kLimit = INT64_MAX / Currency::kScale;
  if (integer > kLimit || integer < -kLimit) return std::nullopt;
  return Currency{integer * Currency::kScale};
}

// Shortest text of up to 15 significant digits that reads back as the same double (or the
// 15-digit text when none does); plain notation for decimal exponents -5 to 14.
std::string FloatToText(double number) {
  if (std::isnan(number)) return "NAN";
  if (std::isinf(number)) return number < 0 ? "-INF" : "INF";
  if (number == 0) return "0";

  constexpr int kMaxDigits = 15;
  std::string scientific;
  for (int digits = 1; digits <= kMaxDigits; ++digits) {
    scientific = fmt::format("{:.{}e}", number, digits - 1);
    double readBack = 0;
    std::from_chars(scientific.data(), scientific.data() + scientific.size(), readBack);
    if (readBack == number) break;
  }

  // scientific is "[-]d[.ddd]e[+-]xx".
  bool negative = scientific.front() == '-';
  size_t exponentPos = scientific.find('e');
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < exponentPos; ++i) {
    if (scientific[i] != '.') digits += scientific[i];
  }
  int exponent = std::stoi(scientific.substr(exponentPos + 1));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string text = negative ? "-" : "";
  if (exponent >= -5 && exponent < kMaxDigits) {
    if (exponent < 0) {
      text += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else {
      size_t integerDigits = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= integerDigits) {
        text += digits + std::string(integerDigits - digits.size(), '0');
      } else {
        text += digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
      }
    }
  } else {
    text += digits.substr(0, 1);
    if (digits.size() > 1) text += "." + digits.substr(1);
    text += fmt::format("E{}{}", exponent < 0 ? '-' : '+', std::abs(exponent));
  }
  return text;
}

std::string CurrencyToText(Currency currency) {
  uint64_t magnitude = currency.value < 0 ? 0 - static_cast<uint64_t>(currency.value)
                                          : static_cast<uint64_t>(currency.value);
  std::string text = fmt::format("{}{}", currency.value < 0 ? "-" : "", magnitude / 10000);
  if (uint64_t fraction = magnitude % 10000; fraction != 0) {
    std::string fractionText = fmt::format("{:04}", fraction);
    while (fractionText.back() == '0') fractionText.pop_back();
    text += "." + fractionText;
  }
  return text;
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t yearOfEra = year - era * 400;
  int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The inverse of DaysFromCivil (H. Hinnant's civil_from_days).
void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  value = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  int64_t ms = ((hour * 60 + minute) * 60 + second) * int64_t{1000} + millisecond;
  value = static_cast<double>(ms) / kMsPerDay;
  return true;
}

struct DayAndTime {
  int64_t day;      // days since 1899-12-30
  int64_t msOfDay;  // milliseconds since midnight
};

// Splits a date-time into its day and its time of day rounded to the millisecond; a time that
// rounds up to midnight moves on to the next day, so date and time always agree.
DayAndTime SplitDateTime(TDateTime dateTime) {
  double dayPart = std::trunc(dateTime);
  if (!(dayPart >= kMinDay && dayPart <= kMaxDay)) throw EConvertError(kDateDecodeError);
  DayAndTime split{static_cast<int64_t>(dayPart),
                   std::llround(std::fabs(dateTime - dayPart) * kMsPerDay)};
  if (split.msOfDay >= kMsPerDay) {
    if (split.day == kMaxDay) {
      split.msOfDay = kMsPerDay - 1;
    } else {
      ++split.day;
      split.msOfDay -= kMsPerDay;
    }
  }
  return split;
}

// Reads an unsigned decimal field of at most maxDigits digits.
bool ReadField(std::string_view text, size_t& pos, size_t maxDigits, int& value) {
  size_t start = pos;
  value = 0;
  while (pos < text.size() && IsDigit(text[pos]) && pos - start < maxDigits) {
    value = value * 10 + (text[pos++] - '0');
  }
  return pos > start;
}

bool ReadSeparator(std::string_view text, size_t& pos, char separator) {
  if (pos >= text.size() || text[pos] != separator) return false;
  ++pos;
  return true;
}

VarCompareResult Reverse(VarCompareResult result) {
  if (result == vcLess) return vcGreater;
  if (result == vcGreater) return vcLess;
  return result;
}

template <typename T>
VarCompareResult CompareOrdered(const T& left, const T& right) {
  if (left < right) return vcLess;
  if (right < left) return vcGreater;
  return vcEqual;
}

VarCompareResult CompareDoubles(double left, double right) {
  if (std::isnan(left) || std::isnan(right)) return vcNotEqual;
  return CompareOrdered(left, right);
}

// Exact comparison of an integer with a double, without rounding either to the other's type.
VarCompareResult CompareIntegerDouble(int64_t integer, double real) {
  if (std::isnan(real)) return vcNotEqual;
  if (real >= kInt64Limit) return vcLess;
  if (real < -kInt64Limit) return vcGreater;
  double whole = std::trunc(real);
  auto wholeInteger = static_cast<int64_t>(whole);
  if (integer != wholeInteger) return CompareOrdered(integer, wholeInteger);
  return CompareDoubles(0, real - whole);
}

VarCompareResult CompareIntegerCurrency(int64_t integer, Currency currency) {
  int64_t whole = currency.value / Currency::kScale;
  if (integer != whole) return CompareOrdered(integer, whole);
  return CompareOrdered(int64_t{0}, currency.value % Currency::kScale);
}

VarCompareResult CompareBytes(const std::string& left, const std::string& right) {
  int result = left.compare(right);  // char_traits<char>::compare orders as unsigned bytes
  return result < 0 ? vcLess : result > 0 ? vcGreater : vcEqual;
}

bool IsFloatType(VarType type) { return type == varDouble || type == varDate; }

// Both sides are Empty, Boolean, Integer, Double, Currency or Date.
VarCompareResult CompareNumeric(const Variant& left, const Variant& right) {
  VarType leftType = left.Type();
  VarType rightType = right.Type();
  if (IsFloatType(leftType) && !IsFloatType(rightType)) return Reverse(CompareNumeric(right, left));
  // A float on the left now means floats on both sides.
  if (IsFloatType(rightType)) {
    if (IsFloatType(leftType) || leftType == varCurrency) {
      return CompareDoubles(left.AsDouble(), right.AsDouble());
    }
    return CompareIntegerDouble(left.AsInteger(), right.AsDouble());
  }
  if (leftType == varCurrency && rightType != varCurrency) {
    return Reverse(CompareNumeric(right, left));
  }
  if (rightType == varCurrency) {
    if (leftType == varCurrency) return CompareOrdered(*left.CurrencyPtr(), *right.CurrencyPtr());
    return CompareIntegerCurrency(left.AsInteger(), *right.CurrencyPtr());
  }
  return CompareOrdered(left.AsInteger(), right.AsInteger());
}

// The text as a value of the given type, when it reads as one.
std::optional<Variant> TextAsType(const std::string& text, VarType type) {
  switch (type) {
    case varBoolean:
      if (bool value = false; TryTextToBoolean(text, value)) return Variant(value);
      return std::nullopt;
    case varDate:
      if (TDateTime value = 0; TryTextToDateTime(text, value)) return Variant::FromDate(value);
      return std::nullopt;
    case varInteger:
    case varDouble:
    case varCurrency:
      return ParseNumber(text);
    default:
      return std::nullopt;
  }
}

// The text against a value that is neither Null nor a string.
VarCompareResult CompareTextWith(const std::string& text, const Variant& other) {
  if (std::optional<Variant> converted = TextAsType(text, other.Type())) {
    return CompareNumeric(*converted, other);
  }
  return CompareBytes(text, other.AsString());
}

}  // namespace

const char* VarTypeName(VarType type) {
  static constexpr const char* kNames[] = {"Empty",  "Null",     "Boolean", "Int64",
                                           "Double", "Currency", "Date",    "String"};
  return kNames[type];
}

Currency Currency::FromDouble(double number) {
  std::optional<Currency> currency = CurrencyFromDouble(number);
  if (!currency) throw EConvertError(kCurrencyRangeError, FloatToText(number));
  return *currency;
}

Variant Variant::Null() {
  Variant result;
  result.value_ = NullValue{};
  return result;
}

Variant Variant::FromDate(TDateTime value) {
  Variant result;
  result.value_ = DateValue{value};
  return result;
}

bool Variant::IsNumeric() const {
  VarType type = Type();
  return type == varInteger || type == varDouble || type == varCurrency;
}

void Variant::RaiseConversion(VarType target) const {
  throw EVariantError(kCouldNotConvert, VarTypeName(Type()), VarTypeName(target));
}

bool Variant::AsBoolean() const {
  switch (Type()) {
    case varEmpty:
      return false;
    case varBoolean:
      return *BooleanPtr();
    case varInteger:
      return *IntegerPtr() != 0;
    case varDouble:
      return *DoublePtr() != 0;
    case varCurrency:
      return CurrencyPtr()->value != 0;
    case varDate:
      return *DatePtr() != 0;
    case varString:
      if (bool value = false; TryTextToBoolean(*StringPtr(), value)) return value;
      break;
    case varNull:
      break;
  }
  RaiseConversion(varBoolean);
}

int64_t Variant::AsInteger() const {
  std::optional<int64_t> result;
  switch (Type()) {
    case varEmpty:
      return 0;
    case varBoolean:
      return *BooleanPtr() ? 1 : 0;
    case varInteger:
      return *IntegerPtr();
    case varDouble:
      result = RoundToInt64(*DoublePtr());
      break;
    case varCurrency:
      return RoundCurrency(*CurrencyPtr());
    case varDate:
      result = RoundToInt64(*DatePtr());
      break;
    case varString:
      if (std::optional<Variant> number = ParseNumber(*StringPtr())) {
        if (const int64_t* integer = number->IntegerPtr()) return *integer;
        result = RoundToInt64(*number->DoublePtr());
      }
      break;
    case varNull:
      break;
  }
  if (!result) RaiseConversion(varInteger);
  return *result;
}

double Variant::AsDouble() const {
  switch (Type()) {
    case varEmpty:
      return 0;
    case varBoolean:
      return *BooleanPtr() ? 1 : 0;
    case varInteger:
      return static_cast<double>(*IntegerPtr());
    case varDouble:
      return *DoublePtr();
    case varCurrency:
      return CurrencyPtr()->ToDouble();
    case varDate:
      return *DatePtr();
    case varString:
      if (std::optional<Variant> number = ParseNumber(*StringPtr())) return number->AsDouble();
      break;
    case varNull:
      break;
  }
  RaiseConversion(varDouble);
}

Currency Variant::AsCurrency() const {
  std::optional<Currency> result;
  switch (Type()) {
    case varEmpty:
      return Currency{};
    case varBoolean:
      return Currency{*BooleanPtr() ? Currency::kScale : 0};
    case varInteger:
      result = CurrencyFromInteger(*IntegerPtr());
      break;
    case varDouble:
      result = CurrencyFromDouble(*DoublePtr());
      break;
    case varCurrency:
      return *CurrencyPtr();
    case varDate:
      result = CurrencyFromDouble(*DatePtr());
      break;
    case varString:
      if (std::optional<Variant> number = ParseNumber(*StringPtr())) {
        const int64_t* integer = number->IntegerPtr();
        result = integer ? CurrencyFromInteger(*integer) : CurrencyFromDouble(number->AsDouble());
      }
      break;
    case varNull:
      break;
  }
  if (!result) RaiseConversion(varCurrency);
  return *result;
}

TDateTime Variant::AsDateTime() const {
  switch (Type()) {
    case varEmpty:
    case varBoolean:
    case varInteger:
    case varDouble:
    case varCurrency:
      return AsDouble();
    case varDate:
      return *DatePtr();
    case varString:
      if (TDateTime value = 0; TryTextToDateTime(*StringPtr(), value)) return value;
      break;
    case varNull:
      break;
  }
  RaiseConversion(varDate);
}

std::string Variant::AsString() const {
  switch (Type()) {
    case varEmpty:
      return {};
    case varBoolean:
      return *BooleanPtr() ? "True" : "False";
    case varInteger:
      return std::to_string(*IntegerPtr());
    case varDouble:
      return FloatToText(*DoublePtr());
    case varCurrency:
      return CurrencyToText(*CurrencyPtr());
    case varDate:
      return DateTimeToIsoText(*DatePtr());
    case varString:
      return *StringPtr();
    case varNull:
      break;
  }
  RaiseConversion(varString);
}

VarCompareResult Compare(const Variant& left, const Variant& right) {
  if (left.IsNull() || right.IsNull()) {
    return left.IsNull() && right.IsNull() ? vcEqual : vcNotEqual;
  }
  const std::string* leftText = left.StringPtr();
  const std::string* rightText = right.StringPtr();
  if (leftText && rightText) return CompareBytes(*leftText, *rightText);
  if (leftText) return CompareTextWith(*leftText, right);
  if (rightText) return Reverse(CompareTextWith(*rightText, left));
  return CompareNumeric(left, right);
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime value = 0;
  if (!TryEncodeDate(year, month, day, value)) throw EConvertError(kDateEncodeError);
  return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime value = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, value)) {
    throw EConvertError(kTimeEncodeError);
  }
  return value;
}

void DecodeDate(TDateTime dateTime, int& year, int& month, int& day) {
  CivilFromDays(SplitDateTime(dateTime).day - kUnixEpochDay, year, month, day);
}

void DecodeTime(TDateTime dateTime, int& hour, int& minute, int& second, int& millisecond) {
  int64_t ms = SplitDateTime(dateTime).msOfDay;
  millisecond = static_cast<int>(ms % 1000);
  second = static_cast<int>(ms / 1000 % 60);
  minute = static_cast<int>(ms / 60000 % 60);
  hour = static_cast<int>(ms / 3600000);
}

std::string DateTimeToIsoText(TDateTime dateTime) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  DecodeDate(dateTime, year, month, day);
  DecodeTime(dateTime, hour, minute, second, millisecond);
  std::string text = fmt::format("{:04}-{:02}-{:02}", year, month, day);
  if (hour != 0 || minute != 0 || second != 0 || millisecond != 0) {
    text += fmt::format(" {:02}:{:02}:{:02}", hour, minute, second);
  }
  return text;
}

bool TryIsoTextToDateTime(std::string_view text, TDateTime& dateTime) {
  text = TrimSpaces(text);
  size_t pos = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadField(text, pos, 4, year) || !ReadSeparator(text, pos, '-') ||
      !ReadField(text, pos, 2, month) || !ReadSeparator(text, pos, '-') ||
      !ReadField(text, pos, 2, day)) {
    return false;
  }
  int64_t millisecond = 0;
  int zoneMinutes = 0;
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return false;
    ++pos;
    if (!ReadField(text, pos, 2, hour) || !ReadSeparator(text, pos, ':') ||
        !ReadField(text, pos, 2, minute)) {
      return false;
    }
    if (pos < text.size() && text[pos] == ':') {
      if (!ReadSeparator(text, pos, ':') || !ReadField(text, pos, 2, second)) return false;
      // Fractional seconds, as SQLite writes them: rounded to the millisecond.
      if (pos < text.size() && text[pos] == '.') {
        ++pos;
        const size_t start = pos;
        double fraction = 0, scale = 0.1;
        for (; pos < text.size() && IsDigit(text[pos]) && pos - start < 9; ++pos, scale /= 10) {
          fraction += (text[pos] - '0') * scale;
        }
        if (pos == start) return false;
        millisecond = static_cast<int64_t>(std::llround(fraction * 1000));
      }
    }
    // A zone suffix: "Z", or "+HH:MM" / "-HH:MM" ahead of UTC, which the value is moved to.
    if (pos < text.size() && text[pos] == 'Z') {
      ++pos;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      const int sign = text[pos++] == '-' ? -1 : 1;
      int zoneHour = 0, zoneMinute = 0;
      if (!ReadField(text, pos, 2, zoneHour) || zoneHour > 14) return false;
      if (pos < text.size() && text[pos] == ':') ++pos;
      if (pos < text.size() && (!ReadField(text, pos, 2, zoneMinute) || zoneMinute > 59)) {
        return false;
      }
      zoneMinutes = sign * (zoneHour * 60 + zoneMinute);
    }
    if (pos != text.size()) return false;
  }
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time)) {
    return false;
  }
  constexpr int64_t kMsPerDay = 86400000;
  int64_t ms = ((hour * 60 + minute - zoneMinutes) * 60 + second) * int64_t{1000} + millisecond;
  // A zone or a rounded fraction may carry the time of day into the day before or after.
  const int64_t carry = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
  ms -= carry * kMsPerDay;
  date = static_cast<double>(static_cast<int64_t>(date) + carry);
  time = static_cast<double>(ms) / kMsPerDay;
  dateTime = date < 0 ? date - time : date + time;
  return true;
}

}  // namespace qr2vor
