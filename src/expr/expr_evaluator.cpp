#include "expr/expr_evaluator.h"

#include <algorithm>

#include "expr/expr_functions.h"
#include "rtl/date_time_text.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"
#include "rtl/number_text.h"
#include "rtl/variant_ops.h"

namespace qr2vor {

namespace {

class NodeEvaluator {
 public:
  explicit NodeEvaluator(const TFilterExpr& filter) : filter_(filter) {}

  Variant Evaluate(const TExprNode* node) const {
    switch (node->kind) {
      case enField:
        return Field(*node->data.StringPtr());
      case enConst:
        return Constant(*node);
      case enOperator:
        return Operator(*node);
      case enFunc:
        return Function(*node);
    }
    return Variant::Null();
  }

 private:
  Variant Field(const std::string& name) const {
    TField* field = FindExprField(filter_.DataManager(), name);
    if (!field) throw EDatabaseError(msg::kExprFieldNotFound, name);
    return field->Value();
  }

  // A string constant that took a temporal type from its comparison partner is read as a
  // date-time: in the locale's short date and time form, as "yyyy-mm-dd[ hh:nn[:ss]]", or as a
  // day number.
  static Variant Constant(const TExprNode& node) {
    const std::string* text = node.data.StringPtr();
    if (!text || !IsTemporalType(node.dataType)) return node.data;
    TDateTime dateTime = 0;
    if (TryStrToDateTime(*text, dateTime, FormatSettings()) ||
        TryIsoTextToDateTime(*text, dateTime) || TryStrToFloat(*text, dateTime, FormatSettings())) {
      return Variant::FromDate(dateTime);
    }
    throw EConvertError(msg::kInvalidDateTime, *text);
  }

  Variant Operator(const TExprNode& node) const {
    switch (node.op) {
      case coISBLANK:
        return Variant(Evaluate(node.left).IsNull());
      case coNOTBLANK:
        return Variant(!Evaluate(node.left).IsNull());
      case coNOT:
        return Variant(!Evaluate(node.left).AsBoolean());
      case coAND:
      case coOR: {
        bool left = Evaluate(node.left).AsBoolean();
        bool right = Evaluate(node.right).AsBoolean();
        return Variant(node.op == coAND ? left && right : left || right);
      }
      case coADD:
        return Evaluate(node.left) + Evaluate(node.right);
      case coSUB:
        return Evaluate(node.left) - Evaluate(node.right);
      case coMUL:
        return Evaluate(node.left) * Evaluate(node.right);
      case coDIV:
        return Evaluate(node.left) / Evaluate(node.right);
      case coEQ:
      case coNE:
      case coGT:
      case coLT:
      case coGE:
      case coLE:
        return Variant(Compared(node.op, Compare(Evaluate(node.left), Evaluate(node.right))));
      default:  // LIKE and IN are parsed but not evaluated
        return Variant::Null();
    }
  }

  static bool Compared(TCANOperator op, VarCompareResult result) {
    switch (op) {
      case coEQ:
        return result == vcEqual;
      case coNE:
        return result != vcEqual;
      case coGT:
        return result == vcGreater;
      case coLT:
        return result == vcLess;
      case coGE:
        return result == vcGreater || result == vcEqual;
      default:
        return result == vcLess || result == vcEqual;
    }
  }

  Variant Function(const TExprNode& node) const;

  const TFilterExpr& filter_;
};

class NodeCall : public ExprFunctionCall {
 public:
  NodeCall(const NodeEvaluator& evaluator, const TExprNode& node)
      : evaluator_(evaluator), node_(node) {}

  size_t ArgCount() const override { return node_.args.size(); }
  Variant Arg(size_t index) const override {
    if (index >= node_.args.size()) throw EListError(msg::kListIndex, index);
    return evaluator_.Evaluate(node_.args[index]);
  }

 private:
  const NodeEvaluator& evaluator_;
  const TExprNode& node_;
};

// A name without an entry ("COUNT(*)" among them) evaluates to Null.
Variant NodeEvaluator::Function(const TExprNode& node) const {
  const ExprFunction* function = FindExprFunction(*node.data.StringPtr());
  if (!function) return Variant::Null();
  return function->evaluate(NodeCall(*this, node));
}

double TextAsNumber(const Variant& value) {
  double number = 0;
  return TryStrToFloat(ExprValueText(value), number, FormatSettings()) ? number : 0;
}

}  // namespace

Variant Evaluate(const TExprParser& parser) {
  if (!parser.Root()) return Variant::Null();
  return NodeEvaluator(parser.FilterExpr()).Evaluate(parser.Root());
}

bool IsPlainField(const ExprDataManager* dataManager, const std::string& text,
                  const ExprVariableCallback& callback) {
  TExprParser parser(dataManager, callback, text);
  return parser.Root() && parser.Root()->kind == enField;
}

std::string ExprValueText(const Variant& value) {
  switch (value.Type()) {
    case varEmpty:
    case varNull:
      return {};
    case varInteger:
    case varDouble:
    case varCurrency:
    case varDate:
      return FloatToStr(value.AsDouble(), FormatSettings());
    default:
      return value.AsString();
  }
}

Variant EvaluateAndAccumulate(const ExprDataManager* dataManager, const std::string& text,
                              const ExprVariableCallback& callback, const Variant& runningValue,
                              const Variant& previousValue, TCalcType calcType) {
  return AccumulateValue(Evaluate(TExprParser(dataManager, callback, text)), runningValue,
                         previousValue, calcType);
}

Variant AccumulateValue(const Variant& value, const Variant& runningValue,
                        const Variant& previousValue, TCalcType calcType) {
  if (calcType == ctNothing) return Variant(ExprValueText(value));
  double running = TextAsNumber(runningValue);
  double number = TextAsNumber(value);
  bool first = previousValue.IsNull() || previousValue.IsEmpty();
  double result = 0;
  switch (calcType) {
    case ctCount:
      result = running + 1;
      break;
    case ctSum:
      result = running + number;
      break;
    case ctAverage:
      result = first ? number : (running + number) * 0.5;
      break;
    case ctLowest:
      result = first || number <= running ? number : running;
      break;
    default:  // ctHighest
      result = first || number > running ? number : running;
      break;
  }
  return Variant(FloatToStr(result, FormatSettings()));
}

}  // namespace qr2vor
