#pragma once

#include <string>
#include <string_view>

#include "rtl/format_settings.h"
#include "rtl/variant.h"

namespace qr2vor {

// The date-time in the pattern language (letters case-insensitive, other characters copied):
// d dd (day), ddd dddd (weekday name), ddddd dddddd (short / long date pattern), m mm (month;
// minutes right after an hour), mmm mmmm (month name), yy yyyy, h hh (12-hour when the pattern
// holds "ampm"), n nn, s ss, t tt (short / long time pattern), ampm, / (date separator),
// : (time separator), "text" and 'text' (literal). Raises EConvertError when the date-time lies
// outside the years 1 to 9999.
std::string FormatDateTime(std::string_view pattern, TDateTime dateTime,
                           const TFormatSettings& settings);

// The date in the short date pattern.
std::string DateToStr(TDateTime date, const TFormatSettings& settings);

// Reads a date written in the order of the short date pattern's day, month and year, separated
// by the date separator; without a year the current year is taken, and a two-digit year lies in
// 1950..2049. False when the text is not such a date.
bool TryStrToDate(std::string_view text, TDateTime& date, const TFormatSettings& settings);

// Reads "h:n[:s]" with the time separator, optionally followed by the AM or PM designator.
bool TryStrToTime(std::string_view text, TDateTime& time, const TFormatSettings& settings);

// Reads a date, a time, or a date, blanks and a time.
bool TryStrToDateTime(std::string_view text, TDateTime& dateTime, const TFormatSettings& settings);

// The current local date and time.
TDateTime Now();

}  // namespace qr2vor
