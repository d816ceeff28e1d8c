#include "rtl/number_text.h"

#include <limits>

#include <gtest/gtest.h>

namespace qr2vor {
namespace {

TFormatSettings German() {
  TFormatSettings settings;
  EXPECT_TRUE(LocaleFormatSettings("de", settings));
  return settings;
}

struct LayoutRow {
  double value;
  TNumberLayout layout;
  const char* expected;
};

constexpr auto kGroup = TNumberLayout::kGroupThousands;
constexpr auto kPlain = TNumberLayout::kNoGrouping;
constexpr auto kSci = TNumberLayout::kScientific;

TEST(NumberTextTest, FixedLayout) {
  const LayoutRow rows[] = {
      {1234.5, {2, kGroup}, "1,234.50"},
      {-1234.5, {1, kPlain}, "-1234.5"},
      {1234567, {0, kGroup}, "1,234,567"},
      {999.999, {2, kGroup}, "1,000.00"},
      {0.005, {2, kPlain}, "0.01"},
      {1.005, {2, kPlain}, "1.01"},
      {0.5, {0, kPlain}, "1"},
      {2.5, {0, kPlain}, "3"},
      {-2.5, {0, kPlain}, "-3"},
      {-0.001, {2, kPlain}, "0.00"},
      {0, {3, kPlain}, "0.000"},
      {1e-300, {2, kPlain}, "0.00"},
      {1e20, {0, kPlain}, "100000000000000000000"},
      {0.125, {5, kPlain}, "0.12500"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FormatNumber(row.value, row.layout, TFormatSettings{}), row.expected) << row.expected;
  }
}

TEST(NumberTextTest, ScientificLayout) {
  const LayoutRow rows[] = {
      {1234.5, {2, kPlain, kSci}, "1.23E+3"}, {0.00012345, {2, kPlain, kSci}, "1.23E-4"},
      {0, {2, kPlain, kSci}, "0.00E+0"},      {9.999, {1, kPlain, kSci}, "1.0E+1"},
      {-5, {0, kPlain, kSci}, "-5E+0"},       {1e100, {0, kGroup, kSci}, "1E+100"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FormatNumber(row.value, row.layout, TFormatSettings{}), row.expected) << row.expected;
  }
}

TEST(NumberTextTest, ValuesWithoutDigitsPrintTheirWords) {
  const double infinity = std::numeric_limits<double>::infinity();
  const std::pair<double, const char*> rows[] = {
      {infinity, "INF"}, {-infinity, "-INF"}, {std::numeric_limits<double>::quiet_NaN(), "NAN"}};
  for (const auto& [value, expected] : rows) {
    EXPECT_EQ(FormatNumber(value, {2, kGroup}, TFormatSettings{}), expected);
    EXPECT_EQ(FormatNumber(value, {kMaxLayoutDecimals, kPlain, kSci}, German()), expected);
    EXPECT_EQ(FormatCurrency(value, TFormatSettings{}), expected);
  }
}

TEST(NumberTextTest, LocaleSeparators) {
  EXPECT_EQ(FormatNumber(1234.5, {2, kGroup}, German()), "1.234,50");
  EXPECT_EQ(FloatToStr(1234.5, German()), "1234,5");
  EXPECT_EQ(FloatToStr(1e20, TFormatSettings{}), "1E+20");
}

TEST(NumberTextTest, CurrencyForms) {
  TFormatSettings english;
  TFormatSettings placed;
  placed.currencyString = "EUR";
  placed.currencyFormat = 3;
  placed.negCurrFormat = 8;
  const std::tuple<double, const TFormatSettings*, const char*> rows[] = {
      {1234.5, &english, "$1,234.50"},   {-7, &english, "($7.00)"},  {-0.001, &english, "$0.00"},
      {1234.5, &placed, "1,234.50 EUR"}, {-7, &placed, "-7.00 EUR"},
  };
  for (const auto& [value, settings, expected] : rows) {
    EXPECT_EQ(FormatCurrency(value, *settings), expected) << expected;
  }
  EXPECT_EQ(FormatCurrency(-7, German()), "-7,00 \x80");
}

TEST(NumberTextTest, ReadsNumbers) {
  const std::tuple<const char*, bool, double> rows[] = {
      {" 1.5 ", true, 1.5}, {"-.5", true, -0.5}, {"+2", true, 2},    {"1e3", true, 1000},
      {"1E-2", true, 0.01}, {"", false, 0},      {".", false, 0},    {"1e", false, 0},
      {"1,5", false, 0},    {"1e999", false, 0}, {"1.5x", false, 0}, {"- 1", false, 0},
  };
  for (const auto& [text, readable, expected] : rows) {
    double value = 0;
    EXPECT_EQ(TryStrToFloat(text, value, TFormatSettings{}), readable) << text;
    if (readable) {
      EXPECT_EQ(value, expected) << text;
    }
  }
  double value = 0;
  EXPECT_TRUE(TryStrToFloat("1,5", value, German()));
  EXPECT_EQ(value, 1.5);
}

TEST(NumberTextTest, ReadsIntegers) {
  const std::tuple<const char*, bool, int> rows[] = {
      {"42", true, 42},         {" -7 ", true, -7},
      {"+5", true, 5},          {"+-5", false, 0},
      {"1.0", false, 0},        {"", false, 0},
      {"2147483648", false, 0}, {"-2147483648", true, -2147483647 - 1},
  };
  for (const auto& [text, readable, expected] : rows) {
    int value = 0;
    EXPECT_EQ(TryStrToInt(text, value), readable) << text;
    if (readable) {
      EXPECT_EQ(value, expected) << text;
    }
  }
}

TEST(NumberTextTest, CaseTablesAndLocales) {
  EXPECT_EQ(AnsiUpperCase("ab\xE9\xFF\x9A"), "AB\xC9\x9F\x8A");
  EXPECT_EQ(AnsiLowerCase("AB\xC9\xD7"), "ab\xE9\xD7");
  EXPECT_TRUE(
      AnsiSameText("Stra\xDF"
                   "e",
                   "STRA\xDF"
                   "E"));
  TFormatSettings settings;
  EXPECT_FALSE(LocaleFormatSettings("xx", settings));
  EXPECT_TRUE(LocaleFormatSettings("EN", settings));
  EXPECT_EQ(settings.decimalSeparator, '.');
}

}  // namespace
}  // namespace qr2vor
