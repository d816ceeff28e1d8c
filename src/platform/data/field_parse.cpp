#include "platform/data/field_parse.h"

#include <charconv>
#include <cmath>
#include <string>

namespace qr2vor {

namespace {

bool TryParseInteger(std::string_view text, int64_t& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool TryParseNumber(std::string_view text, double& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  bool digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E') {
      return false;
    }
  }
  if (!digit) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool IsDateOnly(std::string_view text) { return text.size() == 10; }

}  // namespace

bool TryParseFieldValue(std::string_view text, TFieldType dataType, Variant& value) {
  switch (dataType) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
      value = std::string(text);
      return true;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
      int64_t number = 0;
      if (!TryParseInteger(text, number)) return false;
      if (dataType == ftSmallint && (number < -32768 || number > 32767)) return false;
      if (dataType == ftWord && (number < 0 || number > 65535)) return false;
      value = number;
      return true;
    }
    case ftFloat: {
      double number = 0;
      if (!TryParseNumber(text, number)) return false;
      value = number;
      return true;
    }
    case ftCurrency:
    case ftBCD: {
      double number = 0;
      if (!TryParseNumber(text, number) || std::fabs(number) >= 9.2e14) return false;
      value = Currency::FromDouble(number);
      return true;
    }
    case ftBoolean: {
      std::string lower(text);
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower != "true" && lower != "false") return false;
      value = lower == "true";
      return true;
    }
    case ftDate:
    case ftDateTime: {
      TDateTime dateTime = 0;
      if (dataType == ftDate && !IsDateOnly(text)) return false;
      if (!TryIsoTextToDateTime(text, dateTime)) return false;
      value = Variant::FromDate(dateTime);
      return true;
    }
    case ftTime: {
      TDateTime time = 0;
      const bool fraction = text.size() > 9 && text[8] == '.' &&
                            text.find_first_not_of("0123456789", 9) == std::string_view::npos;
      if (text.size() != 5 && text.size() != 8 && !fraction) return false;
      if (!TryIsoTextToDateTime("1899-12-30 " + std::string(text), time)) return false;
      value = Variant::FromDate(time);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace qr2vor
