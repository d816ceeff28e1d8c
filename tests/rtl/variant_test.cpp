#include "rtl/variant.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

TEST(VariantTest, DatesKeepTheirOwnTag) {
  Variant date = Variant::FromDate(2.25);
  EXPECT_EQ(date.Type(), varDate);
  EXPECT_FALSE(date.IsNumeric());
  EXPECT_EQ(date.DoublePtr(), nullptr);
  EXPECT_EQ(*date.DatePtr(), 2.25);
}

TEST(VariantTest, DoubleToString) {
  const std::pair<double, const char*> rows[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.5, "1.5"},
      {-2.5, "-2.5"},
      {100.0, "100"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.9, "1E+15"},
      {1e15, "1E+15"},
      {1.5e20, "1.5E+20"},
      {1e100, "1E+100"},
      {0.00001, "0.00001"},
      {0.000012, "0.000012"},
      {0.000001, "1E-6"},
      {-1.2345e-7, "-1.2345E-7"},
      {kNaN, "NAN"},
      {kInfinity, "INF"},
      {-kInfinity, "-INF"},
  };
  for (const auto& [number, text] : rows) EXPECT_EQ(Variant(number).AsString(), text) << text;
}

TEST(VariantTest, OtherTypesToString) {
  const std::pair<Variant, const char*> rows[] = {
      {Variant(), ""},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(-42), "-42"},
      {Variant(kInt64Min), "-9223372036854775808"},
      {Variant(Currency{15000}), "1.5"},
      {Variant(Currency{120000}), "12"},
      {Variant(Currency{-1}), "-0.0001"},
      {Variant(Currency{kInt64Min}), "-922337203685477.5808"},
      {Variant::FromDate(45351.0), "2024-02-29"},
      {Variant::FromDate(45351.0 + 0.5 + 30.0 / 86400), "2024-02-29 12:00:30"},
      {Variant("bytes\xE9"), "bytes\xE9"},
  };
  for (const auto& [value, text] : rows) EXPECT_EQ(value.AsString(), text) << text;
}

TEST(VariantTest, StringToNumber) {
  struct Row {
    const char* text;
    double number;
  };
  const Row rows[] = {
      {"42", 42}, {" 42 ", 42},  {"-1.5", -1.5},   {"+7", 7}, {".5", 0.5},
      {"5.", 5},  {"1e3", 1000}, {"2.5E-1", 0.25}, {"-0", 0},
  };
  for (const Row& row : rows) EXPECT_EQ(Variant(row.text).AsDouble(), row.number) << row.text;

  for (const char* text :
       {"", " ", "abc", "1,5", "1e", "--1", "+-1", "0x10", "inf", "nan", "1 2", "1e400", "."}) {
    EXPECT_THROW(Variant(text).AsDouble(), EVariantError) << text;
  }
}

TEST(VariantTest, StringToIntegerKeepsFullPrecisionAndRoundsFractions) {
  EXPECT_EQ(Variant("9223372036854775807").AsInteger(), kInt64Max);
  EXPECT_EQ(Variant("-9223372036854775808").AsInteger(), kInt64Min);
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);
  EXPECT_EQ(Variant("3.5").AsInteger(), 4);
  EXPECT_EQ(Variant("1e3").AsInteger(), 1000);
  EXPECT_EQ(Variant("12.3456").AsCurrency(), Currency{123456});
  EXPECT_EQ(Variant("9223372036854775807").AsDouble(), 9223372036854775808.0);
}

TEST(VariantTest, RoundingToInteger) {
  const std::pair<double, int64_t> doubles[] = {
      {2.5, 2},
      {3.5, 4},
      {-0.5, 0},
      {-1.5, -2},
      {2.4999, 2},
      {-2.6, -3},
      {1e18, 1000000000000000000},
  };
  for (const auto& [number, integer] : doubles) {
    EXPECT_EQ(Variant(number).AsInteger(), integer) << number;
    EXPECT_EQ(Variant::FromDate(number).AsInteger(), integer) << number;
  }
  const std::pair<int64_t, int64_t> currencies[] = {
      {25000, 2},   {35000, 4}, {-25000, -2}, {-35000, -4}, {25001, 3},
      {-24999, -2}, {5000, 0},  {-5000, 0},   {15000, 2},   {kInt64Min, -922337203685478},
  };
  for (const auto& [units, integer] : currencies) {
    EXPECT_EQ(Variant(Currency{units}).AsInteger(), integer) << units;
  }
}

TEST(VariantTest, CurrencyFromDoubleRoundsHalfAwayFromZero) {
  const std::pair<double, int64_t> rows[] = {
      {1.5, 15000},       {0.00005, 1},     {-0.00005, -1},     {2.00005, 20001},
      {-2.00005, -20001}, {1.23456, 12346}, {-1.23454, -12345}, {9e14, 9000000000000000000},
  };
  for (const auto& [number, units] : rows) {
    EXPECT_EQ(Currency::FromDouble(number).value, units) << number;
    EXPECT_EQ(Variant(number).AsCurrency().value, units) << number;
  }
  EXPECT_EQ(Currency{15000}.ToDouble(), 1.5);
  for (double number : {1e15, -1e15, kNaN, kInfinity}) {
    EXPECT_THROW(Currency::FromDouble(number), EConvertError) << number;
  }
}

TEST(VariantTest, BooleanConversions) {
  const std::pair<Variant, bool> rows[] = {
      {Variant(), false},           {Variant("TRUE"), true},
      {Variant("false"), false},    {Variant(" True "), true},
      {Variant("0"), false},        {Variant("2"), true},
      {Variant(0), false},          {Variant(0.5), true},
      {Variant(Currency{1}), true}, {Variant::FromDate(0), false},
  };
  for (const auto& [value, expected] : rows) EXPECT_EQ(value.AsBoolean(), expected);
  EXPECT_EQ(Variant(true).AsInteger(), 1);
  EXPECT_EQ(Variant(true).AsCurrency(), Currency{10000});
}

TEST(VariantTest, FailedConversionsNameBothTypes) {
  using Conversion = std::function<void(const Variant&)>;
  const Conversion toBoolean = [](const Variant& v) { v.AsBoolean(); };
  const Conversion toInteger = [](const Variant& v) { v.AsInteger(); };
  const Conversion toDouble = [](const Variant& v) { v.AsDouble(); };
  const Conversion toCurrency = [](const Variant& v) { v.AsCurrency(); };
  const Conversion toDate = [](const Variant& v) { v.AsDateTime(); };
  const Conversion toString = [](const Variant& v) { v.AsString(); };
  struct Row {
    Variant value;
    Conversion convert;
    const char* message;
  };
  const Row rows[] = {
      {Variant("abc"), toDouble, "Could not convert variant of type (String) into type (Double)"},
      {Variant("abc"), toInteger, "Could not convert variant of type (String) into type (Int64)"},
      {Variant("abc"), toBoolean, "Could not convert variant of type (String) into type (Boolean)"},
      {Variant("abc"), toCurrency,
       "Could not convert variant of type (String) into type (Currency)"},
      {Variant("2024-02-30"), toDate,
       "Could not convert variant of type (String) into type (Date)"},
      {Variant("1e19"), toInteger, "Could not convert variant of type (String) into type (Int64)"},
      {Variant::Null(), toBoolean, "Could not convert variant of type (Null) into type (Boolean)"},
      {Variant::Null(), toInteger, "Could not convert variant of type (Null) into type (Int64)"},
      {Variant::Null(), toDouble, "Could not convert variant of type (Null) into type (Double)"},
      {Variant::Null(), toCurrency,
       "Could not convert variant of type (Null) into type (Currency)"},
      {Variant::Null(), toDate, "Could not convert variant of type (Null) into type (Date)"},
      {Variant::Null(), toString, "Could not convert variant of type (Null) into type (String)"},
      {Variant(1e19), toInteger, "Could not convert variant of type (Double) into type (Int64)"},
      {Variant(kNaN), toInteger, "Could not convert variant of type (Double) into type (Int64)"},
      {Variant::FromDate(-1e19), toInteger,
       "Could not convert variant of type (Date) into type (Int64)"},
      {Variant(1e300), toCurrency,
       "Could not convert variant of type (Double) into type (Currency)"},
      {Variant(kInt64Max), toCurrency,
       "Could not convert variant of type (Int64) into type (Currency)"},
  };
  for (const Row& row : rows) {
    try {
      row.convert(row.value);
      ADD_FAILURE() << "no exception: " << row.message;
    } catch (const EVariantError& error) {
      EXPECT_EQ(error.Message(), row.message);
    }
  }
}

TEST(DateTimeTest, EncodeAndDecodeDates) {
  struct Row {
    int year, month, day;
    double serial;
  };
  const Row rows[] = {
      {1899, 12, 30, 0},    {1899, 12, 29, -1},      {1900, 1, 1, 2},        {2000, 1, 1, 36526},
      {2024, 2, 29, 45351}, {1800, 1, 1, -36522},    {1600, 2, 29, -109512}, {1582, 10, 4, -115869},
      {1, 1, 1, -693593},   {9999, 12, 31, 2958465},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(EncodeDate(row.year, row.month, row.day), row.serial) << row.serial;
    int year = 0, month = 0, day = 0;
    // The time of day does not change the date, whichever the sign.
    DecodeDate(row.serial < 0 ? row.serial - 0.75 : row.serial + 0.75, year, month, day);
    EXPECT_EQ(year, row.year) << row.serial;
    EXPECT_EQ(month, row.month) << row.serial;
    EXPECT_EQ(day, row.day) << row.serial;
  }
}

TEST(DateTimeTest, EncodeAndDecodeTimes) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  for (auto [hour, minute, second, ms] : {std::array{0, 0, 0, 0}, std::array{23, 59, 59, 999},
                                          std::array{13, 45, 30, 250}, std::array{0, 0, 0, 1}}) {
    int h = -1, n = -1, s = -1, z = -1;
    DecodeTime(45351 + EncodeTime(hour, minute, second, ms), h, n, s, z);
    EXPECT_EQ((std::array{h, n, s, z}), (std::array{hour, minute, second, ms}));
  }
}

TEST(DateTimeTest, NegativeDateTimesKeepTheTimeOfDayInTheFraction) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDate(-1.25, year, month, day);
  DecodeTime(-1.25, hour, minute, second, ms);
  EXPECT_EQ((std::array{year, month, day, hour, minute}), (std::array{1899, 12, 29, 6, 0}));
  EXPECT_EQ(DateTimeToIsoText(-0.25), "1899-12-30 06:00:00");
}

TEST(DateTimeTest, TimeRoundingUpToMidnightMovesToTheNextDay) {
  double almostMidnight = EncodeDate(2023, 12, 31) + 1 - 0.1 / 86400000;
  EXPECT_EQ(DateTimeToIsoText(almostMidnight), "2024-01-01");
  double negativeAlmostMidnight = -2 + 0.1 / 86400000;  // 1899-12-29, a hair before 24:00
  EXPECT_EQ(DateTimeToIsoText(negativeAlmostMidnight), "1899-12-30");
  double lastInstant = EncodeDate(9999, 12, 31) + 1 - 0.1 / 86400000;
  EXPECT_EQ(DateTimeToIsoText(lastInstant), "9999-12-31 23:59:59");
}

TEST(DateTimeTest, InvalidPartsRaise) {
  const std::array<int, 3> badDates[] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1},     {10000, 1, 1},
                                         {2024, 13, 1}, {2024, 0, 1},  {2024, 4, 31}, {2024, 1, 0}};
  for (auto [year, month, day] : badDates) {
    EXPECT_THROW(
        {
          try {
            EncodeDate(year, month, day);
          } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), "Invalid argument to date encode");
            throw;
          }
        },
        EConvertError);
  }
  const std::array<int, 4> badTimes[] = {{24, 0, 0, 0},   {0, 60, 0, 0}, {0, 0, 60, 0},
                                         {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
  for (auto [hour, minute, second, ms] : badTimes) {
    EXPECT_THROW(EncodeTime(hour, minute, second, ms), EConvertError);
  }
  int year = 0, month = 0, day = 0;
  for (double dateTime : {-693594.0, 2958466.0, 1e300, kNaN, kInfinity}) {
    EXPECT_THROW(DecodeDate(dateTime, year, month, day), EConvertError) << dateTime;
  }
  EXPECT_THROW(Variant::FromDate(1e300).AsString(), EConvertError);
}

TEST(DateTimeTest, IsoText) {
  const std::pair<const char*, double> valid[] = {
      {"2024-02-29", 45351},
      {" 2024-2-9 ", 45331},
      {"2024-02-29 12:00", 45351.5},
      {"2024-02-29T06:00:00", 45351.25},
      {"1899-12-29 06:00", -1.25},
      // Fractional seconds and zone suffixes, as SQLite writes date-times.
      {"2000-01-01 12:00:00.500", 36526.5 + 0.5 / 86400},
      {"2000-01-01 12:00:00.1234", 36526.5 + 0.123 / 86400},
      {"2000-01-01T12:00:00Z", 36526.5},
      {"2000-01-01 12:00:00+02:00", 36526.5 - 2.0 / 24},
      {"2000-01-01 01:00-0200", 36526 + 3.0 / 24},
      {"2000-01-01 01:00:00+02:00", 36525 + 23.0 / 24},
      {"2000-01-01 23:59:59.9999", 36527},
  };
  for (const auto& [text, serial] : valid) {
    double value = 0;
    ASSERT_TRUE(TryIsoTextToDateTime(text, value)) << text;
    EXPECT_DOUBLE_EQ(value, serial) << text;
    EXPECT_DOUBLE_EQ(Variant(text).AsDateTime(), serial) << text;
  }
  for (const char* text :
       {"", "2024-02-30", "2024/02/01", "2024-02-01 25:00", "2024-02-01 10", "2024-02-01 10:00:00x",
        "12024-01-01", "2024-01-01 10:00:", "2024-01-01 10:00:00.", "2024-01-01 10:00:00+",
        "2024-01-01 10:00Z1", "2024-01-01 10:00:00+15:00", "2024-01-01Z"}) {
    double value = 0;
    EXPECT_FALSE(TryIsoTextToDateTime(text, value)) << text;
  }
  EXPECT_EQ(Variant("45000.5").AsDateTime(), 45000.5);
  double roundTrip = 0;
  ASSERT_TRUE(TryIsoTextToDateTime(DateTimeToIsoText(45351.75), roundTrip));
  EXPECT_EQ(roundTrip, 45351.75);
}

TEST(VariantCompareTest, Table) {
  const Variant null = Variant::Null();
  struct Row {
    Variant left;
    Variant right;
    VarCompareResult expected;
  };
  const Row rows[] = {
      // Null
      {null, null, vcEqual},
      {null, Variant(), vcNotEqual},
      {null, Variant(0), vcNotEqual},
      {null, Variant(""), vcNotEqual},
      // Empty is zero or the empty text
      {Variant(), Variant(), vcEqual},
      {Variant(), Variant(0), vcEqual},
      {Variant(), Variant(-0.5), vcGreater},
      {Variant(), Variant(""), vcEqual},
      {Variant(), Variant("0"), vcLess},
      // strings as unsigned bytes, case-sensitive
      {Variant("abc"), Variant("abc"), vcEqual},
      {Variant("a"), Variant("b"), vcLess},
      {Variant("abc"), Variant("ab"), vcGreater},
      {Variant("abc"), Variant("ABC"), vcGreater},
      {Variant("\xE9"), Variant("z"), vcGreater},
      // numbers across types
      {Variant(1), Variant(1.0), vcEqual},
      {Variant(2), Variant(1.5), vcGreater},
      {Variant(kInt64Max), Variant(9223372036854775808.0), vcLess},
      {Variant(int64_t{9007199254740993}), Variant(9007199254740992.0), vcGreater},
      {Variant(int64_t{-9007199254740993}), Variant(-9007199254740992.0), vcLess},
      {Variant(1), Variant(kNaN), vcNotEqual},
      {Variant(kNaN), Variant(kNaN), vcNotEqual},
      {Variant(Currency{1000}), Variant(0.1), vcEqual},
      {Variant(Currency{15000}), Variant(1), vcGreater},
      {Variant(Currency{-5000}), Variant(0), vcLess},
      {Variant(Currency{-15000}), Variant(-1), vcLess},
      {Variant(Currency{20000}), Variant(2), vcEqual},
      {Variant(Currency{1}), Variant(Currency{2}), vcLess},
      {Variant(true), Variant(1), vcEqual},
      {Variant(false), Variant(0), vcEqual},
      {Variant(true), Variant(false), vcGreater},
      {Variant::FromDate(45000), Variant(45000), vcEqual},
      {Variant::FromDate(45000.5), Variant(45000.25), vcGreater},
      // a string against another type
      {Variant("10"), Variant(9), vcGreater},
      {Variant(9), Variant("10"), vcLess},
      {Variant(" 2.5"), Variant(2.5), vcEqual},
      {Variant("abc"), Variant(5), vcGreater},
      {Variant("true"), Variant(true), vcEqual},
      {Variant("no"), Variant(true), vcGreater},  // as text: "no" > "True"
      {Variant("2024-02-29"), Variant::FromDate(45351), vcEqual},
      {Variant("45352"), Variant::FromDate(45351), vcGreater},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Compare(row.left, row.right), row.expected)
        << VarTypeName(row.left.Type()) << " " << VarTypeName(row.right.Type()) << " "
        << (row.left.IsNull() ? "Null" : row.left.AsString());
  }
}

TEST(VariantCompareTest, EqualityOperator) {
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant::Null() == Variant::Null());
  EXPECT_FALSE(Variant::Null() == Variant());
  EXPECT_TRUE(Variant("x") != Variant("y"));
  EXPECT_TRUE(Variant(3) == 3);
}

}  // namespace
}  // namespace qr2vor
