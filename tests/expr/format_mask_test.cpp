#include "expr/format_mask.h"

#include <gtest/gtest.h>

namespace qr2vor {
namespace {

struct MaskRow {
  const char* value;
  const char* mask;
  int width;
  const char* expected;
};

void ExpectRows(std::initializer_list<MaskRow> rows) {
  for (const MaskRow& row : rows) {
    EXPECT_EQ(FormatByMask(row.value, row.mask, row.width, TFormatSettings{}), row.expected)
        << "value «" << row.value << "» mask «" << row.mask << "»";
  }
}

TEST(FormatByMaskTest, KindSelection) {
  ExpectRows({
      {"abc", "", 0, "abc"},
      {"abc", "@X ", 0, "abc"},
      {"x", "@C", 0, "x"},
      {"1.5", "@N", 0, "1.5"},
      {"1.5", "@C @N ", 0, "1.5"},
  });
}

TEST(FormatByMaskTest, CharacterFormatting) {
  ExpectRows({
      {"hello   wORLD", "@C @P ", 0, "Hello   World"},
      {"  ab ", "@C @U @T ", 0, "AB"},
      {"MiXeD", "@C @L ", 0, "mixed"},
      {"abc", "@C @L @U ", 0, "ABC"},
      {"\xE9t\xE9", "@C @U ", 0, "\xC9T\xC9"},
      {"a-b\tc", "@C @P ", 0, "A-b\tc"},
      {"\t x \n", "@C @T ", 0, "x"},
      {"5551234567", "@C @M(000) 000-0000;0", 0, "(555) 123-4567"},
      {"ab12", "@C @U @M>LL-00;0", 0, "AB-12"},
      {" 12 ", "@C @T @M00-00;0", 0, "12-  "},
  });
}

TEST(FormatByMaskTest, DefaultNumberAndCurrencyForms) {
  ExpectRows({
      {"1234.5", "@N ", 0, "1,234.50"},
      {"-1234.5", "@N ", 0, "-1,234.50"},
      {"-0.001", "@N ", 0, "-0.00"},
      {" 2 ", "@N ", 0, "2.00"},
      {"abc", "@N ", 0, "0.00"},
      {"", "@N ", 0, "0.00"},
      {"7", "@N @CT ", 0, "$7.00"},
      {"-7", "@N @CT ", 0, "($7.00)"},
  });
}

TEST(FormatByMaskTest, BlankWhenZero) {
  ExpectRows({
      {"0", "@N @NB ", 0, "0"},
      {"0.00", "@N @NB ", 0, "0.00"},
      {"abc", "@N @NB ", 0, "abc"},
      {"3", "@N @NB ", 0, "3.00"},
      {"3", "@N @NB @CT ", 0, "$3.00"},
      {"3", "@N @NB @ND1 ", 0, "3.0"},
  });
}

TEST(FormatByMaskTest, NumberPatterns) {
  ExpectRows({
      {"1234.5", "@N @ND0 @NS. @NT, @NR1 ", 0, "1,234"},
      {"1235.5", "@N @ND0 @NS. @NT, @NR1 ", 0, "1,236"},
      {"1.23", "@N @ND2 @NS, @NR0.05 ", 0, "1,25"},
      {"1.23", "@N @ND2 @NR0.01 ", 0, "1.23"},
      {"1.23", "@N @ND2 ", 0, "1.00"},
      {"1.23", "@N @ND2 @NRx ", 0, "1.00"},
      {"2.5", "@N @ND0 @NR1 ", 0, "2"},
      {"3.5", "@N @ND0 @NR1 ", 0, "4"},
      {"-2.5", "@N @ND0 @NR1 ", 0, "-2"},
      {"1234.5", "@N @ND1 @NR0.1 @NTx ", 0, "1x234.5"},
      {"1234.5", "@N @ND1 @NR0.1 @NT ", 0, "1 234.5"},
      {"1234.5", "@N @NS ", 0, "1 23E+3"},
      {"0.000123", "@N @ND1 @NR0.000001 @NS ", 0, "1 2E-4"},
      {"1.5", "@N @ND-1 @NR1 ", 0, "2"},
      {"1.5", "@N @ND", 0, "2.00"},
      {"1.5", "@N @NDx @NR0.5 ", 0, "1.50"},
      {"1234", "@N @ND0 @NR100 ", 0, "1200"},
      // Quotients beyond 32 bits: totals above 21 474 836.47 with a cent step.
      {"21474836.475", "@N @ND2 @NR0.01 ", 0, "21474836.48"},
      {"61898881.4", "@N @ND2 @NR0.01 ", 0, "61898881.40"},
      {"1000000000000000", "@N @ND2 @NR0.01 ", 0, "1000000000000000.00"},
      {"-3000000000", "@N @ND0 ", 0, "-3000000000"},
      // A negative that prints as zero keeps its minus; a step that rounds it to zero does not.
      {"-0.001", "@N @ND2 @NR0.001 ", 0, "-0.00"},
      {"-0.001", "@N @ND2 @NR0.01 ", 0, "0.00"},
      {"-0.001", "@N @ND2 @NR0.001 @NL ", 6, "-000.00"},
  });
}

TEST(FormatByMaskTest, ZeroPadding) {
  ExpectRows({
      {"-42", "@N @ND0 @NS. @NR1 @NL ", 5, "-00042"},
      {"42", "@N @ND0 @NS. @NR1 @NL ", 5, "00042"},
      {"123456", "@N @ND0 @NS. @NR1 @NL ", 5, "123456"},
      {"42", "@N @ND0 @NS. @NR1 @NL ", 0, "42"},
      {"42", "@N @ND0 @NS. @NR1 @NL ", -3, "42"},
      {"4.5", "@N @ND1 @NR0.5 @NL @CT @CP0 ", 6, "$0004.5"},
  });
}

TEST(FormatByMaskTest, CurrencyPlacement) {
  ExpectRows({
      {"7", "@N @ND2 @NS. @NR1 @CT @CS$ @CP2 ", 0, "$ 7.00"},
      {"5", "@N @ND0 @CT @CSEUR @CP0 ", 0, "EUR5"},
      {"5", "@N @ND0 @CT @CSEUR @CP1 ", 0, "5EUR"},
      {"5", "@N @ND0 @CT @CSEUR @CP3 ", 0, "5 EUR"},
      {"5", "@N @ND0 @CT @CSEUR @CP9 ", 0, "5"},
      {"5", "@N @ND0 @CT @CP1 ", 0, "5$"},
      {"5", "@N @ND0 @CT @CPx ", 0, "$5"},
      {"-5", "@N @ND0 @CT ", 0, "$-5"},
  });
}

TEST(FormatByMaskTest, NumberFailuresKeepTheValue) {
  ExpectRows({
      {"5", "@N @NR0 ", 0, "5"},
      {"1e17", "@N @ND2 @NR0.01 ", 0, "1e17"},
      {"-1e19", "@N @ND0 ", 0, "-1e19"},
      {"1", "@N @NR1e-300 ", 0, "1"},
      {"1", "@N @ND256 ", 0, "1"},
      {"1", "@N @ND1000000000 ", 0, "1"},
      {"42", "@N @NL ", kMaxMaskWidth + 1, "42"},
  });
}

TEST(FormatByMaskTest, CustomDates) {
  ExpectRows({
      {"36526", "@D @DR- @DO4 @DD1 @DM1 @DY1 @DW2 ", 0, "2000-01-01"},
      {"36526", "@D @DR. @DO0 @DD0 @DM2 @DY1 @DW0 @DV, ", 0, "Sat,1.Jan.2000"},
      {"36526", "@D @DW1 @DV- @DO2 @DY0 ", 0, "Saturday-01/01/00"},
      {"36526", "@D @DO1 @DM3 ", 0, "01/2000/January"},
      {"36526", "@D @DO3 @DD7 ", 0, "01/2000"},
      {"36526", "@D @DO5 @DY5 @DW0 ", 0, "Sat 01/01"},
      {"36526", "@D @DO9 @DW9 ", 0, "36526"},
      {"36526", "@D @DO9 ", 0, "36526"},
      {"36526", "@D @DL ", 0, "Saturday, January 1, 2000"},
      {"36526", "@D @DS ", 0, "1/1/2000"},
  });
}

TEST(FormatByMaskTest, Times) {
  ExpectRows({
      {"0.75", "@T @TD: @TH0 @TM1 @TS2 @T12 @TI1 @TAam @TPpm ", 0, "6:00 pm"},
      {"0.75", "@T @T12 @TI0 ", 0, "PM 06:00:00"},
      {"0.75", "@T @T12 @TI2 ", 0, "18:00:00"},
      {"0.75", "@T @T24 ", 0, "18:00:00"},
      {"0.75", "@T @TD. @TS9 ", 0, "18.00"},
      {"36526.75", "@T @TS ", 0, "6:00 PM"},
      {"36526.75", "@T @TL ", 0, "6:00:00 PM"},
      {"36526.75", "@D @T ", 0, "01/01/2000 18:00:00"},
      {"36526.75", "@D @DS @T @TS ", 0, "1/1/2000 6:00 PM"},
      // A time that rounds up to midnight moves the date and its weekday on together.
      {"36526.9999999999", "@D @DW1 @T ", 0, "Sunday 02/01/2000 00:00:00"},
      {"36526.9999999999", "@D @DW0 @DV, @DO9 ", 0, "Sun,"},
  });
}

TEST(FormatByMaskTest, DateFailuresKeepTheValue) {
  ExpectRows({
      {"abc", "@D @T ", 0, "abc"},
      {"", "@D ", 0, ""},
      {"1e7", "@D ", 0, "1e7"},
      {"-700000", "@D ", 0, "-700000"},
  });
}

TEST(FormatByMaskTest, SettingsComeFromTheCallerAndStayUnchanged) {
  TFormatSettings german;
  ASSERT_TRUE(LocaleFormatSettings("de", german));
  EXPECT_EQ(FormatByMask("1234,5", "@N ", 0, german), "1.234,50");
  EXPECT_EQ(FormatByMask("36526", "@D @DS ", 0, german), "01.01.2000");

  TFormatSettings noDecimals;
  noDecimals.currencyDecimals = 0;
  EXPECT_EQ(FormatByMask("7", "@N @CT ", 0, noDecimals), "$7.00");

  TFormatSettings before = FormatSettings();
  EXPECT_EQ(FormatByMask("1.25", "@N @ND2 @NS, @NT. @NR0.01 @CT @CS# ", 0), "#1,25");
  EXPECT_EQ(FormatByMask("1", "@N @NR0 @NS, ", 0), "1");
  EXPECT_EQ(FormatSettings().decimalSeparator, before.decimalSeparator);
  EXPECT_EQ(FormatSettings().thousandSeparator, before.thousandSeparator);
  EXPECT_EQ(FormatSettings().currencyString, before.currencyString);
}

}  // namespace
}  // namespace qr2vor
