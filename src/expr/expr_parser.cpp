#include "expr/expr_parser.h"

#include <algorithm>
#include <iterator>

#include "expr/expr_functions.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"
#include "rtl/number_text.h"

namespace qr2vor {

namespace {

// Parenthesis and argument nesting the parser follows, and node levels a tree may have; both
// keep parsing, validation and evaluation well inside the stack.
constexpr int kMaxNesting = 64;
constexpr int kMaxNodeDepth = 256;
// Characters a string literal keeps; the rest are dropped.
constexpr size_t kMaxStringLiteral = 256;

bool IsBlank(char c) { return c >= 1 && c <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) {
  auto code = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         (code >= 129 && code <= 254);
}
bool IsSymbolChar(char c) {
  return IsLetter(c) || IsDigit(c) || c == '.' || c == '[' || c == ']' || IsBlank(c);
}
bool IsNumberChar(char c) {
  return IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e';
}

bool IsComparison(TCANOperator op) { return (op >= coEQ && op <= coLE) || op == coLIKE; }

bool IsBinaryType(TLogicalType type) {
  return type == fldBLOB || type == fldBYTES || type == fldVARBYTES;
}

bool IsNullConstant(const TExprNode* node) { return node->kind == enConst && node->data.IsNull(); }

TExprScope CombinedScope(const TExprNode* left, const TExprNode* right) {
  bool leftConstant = !left || left->scope == esConstant;
  bool rightConstant = !right || right->scope == esConstant;
  return leftConstant && rightConstant ? esConstant : esRecord;
}

}  // namespace

TLogicalType LogicalType(TFieldType fieldType) {
  static constexpr TLogicalType kTypes[] = {
      fldUNKNOWN, fldZSTRING, fldINT16, fldINT32,     fldUINT16, fldBOOL,     fldFLOAT, fldFLOAT,
      fldBCD,     fldDATE,    fldTIME,  fldTIMESTAMP, fldBYTES,  fldVARBYTES, fldINT32};
  return fieldType < std::size(kTypes) ? kTypes[fieldType] : fldBLOB;
}

bool IsNumericType(TLogicalType type) { return type >= fldINT16 && type <= fldBCD; }

bool IsTemporalType(TLogicalType type) {
  return type == fldDATE || type == fldTIME || type == fldTIMESTAMP;
}

TExprNode* TFilterExpr::NewNode(TExprNodeKind kind, TCANOperator op, Variant data, TExprNode* left,
                                TExprNode* right) {
  auto node = std::make_unique<TExprNode>();
  node->kind = kind;
  node->op = op;
  node->data = std::move(data);
  node->left = left;
  node->right = right;
  node->depth = 1 + std::max(left ? left->depth : 0, right ? right->depth : 0);
  if (node->depth > kMaxNodeDepth) throw EDatabaseError(msg::kExprTooDeep);
  nodes_.push_back(std::move(node));
  return nodes_.back().get();
}

TExprParser::TExprParser(const ExprDataManager* dataManager, ExprVariableCallback callback,
                         std::string text)
    : text_(std::move(text)), filter_(dataManager, std::move(callback)) {
  NextToken();
  if (token_ == etEnd) return;
  TExprNode* root = ParseExpression();
  if (token_ != etEnd) Error(msg::kExprTermination);
  Validate(root);
  filter_.SetRoot(root);
}

template <typename... Args>
void TExprParser::Error(fmt::format_string<Args...> format, Args&&... args) const {
  throw EDatabaseError(format, std::forward<Args>(args)...);
}

std::string TExprParser::TokenForMessage() const {
  return token_ == etEnd ? "nothing" : "'" + tokenString_ + "'";
}

bool TExprParser::IsSymbol(std::string_view word) const {
  return token_ == etSymbol && AnsiSameText(tokenString_, word);
}

// ---- Tokenizer ----

void TExprParser::NextToken() {
  prevToken_ = token_;
  tokenString_.clear();
  numericLiteral_ = false;
  SkipBlanks();
  if (text_.compare(pos_, 2, "/*") == 0) {
    SkipComment();
    SkipBlanks();
  }
  if (pos_ >= text_.size()) {
    token_ = etEnd;
    return;
  }
  char c = text_[pos_];
  if (IsLetter(c)) {
    ScanSymbol();
  } else if (c == '[') {
    ScanName();
  } else if (c == '\'') {
    ScanString();
  } else if (IsDigit(c) || ((c == '-' || c == '+' || c == '.') && !FollowsOperand())) {
    ScanNumber();
  } else {
    ScanOperator(c);
  }
}

void TExprParser::SkipBlanks() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

// A comment runs from "/*" to the first '*', which must be followed by '/'. A comment that
// never reaches a '*' names its opening '/'.
void TExprParser::SkipComment() {
  size_t star = text_.find('*', pos_ + 2);
  if (star == std::string::npos) Error(msg::kExprInvalidChar, "/");
  if (star + 1 >= text_.size() || text_[star + 1] != '/') Error(msg::kExprInvalidChar, "*");
  pos_ = star + 2;
}

// A symbol runs over letters, digits, '_', '.', '[', ']' and blanks, so words separated only
// by blanks form one symbol.
void TExprParser::ScanSymbol() {
  size_t start = pos_;
  while (pos_ < text_.size() && IsSymbolChar(text_[pos_])) ++pos_;
  size_t end = pos_;
  while (end > start && IsBlank(text_[end - 1])) --end;
  tokenString_ = text_.substr(start, end - start);
  if (AnsiSameText(tokenString_, "LIKE")) {
    token_ = etLIKE;
  } else if (AnsiSameText(tokenString_, "IN")) {
    token_ = etIN;
  } else if (AnsiSameText(tokenString_, "IS NULL")) {
    token_ = etISNULL;
  } else if (AnsiSameText(tokenString_, "IS NOT NULL")) {
    token_ = etISNOTNULL;
  } else {
    token_ = etSymbol;
  }
}

void TExprParser::ScanName() {
  size_t close = text_.find(']', pos_ + 1);
  if (close == std::string::npos) Error(msg::kExprNameError);
  tokenString_ = text_.substr(pos_ + 1, close - pos_ - 1);
  pos_ = close + 1;
  token_ = etName;
}

void TExprParser::ScanString() {
  ++pos_;
  while (true) {
    if (pos_ >= text_.size()) Error(msg::kExprStringError);
    char c = text_[pos_++];
    if (c == '\'') {
      if (pos_ >= text_.size() || text_[pos_] != '\'') break;
      ++pos_;
    }
    if (tokenString_.size() < kMaxStringLiteral) tokenString_ += c;
  }
  token_ = etLiteral;
}

void TExprParser::ScanNumber() {
  size_t start = pos_;
  while (pos_ < text_.size() && IsNumberChar(text_[pos_])) ++pos_;
  tokenString_ = text_.substr(start, pos_ - start);
  numericLiteral_ = true;
  token_ = etLiteral;
}

void TExprParser::ScanOperator(char c) {
  static constexpr std::pair<char, TExprToken> kSingle[] = {
      {'(', etLParen}, {')', etRParen}, {'*', etMUL},   {'/', etDIV},
      {'+', etADD},    {'-', etSUB},    {',', etComma}, {'=', etEQ}};
  size_t start = pos_++;
  auto single = std::find_if(std::begin(kSingle), std::end(kSingle),
                             [c](const auto& entry) { return entry.first == c; });
  char next = pos_ < text_.size() ? text_[pos_] : '\0';
  if (single != std::end(kSingle)) {
    token_ = single->second;
  } else if (c == '<') {
    token_ = next == '=' ? etLE : next == '>' ? etNE : etLT;
  } else if (c == '>') {
    token_ = next == '=' ? etGE : etGT;
  } else {
    Error(msg::kExprInvalidChar, std::string(1, c));
  }
  if (token_ == etLE || token_ == etNE || token_ == etGE) ++pos_;
  tokenString_ = text_.substr(start, pos_ - start);
}

bool TExprParser::FollowsOperand() const {
  return prevToken_ == etLiteral || prevToken_ == etSymbol || prevToken_ == etName ||
         prevToken_ == etRParen;
}

// ---- Grammar ----

TExprNode* TExprParser::ParseExpression() {
  if (++nesting_ > kMaxNesting) Error(msg::kExprTooDeep);
  TExprNode* left = ParseConjunction();
  while (IsSymbol("OR")) {
    NextToken();
    TExprNode* right = ParseConjunction();
    left = filter_.NewNode(enOperator, coOR, Variant(), left, right);
    left->dataType = fldBOOL;
    left->scope = CombinedScope(left->left, right);
  }
  --nesting_;
  return left;
}

TExprNode* TExprParser::ParseConjunction() {
  TExprNode* left = ParseNegation();
  while (IsSymbol("AND")) {
    NextToken();
    TExprNode* right = ParseNegation();
    left = filter_.NewNode(enOperator, coAND, Variant(), left, right);
    left->dataType = fldBOOL;
    left->scope = CombinedScope(left->left, right);
  }
  return left;
}

TExprNode* TExprParser::ParseNegation() {
  if (!IsSymbol("NOT")) return ParseComparison();
  NextToken();
  TExprNode* operand = ParseComparison();
  TExprNode* node = filter_.NewNode(enOperator, coNOT, Variant(), operand, nullptr);
  node->dataType = fldBOOL;
  node->scope = operand->scope;
  return node;
}

TExprNode* TExprParser::ParseComparison() {
  static constexpr std::pair<TExprToken, TCANOperator> kOperators[] = {
      {etEQ, coEQ},     {etNE, coNE},          {etGE, coGE},
      {etLE, coLE},     {etGT, coGT},          {etLT, coLT},
      {etLIKE, coLIKE}, {etISNULL, coISBLANK}, {etISNOTNULL, coNOTBLANK}};
  TExprNode* left = ParseSum();
  if (token_ == etIN) {
    NextToken();
    return ParseInList(left);
  }
  auto entry = std::find_if(std::begin(kOperators), std::end(kOperators),
                            [this](const auto& candidate) { return candidate.first == token_; });
  if (entry == std::end(kOperators)) return left;
  NextToken();
  if (entry->second == coISBLANK || entry->second == coNOTBLANK) {
    TExprNode* node = filter_.NewNode(enOperator, entry->second, Variant(), left, nullptr);
    node->dataType = fldBOOL;
    node->scope = left->scope;
    return node;
  }
  return NewComparison(entry->second, left, ParseSum());
}

TExprNode* TExprParser::ParseInList(TExprNode* left) {
  if (token_ != etLParen) Error(msg::kExprNoLParen, TokenForMessage());
  NextToken();
  if (token_ == etRParen) Error(msg::kExprEmptyInList);
  TExprNode* node = filter_.NewNode(enOperator, coIN, Variant(), left, nullptr);
  node->dataType = fldBOOL;
  node->scope = left->scope;
  while (true) {
    TExprNode* item = ParseExpression();
    node->args.push_back(item);
    node->depth = std::max(node->depth, item->depth + 1);
    if (item->scope != esConstant) node->scope = esRecord;
    if (token_ == etRParen) break;
    if (token_ == etEnd) Error(msg::kExprNoRParen, TokenForMessage());
    if (token_ != etComma) Error(msg::kExprNoRParenOrComma, TokenForMessage());
    NextToken();
  }
  if (node->depth > kMaxNodeDepth) Error(msg::kExprTooDeep);
  NextToken();
  return node;
}

TExprNode* TExprParser::ParseSum() {
  TExprNode* left = ParseProduct();
  while (token_ == etADD || token_ == etSUB) {
    TCANOperator op = token_ == etADD ? coADD : coSUB;
    NextToken();
    left = NewArithmetic(op, left, ParseProduct());
  }
  return left;
}

TExprNode* TExprParser::ParseProduct() {
  TExprNode* left = ParsePrimary();
  while (token_ == etMUL || token_ == etDIV) {
    TCANOperator op = token_ == etMUL ? coMUL : coDIV;
    NextToken();
    left = NewArithmetic(op, left, ParsePrimary());
  }
  return left;
}

TExprNode* TExprParser::ParsePrimary() {
  TExprNode* node = nullptr;
  switch (token_) {
    case etSymbol:
      if (FindExprFunction(tokenString_) && pos_ < text_.size() && text_[pos_] == '(') {
        return ParseFunction();
      }
      if (AnsiSameText(tokenString_, "NULL")) {
        node = NewConstant(Variant::Null(), fldUNKNOWN);
      } else if (AnsiSameText(tokenString_, trueKeyword_)) {
        node = NewConstant(Variant(true), fldBOOL);
      } else if (AnsiSameText(tokenString_, falseKeyword_)) {
        node = NewConstant(Variant(false), fldBOOL);
      } else {
        node = NewFieldNode(tokenString_);
      }
      break;
    case etName:
      node = NewFieldNode(tokenString_);
      break;
    case etLiteral:
      if (numericLiteral_) {
        double number = 0;
        TFormatSettings pointSettings;
        if (!TryStrToFloat(tokenString_, number, pointSettings)) {
          throw EConvertError(msg::kInvalidFloat, tokenString_);
        }
        node = NewConstant(Variant(number), fldFLOAT);
      } else {
        node = NewConstant(Variant(tokenString_), fldZSTRING);
      }
      break;
    case etLParen:
      NextToken();
      node = ParseExpression();
      if (token_ != etRParen) Error(msg::kExprNoRParen, TokenForMessage());
      break;
    default:
      Error(msg::kExprExpected, TokenForMessage());
  }
  NextToken();
  return node;
}

// The symbol is a function name and the next character is '('.
TExprNode* TExprParser::ParseFunction() {
  std::string name = AnsiUpperCase(tokenString_);
  NextToken();  // '('
  NextToken();
  TExprNode* node = filter_.NewNode(enFunc, coNOTDEFINED, Variant(name), nullptr, nullptr);
  if (name == "COUNT" && token_ == etMUL) {
    node->data = Variant("COUNT(*)");
    NextToken();
  }
  if (++nesting_ > kMaxNesting) Error(msg::kExprTooDeep);
  while (token_ != etRParen && token_ != etEnd) {
    TExprNode* argument = ParseExpression();
    node->args.push_back(argument);
    node->depth = std::max(node->depth, argument->depth + 1);
    if (token_ == etComma) {
      NextToken();
    } else if (token_ != etRParen && token_ != etEnd) {
      Error(msg::kExprNoRParenOrComma, TokenForMessage());
    }
  }
  --nesting_;
  if (node->depth > kMaxNodeDepth) Error(msg::kExprTooDeep);
  if (token_ == etRParen) NextToken();
  TypeFunction(node, name);
  return node;
}

void TExprParser::TypeFunction(TExprNode* node, std::string_view name) {
  bool starForm = *node->data.StringPtr() == "COUNT(*)";
  if (node->args.empty() && name != "GETDATE" && !starForm) Error(msg::kExprTypeMis);
  int resultType = FindExprFunction(name)->resultType;
  const TExprNode* first = node->args.empty() ? nullptr : node->args[0];
  const TExprNode* second = node->args.size() > 1 ? node->args[1] : first;
  if (resultType == kTypeOfFirstArgument) {
    node->dataType = first->dataType;
  } else if (resultType == kTypeOfSecondArgument) {
    node->dataType = second->dataType;
  } else {
    node->dataType = static_cast<TLogicalType>(resultType);
  }
  if (starForm) {
    node->scope = esAggregate;
  } else if (name == "GETDATE") {
    node->scope = esConstant;
  } else {
    node->scope = name == "IIF" ? second->scope : first->scope;
  }
}

TExprNode* TExprParser::NewConstant(Variant value, TLogicalType dataType) {
  TExprNode* node = filter_.NewNode(enConst, coNOTDEFINED, std::move(value), nullptr, nullptr);
  node->dataType = dataType;
  node->scope = esConstant;
  return node;
}

// A field of the report's data sets, or else a variable the callback answers for.
TExprNode* TExprParser::NewFieldNode(const std::string& name) {
  if (TField* field = FindExprField(filter_.DataManager(), name)) {
    TExprNode* node = filter_.NewNode(enField, coNOTDEFINED, Variant(name), nullptr, nullptr);
    node->dataType = LogicalType(field->DataType());
    node->dataSize = field->Size();
    node->scope = esRecord;
    return node;
  }
  if (const ExprVariableCallback& callback = filter_.VariableCallback()) {
    Variant value = Variant::Null();
    TFieldType type = ftString;
    bool handled = false;
    callback(name, value, type, handled);
    if (handled) return NewConstant(std::move(value), LogicalType(type));
  }
  Error(msg::kExprFieldNotFound, name);
}

TExprNode* TExprParser::NewComparison(TCANOperator op, TExprNode* left, TExprNode* right) {
  if (left->kind == enConst && right->kind != enConst) left->dataType = right->dataType;
  if (right->kind == enConst && left->kind != enConst) right->dataType = left->dataType;
  if (IsBinaryType(left->dataType) || IsBinaryType(right->dataType)) Error(msg::kExprTypeMis);
  TExprNode* node = filter_.NewNode(enOperator, op, Variant(), left, right);
  node->dataType = fldBOOL;
  node->scope = CombinedScope(left, right);
  return node;
}

TExprNode* TExprParser::NewArithmetic(TCANOperator op, TExprNode* left, TExprNode* right) {
  bool leftStringConstant = left->kind == enConst && left->dataType == fldZSTRING;
  if (leftStringConstant && IsNumericType(right->dataType)) left->dataType = fldTIMESTAMP;
  TLogicalType leftType = left->dataType;
  TLogicalType rightType = right->dataType;
  TLogicalType type = fldUNKNOWN;
  if (IsNumericType(leftType) && IsNumericType(rightType)) {
    type = fldFLOAT;
  } else if (leftType == fldZSTRING && rightType == fldZSTRING && op == coADD) {
    type = fldZSTRING;
  } else if (IsTemporalType(leftType) && IsNumericType(rightType) && op == coADD) {
    type = fldTIMESTAMP;
  } else if (IsTemporalType(leftType) && IsNumericType(rightType) && op == coSUB) {
    type = leftType;
  } else if (IsTemporalType(leftType) && IsTemporalType(rightType) && op == coSUB) {
    type = fldFLOAT;
  } else if (leftStringConstant && IsTemporalType(rightType) && op == coSUB) {
    left->dataType = rightType;
    type = fldFLOAT;
  } else {
    Error(msg::kExprTypeMis);
  }
  TExprNode* node = filter_.NewNode(enOperator, op, Variant(), left, right);
  node->dataType = type;
  node->scope = CombinedScope(left, right);
  return node;
}

// ---- Validation ----

void TExprParser::Validate(const TExprNode* node) const {
  switch (node->kind) {
    case enField: {
      TField* field = FindExprField(filter_.DataManager(), *node->data.StringPtr());
      if (field && field->FieldKind() != fkData) {
        Error(msg::kExprNoAggOrCalc, *node->data.StringPtr());
      }
      break;
    }
    case enConst:
      if (node->data.IsNull()) break;
      if (node->dataType == fldBCD) {
        try {
          node->data.AsCurrency();
        } catch (const Exception&) {
          Error(msg::kExprRangeError);
        }
      } else if (node->dataType == fldUNKNOWN || IsBinaryType(node->dataType) ||
                 node->dataType == fldUINT16) {
        Error(msg::kExprBadConst, node->data.AsString());
      }
      break;
    case enOperator:
      if (IsComparison(node->op) && node->op != coEQ && node->op != coNE &&
          ((node->left->kind == enField && IsNullConstant(node->right)) ||
           (node->right->kind == enField && IsNullConstant(node->left)))) {
        Error(msg::kExprBadNullTest);
      }
      break;
    case enFunc:
      break;
  }
  for (const TExprNode* child : {node->left, node->right}) {
    if (child) Validate(child);
  }
  for (const TExprNode* argument : node->args) Validate(argument);
}

// ---- Field lookup ----

TField* FindExprField(const ExprDataManager* dataManager, std::string_view name) {
  if (!dataManager || dataManager->DataSetCount() == 0) return nullptr;
  size_t dot = name.find('.');
  if (dot == std::string_view::npos) {
    TDataSet* first = dataManager->DataSet(0);
    return first ? first->FindField(name) : nullptr;
  }
  std::string_view dataSetPart = name.substr(0, dot);
  std::string_view fieldPart = name.substr(dot + 1);
  if (size_t second = fieldPart.find('.'); second != std::string_view::npos) {
    dataSetPart = fieldPart.substr(0, second);
    fieldPart = fieldPart.substr(second + 1);
  }
  for (int i = 0; i < dataManager->DataSetCount(); ++i) {
    TDataSet* dataSet = dataManager->DataSet(i);
    bool named = (dataSet && AnsiSameText(dataSet->Name(), dataSetPart)) ||
                 AnsiSameText(dataManager->DataSetCaption(i), dataSetPart);
    if (named) return dataSet ? dataSet->FindField(fieldPart) : nullptr;
  }
  return nullptr;
}

}  // namespace qr2vor
