#include "rtl/date_time_text.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include <fmt/format.h>

#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

// Locale patterns (ddddd, t, ...) expand inside a pattern only this many levels deep, so a
// pattern that names itself cannot recurse without end.
constexpr int kMaxPatternNesting = 2;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c > 0 && c <= ' '; }

bool StartsWithAmPm(std::string_view text) {
  return text.size() >= 4 && AnsiSameText(text.substr(0, 4), "ampm");
}

// Whether "ampm" occurs in the pattern outside quoted literals.
bool HasAmPm(std::string_view pattern) {
  char quote = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (StartsWithAmPm(pattern.substr(i))) {
      return true;
    }
  }
  return false;
}

struct DateTimeParts {
  int year, month, day, hour, minute, second, millisecond, dayOfWeek;
};

class DateTimeWriter {
 public:
  DateTimeWriter(const DateTimeParts& parts, const TFormatSettings& settings)
      : parts_(parts), settings_(settings) {}

  void Write(std::string_view pattern, int nesting) {
    bool twelveHour = HasAmPm(pattern);
    bool afterHour = false;
    size_t i = 0;
    while (i < pattern.size()) {
      char c = LowerAscii(pattern[i]);
      size_t count = 1;
      while (i + count < pattern.size() && LowerAscii(pattern[i + count]) == c) ++count;
      if (c == '"' || c == '\'') {
        size_t close = pattern.find(pattern[i], i + 1);
        size_t end = close == std::string_view::npos ? pattern.size() : close;
        text_ += pattern.substr(i + 1, end - i - 1);
        i = close == std::string_view::npos ? end : end + 1;
        continue;
      }
      if (c == 'a' && StartsWithAmPm(pattern.substr(i))) {
        text_ += parts_.hour < 12 ? settings_.timeAmString : settings_.timePmString;
        i += 4;
        continue;
      }
      bool isHour = c == 'h';
      if (!WriteElement(c, count, nesting, twelveHour, afterHour)) {
        text_ += c == '/'   ? settings_.dateSeparator
                 : c == ':' ? settings_.timeSeparator
                            : pattern[i];
        i += 1;
        continue;
      }
      afterHour = isHour;
      i += count;
    }
  }

  const std::string& Text() const { return text_; }

 private:
  void Number(int value, size_t count) {
    text_ += fmt::format("{:0{}}", value, count >= 2 ? 2 : 1);
  }

  // Writes the element of `count` letters `c`; false when `c` is not an element letter.
  bool WriteElement(char c, size_t count, int nesting, bool twelveHour, bool afterHour) {
    switch (c) {
      case 'd':
        WriteDay(count, nesting);
        return true;
      case 'm':
        if (afterHour && count <= 2) {
          Number(parts_.minute, count);
        } else if (count <= 2) {
          Number(parts_.month, count);
        } else {
          const auto& names = count == 3 ? settings_.shortMonthNames : settings_.longMonthNames;
          text_ += names[static_cast<size_t>(parts_.month - 1)];
        }
        return true;
      case 'y':
        text_ += count <= 2 ? fmt::format("{:02}", parts_.year % 100)
                            : fmt::format("{:04}", parts_.year);
        return true;
      case 'h': {
        int hour = parts_.hour;
        if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
        Number(hour, count);
        return true;
      }
      case 'n':
        Number(parts_.minute, count);
        return true;
      case 's':
        Number(parts_.second, count);
        return true;
      case 't':
        if (nesting < kMaxPatternNesting) {
          Write(count == 1 ? settings_.shortTimePattern : settings_.longTimePattern, nesting + 1);
        }
        return true;
      default:
        return false;
    }
  }

  void WriteDay(size_t count, int nesting) {
    auto weekday = static_cast<size_t>(parts_.dayOfWeek);
    if (count <= 2) {
      Number(parts_.day, count);
    } else if (count == 3) {
      text_ += settings_.shortDayNames[weekday];
    } else if (count == 4) {
      text_ += settings_.longDayNames[weekday];
    } else if (nesting < kMaxPatternNesting) {
      Write(count == 5 ? settings_.shortDatePattern : settings_.longDatePattern, nesting + 1);
    }
  }

  const DateTimeParts& parts_;
  const TFormatSettings& settings_;
  std::string text_;
};

// Reads up to `maxFields` unsigned numbers separated by `separator`; false on anything else.
bool ReadNumbers(std::string_view text, char separator, size_t maxFields,
                 std::vector<int>& numbers) {
  size_t pos = 0;
  while (true) {
    size_t start = pos;
    int value = 0;
    while (pos < text.size() && IsDigit(text[pos]) && pos - start < 4) {
      value = value * 10 + (text[pos++] - '0');
    }
    if (pos == start) return false;
    numbers.push_back(value);
    if (pos == text.size()) return true;
    if (text[pos] != separator || numbers.size() == maxFields) return false;
    ++pos;
  }
}

int CurrentYear() {
  int year = 0, month = 0, day = 0;
  DecodeDate(Now(), year, month, day);
  return year;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string FormatDateTime(std::string_view pattern, TDateTime dateTime,
                           const TFormatSettings& settings) {
  DateTimeParts parts{};
  DecodeDate(dateTime, parts.year, parts.month, parts.day);
  DecodeTime(dateTime, parts.hour, parts.minute, parts.second, parts.millisecond);
  // The weekday of the decoded date: a time that rounds up to midnight has moved it on.
  auto day = static_cast<int64_t>(EncodeDate(parts.year, parts.month, parts.day));
  parts.dayOfWeek = static_cast<int>(((day + 6) % 7 + 7) % 7);
  DateTimeWriter writer(parts, settings);
  writer.Write(pattern, 0);
  return writer.Text();
}

std::string DateToStr(TDateTime date, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", date, settings);
}

bool TryStrToDate(std::string_view text, TDateTime& date, const TFormatSettings& settings) {
  std::string order;  // the letters d, m, y in the order the short date pattern has them
  for (char c : settings.shortDatePattern) {
    c = LowerAscii(c);
    if ((c == 'd' || c == 'm' || c == 'y') && order.find(c) == std::string::npos) order += c;
  }
  if (order.size() != 3) order = "mdy";
  std::vector<int> numbers;
  if (!ReadNumbers(TrimBlanks(text), settings.dateSeparator, 3, numbers) || numbers.size() < 2) {
    return false;
  }
  if (numbers.size() == 2) order.erase(order.find('y'), 1);
  int year = CurrentYear(), month = 0, day = 0;
  bool twoDigitYear = false;
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (order[i] == 'd') day = numbers[i];
    if (order[i] == 'm') month = numbers[i];
    if (order[i] == 'y') {
      year = numbers[i];
      twoDigitYear = year < 100;
    }
  }
  if (twoDigitYear) year += year < 50 ? 2000 : 1900;
  try {
    date = EncodeDate(year, month, day);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& time, const TFormatSettings& settings) {
  text = TrimBlanks(text);
  int hourOffset = -1;  // -1: 24-hour clock; 0: AM; 12: PM
  for (const auto& [designator, offset] :
       {std::pair{&settings.timeAmString, 0}, std::pair{&settings.timePmString, 12}}) {
    if (!designator->empty() && text.size() > designator->size() &&
        AnsiSameText(text.substr(text.size() - designator->size()), *designator)) {
      text = TrimBlanks(text.substr(0, text.size() - designator->size()));
      hourOffset = offset;
      break;
    }
  }
  std::vector<int> numbers;
  if (!ReadNumbers(text, settings.timeSeparator, 3, numbers) || numbers.size() < 2) return false;
  int hour = numbers[0];
  if (hourOffset >= 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + hourOffset;
  }
  try {
    time = EncodeTime(hour, numbers[1], numbers.size() > 2 ? numbers[2] : 0, 0);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& dateTime, const TFormatSettings& settings) {
  text = TrimBlanks(text);
  if (TryStrToDate(text, dateTime, settings) || TryStrToTime(text, dateTime, settings)) return true;
  size_t blank = text.find(' ');
  TDateTime date = 0, time = 0;
  if (blank == std::string_view::npos || !TryStrToDate(text.substr(0, blank), date, settings) ||
      !TryStrToTime(text.substr(blank + 1), time, settings)) {
    return false;
  }
  dateTime = date < 0 ? date - time : date + time;
  return true;
}

TDateTime Now() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  TDateTime date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  return date + EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                           static_cast<int>(milliseconds));
}

}  // namespace qr2vor
