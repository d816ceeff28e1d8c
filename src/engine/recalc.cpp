// Recalculation of values, resets, print conditions, the system counters and the variable
// lookup of a report run.

#include <cmath>

#include "engine/engine.h"
#include "expr/expr_evaluator.h"
#include "expr/expr_parser.h"
#include "rtl/date_time_text.h"
#include "rtl/format_settings.h"

namespace qr2vor {

namespace {

struct TSystemName {
  const char* name;
  TFieldType type;
};
// The system values by kind, under their English names.
constexpr TSystemName kSystemNames[] = {
    {"DATE", ftDate},           {"TIME", ftTime},          {"DATETIME", ftDateTime},
    {"AUTHOR", ftString},       {"REPORTTITLE", ftString}, {"SUBJECT", ftString},
    {"KEYWORDS", ftString},     {"PAGENO", ftInteger},     {"PAGECOUNT", ftInteger},
    {"BARNO", ftInteger},       {"BARCOUNT", ftInteger},   {"COLUMNNO", ftInteger},
    {"COLUMNCOUNT", ftInteger}, {"DETAILNO", ftInteger},   {"BANDLINENO", ftInteger},
};
static_assert(std::size(kSystemNames) == sdBandLineNo + 1);

std::string TrimmedUpper(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return AnsiUpperCase(std::string_view(text).substr(first, last - first + 1));
}

bool SameText(const std::string& left, const std::string& right) {
  return AnsiUpperCase(left) == AnsiUpperCase(right);
}

TFieldType TypeOfValue(const Variant& value) {
  switch (value.Type()) {
    case varInteger:
      return ftInteger;
    case varDouble:
      return ftFloat;
    case varCurrency:
      return ftCurrency;
    case varDate:
      return ftDateTime;
    case varBoolean:
      return ftBoolean;
    default:
      return ftString;
  }
}

const TVoRCalculation* CalculationOf(const TVoRControl& control) {
  const auto* expression = dynamic_cast<const TVoRExpression*>(&control);
  return expression != nullptr ? expression->Calculation() : nullptr;
}

}  // namespace

void TVoREngine::UpdateCalculations(int firstBand, int lastBand, int mode,
                                    const std::string& groupName, const std::string& variableName) {
  const int first = firstBand < 0 ? 0 : firstBand;
  const int last = lastBand < 0 ? report_.BandCount() - 1 : lastBand;
  if (mode == 3) {
    TVoRVariables& variables = *report_.Variables();
    for (int i = 0; i < variables.Count(); ++i) {
      TVoRVariable& variable = *variables.Items(i);
      const TVoRCalculation& calculation = *variable.Calculation();
      if (!calculation.IsTriggered(groupName, variableName)) continue;
      variable.SetPrevValue(variable.CurValue());
      variable.SetCurValue(EvaluateText(variable.Expression(), variable.CurValue(),
                                        variable.PrevValue(), calculation.CalcType()));
      if (variable.ValueChanged()) {
        const std::string name = variable.Name();
        UpdateCalculations(firstBand, lastBand, 3, {}, name);
        UpdateCalculations(firstBand, lastBand, 0, {}, name);
      }
    }
    return;
  }
  for (int b = first; b <= last && b < report_.BandCount(); ++b) {
    TVoRBand& band = *report_.Bands(b);
    const bool footer = band.BandType() == btGroupFooter;
    if ((mode == 1 && footer) || (mode == 2 && !footer)) continue;
    for (int c = 0; c < band.ControlCount(); ++c) {
      TVoRControl& control = *band.Controls(c);
      if (dynamic_cast<TVoRLabel*>(&control) == nullptr) continue;
      const TVoRCalculation* calculation = CalculationOf(control);
      if (calculation != nullptr && !calculation->IsTriggered(groupName, variableName)) continue;
      UpdateValue(control);
    }
  }
}

void TVoREngine::Reset(TResetType resetType, const std::string& groupName) {
  auto resets = [&](const TVoRCalculation& calculation) {
    return resetType == rtEndReport ||
           (calculation.ResetType() == resetType && calculation.ResetGroup() == groupName);
  };
  for (int b = 0; b < report_.BandCount(); ++b) {
    TVoRBand& band = *report_.Bands(b);
    const bool nulls = resetType == rtEndReport ||
                       (resetType == rtEndPage && band.IsGroup() && band.ReprintHeader()) ||
                       (resetType == rtEndGroup && SameText(band.Expression(), groupName));
    if (nulls) {
      band.SetCurrentValue(Variant::Null());
      band.SetPreviousValue(Variant::Null());
    }
    if (resetType == rtEndReport) band.SetLineNo(1);
    for (int c = 0; c < band.ControlCount(); ++c) {
      TVoRControl& control = *band.Controls(c);
      const TVoRCalculation* calculation = CalculationOf(control);
      if (calculation != nullptr && resets(*calculation)) {
        control.SetCurrentValue(Variant::Null());
        control.SetPreviousValue(Variant::Null());
      }
    }
  }
  TVoRVariables& variables = *report_.Variables();
  for (int i = 0; i < variables.Count(); ++i) {
    TVoRVariable& variable = *variables.Items(i);
    if (resets(*variable.Calculation())) {
      variable.SetCurValue(Variant::Null());
      variable.SetPrevValue(Variant::Null());
    }
  }
}

void TVoREngine::EvaluatePrintConditions() {
  auto evaluate = [&](const TVoRControl& control) {
    const TVoPrintWhen& when = *control.VoPrintWhen();
    bool printable = true;
    if (!when.ShowIf().empty()) {
      const TExprParser parser(DataManager(), VariableCallback(), when.ShowIf());
      printable = Evaluate(parser).AsBoolean();
    }
    if (printable && !when.HideWhen().empty()) {
      const TExprParser parser(DataManager(), VariableCallback(), when.HideWhen());
      if (Evaluate(parser).AsBoolean()) printable = false;
    }
    if (printable) {
      hidden_.erase(&control);
    } else {
      hidden_.insert(&control);
    }
  };
  for (int b = 0; b < report_.BandCount(); ++b) {
    TVoRBand& band = *report_.Bands(b);
    evaluate(band);
    for (int c = 0; c < band.ControlCount(); ++c) evaluate(*band.Controls(c));
  }
}

bool TVoREngine::PrintableNow(const TVoRControl& control) const {
  return !hidden_.contains(&control);
}

Variant TVoREngine::GetSystemValue(TVoRSysDataType kind) const {
  const TVoPageStore& store = Store();
  const TVoProperty& properties = *report_.VoProperty();
  switch (kind) {
    case sdDate:
      return Variant::FromDate(std::trunc(Clock()));
    case sdTime: {
      const TDateTime now = Clock();
      return Variant::FromDate(std::fabs(now - std::trunc(now)));
    }
    case sdDateTime:
      return Variant::FromDate(Clock());
    case sdAuthor:
      return properties.Author();
    case sdReportTitle:
      return properties.Title();
    case sdSubject:
      return properties.Subject();
    case sdKeywords:
      return properties.Keywords();
    case sdPageNo:
      return int64_t{report_.PageNoCountBy()} * (store.PageIndex + 1) + report_.PageNoStartAt();
    case sdPageCount:
      return store.PageCount();
    case sdBarNo:
      return store.BarIndex + 1;
    case sdBarCount:
      return store.BarCount();
    case sdColumnNo:
      return columnIndex_ + 1;
    case sdColumnCount:
      return report_.ColumnNumber();
    case sdDetailNo:
      return -1;
    case sdBandLineNo:
      break;
  }
  return Variant::Null();
}

void TVoREngine::GetVariable(const std::string& name, Variant& value, TFieldType& type,
                             bool& found) {
  const std::string upper = TrimmedUpper(name);
  TVoRParameters& parameters = *report_.Parameters();
  for (int i = 0; i < parameters.Count() && !found; ++i) {
    const TVoRParameter& parameter = *parameters.Items(i);
    if (AnsiUpperCase(parameter.Name()) == upper ||
        AnsiUpperCase(parameter.DisplayLabel()) == upper) {
      found = true;
      value = parameter.Value();
      type = TypeOfValue(value);
    }
  }
  for (int kind = sdDate; kind <= sdBandLineNo; ++kind) {
    if (upper == kSystemNames[kind].name) {
      found = true;
      type = kSystemNames[kind].type;
      value = GetSystemValue(static_cast<TVoRSysDataType>(kind));
      break;
    }
  }
  if (!found) {
    TVoRVariables& variables = *report_.Variables();
    for (int i = 0; i < variables.Count(); ++i) {
      const TVoRVariable& variable = *variables.Items(i);
      if (AnsiUpperCase(variable.Name()) != upper) continue;
      found = true;
      type = ftString;
      value = variable.CurValue().IsNull() ? Variant(std::string()) : variable.CurValue();
      break;
    }
  }
  if (report_.OnGetVariable) report_.OnGetVariable(report_, name, found, type, value);
}

ExprVariableCallback TVoREngine::VariableCallback() {
  return [this](const std::string& name, Variant& value, TFieldType& type, bool& handled) {
    GetVariable(name, value, type, handled);
  };
}

const ExprDataManager* TVoREngine::DataManager() {
  dataManager_.Effective();
  return &dataManager_;
}

const TExprParser* TVoREngine::ParsedExpression(const std::string& text) {
  const auto found = parsed_.find(text);
  if (found != parsed_.end()) return found->second.get();
  variableRead_ = false;
  auto parser = std::make_unique<const TExprParser>(
      DataManager(),
      [this](const std::string& name, Variant& value, TFieldType& type, bool& handled) {
        variableRead_ = true;
        GetVariable(name, value, type, handled);
      },
      text);
  if (variableRead_) parser.reset();
  return parsed_.emplace(text, std::move(parser)).first->second.get();
}

Variant TVoREngine::EvaluateText(const std::string& text, const Variant& runningValue,
                                 const Variant& previousValue, TCalcType calcType) {
  if (const TExprParser* parser = ParsedExpression(text))
    return AccumulateValue(Evaluate(*parser), runningValue, previousValue, calcType);
  return EvaluateAndAccumulate(DataManager(), text, VariableCallback(), runningValue, previousValue,
                               calcType);
}

void TVoREngine::UpdateValue(TVoRControl& control) {
  if (auto* expression = dynamic_cast<TVoRExpression*>(&control)) {
    const TVoRCalculation& calculation = *expression->Calculation();
    // A text that reads a variable is never a plain field: its only name would be the field's.
    const TExprParser* parsed = ParsedExpression(expression->Expression());
    if (expression->Format().empty() && calculation.CalcType() == ctNothing && parsed != nullptr &&
        parsed->Root() != nullptr && parsed->Root()->kind == enField) {
      const TField* field = FindExprField(DataManager(), expression->Expression());
      expression->SetCurrentValue(field != nullptr ? field->AsString() : std::string());
      return;
    }
    expression->SetCurrentValue(EvaluateText(expression->Expression(), expression->CurrentValue(),
                                             expression->PreviousValue(), calculation.CalcType()));
    return;
  }
  if (auto* sysData = dynamic_cast<TVoRSysData*>(&control)) {
    const TVoRSysDataType kind = sysData->SysData();
    Variant value;
    if (kind == sdDetailNo) {
      const TVoRBand* detail = FirstBand(btDetail);
      value = detail != nullptr ? detail->LineNo() : -1;
    } else if (kind == sdBandLineNo) {
      value = sysData->Band() != nullptr ? sysData->Band()->LineNo() : 0;
    } else {
      value = GetSystemValue(kind);
    }
    if (kind <= sdDateTime) {
      value = ExprValueText(Variant(value.AsDouble()));
    } else if (kind >= sdPageNo) {
      value = std::to_string(value.AsInteger());
    }
    sysData->SetCurrentValue(value);
    return;
  }
  if (auto* label = dynamic_cast<TVoRLabel*>(&control)) {
    label->SetCurrentValue(label->DisplayName());
  }
}

void TVoREngine::EvaluateGroup(TVoRBand& band) {
  if (!band.IsGroup()) return;
  band.SetCurrentValue(
      EvaluateText(band.Expression(), band.CurrentValue(), band.PreviousValue(), ctNothing));
  if (band.BandType() != btGroupHeader) return;
  TVoRBand* paired = report_.Bands(band.FindPairedBand());
  if (paired != nullptr && paired->BandType() == btGroupFooter) {
    paired->SetPreviousValue(band.CurrentValue());
  }
}

TVoRBand* TVoREngine::FirstBand(TBandType type) const {
  return report_.Bands(report_.FindBandByType(type));
}

}  // namespace qr2vor
