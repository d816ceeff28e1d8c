#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qr2vor {

// The locale values that number, currency and date-time text follows. Month names run from
// January, day names from Sunday. Patterns are written in the date-time pattern language of
// FormatDateTime.
struct TFormatSettings {
  char decimalSeparator = '.';
  char thousandSeparator = ',';
  std::string currencyString = "$";
  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  uint8_t currencyFormat = 0;
  // 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$", 6 "1-$", 7 "1$-", 8 "-1 $",
  // 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1", 13 "1- $", 14 "($ 1)", 15 "(1 $)".
  uint8_t negCurrFormat = 0;
  uint8_t currencyDecimals = 2;
  char dateSeparator = '/';
  char timeSeparator = ':';
  std::string timeAmString = "AM";
  std::string timePmString = "PM";
  std::string shortDatePattern = "m/d/yyyy";
  std::string longDatePattern = "dddd, mmmm d, yyyy";
  std::string shortTimePattern = "h:nn ampm";
  std::string longTimePattern = "h:nn:ss ampm";
  std::array<std::string, 12> shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> longMonthNames = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
  std::array<std::string, 7> shortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> longDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
};

// The values of a known locale: "en" (United States English, the default) or "de" (German);
// false for any other name.
bool LocaleFormatSettings(std::string_view locale, TFormatSettings& settings);

// The process-wide settings that formatting and text conversion use; English until changed.
TFormatSettings& FormatSettings();

// Case mapping of the Windows-1252 character tables.
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Equality without regard to case by the same tables.
bool AnsiSameText(std::string_view left, std::string_view right);

}  // namespace qr2vor
