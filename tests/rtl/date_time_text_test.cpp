#include "rtl/date_time_text.h"

#include <gtest/gtest.h>

#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

constexpr TDateTime kNewYearEvening = 36526.75;  // Saturday 1 January 2000, 18:00

TFormatSettings German() {
  TFormatSettings settings;
  EXPECT_TRUE(LocaleFormatSettings("de", settings));
  return settings;
}

TEST(DateTimeTextTest, PatternElements) {
  const std::pair<const char*, const char*> rows[] = {
      {"d/m/yy", "1/1/00"},
      {"dd.mm.yyyy", "01.01.2000"},
      {"ddd dddd", "Sat Saturday"},
      {"mmm MMMM", "Jan January"},
      {"ddddd", "1/1/2000"},
      {"dddddd", "Saturday, January 1, 2000"},
      {"hh:mm", "18:00"},
      {"h:nn:ss", "18:00:00"},
      {"h:nn ampm", "6:00 PM"},
      {"AMPM h", "PM 6"},
      {"t", "6:00 PM"},
      {"tt", "6:00:00 PM"},
      {"\"d\"d", "d1"},
      {"'yy' yy", "yy 00"},
      {"\"open", "open"},
      {"y-x", "00-x"},
  };
  for (const auto& [pattern, expected] : rows) {
    EXPECT_EQ(FormatDateTime(pattern, kNewYearEvening, TFormatSettings{}), expected) << pattern;
  }
}

TEST(DateTimeTextTest, LocaleSeparatorsAndNames) {
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", kNewYearEvening, German()), "2000.01.01 18:00");
  EXPECT_EQ(FormatDateTime("ddddd", kNewYearEvening, German()), "01.01.2000");
  EXPECT_EQ(FormatDateTime("dddd, mmmm", 36586, German()), "Mittwoch, M\xE4rz");
  EXPECT_EQ(FormatDateTime("h ampm", 36526.0, TFormatSettings{}), "12 AM");
  EXPECT_EQ(DateToStr(36540, TFormatSettings{}), "1/15/2000");
}

TEST(DateTimeTextTest, SelfNamingPatternStops) {
  TFormatSettings settings;
  settings.shortDatePattern = "ddddd";
  EXPECT_EQ(FormatDateTime("ddddd", 1, settings), "");
}

TEST(DateTimeTextTest, OutOfRangeRaises) {
  try {
    FormatDateTime("d", 1e7, TFormatSettings{});
    FAIL();
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Invalid argument to date decode");
  }
}

TEST(DateTimeTextTest, ReadsDates) {
  const std::tuple<const char*, bool, TDateTime> rows[] = {
      {"1/15/2000", true, 36540}, {" 1/15/00 ", true, 36540}, {"1/15/75", true, 27409},
      {"13/1/2000", false, 0},    {"1-15-2000", false, 0},    {"", false, 0},
      {"1/15/2000/1", false, 0},  {"a/b/c", false, 0},
  };
  for (const auto& [text, readable, expected] : rows) {
    TDateTime date = 0;
    EXPECT_EQ(TryStrToDate(text, date, TFormatSettings{}), readable) << text;
    if (readable) {
      EXPECT_EQ(date, expected) << text;
    }
  }
  TDateTime date = 0;
  EXPECT_TRUE(TryStrToDate("15.01.2000", date, German()));
  EXPECT_EQ(date, 36540);
}

TEST(DateTimeTextTest, ReadsTimesAndDateTimes) {
  const std::tuple<const char*, bool, TDateTime> rows[] = {
      {"6:00 PM", true, 0.75},
      {"12:00 am", true, 0},
      {"18:00:00", true, 0.75},
      {"13:00 PM", false, 0},
      {"6", false, 0},
      {"25:00", false, 0},
      {"1/15/2000 6:00 PM", true, 36540.75},
      {"1/15/2000 x", false, 0},
  };
  for (const auto& [text, readable, expected] : rows) {
    TDateTime value = 0;
    EXPECT_EQ(TryStrToDateTime(text, value, TFormatSettings{}), readable) << text;
    if (readable) {
      EXPECT_EQ(value, expected) << text;
    }
  }
}

}  // namespace
}  // namespace qr2vor
