#include "expr/expr_functions.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <random>

#include "rtl/date_time_text.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"
#include "rtl/number_text.h"
#include "rtl/variant_ops.h"

namespace qr2vor {

namespace {

// Exponents up to this size are applied by repeated squaring and multiplication.
constexpr double kMaxIntegralExponent = 2147483647.0;
constexpr double kInt64Limit = 9223372036854775808.0;

double Number(const ExprFunctionCall& call, size_t index) { return call.Arg(index).AsDouble(); }
std::string Text(const ExprFunctionCall& call, size_t index) { return call.Arg(index).AsString(); }

// An argument that must be an integer: rounded, and 0 when Null or not convertible.
int64_t IntegerArgument(const ExprFunctionCall& call, size_t index) {
  try {
    return call.Arg(index).AsInteger();
  } catch (const EVariantError&) {
    return 0;
  }
}

double Divide(double left, double right) { return (Variant(left) / Variant(right)).AsDouble(); }

Variant ToInteger(double value) {
  if (!(value > -kInt64Limit && value < kInt64Limit)) throw EInvalidOp(msg::kInvalidOp);
  return Variant(static_cast<int64_t>(value));
}

Variant Float(double value) { return Variant(CheckedFloat(value)); }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string MapAscii(std::string text, char from, char to, int shift) {
  for (char& c : text) {
    if (c >= from && c <= to) c = static_cast<char>(c + shift);
  }
  return text;
}

int DatePart(const ExprFunctionCall& call, int part) {
  int parts[7] = {};
  TDateTime dateTime = call.Arg(0).AsDateTime();
  DecodeDate(dateTime, parts[0], parts[1], parts[2]);
  DecodeTime(dateTime, parts[3], parts[4], parts[5], parts[6]);
  return parts[part];
}

Variant Sum(const ExprFunctionCall& call) {
  double sum = 0;
  for (size_t i = 0; i < call.ArgCount(); ++i) sum += Number(call, i);
  return Float(sum);
}

Variant Average(const ExprFunctionCall& call) {
  return Float(Sum(call).AsDouble() / static_cast<double>(call.ArgCount()));
}

template <VarCompareResult Wanted>
Variant Extreme(const ExprFunctionCall& call) {
  Variant best = call.Arg(0);
  for (size_t i = 1; i < call.ArgCount(); ++i) {
    Variant candidate = call.Arg(i);
    if (Compare(candidate, best) == Wanted) best = candidate;
  }
  return best;
}

Variant Count(const ExprFunctionCall& call) {
  return Variant(static_cast<int64_t>(call.ArgCount()));
}

Variant Upper(const ExprFunctionCall& call) {
  return Variant(MapAscii(Text(call, 0), 'a', 'z', -32));
}
Variant Lower(const ExprFunctionCall& call) {
  return Variant(MapAscii(Text(call, 0), 'A', 'Z', 32));
}

// Characters from the 1-based start; a start before 1 counts from the first character.
Variant Substring(const ExprFunctionCall& call) {
  std::string text = Text(call, 0);
  int64_t start = std::max<int64_t>(IntegerArgument(call, 1), 1);
  int64_t length = IntegerArgument(call, 2);
  auto size = static_cast<int64_t>(text.size());
  if (length <= 0 || start > size) return Variant(std::string());
  return Variant(text.substr(static_cast<size_t>(start - 1),
                             static_cast<size_t>(std::min(length, size - start + 1))));
}

template <bool Left, bool Right>
Variant Trim(const ExprFunctionCall& call) {
  std::string text = Text(call, 0);
  size_t first = 0, last = text.size();
  while (Left && first < last && IsBlankOrControl(text[first])) ++first;
  while (Right && last > first && IsBlankOrControl(text[last - 1])) --last;
  return Variant(text.substr(first, last - first));
}

Variant Iif(const ExprFunctionCall& call) { return call.Arg(call.Arg(0).AsBoolean() ? 1 : 2); }

Variant GetDate(const ExprFunctionCall&) { return Variant::FromDate(Now()); }

Variant StrToDate(const ExprFunctionCall& call) {
  std::string text = Text(call, 0);
  TDateTime date = 0;
  if (!TryStrToDate(text, date, FormatSettings())) throw EConvertError(msg::kInvalidDate, text);
  return Variant::FromDate(date);
}

Variant Date(const ExprFunctionCall& call) {
  return Variant::FromDate(std::trunc(call.Arg(0).AsDateTime()));
}

Variant Time(const ExprFunctionCall& call) {
  double dateTime = call.Arg(0).AsDateTime();
  return Variant::FromDate(std::fabs(dateTime - std::trunc(dateTime)));
}

template <int Part>
Variant DateTimePart(const ExprFunctionCall& call) {
  return Variant(DatePart(call, Part));
}

Variant Int(const ExprFunctionCall& call) { return ToInteger(std::trunc(Number(call, 0))); }

Variant Frac(const ExprFunctionCall& call) {
  double number = Number(call, 0);
  return Float(number - std::trunc(number));
}

Variant Round(const ExprFunctionCall& call) { return ToInteger(std::nearbyint(Number(call, 0))); }

Variant Div(const ExprFunctionCall& call) {
  int64_t dividend = call.Arg(0).AsInteger();
  int64_t divisor = call.Arg(1).AsInteger();
  if (divisor == 0) throw EDivByZero(msg::kDivByZero);
  if (divisor == -1 && dividend == INT64_MIN) throw EIntOverflow(msg::kIntOverflow);
  return Variant(dividend / divisor);
}

template <double (*Function)(double)>
Variant Math(const ExprFunctionCall& call) {
  return Float(Function(Number(call, 0)));
}

double Square(double x) { return x * x; }
double Ln(double x) {
  if (x == 0) throw EZeroDivide(msg::kZeroDivide);
  return std::log(x);
}
double Tangent(double x) { return Divide(std::sin(x), std::cos(x)); }
double ArcSin(double x) { return std::atan(Divide(x, CheckedFloat(std::sqrt(1 - x * x)))); }
double ArcCos(double x) { return std::atan(Divide(CheckedFloat(std::sqrt(1 - x * x)), x)); }
double Log10(double x) { return Ln(x) / std::log(10.0); }
double Sine(double x) { return std::sin(x); }
double Cosine(double x) { return std::cos(x); }
double ArcTan(double x) { return std::atan(x); }
double Exp(double x) { return std::exp(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Abs(double x) { return std::fabs(x); }

// Integral exponents by repeated squaring and multiplication, others through logarithms.
Variant Power(const ExprFunctionCall& call) {
  double base = Number(call, 0);
  double exponent = Number(call, 1);
  if (exponent != std::trunc(exponent) || std::fabs(exponent) > kMaxIntegralExponent) {
    return Float(std::pow(base, exponent));
  }
  auto count = static_cast<uint64_t>(std::fabs(exponent));
  double result = 1, factor = base;
  for (; count > 0; count >>= 1) {
    if (count & 1) result *= factor;
    factor *= factor;
  }
  return Float(exponent < 0 ? Divide(1, result) : result);
}

Variant Random(const ExprFunctionCall& call) {
  static std::mt19937_64 generator{std::random_device{}()};
  int64_t limit = IntegerArgument(call, 0);
  if (limit <= 0) return Variant(0.0);
  std::uniform_int_distribution<int64_t> distribution(0, limit - 1);
  return Variant(static_cast<double>(distribution(generator)));
}

Variant Ord(const ExprFunctionCall& call) {
  std::string text = Text(call, 0);
  if (text.empty()) throw ERangeError(msg::kRangeError);
  return Variant(static_cast<double>(static_cast<unsigned char>(text[0])));
}

Variant Chr(const ExprFunctionCall& call) {
  return Variant(std::string(1, static_cast<char>(IntegerArgument(call, 0) & 0xFF)));
}

Variant StrToInt(const ExprFunctionCall& call) {
  std::string text = Text(call, 0);
  int value = 0;
  if (!TryStrToInt(text, value)) throw EConvertError(msg::kInvalidInteger, text);
  return Variant(value);
}

Variant StrToFloat(const ExprFunctionCall& call) {
  std::string text = Text(call, 0);
  double value = 0;
  if (!TryStrToFloat(text, value, FormatSettings())) throw EConvertError(msg::kInvalidFloat, text);
  return Variant(value);
}

Variant IntToStr(const ExprFunctionCall& call) {
  return Variant(std::to_string(IntegerArgument(call, 0)));
}

Variant FloatToText(const ExprFunctionCall& call) {
  return Variant(FloatToStr(Number(call, 0), FormatSettings()));
}

Variant DateToText(const ExprFunctionCall& call) {
  return Variant(DateToStr(call.Arg(0).AsDateTime(), FormatSettings()));
}

constexpr ExprFunction kFunctions[] = {
    {"SUM", fldFLOAT, Sum},
    {"AVG", fldFLOAT, Average},
    {"MIN", kTypeOfFirstArgument, Extreme<vcLess>},
    {"MAX", kTypeOfFirstArgument, Extreme<vcGreater>},
    {"COUNT", fldINT32, Count},
    {"UPPER", fldZSTRING, Upper},
    {"LOWER", fldZSTRING, Lower},
    {"SUBSTRING", fldZSTRING, Substring},
    {"TRIM", fldZSTRING, Trim<true, true>},
    {"TRIMLEFT", fldZSTRING, Trim<true, false>},
    {"TRIMRIGHT", fldZSTRING, Trim<false, true>},
    {"IIF", kTypeOfSecondArgument, Iif},
    {"GETDATE", fldTIMESTAMP, GetDate},
    {"STRTODATE", fldDATE, StrToDate},
    {"DATE", fldDATE, Date},
    {"TIME", fldTIME, Time},
    {"YEAR", fldINT32, DateTimePart<0>},
    {"MONTH", fldINT32, DateTimePart<1>},
    {"DAY", fldINT32, DateTimePart<2>},
    {"HOUR", fldINT32, DateTimePart<3>},
    {"MINUTE", fldINT32, DateTimePart<4>},
    {"SECOND", fldINT32, DateTimePart<5>},
    {"INT", fldINT32, Int},
    {"FRAC", fldFLOAT, Frac},
    {"ROUND", fldINT32, Round},
    {"DIV", fldINT32, Div},
    {"SIN", fldFLOAT, Math<Sine>},
    {"COS", fldFLOAT, Math<Cosine>},
    {"TAN", fldFLOAT, Math<Tangent>},
    {"ARCSIN", fldFLOAT, Math<ArcSin>},
    {"ARCCOS", fldZSTRING, Math<ArcCos>},
    {"ARCTAN", fldZSTRING, Math<ArcTan>},
    {"EXP", fldFLOAT, Math<Exp>},
    {"LN", fldFLOAT, Math<Ln>},
    {"SQR", fldFLOAT, Math<Square>},
    {"SQRT", fldFLOAT, Math<Sqrt>},
    {"ABS", fldFLOAT, Math<Abs>},
    {"LOG", fldFLOAT, Math<Log10>},
    {"POWER", fldFLOAT, Power},
    {"RANDOM", fldFLOAT, Random},
    {"ORD", fldFLOAT, Ord},
    {"CHR", fldZSTRING, Chr},
    {"STRTOINT", fldINT32, StrToInt},
    {"STRTOFLOAT", fldFLOAT, StrToFloat},
    {"INTTOSTR", fldZSTRING, IntToStr},
    {"FLOATTOSTR", fldZSTRING, FloatToText},
    {"DATETOSTR", fldZSTRING, DateToText},
};

}  // namespace

const ExprFunction* FindExprFunction(std::string_view name) {
  auto found =
      std::find_if(std::begin(kFunctions), std::end(kFunctions),
                   [name](const ExprFunction& entry) { return AnsiSameText(entry.name, name); });
  return found == std::end(kFunctions) ? nullptr : found;
}

}  // namespace qr2vor
