#include "app/cli/report_fields.h"

#include <fmt/format.h>

#include "engine/engine.h"
#include "expr/expr_parser.h"
#include "rtl/exceptions.h"
#include "rtl/typinfo.h"

namespace qr2vor {
namespace {

// Stands for a field while an expression is parsed: the parser keeps it as a constant's value,
// so the walk over the parsed tree finds the field again.
constexpr std::string_view kFieldMarker =
    "\x01"
    "field:";

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// "Set.Field" and "Form.Set.Field" name a data set and a field; a plain name only a field.
TReportField SplitFieldName(const std::string& text) {
  TReportField field;
  field.name = Trim(text);
  size_t dot = field.name.find('.');
  if (dot == std::string::npos) return field;
  field.dataSet = field.name.substr(0, dot);
  field.name.erase(0, dot + 1);
  dot = field.name.find('.');
  if (dot != std::string::npos) {
    field.dataSet = field.name.substr(0, dot);
    field.name.erase(0, dot + 1);
  }
  return field;
}

// Arithmetic on the node; joining it to a text written in the expression ("'Page ' + Name") is
// not, since the parser reads a text constant before a number as a date.
bool InArithmetic(const TExprNode& node, const TExprNode& parent) {
  if (parent.kind != enOperator ||
      (parent.op != coADD && parent.op != coSUB && parent.op != coMUL && parent.op != coDIV))
    return false;
  const TExprNode* other = parent.left == &node ? parent.right : parent.left;
  const bool textConstant =
      other != nullptr && other->kind == enConst && !other->data.IsNumeric() &&
      !(other->data.StringPtr() != nullptr && other->data.StringPtr()->starts_with(kFieldMarker));
  return !textConstant;
}

// A comparison of the node with a number written in the expression ("Kind = 2").
bool ComparedWithNumber(const TExprNode& node, const TExprNode* parent) {
  if (parent == nullptr || parent->kind != enOperator || parent->op < coEQ || parent->op > coLE)
    return false;
  const TExprNode* other = parent->left == &node ? parent->right : parent->left;
  return other != nullptr && other->kind == enConst && other->data.IsNumeric();
}

// A function whose arguments are numbers.
bool TakesNumbers(const TExprNode& node) {
  if (node.kind != enFunc || node.data.StringPtr() == nullptr) return false;
  static constexpr std::string_view kNames[] = {
      "SUM", "AVG", "MIN",    "MAX",    "INT",    "FRAC",     "ROUND",     "DIV", "SIN",
      "COS", "TAN", "ARCSIN", "ARCCOS", "ARCTAN", "EXP",      "LN",        "SQR", "SQRT",
      "ABS", "LOG", "POWER",  "RANDOM", "CHR",    "INTTOSTR", "FLOATTOSTR"};
  const std::string& name = *node.data.StringPtr();
  for (const std::string_view known : kNames)
    if (name == known) return true;
  return false;
}

class TFieldCollector {
 public:
  explicit TFieldCollector(TVoReport& report) : report_(report), engine_(report) {}

  // Parses `text`, taking unknown names first as numbers and, when that gives a type mismatch,
  // as texts. `numeric` marks every field the expression's value is made of as numeric.
  void Expression(const std::string& owner, const std::string& text, bool numeric, bool group) {
    if (Trim(text).empty()) return;
    for (const bool asNumbers : {true, false}) {
      std::vector<std::string> names;
      try {
        const TExprParser parser(&noData_, Callback(names, asNumbers), text);
        if (parser.Root() != nullptr) Walk(*parser.Root(), nullptr, numeric, group, asNumbers);
        return;
      } catch (const Exception& e) {
        const bool mismatch = e.Message() == msg::kExprTypeMis;
        if (mismatch && asNumbers) continue;
        // Both readings mismatch: the names met still count as fields, untyped.
        if (mismatch) {
          for (const std::string& name : names) Add(SplitFieldName(name), false, group);
          return;
        }
        throw Exception(fmt::format("expression '{}' in {}: {}", text, owner, e.Message()));
      }
    }
  }

  // A field named directly (pictures and rich text): "Set.Field" or "Field".
  void FieldName(const std::string& text) {
    if (!Trim(text).empty()) Add(SplitFieldName(text), false, false);
  }

  void Conditions(const TVoRControl& control, const std::string& owner) {
    if (const TVoPrintWhen* when = control.VoPrintWhen()) {
      Expression(owner, when->ShowIf(), false, false);
      Expression(owner, when->HideWhen(), false, false);
    }
    if (const TVoRHighLights* rules = control.HighLights()) {
      for (int i = 0; i < rules->Count(); ++i)
        Expression(owner, rules->Items(i)->Expression(), false, false);
    }
  }

  TReportFields Result() {
    if (report_.DataSet() != nullptr && !report_.DataSet()->Name().empty())
      result_.primaryDataSet = report_.DataSet()->Name();
    return std::move(result_);
  }

 private:
  ExprVariableCallback Callback(std::vector<std::string>& names, bool asNumbers) {
    return [this, &names, asNumbers](const std::string& name, Variant& value, TFieldType& type,
                                     bool& handled) {
      engine_.GetVariable(name, value, type, handled);
      if (handled) return;
      names.push_back(name);
      value = Variant(std::string(kFieldMarker) + name);
      type = asNumbers ? ftFloat : ftString;
      handled = true;
    };
  }

  void Walk(const TExprNode& node, const TExprNode* parent, bool numeric, bool group,
            bool asNumbers) {
    if (node.kind == enConst && node.data.StringPtr() != nullptr &&
        node.data.StringPtr()->starts_with(kFieldMarker)) {
      const bool inArithmetic =
          parent != nullptr && (InArithmetic(node, *parent) || TakesNumbers(*parent) ||
                                ComparedWithNumber(node, parent));
      Add(SplitFieldName(node.data.StringPtr()->substr(kFieldMarker.size())),
          asNumbers && (numeric || inArithmetic), group);
      return;
    }
    // A value made by arithmetic carries the numeric reading down to its operands only.
    const bool passNumeric = numeric && node.kind != enFunc;
    if (node.left != nullptr) Walk(*node.left, &node, passNumeric, group, asNumbers);
    if (node.right != nullptr) Walk(*node.right, &node, passNumeric, group, asNumbers);
    for (const TExprNode* argument : node.args)
      Walk(*argument, &node, passNumeric, group, asNumbers);
  }

  void Add(TReportField field, bool numeric, bool group) {
    if (field.name.empty()) return;
    if (result_.primaryDataSet.empty() && !field.dataSet.empty())
      result_.primaryDataSet = field.dataSet;
    for (TReportField& known : result_.fields) {
      if (SameText(known.dataSet, field.dataSet) && SameText(known.name, field.name)) {
        known.numeric = known.numeric || numeric;
        known.group = known.group || group;
        return;
      }
    }
    field.numeric = numeric;
    field.group = group;
    result_.fields.push_back(std::move(field));
  }

  TVoReport& report_;
  TVoREngine engine_;
  ExprDataSetList noData_;
  TReportFields result_;
};

bool IsSummary(TCalcType type) {
  return type == ctSum || type == ctAverage || type == ctLowest || type == ctHighest;
}

}  // namespace

bool TReportFields::IsPrimary(const TReportField& field) const {
  return field.dataSet.empty() || SameText(field.dataSet, primaryDataSet);
}

std::vector<TReportField> TReportFields::Of(const std::string& dataSet) const {
  const bool primary = dataSet.empty() || SameText(dataSet, primaryDataSet);
  std::vector<TReportField> chosen;
  for (const TReportField& field : fields) {
    const bool belongs = primary ? IsPrimary(field) : SameText(field.dataSet, dataSet);
    if (!belongs) continue;
    // The same field written with and without its data set's name is one column.
    bool known = false;
    for (TReportField& taken : chosen) {
      if (SameText(taken.name, field.name)) {
        taken.numeric = taken.numeric || field.numeric;
        taken.group = taken.group || field.group;
        known = true;
      }
    }
    if (!known) chosen.push_back(field);
  }
  return chosen;
}

TReportFields CollectReportFields(TVoReport& report) {
  TFieldCollector collector(report);
  for (int b = 0; b < report.BandCount(); ++b) {
    TVoRBand& band = *report.Bands(b);
    std::string bandName = !band.Name().empty() ? band.Name() : band.DisplayName();
    if (bandName.empty()) bandName = fmt::format("band {}", b + 1);
    collector.Expression(bandName, band.Expression(), false, true);
    collector.Conditions(band, bandName);
    for (int c = 0; c < band.ControlCount(); ++c) {
      TVoRControl& control = *band.Controls(c);
      const std::string name = control.Name().empty() ? bandName : control.Name();
      if (auto* expression = dynamic_cast<TVoRExpression*>(&control)) {
        const TVoRCalculation* calculation = expression->Calculation();
        collector.Expression(name, expression->Expression(),
                             calculation != nullptr && IsSummary(calculation->CalcType()), false);
      } else if (auto* image = dynamic_cast<TVoRImage*>(&control)) {
        collector.FieldName(image->Expression());
      } else if (auto* richText = dynamic_cast<TVoRichText*>(&control)) {
        collector.FieldName(richText->Expression());
      }
      collector.Conditions(control, name);
    }
  }
  const TVoRVariables& variables = *report.Variables();
  for (int i = 0; i < variables.Count(); ++i) {
    const TVoRVariable& variable = *variables.Items(i);
    const TVoRCalculation* calculation = variable.Calculation();
    collector.Expression(fmt::format("variable {}", variable.Name()), variable.Expression(),
                         calculation != nullptr && IsSummary(calculation->CalcType()), false);
  }
  return collector.Result();
}

std::unique_ptr<TMemoryDataSet> MakeSampleDataSet(const std::vector<TReportField>& fields,
                                                  int count) {
  auto data = std::make_unique<TMemoryDataSet>(nullptr);
  for (const TReportField& field : fields)
    data->AddFieldDef(field.name, field.numeric ? ftFloat : ftString, field.numeric ? 0 : 64);
  for (int record = 1; record <= count; ++record) {
    std::vector<Variant> values;
    const int groupNumber = (record - 1) / 10 + 1;
    for (const TReportField& field : fields) {
      if (field.numeric) {
        values.emplace_back(static_cast<double>(field.group ? groupNumber : (record - 1) % 9 + 1));
      } else {
        values.emplace_back(fmt::format("{} {}", field.name, field.group ? groupNumber : record));
      }
    }
    data->AppendRecord(std::move(values));
  }
  data->Open();
  return data;
}

}  // namespace qr2vor
