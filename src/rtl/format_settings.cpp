#include "rtl/format_settings.h"

namespace qr2vor {

namespace {

TFormatSettings GermanFormatSettings() {
  TFormatSettings settings;
  settings.decimalSeparator = ',';
  settings.thousandSeparator = '.';
  settings.currencyString = "\x80";  // the euro sign of Windows-1252
  settings.currencyFormat = 3;
  settings.negCurrFormat = 8;
  settings.dateSeparator = '.';
  settings.timeAmString = "";
  settings.timePmString = "";
  settings.shortDatePattern = "dd/mm/yyyy";
  settings.longDatePattern = "dddd, d. mmmm yyyy";
  settings.shortTimePattern = "hh:nn";
  settings.longTimePattern = "hh:nn:ss";
  settings.shortMonthNames = {"Jan", "Feb", "M\xE4r", "Apr", "Mai", "Jun",
                              "Jul", "Aug", "Sep",    "Okt", "Nov", "Dez"};
  settings.longMonthNames = {"Januar", "Februar", "M\xE4rz",   "April",   "Mai",      "Juni",
                             "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  settings.shortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  settings.longDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                           "Donnerstag", "Freitag", "Samstag"};
  return settings;
}

}  // namespace

bool LocaleFormatSettings(std::string_view locale, TFormatSettings& settings) {
  if (AnsiSameText(locale, "en")) {
    settings = TFormatSettings{};
    return true;
  }
  if (AnsiSameText(locale, "de")) {
    settings = GermanFormatSettings();
    return true;
  }
  return false;
}

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

// Windows-1252 pairs outside the contiguous ranges: Š/š, Œ/œ, Ž/ž, Ÿ/ÿ.
char AnsiUpperChar(char c) {
  auto code = static_cast<unsigned char>(c);
  if (code >= 'a' && code <= 'z') return static_cast<char>(code - 32);
  if (code >= 0xE0 && code <= 0xFE && code != 0xF7) return static_cast<char>(code - 32);
  switch (code) {
    case 0x9A:
    case 0x9C:
    case 0x9E:
      return static_cast<char>(code - 16);
    case 0xFF:
      return static_cast<char>(0x9F);
    default:
      return c;
  }
}

char AnsiLowerChar(char c) {
  auto code = static_cast<unsigned char>(c);
  if (code >= 'A' && code <= 'Z') return static_cast<char>(code + 32);
  if (code >= 0xC0 && code <= 0xDE && code != 0xD7) return static_cast<char>(code + 32);
  switch (code) {
    case 0x8A:
    case 0x8C:
    case 0x8E:
      return static_cast<char>(code + 16);
    case 0x9F:
      return static_cast<char>(0xFF);
    default:
      return c;
  }
}

std::string AnsiUpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AnsiUpperChar(c);
  return result;
}

std::string AnsiLowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AnsiLowerChar(c);
  return result;
}

bool AnsiSameText(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (size_t i = 0; i < left.size(); ++i) {
    if (AnsiUpperChar(left[i]) != AnsiUpperChar(right[i])) return false;
  }
  return true;
}

}  // namespace qr2vor
