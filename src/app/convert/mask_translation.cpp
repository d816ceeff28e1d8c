#include "app/convert/mask_translation.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <vector>

#include <fmt/format.h>

namespace qr2vor {

namespace {

TMaskTranslation Refuse(std::string reason) { return {{}, std::move(reason)}; }

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A quoted literal from its opening quote at `at`; `at` ends past the closing quote.
std::optional<std::string> Quoted(std::string_view mask, size_t& at) {
  const char quote = mask[at];
  const size_t end = mask.find(quote, at + 1);
  if (end == std::string_view::npos) return std::nullopt;
  std::string text(mask.substr(at + 1, end - at - 1));
  at = end + 1;
  return text;
}

// A text the mask language prints next to the number, as a currency symbol: one word without
// "@" (which would start a code) that does not spell the scientific flag.
bool IsSayableSymbol(std::string_view symbol) {
  return !symbol.empty() && symbol.find_first_of(" @") == std::string_view::npos &&
         (std::string(symbol) + " ").find("NS ") == std::string::npos;
}

// Number masks: one section of digit placeholders, "," for grouping, "." for decimals, and a
// text after the number.
TMaskTranslation TranslateNumber(std::string_view mask) {
  std::string prefix;
  std::string body;
  std::string suffix;
  for (size_t at = 0; at < mask.size();) {
    const char c = mask[at];
    if (c == ';') return Refuse("sections for negative numbers or zero cannot be said");
    if ((c == 'E' || c == 'e') && at + 1 < mask.size() &&
        (mask[at + 1] == '+' || mask[at + 1] == '-')) {
      return Refuse("a scientific notation with a fixed exponent cannot be said");
    }
    if (c == '0' || c == '#' || c == ',' || c == '.') {
      if (!suffix.empty()) return Refuse("a text inside the number cannot be said");
      body += c;
      ++at;
      continue;
    }
    std::string literal;
    if (c == '\'' || c == '"') {
      const std::optional<std::string> quoted = Quoted(mask, at);
      if (!quoted) return Refuse("an unclosed quote");
      literal = *quoted;
    } else {
      literal = std::string(1, c);
      ++at;
    }
    (body.empty() ? prefix : suffix) += literal;
  }
  if (!prefix.empty()) {
    return Refuse("a text before the number would print after the minus sign of a negative one");
  }
  const size_t point = body.find('.');
  if (point != std::string::npos && body.find('.', point + 1) != std::string::npos) {
    return Refuse("two decimal points");
  }
  const std::string integer = body.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : body.substr(point + 1);
  if (fraction.find_first_not_of('0') != std::string::npos) {
    return Refuse("optional or grouped decimals cannot be said");
  }
  const size_t zeros = std::count(integer.begin(), integer.end(), '0');
  if (zeros == 0 || integer.back() != '0') {
    return Refuse("a number whose integer part may print as nothing cannot be said");
  }
  if (zeros > 1) return Refuse("leading zeros to a fixed number of digits cannot be said");
  const bool grouped = integer.find(',') != std::string::npos;
  const size_t decimals = fraction.size();
  if (decimals > 15) return Refuse("more than 15 decimals");
  if (grouped && decimals == 2 && suffix.empty()) return {"@N ", {}};
  std::string format = fmt::format("@N @ND{} ", decimals);
  if (decimals > 0) format += fmt::format("@NR0.{}1 ", std::string(decimals - 1, '0'));
  if (grouped) format += "@NT, ";
  if (!suffix.empty()) {
    const bool spaced = suffix.front() == ' ';
    const std::string_view symbol = std::string_view(suffix).substr(spaced ? 1 : 0);
    if (!IsSayableSymbol(symbol)) {
      return Refuse(fmt::format("the text '{}' after the number cannot be said", suffix));
    }
    format += fmt::format("@CT @CS{} @CP{} ", symbol, spaced ? 3 : 1);
  }
  return {format, {}};
}

// One element of a date-time mask.
struct TElement {
  // 'd', 'm', 'y', 'h', 'n', 's', 't' with a count; 'a' a designator pair; '/' and ':' the
  // locale's separators; 'L' a literal character.
  char kind;
  size_t count = 0;
  std::string text;
};

std::optional<std::vector<TElement>> DateTimeElements(std::string_view mask, std::string& reason) {
  std::vector<TElement> elements;
  for (size_t at = 0; at < mask.size();) {
    const char c = Lower(mask[at]);
    if (mask[at] == '\'' || mask[at] == '"') {
      const std::optional<std::string> quoted = Quoted(mask, at);
      if (!quoted) {
        reason = "an unclosed quote";
        return std::nullopt;
      }
      for (const char literal : *quoted) elements.push_back({'L', 1, std::string(1, literal)});
      continue;
    }
    if (c == 'a') {
      bool designated = false;
      for (const std::string_view designator : {"am/pm", "a/p", "ampm"}) {
        if (!designated && mask.size() - at >= designator.size() &&
            std::equal(designator.begin(), designator.end(), mask.begin() + at,
                       [](char l, char r) { return l == Lower(r); })) {
          elements.push_back({'a', 1, std::string(mask.substr(at, designator.size()))});
          at += designator.size();
          designated = true;
        }
      }
      if (designated) continue;
    }
    if (std::string_view("dmyhnst").find(c) != std::string_view::npos) {
      size_t count = 0;
      while (at < mask.size() && Lower(mask[at]) == c) ++at, ++count;
      elements.push_back({c, count, {}});
      continue;
    }
    if (c == 'c' || c == 'z' || c == 'g' || c == 'e') {
      reason = fmt::format("the element '{}' cannot be said", mask[at]);
      return std::nullopt;
    }
    if (c == '/' || c == ':') {
      elements.push_back({c, 1, {}});
    } else {
      elements.push_back({'L', 1, std::string(1, mask[at])});
    }
    ++at;
  }
  return elements;
}

// A separator between parts: the locale's ("/" or ":") or one literal character.
std::optional<char> SeparatorOf(const TElement& element, char locale) {
  if (element.kind == locale) return locale;
  if (element.kind == 'L') return element.text.front();
  return std::nullopt;
}

// Codes whose argument is one character: a space is said by an empty argument.
std::string CharArgument(char c) { return c == ' ' ? std::string() : std::string(1, c); }

// The date part from `at`: an optional weekday with one separator character, then day, month
// and year joined by one separator, or the locale's short or long date.
std::optional<std::string> DatePart(const std::vector<TElement>& elements, size_t& at,
                                    std::string& reason) {
  if (at < elements.size() && elements[at].kind == 'd' &&
      (elements[at].count == 5 || elements[at].count == 6)) {
    return elements[at++].count == 5 ? std::string("@D @DS ") : std::string("@D @DL ");
  }
  int weekday = 2;
  std::string weekdaySeparator;
  if (at + 1 < elements.size() && elements[at].kind == 'd' &&
      (elements[at].count == 3 || elements[at].count == 4) && elements[at + 1].kind == 'L') {
    weekday = elements[at].count == 3 ? 0 : 1;
    weekdaySeparator = CharArgument(elements[at + 1].text.front());
    at += 2;
  }
  int day = 2;
  int month = 4;
  int year = 2;
  std::string order;
  std::optional<char> separator;
  while (at < elements.size()) {
    const TElement& element = elements[at];
    const bool dayPart = element.kind == 'd' && element.count <= 2;
    const bool monthPart = element.kind == 'm' && element.count <= 4;
    const bool yearPart = element.kind == 'y' && (element.count == 2 || element.count == 4);
    if (!dayPart && !monthPart && !yearPart) break;
    if (order.find(element.kind) != std::string::npos) {
      reason = "a date part given twice cannot be said";
      return std::nullopt;
    }
    order += element.kind;
    if (dayPart) day = static_cast<int>(element.count) - 1;
    if (monthPart) month = static_cast<int>(element.count) - 1;
    if (yearPart) year = element.count == 2 ? 0 : 1;
    ++at;
    if (at + 1 >= elements.size()) break;
    const std::optional<char> next = SeparatorOf(elements[at], '/');
    const TElement& after = elements[at + 1];
    if (!next || !(after.kind == 'd' || after.kind == 'm' || after.kind == 'y')) break;
    if (separator && *separator != *next) {
      reason = "date parts joined by different separators cannot be said";
      return std::nullopt;
    }
    separator = next;
    ++at;
  }
  if (order.empty()) {
    if (weekday != 2) reason = "a weekday without a date cannot be said";
    return weekday == 2 ? std::optional<std::string>(std::string()) : std::nullopt;
  }
  static constexpr std::array<std::string_view, 6> kOrders = {"dmy", "dym", "mdy",
                                                              "myd", "ymd", "ydm"};
  int orderCode = -1;
  for (size_t o = 0; o < kOrders.size() && orderCode < 0; ++o) {
    std::string kept;
    for (const char part : kOrders[o]) {
      if (order.find(part) != std::string::npos) kept += part;
    }
    if (kept == order) orderCode = static_cast<int>(o);
  }
  std::string format = "@D ";
  if (separator && *separator != '/') format += "@DR" + CharArgument(*separator) + " ";
  format += fmt::format("@DO{} @DD{} @DM{} @DY{} @DW{} ", orderCode, day, month, year, weekday);
  if (weekday != 2) format += "@DV" + weekdaySeparator + " ";
  return format;
}

// The time part from `at`: hours, minutes and seconds joined by one separator and an optional
// designator after a space, or the locale's short or long time.
std::optional<std::string> TimePart(const std::vector<TElement>& elements, size_t& at,
                                    std::string& reason) {
  if (at < elements.size() && elements[at].kind == 't' && elements[at].count <= 2) {
    return elements[at++].count == 1 ? std::string("@T @TS ") : std::string("@T @TL ");
  }
  int hour = 2;
  int minute = 2;
  int second = 2;
  std::string order;
  std::optional<char> separator;
  while (at < elements.size()) {
    const TElement& element = elements[at];
    // "m" right after the hour is the minute.
    const char kind = element.kind == 'm' && order == "h" ? 'n' : element.kind;
    if ((kind != 'h' && kind != 'n' && kind != 's') || element.count > 2) break;
    order += kind;
    const int code = static_cast<int>(element.count) - 1;
    (kind == 'h' ? hour : kind == 'n' ? minute : second) = code;
    ++at;
    if (at + 1 >= elements.size()) break;
    const std::optional<char> next = SeparatorOf(elements[at], ':');
    const char after = elements[at + 1].kind;
    if (!next || !(after == 'h' || after == 'n' || after == 's' || after == 'm')) break;
    if (separator && *separator != *next) {
      reason = "time parts joined by different separators cannot be said";
      return std::nullopt;
    }
    separator = next;
    ++at;
  }
  if (order.empty()) return std::string();
  if (order != "h" && order != "hn" && order != "hns" && order != "ns" && order != "n") {
    reason = "time parts out of the hour, minute, second order cannot be said";
    return std::nullopt;
  }
  std::string format = "@T ";
  if (separator && *separator != ':') format += "@TD" + CharArgument(*separator) + " ";
  format += fmt::format("@TH{} @TM{} @TS{} ", hour, minute, second);
  if (at + 1 < elements.size() && elements[at].kind == 'L' && elements[at].text == " " &&
      elements[at + 1].kind == 'a') {
    const std::string& designator = elements[at + 1].text;
    format += "@T12 @TI1 ";
    const size_t slash = designator.find('/');
    if (slash != std::string::npos) {
      format +=
          fmt::format("@TA{} @TP{} ", designator.substr(0, slash), designator.substr(slash + 1));
    }
    at += 2;
  }
  return format;
}

TMaskTranslation TranslateDateTime(std::string_view mask) {
  std::string reason;
  const std::optional<std::vector<TElement>> elements = DateTimeElements(mask, reason);
  if (!elements) return Refuse(reason);
  size_t at = 0;
  const std::optional<std::string> date = DatePart(*elements, at, reason);
  if (!date) return Refuse(reason);
  if (!date->empty() && at < elements->size()) {
    if ((*elements)[at].kind != 'L' || (*elements)[at].text != " ") {
      return Refuse("a date and a time joined by anything but one space cannot be said");
    }
    ++at;
  }
  const std::optional<std::string> time = TimePart(*elements, at, reason);
  if (!time) return Refuse(reason);
  if (date->empty() && time->empty()) return Refuse("neither a number nor a date-time format");
  if (at < elements->size()) return Refuse("texts around the date and time cannot be said");
  return {*date + *time, {}};
}

}  // namespace

TMaskTranslation TranslateDisplayMask(std::string_view mask) {
  bool quoted = false;
  char quote = 0;
  for (const char c : mask) {
    if (quoted) {
      quoted = c != quote;
    } else if (c == '\'' || c == '"') {
      quoted = true;
      quote = c;
    } else if (c == '0' || c == '#') {
      return TranslateNumber(mask);
    }
  }
  return TranslateDateTime(mask);
}

}  // namespace qr2vor
