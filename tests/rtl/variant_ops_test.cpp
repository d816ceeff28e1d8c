#include "rtl/variant_ops.h"

#include <cstdint>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

namespace qr2vor {
namespace {

using Operation = std::function<Variant(const Variant&, const Variant&)>;

const Operation kAdd = [](const Variant& a, const Variant& b) { return a + b; };
const Operation kSubtract = [](const Variant& a, const Variant& b) { return a - b; };
const Operation kMultiply = [](const Variant& a, const Variant& b) { return a * b; };
const Operation kDivide = [](const Variant& a, const Variant& b) { return a / b; };

struct ResultRow {
  const char* name;
  const Operation* operation;
  Variant left, right;
  VarType type;
  const char* text;
};

TEST(VariantOpsTest, ResultTypesAndValues) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const ResultRow rows[] = {
      {"int+int", &kAdd, 2, 3, varInteger, "5"},
      {"int overflow", &kAdd, kMax, 1, varDouble, "9.22337203685478E+18"},
      {"concat", &kAdd, "ab", "cd", varString, "abcd"},
      {"text+int", &kAdd, "5", 1, varDouble, "6"},
      {"null+int", &kAdd, Variant::Null(), 1, varNull, ""},
      {"empty+text", &kAdd, Variant(), "x", varString, "x"},
      {"bool+int", &kAdd, true, 1, varInteger, "2"},
      {"date+int", &kAdd, Variant::FromDate(36526), 1, varDate, "2000-01-02"},
      {"int+date", &kAdd, 1, Variant::FromDate(36526), varDate, "2000-01-02"},
      {"date-int", &kSubtract, Variant::FromDate(36526), 1, varDate, "1999-12-31"},
      {"date-date", &kSubtract, Variant::FromDate(36526), Variant::FromDate(36520), varDouble, "6"},
      {"text-date", &kSubtract, "2000-01-02", Variant::FromDate(36526), varDouble, "1"},
      {"currency+int", &kAdd, Currency{15000}, 2, varCurrency, "3.5"},
      {"currency*currency", &kMultiply, Currency{15000}, Currency{20000}, varCurrency, "3"},
      {"currency+double", &kAdd, Currency{15000}, 0.25, varDouble, "1.75"},
      {"int*int", &kMultiply, 6, 7, varInteger, "42"},
      {"int/int", &kDivide, 7, 2, varDouble, "3.5"},
      {"double-int", &kSubtract, 0.5, 2, varDouble, "-1.5"},
  };
  for (const auto& row : rows) {
    Variant result = (*row.operation)(row.left, row.right);
    EXPECT_EQ(result.Type(), row.type) << row.name;
    if (!result.IsNull()) {
      EXPECT_EQ(result.AsString(), row.text) << row.name;
    }
  }
}

TEST(VariantOpsTest, Failures) {
  const std::tuple<const char*, const Operation*, Variant, Variant, const char*> rows[] = {
      {"x/0", &kDivide, 1, 0, "Floating point division by zero"},
      {"0/0", &kDivide, 0, 0.0, "Invalid floating point operation"},
      {"overflow", &kMultiply, 1e308, 10, "Floating point overflow"},
      {"text*int", &kMultiply, "abc", 2,
       "Could not convert variant of type (String) into type (Double)"},
      {"text+date", &kAdd, "soon", Variant::FromDate(1),
       "Could not convert variant of type (String) into type (Date)"},
  };
  for (const auto& [name, operation, left, right, message] : rows) {
    try {
      (*operation)(left, right);
      ADD_FAILURE() << name;
    } catch (const Exception& error) {
      EXPECT_STREQ(error.what(), message) << name;
    }
  }
}

}  // namespace
}  // namespace qr2vor
