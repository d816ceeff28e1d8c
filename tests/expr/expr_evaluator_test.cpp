#include "expr/expr_evaluator.h"

#include <gtest/gtest.h>

#include "expr_test_data.h"
#include "rtl/date_time_text.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

class ExprEvaluatorTest : public ExprTestData {
 protected:
  std::string Text(const std::string& text) {
    return ExprValueText(Evaluate(TExprParser(&dataSets_, callback_, text)));
  }

  void ExpectTexts(std::initializer_list<std::pair<const char*, const char*>> rows) {
    for (const auto& [text, expected] : rows) {
      try {
        EXPECT_EQ(Text(text), expected) << text;
      } catch (const Exception& error) {
        ADD_FAILURE() << text << ": " << error.what();
      }
    }
  }
};

TEST_F(ExprEvaluatorTest, Operators) {
  ExpectTexts({
      {"1 + 2 * 3", "7"},
      {"(1 + 2) * 3", "9"},
      {"NOT (1 = 2) AND (3 > 2)", "True"},
      {"'ab' + 'cd'", "abcd"},
      {"'it''s'", "it's"},
      {"7 / 2", "3.5"},
      {"x * 2", "42"},
      {"x - 1.5", "19.5"},
      {"(x = 21) AND (Name = 'Smith')", "True"},
      {"Name > 'A'", "True"},
      {"Name < 'A'", "False"},
      {"x >= 21", "True"},
      {"x <= 20", "False"},
      {"x <> 21", "False"},
      {"(y) IS NULL", "True"},
      {"(x) IS NOT NULL", "True"},
      {"x = NULL", "False"},
      {"y = NULL", "True"},
      {"y <> NULL", "False"},
      {"(Name) LIKE 'S%'", ""},
      {"(x) IN (1, 21)", ""},
      {"NULL", ""},
  });
}

TEST_F(ExprEvaluatorTest, FieldsVariablesAndDates) {
  ExpectTexts({
      {"[Order Date]", "36526"},
      {"Order Date > 36000", "True"},
      {"[Order Date] = '2000-01-01'", "True"},
      {"[Order Date] = '1/1/2000'", "True"},
      {"'1/2/2000' > [Order Date]", "True"},
      {"[Order Date] + 1", "36527"},
      {"'2000-01-01' + 1", "36527"},
      {"'2000-01-03' - [Order Date]", "2"},
      {"Orders.x + 1", "22"},
      {"Cust.City", "Paris"},
      {"PageNo * 2", "6"},
      {"ReportTitle + '!'", "Sales!"},
      {"Today = [Order Date]", "True"},
      {"Amount", "2.5"},
      {"Price", "1.25"},
      {"y", ""},
  });
}

TEST_F(ExprEvaluatorTest, AggregateAndTextFunctions) {
  ExpectTexts({
      {"SUM(1, 2, 3)", "6"},
      {"COUNT(1, 2, 3)", "3"},
      {"AVG(2, 4)", "3"},
      {"count(*)", ""},
      {"MIN(3, 1, 2)", "1"},
      {"MAX('a', 'b')", "b"},
      {"MIN(1, 1.0)", "1"},
      {"IIF(1 > 2, 'a', 'b')", "b"},
      {"IIF(1 < 2, 'a', 1 / 0)", "a"},
      {"UPPER('abc\xE9')", "ABC\xE9"},
      {"LOWER('ABC')", "abc"},
      {"SUBSTRING('abcdef', 2, 3)", "bcd"},
      {"SUBSTRING('abcdef', 0, 2)", "ab"},
      {"SUBSTRING('abc', 5, 1)", ""},
      {"SUBSTRING('abc', 2, NULL)", ""},
      {"SUBSTRING('abcdef', 2.5, 2)", "bc"},
      {"SUBSTRING('abcdef', 'x', 2)", "ab"},
      {"TRIM('  a  ')", "a"},
      {"TRIMLEFT('  a  ')", "a  "},
      {"TRIMRIGHT('  a  ')", "  a"},
      {"ORD('A')", "65"},
      {"CHR(66)", "B"},
      {"CHR(321)", "A"},
  });
}

TEST_F(ExprEvaluatorTest, NumberAndDateFunctions) {
  ExpectTexts({
      {"ROUND(2.5)", "2"},
      {"ROUND(3.5)", "4"},
      {"ROUND(-2.5)", "-2"},
      {"INT(-2.7)", "-2"},
      {"FRAC(2.75)", "0.75"},
      {"DIV(7, 2)", "3"},
      {"DIV(-7, 2)", "-3"},
      {"SQR(3)", "9"},
      {"SQRT(16)", "4"},
      {"ABS(-2)", "2"},
      {"EXP(0)", "1"},
      {"LN(1)", "0"},
      {"LOG(1000)", "3"},
      {"POWER(2, 10)", "1024"},
      {"POWER(2, -1)", "0.5"},
      {"POWER(4, 0.5)", "2"},
      {"POWER(1, 1e12)", "1"},
      {"SIN(0)", "0"},
      {"COS(0)", "1"},
      {"TAN(0)", "0"},
      {"ARCSIN(0.5)", "0.523598775598299"},
      {"ARCCOS(0.5)", "1.0471975511966"},
      {"ARCTAN(1)", "0.785398163397448"},
      {"RANDOM(1)", "0"},
      {"RANDOM(-5)", "0"},
      {"STRTOINT(' 42 ')", "42"},
      {"STRTOFLOAT('2.5')", "2.5"},
      {"INTTOSTR(2.5)", "2"},
      {"FLOATTOSTR(2.5)", "2.5"},
      {"DATETOSTR(36526)", "1/1/2000"},
      {"STRTODATE('1/15/2000')", "36540"},
      {"YEAR(36526.75)", "2000"},
      {"MONTH('2000-02-03 18:15:30')", "2"},
      {"DAY('2000-02-03 18:15:30')", "3"},
      {"HOUR('2000-02-03 18:15:30')", "18"},
      {"MINUTE('2000-02-03 18:15:30')", "15"},
      {"SECOND('2000-02-03 18:15:30')", "30"},
      {"DATE(36526.75)", "36526"},
      {"TIME(36526.75)", "0.75"},
  });
}

TEST_F(ExprEvaluatorTest, CurrentDate) {
  int year = 0, month = 0, day = 0;
  DecodeDate(Now(), year, month, day);
  EXPECT_EQ(Text("YEAR(GETDATE())"), std::to_string(year));
}

TEST_F(ExprEvaluatorTest, EvaluationErrors) {
  const std::pair<const char*, const char*> rows[] = {
      {"x / 0", "Floating point division by zero"},
      {"(1 = 1) OR (1 / 0 = 1)", "Floating point division by zero"},
      {"0 / 0", "Invalid floating point operation"},
      {"DIV(1, 0)", "Division by zero"},
      {"ORD('')", "Range check error"},
      {"SQRT(-1)", "Invalid floating point operation"},
      {"LN(0)", "Floating point division by zero"},
      {"EXP(1000)", "Floating point overflow"},
      {"ARCSIN(1)", "Floating point division by zero"},
      {"INT(1e300)", "Invalid floating point operation"},
      {"STRTOINT('abc')", "'abc' is not a valid integer value"},
      {"STRTOFLOAT('x')", "'x' is not a valid floating point value"},
      {"STRTODATE('x')", "'x' is not a valid date"},
      {"[Order Date] = 'soon'", "'soon' is not a valid date and time"},
      {"IIF(True)", "List index out of bounds (1)"},
      {"SUBSTRING('abc')", "List index out of bounds (1)"},
      {"UPPER(y)", "Could not convert variant of type (Null) into type (String)"},
      {"NOT (y)", "Could not convert variant of type (Null) into type (Boolean)"},
      {"SUM(1, 'a')", "Could not convert variant of type (String) into type (Double)"},
  };
  for (const auto& [text, message] : rows) {
    try {
      Text(text);
      ADD_FAILURE() << "evaluated: " << text;
    } catch (const Exception& error) {
      EXPECT_STREQ(error.what(), message) << text;
    }
  }
}

TEST_F(ExprEvaluatorTest, ClosedDataSetFailsAtEvaluation) {
  TExprParser parser(&dataSets_, callback_, "x");
  orders_.Close();
  EXPECT_THROW(Evaluate(parser), EDatabaseError);
}

struct AccumulateRow {
  const char* text;
  Variant running;
  Variant previous;
  TCalcType calcType;
  const char* expected;
};

TEST_F(ExprEvaluatorTest, EvaluateAndAccumulate) {
  const AccumulateRow rows[] = {
      {"5", "", Variant::Null(), ctNothing, "5"},
      {"2.5", "", Variant::Null(), ctNothing, "2.5"},
      {"x", "", Variant::Null(), ctNothing, "21"},
      {"x = 21", "", Variant::Null(), ctNothing, "True"},
      {"y", "", Variant::Null(), ctNothing, ""},
      {"[Order Date]", "", Variant::Null(), ctNothing, "36526"},
      {"1 / 3", "", Variant::Null(), ctNothing, "0.333333333333333"},
      {"", "", Variant::Null(), ctNothing, ""},
      {"5", "10", "x", ctCount, "11"},
      {"5", "", Variant::Null(), ctCount, "1"},
      {"5", "10", "10", ctSum, "15"},
      {"5", "", Variant::Null(), ctSum, "5"},
      {"5", "abc", "abc", ctSum, "5"},
      {"'abc'", "1", "1", ctSum, "1"},
      {"y", 1.5, 1.5, ctSum, "1.5"},
      {"4", "10", Variant::Null(), ctAverage, "4"},
      {"4", "10", Variant(), ctAverage, "4"},
      {"4", "10", "10", ctAverage, "7"},
      {"4", "10", Variant::Null(), ctLowest, "4"},
      {"4", "10", "10", ctLowest, "4"},
      {"12", "10", "10", ctLowest, "10"},
      {"12", "10", Variant::Null(), ctHighest, "12"},
      {"12", "10", "10", ctHighest, "12"},
      {"4", "10", "10", ctHighest, "10"},
  };
  for (const AccumulateRow& row : rows) {
    Variant result = EvaluateAndAccumulate(&dataSets_, row.text, callback_, row.running,
                                           row.previous, row.calcType);
    EXPECT_EQ(result.Type(), varString) << row.text;
    EXPECT_EQ(result.AsString(), row.expected) << row.text << " / " << int{row.calcType};
  }
}

TEST(ExprValueTextTest, IntegersAreFloatingPointTextOfFifteenDigits) {
  const std::pair<int64_t, const char*> rows[] = {
      {0, "0"},
      {-42, "-42"},
      {999999999999999, "999999999999999"},
      {1234567890123456789, "1.23456789012346E+18"},
      {-1234567890123456, "-1.23456789012346E+15"},
  };
  for (const auto& [value, expected] : rows) EXPECT_EQ(ExprValueText(Variant(value)), expected);
}

TEST_F(ExprEvaluatorTest, IsPlainField) {
  const std::pair<const char*, bool> rows[] = {
      {"x", true},      {"[Order Date]", true}, {"Customers.City", true}, {"(x)", true},
      {"x + 1", false}, {"PageNo", false},      {"'x'", false},           {"", false},
  };
  for (const auto& [text, plain] : rows) {
    EXPECT_EQ(IsPlainField(&dataSets_, text, callback_), plain) << text;
  }
}

}  // namespace
}  // namespace qr2vor
