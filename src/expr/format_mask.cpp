#include "expr/format_mask.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "rtl/date_time_text.h"
#include "rtl/edit_mask_text.h"
#include "rtl/exceptions.h"
#include "rtl/number_text.h"

namespace qr2vor {

namespace {

// Ends a call that cannot format; FormatByMask then returns the value unchanged.
struct FormatFailure {};

[[noreturn]] void Fail() { throw FormatFailure{}; }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

// The parts joined by the separator character, empty parts left out with their separator.
std::string JoinParts(std::initializer_list<std::string_view> parts, char separator) {
  std::string joined;
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    if (!joined.empty()) joined += separator;
    joined += part;
  }
  return joined;
}

// The pattern text of a numeric option: `choices[n]`, or nothing for any other n.
template <size_t N>
std::string_view Choice(const std::string_view (&choices)[N], int index) {
  return index >= 0 && static_cast<size_t>(index) < N ? choices[index] : std::string_view{};
}

class MaskFormatter {
 public:
  MaskFormatter(std::string_view value, std::string_view mask, int width,
                const TFormatSettings& settings)
      : value_(value), mask_(mask), width_(width), settings_(settings) {
    settings_.currencyDecimals = 2;
  }

  std::string Format() {
    if (Has("@C ")) return FormatCharacters();
    if (Has("@N ")) return FormatNumberValue();
    if (Has("@D ") || Has("@T ")) return FormatDateTimeValue();
    return std::string(value_);
  }

 private:
  bool Has(std::string_view code) const { return mask_.find(code) != std::string_view::npos; }

  // The text after the code's letters up to the next space, the search not looking at the
  // mask's last character; an empty argument reads as one space. Nothing when the code is absent.
  std::optional<std::string> Argument(std::string_view code) const {
    size_t pos = mask_.find(code);
    if (pos == std::string_view::npos) return std::nullopt;
    size_t start = pos + code.size();
    size_t end = start;
    while (end + 1 < mask_.size() && mask_[end] != ' ') ++end;
    std::string argument(mask_.substr(start, end > start ? end - start : 0));
    return argument.empty() ? " " : argument;
  }

  int IntegerArgument(std::string_view code, int fallback) const {
    std::optional<std::string> argument = Argument(code);
    int value = 0;
    return argument && TryStrToInt(*argument, value) ? value : fallback;
  }

  char CharArgument(std::string_view code, char fallback) const {
    std::optional<std::string> argument = Argument(code);
    return argument ? argument->front() : fallback;
  }

  std::string FormatCharacters() const {
    std::string text(value_);
    if (Has("@U ")) {
      text = AnsiUpperCase(text);
    } else if (Has("@L ")) {
      text = AnsiLowerCase(text);
    } else if (Has("@P ")) {
      for (size_t i = 0; i < text.size(); ++i) {
        text[i] = i == 0 || text[i - 1] == ' ' ? AnsiUpperChar(text[i]) : AnsiLowerChar(text[i]);
      }
    }
    if (Has("@T ")) text = TrimBlanks(text);
    if (size_t pos = mask_.find("@M"); pos != std::string_view::npos) {
      text = FormatMaskText(mask_.substr(pos + 2), text, settings_);
    }
    return text;
  }

  std::string FormatNumberValue() {
    double number = 0;
    if (!TryStrToFloat(TrimBlanks(value_), number, settings_)) number = 0;
    if (Has("@NB ")) {
      if (number == 0) return std::string(value_);
      working_ = std::string(mask_);
      working_.erase(working_.find("@NB "), 4);
      mask_ = working_;
    }
    if (mask_ == "@N ") {
      return WithSign(number,
                      qr2vor::FormatNumber(number, {2, TNumberLayout::kGroupThousands}, settings_));
    }
    if (mask_ == "@N @CT ") return FormatCurrency(number, settings_);

    TNumberLayout layout;
    layout.decimals = std::max(IntegerArgument("@ND", 2), 0);
    if (layout.decimals > kMaxLayoutDecimals) Fail();
    settings_.decimalSeparator = CharArgument("@NS", settings_.decimalSeparator);
    if (Has("@NT")) {
      settings_.thousandSeparator = CharArgument("@NT", settings_.thousandSeparator);
      layout.grouping = TNumberLayout::kGroupThousands;
    }
    if (Has("NS ")) layout.notation = TNumberLayout::kScientific;
    const double rounded = RoundToStep(number);
    std::string text = WithSign(rounded, qr2vor::FormatNumber(rounded, layout, settings_));
    if (Has("@NL") && width_ > 0) text = PadWithZeros(text);
    return Has("@CT ") ? PlaceCurrency(text) : text;
  }

  // Negative numbers print with a leading minus even when their digits round to zero ("-0.00"),
  // so that a small loss never reads as nothing.
  static std::string WithSign(double number, std::string text) {
    if (number < 0 && (text.empty() || text.front() != '-')) text.insert(0, 1, '-');
    return text;
  }

  // round(x / r) × r, halves to even, with r from "@NR" read with the current decimal separator.
  double RoundToStep(double number) const {
    double step = 1;
    if (std::optional<std::string> argument = Argument("@NR")) {
      std::replace(argument->begin(), argument->end(), '.', settings_.decimalSeparator);
      if (!TryStrToFloat(*argument, step, settings_)) step = 1;
    }
    if (step == 0) Fail();
    // The quotient must fit a 64-bit signed integer; beyond that the value stays as it was.
    double quotient = std::nearbyint(number / step);
    if (!(quotient >= -0x1p63 && quotient < 0x1p63)) Fail();
    return quotient * step;
  }

  std::string PadWithZeros(const std::string& text) const {
    if (width_ > kMaxMaskWidth) Fail();
    auto width = static_cast<size_t>(width_);
    bool negative = !text.empty() && text.front() == '-';
    std::string digits = negative ? text.substr(1) : text;
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return negative ? "-" + digits : digits;
  }

  std::string PlaceCurrency(const std::string& number) const {
    std::string symbol = Argument("@CS").value_or(settings_.currencyString);
    switch (IntegerArgument("@CP", settings_.currencyFormat)) {
      case 0:
        return symbol + number;
      case 1:
        return number + symbol;
      case 2:
        return symbol + " " + number;
      case 3:
        return number + " " + symbol;
      default:
        return number;
    }
  }

  std::string FormatDateTimeValue() {
    std::string pattern;
    if (Has("@D ")) pattern = DatePattern();
    if (Has("@T ")) {
      if (!pattern.empty()) pattern += ' ';
      pattern += TimePattern();
    }
    if (pattern.empty() || value_.empty()) return std::string(value_);
    TDateTime dateTime = 0;
    if (!TryStrToFloat(value_, dateTime, settings_)) Fail();
    return FormatDateTime(pattern, dateTime, settings_);
  }

  std::string DatePattern() {
    static constexpr std::string_view kDays[] = {"d", "dd"};
    static constexpr std::string_view kMonths[] = {"m", "mm", "mmm", "mmmm"};
    static constexpr std::string_view kYears[] = {"yy", "yyyy"};
    static constexpr std::string_view kWeekdays[] = {"ddd", "dddd"};
    if (Has("@DL ")) return "dddddd";
    if (Has("@DS ")) return "ddddd";
    settings_.dateSeparator = CharArgument("@DR", settings_.dateSeparator);
    std::string_view day = Choice(kDays, IntegerArgument("@DD", 1));
    std::string_view month = Choice(kMonths, IntegerArgument("@DM", 1));
    std::string_view year = Choice(kYears, IntegerArgument("@DY", 1));
    std::string pattern(Choice(kWeekdays, IntegerArgument("@DW", 2)));
    if (!pattern.empty()) pattern += std::string("\"") + CharArgument("@DV", ' ') + "\"";
    switch (IntegerArgument("@DO", 0)) {
      case 0:
        return pattern + JoinParts({day, month, year}, '/');
      case 1:
        return pattern + JoinParts({day, year, month}, '/');
      case 2:
        return pattern + JoinParts({month, day, year}, '/');
      case 3:
        return pattern + JoinParts({month, year, day}, '/');
      case 4:
        return pattern + JoinParts({year, month, day}, '/');
      case 5:
        return pattern + JoinParts({year, day, month}, '/');
      default:
        return pattern;
    }
  }

  std::string TimePattern() {
    static constexpr std::string_view kHours[] = {"h", "hh"};
    static constexpr std::string_view kMinutes[] = {"n", "nn"};
    static constexpr std::string_view kSeconds[] = {"s", "ss"};
    if (Has("@TL ")) return "tt";
    if (Has("@TS ")) return "t";
    settings_.timeSeparator = CharArgument("@TD", settings_.timeSeparator);
    settings_.timeAmString = Argument("@TA").value_or(settings_.timeAmString);
    settings_.timePmString = Argument("@TP").value_or(settings_.timePmString);
    std::string time = JoinParts(
        {Choice(kHours, IntegerArgument("@TH", 1)), Choice(kMinutes, IntegerArgument("@TM", 1)),
         Choice(kSeconds, IntegerArgument("@TS", 1))},
        ':');
    if (!Has("@T12")) return time;
    switch (IntegerArgument("@TI", 1)) {
      case 0:
        return "ampm " + time;
      case 1:
        return time + " ampm";
      default:
        return time;
    }
  }

  std::string_view value_;
  std::string_view mask_;
  std::string working_;  // the mask without its first "@NB "
  int width_;
  TFormatSettings settings_;
};

}  // namespace

std::string FormatByMask(std::string_view value, std::string_view mask, int width,
                         const TFormatSettings& settings) {
  try {
    return MaskFormatter(value, mask, width, settings).Format();
  } catch (const FormatFailure&) {
  } catch (const Exception&) {
  }
  return std::string(value);
}

std::string FormatByMask(std::string_view value, std::string_view mask, int width) {
  return FormatByMask(value, mask, width, FormatSettings());
}

}  // namespace qr2vor
