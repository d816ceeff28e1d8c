#include "rtl/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "rtl/variant.h"

namespace qr2vor {

namespace {

constexpr int kSignificantDigits = 15;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c > 0 && c <= ' '; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// |value| = 0.digits × 10^pointPos, digits being 15 significant digits without trailing zeros.
struct DecimalDigits {
  std::string digits;
  int pointPos = 0;
};

DecimalDigits ToDecimalDigits(double magnitude) {
  if (magnitude == 0) return {"0", 1};
  std::string scientific = fmt::format("{:.{}e}", magnitude, kSignificantDigits - 1);
  size_t exponentPos = scientific.find('e');
  DecimalDigits result;
  for (size_t i = 0; i < exponentPos; ++i) {
    if (scientific[i] != '.') result.digits += scientific[i];
  }
  while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
  result.pointPos = std::stoi(scientific.substr(exponentPos + 1)) + 1;
  return result;
}

// The first `count` digits (zero-padded), rounded half away from zero by the digit after them.
// A carry may lengthen the result by one digit.
std::string RoundDigits(const std::string& digits, int count) {
  std::string kept = digits.substr(0, static_cast<size_t>(std::max(count, 0)));
  kept.resize(static_cast<size_t>(std::max(count, 0)), '0');
  size_t next = static_cast<size_t>(std::max(count, 0));
  if (count < 0 || next >= digits.size() || digits[next] < '5') return kept;
  size_t pos = kept.size();
  while (pos > 0 && kept[pos - 1] == '9') kept[--pos] = '0';
  if (pos == 0) return "1" + kept;
  ++kept[pos - 1];
  return kept;
}

std::string GroupThousands(const std::string& integerPart, char separator) {
  std::string result;
  for (size_t i = 0; i < integerPart.size(); ++i) {
    if (i > 0 && (integerPart.size() - i) % 3 == 0) result += separator;
    result += integerPart[i];
  }
  return result;
}

bool AllZero(std::string_view digits) {
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

std::string FormatFixed(const DecimalDigits& number, const TNumberLayout& layout,
                        const TFormatSettings& settings, bool& isZero) {
  auto decimals = static_cast<size_t>(layout.decimals);
  std::string scaled = RoundDigits(number.digits, number.pointPos + layout.decimals);
  if (scaled.size() <= decimals) scaled.insert(0, decimals + 1 - scaled.size(), '0');
  isZero = AllZero(scaled);
  std::string integerPart = scaled.substr(0, scaled.size() - decimals);
  integerPart.erase(0, std::min(integerPart.find_first_not_of('0'), integerPart.size() - 1));
  std::string text = layout.grouping == TNumberLayout::kGroupThousands
                         ? GroupThousands(integerPart, settings.thousandSeparator)
                         : integerPart;
  if (decimals > 0) text += settings.decimalSeparator + scaled.substr(scaled.size() - decimals);
  return text;
}

std::string FormatScientific(const DecimalDigits& number, const TNumberLayout& layout,
                             const TFormatSettings& settings, bool& isZero) {
  int exponent = number.pointPos - 1;
  std::string mantissa = RoundDigits(number.digits, layout.decimals + 1);
  if (mantissa.size() > static_cast<size_t>(layout.decimals) + 1) {
    mantissa.pop_back();
    ++exponent;
  }
  isZero = AllZero(mantissa);
  if (isZero) exponent = 0;
  std::string text = mantissa.substr(0, 1);
  if (layout.decimals > 0) text += settings.decimalSeparator + mantissa.substr(1);
  return text + fmt::format("E{}{}", exponent < 0 ? '-' : '+', std::abs(exponent));
}

// What a number that has no digits prints: the floating-point text's words.
std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// The magnitude's digits placed by a currency pattern ('$' the symbol, '1' the number).
std::string PlaceCurrency(std::string_view pattern, const std::string& number,
                          const std::string& symbol) {
  std::string text;
  for (char c : pattern) {
    if (c == '$') {
      text += symbol;
    } else if (c == '1') {
      text += number;
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace

std::string FormatNumber(double value, const TNumberLayout& layout,
                         const TFormatSettings& settings) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  DecimalDigits number = ToDecimalDigits(std::fabs(value));
  bool isZero = true;
  std::string text = layout.notation == TNumberLayout::kScientific
                         ? FormatScientific(number, layout, settings, isZero)
                         : FormatFixed(number, layout, settings, isZero);
  return std::signbit(value) && !isZero ? "-" + text : text;
}

std::string FormatCurrency(double value, const TFormatSettings& settings) {
  static constexpr std::string_view kPositive[] = {"$1", "1$", "$ 1", "1 $"};
  static constexpr std::string_view kNegative[] = {"($1)", "-$1",  "$-1",   "$1-",  "(1$)", "-1$",
                                                   "1-$",  "1$-",  "-1 $",  "-$ 1", "1 $-", "$ 1-",
                                                   "$ -1", "1- $", "($ 1)", "(1 $)"};
  if (!std::isfinite(value)) return NonFiniteText(value);
  TNumberLayout layout{settings.currencyDecimals, TNumberLayout::kGroupThousands};
  std::string text = FormatNumber(value, layout, settings);
  bool negative = text.front() == '-';
  if (negative) text.erase(0, 1);
  std::string_view pattern =
      negative ? kNegative[settings.negCurrFormat % 16] : kPositive[settings.currencyFormat % 4];
  return PlaceCurrency(pattern, text, settings.currencyString);
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
  std::string text = Variant(value).AsString();
  std::replace(text.begin(), text.end(), '.', settings.decimalSeparator);
  return text;
}

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings) {
  text = TrimBlanks(text);
  std::string normal;
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') normal += '-';
    ++pos;
  }
  size_t mantissaDigits = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos, ++mantissaDigits) normal += text[pos];
  if (pos < text.size() && text[pos] == settings.decimalSeparator) {
    normal += '.';
    for (++pos; pos < text.size() && IsDigit(text[pos]); ++pos, ++mantissaDigits) {
      normal += text[pos];
    }
  }
  if (mantissaDigits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    normal += 'e';
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) normal += text[pos++];
    size_t exponentDigits = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos, ++exponentDigits) normal += text[pos];
    if (exponentDigits == 0) return false;
  }
  if (pos != text.size()) return false;
  double number = 0;
  auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), number);
  if (error != std::errc() || end != normal.data() + normal.size()) return false;
  value = number;
  return true;
}

bool TryStrToInt(std::string_view text, int& value) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return false;
  }
  int number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  value = number;
  return true;
}

}  // namespace qr2vor
