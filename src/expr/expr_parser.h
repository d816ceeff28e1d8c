#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "expr/expr_data.h"
#include "platform/data/dataset.h"
#include "rtl/variant.h"

namespace qr2vor {

// Messages of the expression parser; parse failures raise EDatabaseError with these texts.
namespace msg {
inline constexpr const char* kExprInvalidChar = "Invalid expression character: '{}'";
inline constexpr const char* kExprNameError = "Unterminated field name";
inline constexpr const char* kExprStringError = "Unterminated string constant";
inline constexpr const char* kExprNoLParen = "'(' expected but {} found";
inline constexpr const char* kExprNoRParenOrComma = "')' or ',' expected but {} found";
inline constexpr const char* kExprNoRParen = "')' expected but {} found";
inline constexpr const char* kExprEmptyInList = "IN predicate list may not be empty";
inline constexpr const char* kExprExpected = "Expression expected but {} found";
inline constexpr const char* kExprTermination = "Expression incorrectly terminated";
inline constexpr const char* kExprTypeMis = "Type mismatch in expression";
inline constexpr const char* kExprFieldNotFound = "Field '{}' not found";
inline constexpr const char* kExprNoAggOrCalc = "Field '{}' cannot be used in an expression";
inline constexpr const char* kExprBadNullTest = "NULL only allowed with '=' and '<>'";
inline constexpr const char* kExprBadConst = "Constant is not correct type {}";
inline constexpr const char* kExprRangeError = "Constant out of range";
// Ours: an expression nested deeper than the parser and evaluator allow.
inline constexpr const char* kExprTooDeep = "Expression nested too deeply";
// Conversion failures of literals and function arguments (EConvertError).
inline constexpr const char* kInvalidFloat = "'{}' is not a valid floating point value";
inline constexpr const char* kInvalidInteger = "'{}' is not a valid integer value";
inline constexpr const char* kInvalidDate = "'{}' is not a valid date";
inline constexpr const char* kInvalidDateTime = "'{}' is not a valid date and time";
}  // namespace msg

enum TExprToken : uint8_t {
  etEnd,
  etSymbol,
  etName,
  etLiteral,
  etLParen,
  etRParen,
  etEQ,
  etNE,
  etGE,
  etLE,
  etGT,
  etLT,
  etADD,
  etSUB,
  etMUL,
  etDIV,
  etComma,
  etLIKE,
  etISNULL,
  etISNOTNULL,
  etIN
};

enum TExprNodeKind : uint8_t { enField, enConst, enOperator, enFunc };

enum TCANOperator : uint8_t {
  coNOTDEFINED = 0,
  coISBLANK = 1,
  coNOTBLANK = 2,
  coEQ = 3,
  coNE = 4,
  coGT = 5,
  coLT = 6,
  coGE = 7,
  coLE = 8,
  coNOT = 9,
  coAND = 10,
  coOR = 11,
  coADD = 15,
  coSUB = 16,
  coMUL = 17,
  coDIV = 18,
  coLIKE = 25,
  coIN = 26
};

// The data-access engine's logical type codes.
enum TLogicalType : uint8_t {
  fldUNKNOWN = 0,
  fldZSTRING = 1,
  fldDATE = 2,
  fldBLOB = 3,
  fldBOOL = 4,
  fldINT16 = 5,
  fldINT32 = 6,
  fldFLOAT = 7,
  fldBCD = 8,
  fldBYTES = 9,
  fldTIME = 10,
  fldTIMESTAMP = 11,
  fldUINT16 = 12,
  fldVARBYTES = 15
};

enum TExprScope : uint8_t { esRecord, esAggregate, esConstant };

// The logical type of a data-access field type.
TLogicalType LogicalType(TFieldType fieldType);
bool IsNumericType(TLogicalType type);   // 16- and 32-bit integer, float, BCD
bool IsTemporalType(TLogicalType type);  // date, time, date-time

struct TExprNode {
  TExprNodeKind kind = enConst;
  TCANOperator op = coNOTDEFINED;
  // The field or variable name, the constant's value, or the function name in upper case
  // ("COUNT(*)" for the star form).
  Variant data;
  TExprNode* left = nullptr;
  TExprNode* right = nullptr;
  TLogicalType dataType = fldUNKNOWN;
  int dataSize = 0;
  // Arguments of a function call or the list of IN, in source order.
  std::vector<TExprNode*> args;
  TExprScope scope = esConstant;
  // Levels of nodes below and including this one; bounded so evaluation cannot exhaust the stack.
  int depth = 1;
};

// Owns the nodes of one parsed expression and frees them together.
class TFilterExpr {
 public:
  TFilterExpr(const ExprDataManager* dataManager, ExprVariableCallback callback)
      : dataManager_(dataManager), callback_(std::move(callback)) {}

  TExprNode* NewNode(TExprNodeKind kind, TCANOperator op, Variant data, TExprNode* left,
                     TExprNode* right);
  TExprNode* Root() const { return root_; }
  void SetRoot(TExprNode* root) { root_ = root; }
  const ExprDataManager* DataManager() const { return dataManager_; }
  const ExprVariableCallback& VariableCallback() const { return callback_; }

 private:
  std::vector<std::unique_ptr<TExprNode>> nodes_;
  TExprNode* root_ = nullptr;
  const ExprDataManager* dataManager_;
  ExprVariableCallback callback_;
};

// Parses an expression text into a node tree at construction, checks its types and validates
// it; failures raise EDatabaseError (EConvertError for a numeric literal that does not read).
// An empty text gives no root.
class TExprParser {
 public:
  TExprParser(const ExprDataManager* dataManager, ExprVariableCallback callback, std::string text);

  const TFilterExpr& FilterExpr() const { return filter_; }
  TExprNode* Root() const { return filter_.Root(); }

 private:
  // Tokenizer.
  void NextToken();
  void SkipBlanks();
  void SkipComment();
  void ScanSymbol();
  void ScanName();
  void ScanString();
  void ScanNumber();
  void ScanOperator(char c);
  bool FollowsOperand() const;

  // Grammar, lowest precedence first.
  TExprNode* ParseExpression();
  TExprNode* ParseConjunction();
  TExprNode* ParseNegation();
  TExprNode* ParseComparison();
  TExprNode* ParseInList(TExprNode* left);
  TExprNode* ParseSum();
  TExprNode* ParseProduct();
  TExprNode* ParsePrimary();
  TExprNode* ParseFunction();
  TExprNode* NewFieldNode(const std::string& name);
  TExprNode* NewConstant(Variant value, TLogicalType dataType);
  TExprNode* NewComparison(TCANOperator op, TExprNode* left, TExprNode* right);
  TExprNode* NewArithmetic(TCANOperator op, TExprNode* left, TExprNode* right);
  void TypeFunction(TExprNode* node, std::string_view name);

  void Validate(const TExprNode* node) const;

  bool IsSymbol(std::string_view word) const;
  // The current token for messages: its text in single quotes, or "nothing" at the end.
  std::string TokenForMessage() const;
  template <typename... Args>
  [[noreturn]] void Error(fmt::format_string<Args...> format, Args&&... args) const;

  std::string text_;
  size_t pos_ = 0;
  TExprToken token_ = etEnd;
  TExprToken prevToken_ = etEnd;
  std::string tokenString_;
  bool numericLiteral_ = false;
  std::string trueKeyword_ = "True";
  std::string falseKeyword_ = "False";
  int nesting_ = 0;
  TFilterExpr filter_;
};

// The field a name in an expression stands for: "Field" in the first data set, or
// "DataSet.Field" (and "Report.DataSet.Field") in the data set whose component name or entry
// name is DataSet; nullptr when there is none.
TField* FindExprField(const ExprDataManager* dataManager, std::string_view name);

}  // namespace qr2vor
