#include "expr/expr_parser.h"

#include <gtest/gtest.h>

#include "expr_test_data.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

// "1 + 1 + ... + 1" with `terms` ones: a left-leaning tree as deep as it is long.
std::string Chain(int terms) {
  std::string text = "1";
  for (int i = 1; i < terms; ++i) text += " + 1";
  return text;
}

class ExprParserTest : public ExprTestData {
 protected:
  TExprParser Parse(const std::string& text) { return TExprParser(&dataSets_, callback_, text); }

  void ExpectErrors(std::initializer_list<std::pair<std::string, const char*>> rows) {
    for (const auto& [text, message] : rows) {
      try {
        Parse(text);
        ADD_FAILURE() << "parsed: " << text;
      } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), message) << text;
      }
    }
  }
};

TEST_F(ExprParserTest, TokenizerErrors) {
  ExpectErrors({
      {"x /* a*b */ > 1", "Invalid expression character: '*'"},
      {"x /* open", "Invalid expression character: '/'"},
      {"1+1", "'1+1' is not a valid floating point value"},
      {"1 # 2", "Invalid expression character: '#'"},
      {"x ! 1", "Invalid expression character: '!'"},
      {"[Order Date", "Unterminated field name"},
      {"'abc", "Unterminated string constant"},
      {"'it''", "Unterminated string constant"},
      {"1-2", "'1-2' is not a valid floating point value"},
      {"-(1)", "'-' is not a valid floating point value"},
  });
}

TEST_F(ExprParserTest, GrammarErrors) {
  ExpectErrors({
      {"1 +", "Expression expected but nothing found"},
      {"1 + )", "Expression expected but ')' found"},
      {"1 + ,", "Expression expected but ',' found"},
      {"(1", "')' expected but nothing found"},
      {"(1 'a'", "')' expected but 'a' found"},
      {"(1) (2)", "Expression incorrectly terminated"},
      {"x = 1 AND y = 2", "Expression incorrectly terminated"},
      {"(x) IN ()", "IN predicate list may not be empty"},
      {"(x) IN 'a'", "'(' expected but 'a' found"},
      {"(x) IN", "'(' expected but nothing found"},
      {"(x) IN (1 2)", "')' or ',' expected but '2' found"},
      {"(x) IN (1", "')' expected but nothing found"},
      {"SUM(1 2)", "')' or ',' expected but '2' found"},
      {std::string(65, '(') + "1" + std::string(65, ')'), "Expression nested too deeply"},
      {Chain(300), "Expression nested too deeply"},
  });
}

TEST_F(ExprParserTest, TypeErrors) {
  ExpectErrors({
      {"UPPER()", "Type mismatch in expression"},
      {"COUNT()", "Type mismatch in expression"},
      {"ARCTAN(1) + 1", "Type mismatch in expression"},
      {"ARCCOS(1) * 2", "Type mismatch in expression"},
      {"'a' * 2", "Type mismatch in expression"},
      {"True + 1", "Type mismatch in expression"},
      {"Name - 'a'", "Type mismatch in expression"},
      {"[Order Date] + [Order Date]", "Type mismatch in expression"},
      {"Notes = 'a'", "Type mismatch in expression"},
      {"'a' <> Notes", "Type mismatch in expression"},
      {"Counter + 1", "Type mismatch in expression"},
  });
}

TEST_F(ExprParserTest, LookupAndValidationErrors) {
  ExpectErrors({
      {"Unknown > 1", "Field 'Unknown' not found"},
      {"[No Such]", "Field 'No Such' not found"},
      {"Nope.x", "Field 'Nope.x' not found"},
      {"x IS NULL", "Field 'x IS NULL' not found"},
      {"Calc > 1", "Field 'Calc' cannot be used in an expression"},
      {"x > NULL", "NULL only allowed with '=' and '<>'"},
      {"NULL <= x", "NULL only allowed with '=' and '<>'"},
      {"(Name) LIKE (NULL)", "NULL only allowed with '=' and '<>'"},
      {"Counter = 5", "Constant is not correct type 5"},
      {"Price = 1e30", "Constant out of range"},
      {"Price = 'abc'", "Constant out of range"},
  });
}

struct ShapeRow {
  const char* text;
  TExprNodeKind kind;
  TCANOperator op;
  TLogicalType type;
  TExprScope scope;
};

TEST_F(ExprParserTest, RootShapes) {
  const ShapeRow rows[] = {
      {"1 + 2 * 3", enOperator, coADD, fldFLOAT, esConstant},
      {"NOT (1 = 2) AND (3 > 2)", enOperator, coAND, fldBOOL, esConstant},
      {"not (x = 1) or (y = 2)", enOperator, coOR, fldBOOL, esRecord},
      {"Order Date > 0", enOperator, coGT, fldBOOL, esRecord},
      {"x /* note */ > 1", enOperator, coGT, fldBOOL, esRecord},
      {"x<>1", enOperator, coNE, fldBOOL, esRecord},
      {"x>=1", enOperator, coGE, fldBOOL, esRecord},
      {"x<=1", enOperator, coLE, fldBOOL, esRecord},
      {"x<1", enOperator, coLT, fldBOOL, esRecord},
      {"[Order Date] IS NULL", enOperator, coISBLANK, fldBOOL, esRecord},
      {"(x) is not null", enOperator, coNOTBLANK, fldBOOL, esRecord},
      {"(Name) LIKE 'A%'", enOperator, coLIKE, fldBOOL, esRecord},
      {"(x) IN (1, 2, 3)", enOperator, coIN, fldBOOL, esRecord},
      {"(1) IN (1, x)", enOperator, coIN, fldBOOL, esRecord},
      {"7 / 2", enOperator, coDIV, fldFLOAT, esConstant},
      {"x - 1", enOperator, coSUB, fldFLOAT, esRecord},
      {"'a' + 'b'", enOperator, coADD, fldZSTRING, esConstant},
      {"'2000-01-01' + 1", enOperator, coADD, fldTIMESTAMP, esConstant},
      {"'2000-01-01' - 1", enOperator, coSUB, fldTIMESTAMP, esConstant},
      {"[Order Date] + 1", enOperator, coADD, fldTIMESTAMP, esRecord},
      {"Today - 1", enOperator, coSUB, fldDATE, esConstant},
      {"[Order Date] - Today", enOperator, coSUB, fldFLOAT, esRecord},
      {"'2000-01-01' - [Order Date]", enOperator, coSUB, fldFLOAT, esRecord},
      {"ARCSIN(0.5) + 1", enOperator, coADD, fldFLOAT, esConstant},
      {"x", enField, coNOTDEFINED, fldINT32, esRecord},
      {"Customers.City", enField, coNOTDEFINED, fldZSTRING, esRecord},
      {"Notes", enField, coNOTDEFINED, fldBLOB, esRecord},
      {"'it''s'", enConst, coNOTDEFINED, fldZSTRING, esConstant},
      {"-1.5e2", enConst, coNOTDEFINED, fldFLOAT, esConstant},
      {"NULL", enConst, coNOTDEFINED, fldUNKNOWN, esConstant},
      {"true", enConst, coNOTDEFINED, fldBOOL, esConstant},
      {"PageNo", enConst, coNOTDEFINED, fldINT32, esConstant},
      {"ReportTitle", enConst, coNOTDEFINED, fldZSTRING, esConstant},
      {"count(*)", enFunc, coNOTDEFINED, fldINT32, esAggregate},
      {"GETDATE()", enFunc, coNOTDEFINED, fldTIMESTAMP, esConstant},
      {"IIF(x > 1, 'a', 'b')", enFunc, coNOTDEFINED, fldZSTRING, esConstant},
      {"IIF(1 > 2, x, 1)", enFunc, coNOTDEFINED, fldINT32, esRecord},
      {"MAX(x, 2)", enFunc, coNOTDEFINED, fldINT32, esRecord},
      {"min(Name)", enFunc, coNOTDEFINED, fldZSTRING, esRecord},
      {"ARCCOS(0.5)", enFunc, coNOTDEFINED, fldZSTRING, esConstant},
      {"STRTODATE('1/1/2000')", enFunc, coNOTDEFINED, fldDATE, esConstant},
      {"TIME(x)", enFunc, coNOTDEFINED, fldTIME, esRecord},
      {"Upper (Name)", enFunc, coNOTDEFINED, fldZSTRING, esRecord},
      {"SUM(1, 2", enFunc, coNOTDEFINED, fldFLOAT, esConstant},
  };
  for (const ShapeRow& row : rows) {
    TExprParser parser = Parse(row.text);
    const TExprNode* root = parser.Root();
    ASSERT_NE(root, nullptr) << row.text;
    EXPECT_EQ(root->kind, row.kind) << row.text;
    EXPECT_EQ(root->op, row.op) << row.text;
    EXPECT_EQ(root->dataType, row.type) << row.text;
    EXPECT_EQ(root->scope, row.scope) << row.text;
  }
}

TEST_F(ExprParserTest, NodeContents) {
  TExprParser product = Parse("1 + 2 * 3");
  EXPECT_EQ(product.Root()->right->op, coMUL);
  EXPECT_EQ(product.Root()->left->data.AsDouble(), 1);

  TExprParser negation = Parse("NOT (1 = 2) AND (3 > 2)");
  EXPECT_EQ(negation.Root()->left->op, coNOT);
  EXPECT_EQ(negation.Root()->left->left->op, coEQ);

  TExprParser date = Parse("Order Date > 0");
  EXPECT_EQ(date.Root()->left->data.AsString(), "Order Date");
  EXPECT_EQ(date.Root()->right->dataType, fldTIMESTAMP);

  TExprParser leftConstant = Parse("'2000-01-01' - [Order Date]");
  EXPECT_EQ(leftConstant.Root()->left->dataType, fldTIMESTAMP);

  TExprParser list = Parse("(x) IN (1, 2, 3)");
  EXPECT_EQ(list.Root()->args.size(), 3u);

  TExprParser star = Parse("count(*)");
  EXPECT_EQ(star.Root()->data.AsString(), "COUNT(*)");
  EXPECT_TRUE(star.Root()->args.empty());

  TExprParser name = Parse("[Order Date] IS NULL");
  EXPECT_EQ(name.Root()->left->kind, enField);
  EXPECT_EQ(name.Root()->right, nullptr);

  TExprParser quote = Parse("'it''s'");
  EXPECT_EQ(quote.Root()->data.AsString(), "it's");

  TExprParser longText = Parse("'" + std::string(300, 'a') + "'");
  EXPECT_EQ(longText.Root()->data.AsString(), std::string(256, 'a'));

  TExprParser size = Parse("Name");
  EXPECT_EQ(size.Root()->dataSize, 20);

  EXPECT_EQ(Parse("").Root(), nullptr);
  EXPECT_EQ(Parse(" /* only */ ").Root(), nullptr);
}

TEST_F(ExprParserTest, FindExprField) {
  const std::pair<const char*, const char*> rows[] = {
      {"x", "x"},
      {"X", "x"},
      {"Orders.x", "x"},
      {"main.NAME", "Name"},
      {"Report.Customers.City", "City"},
      {"Cust.City", "City"},
      {"City", nullptr},
      {"Nope.x", nullptr},
      {"a.Orders.b.c", nullptr},
      {"Customers.", nullptr},
  };
  for (const auto& [name, field] : rows) {
    TField* found = FindExprField(&dataSets_, name);
    if (field) {
      ASSERT_NE(found, nullptr) << name;
      EXPECT_EQ(found->FieldName(), field) << name;
    } else {
      EXPECT_EQ(found, nullptr) << name;
    }
  }
  ExprDataSetList empty;
  EXPECT_EQ(FindExprField(&empty, "x"), nullptr);
  EXPECT_EQ(FindExprField(nullptr, "x"), nullptr);
}

TEST_F(ExprParserTest, WithoutCallbackUnknownNamesFail) {
  try {
    TExprParser parser(&dataSets_, nullptr, "PageNo");
    FAIL();
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "Field 'PageNo' not found");
  }
}

}  // namespace
}  // namespace qr2vor
