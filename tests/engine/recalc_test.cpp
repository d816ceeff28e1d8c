// Recalculation, resets, print conditions, counters and the variable lookup.

#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "expr/expr_evaluator.h"

namespace qr2vor {
namespace {

TEST_F(EngineTest, CountersBeforeTheFirstPageAndPageNumbersByStartAndStep) {
  EXPECT_EQ(engine.GetSystemValue(sdPageCount).AsInteger(), 1);
  EXPECT_EQ(engine.GetSystemValue(sdBarCount).AsInteger(), 0);
  EXPECT_EQ(engine.GetSystemValue(sdDetailNo).AsInteger(), -1);
  EXPECT_TRUE(engine.GetSystemValue(sdBandLineNo).IsNull());
  report.SetPageNoStartAt(10);
  report.SetPageNoCountBy(2);
  TVoPageStore& store = report.PageStore();
  for (int64_t expected : {12, 14, 16}) {
    ++store.PageIndex;
    EXPECT_EQ(engine.GetSystemValue(sdPageNo).AsInteger(), expected);
  }
  engine.Clock = [] { return 45000.75; };
  EXPECT_EQ(*engine.GetSystemValue(sdDate).DatePtr(), 45000.0);
  EXPECT_EQ(*engine.GetSystemValue(sdTime).DatePtr(), 0.75);
}

TEST_F(EngineTest, VariableLookupOrder) {
  TVoRParameter& pageNo = *report.Parameters()->Add();
  pageNo.SetName("PageNo");
  pageNo.SetValue(99);
  TVoRParameter& city = *report.Parameters()->Add();
  city.SetName("City");
  city.SetDisplayLabel("Town");
  city.SetValue(2.5);
  TVoRVariable& shadowed = *report.Variables()->Add();
  shadowed.SetName("City");
  shadowed.SetCurValue("variable");
  TVoRVariable& total = *report.Variables()->Add();
  total.SetName("Total");
  report.PageStore().PageIndex = 4;
  struct Row {
    const char* name;
    bool found;
    TFieldType type;
    Variant value;
  };
  const Row rows[] = {
      {"PageNo", true, ftInteger, 5},            // the system variable wins over a parameter
      {"  city ", true, ftFloat, 2.5},           // a parameter wins over a report variable
      {"TOWN", true, ftFloat, 2.5},              // by display label
      {"total", true, ftString, std::string()},  // a Null variable reads as empty text
      {"ColumnCount", true, ftInteger, 1},
      {"Nothing", false, ftString, Variant::Null()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Variant value = Variant::Null();
    TFieldType type = ftString;
    bool found = false;
    engine.GetVariable(row.name, value, type, found);
    EXPECT_EQ(found, row.found);
    EXPECT_EQ(type, row.type);
    EXPECT_EQ(value.Type(), row.value.Type());
    if (!row.value.IsNull()) {
      EXPECT_EQ(value, row.value);
    }
  }
  report.OnGetVariable = [](TVoPrintBaseComponent&, const std::string& name, bool& accept,
                            TFieldType& type, Variant& value) {
    if (accept || name.empty()) return;
    accept = true;
    type = ftInteger;
    value = 7;
  };
  EXPECT_EQ(EvaluateAndAccumulate(engine.DataManager(), "Nothing + PageNo",
                                  engine.VariableCallback(), Variant(), Variant(), ctNothing)
                .AsString(),
            "12");
}

TEST_F(EngineTest, CalculationsRecalculateOnTheirTriggers) {
  Rows(3, {"A", "A", "B"});
  TVoRBand& detail = Band(btDetail, 20, "Detail");
  auto& everyRow = Control<TVoRExpression>(detail, "EveryRow");
  everyRow.SetExpression("N");
  everyRow.Calculation()->SetCalcType(ctSum);
  auto& onGroup = Control<TVoRExpression>(detail, "OnGroup");
  onGroup.SetExpression("N");
  onGroup.Calculation()->SetCalcType(ctCount);
  onGroup.Calculation()->SetCalculate(rcGroupChange);
  onGroup.Calculation()->SetGroupChange("g");
  auto& label = Control<TVoRLabel>(detail, "Label");
  struct Step {
    int mode;
    const char* group;
    const char* everyRow;
    const char* onGroup;
  };
  const Step steps[] = {
      {0, "", "1", ""},   {1, "", "2", ""},  {1, "G", "2", "1"},
      {0, "g", "2", "2"}, {2, "", "2", "2"}, {3, "", "2", "2"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << step.mode << step.group);
    engine.UpdateCalculations(-1, -1, step.mode, step.group);
    EXPECT_EQ(everyRow.CurrentValue().AsString(), step.everyRow);
    EXPECT_EQ(onGroup.CurrentValue().AsString(), step.onGroup);
  }
  EXPECT_EQ(label.CurrentValue().AsString(), "Label");
}

TEST_F(EngineTest, ResetsByType) {
  Rows(1);
  TVoRBand& header = Band(btGroupHeader, 20, "Header");
  header.SetExpression("G");
  header.SetReprintHeader(true);
  TVoRBand& detail = Band(btDetail, 20, "Detail");
  auto& pageTotal = Control<TVoRExpression>(detail, "PageTotal");
  pageTotal.Calculation()->SetResetType(rtEndPage);
  auto& groupTotal = Control<TVoRExpression>(detail, "GroupTotal");
  groupTotal.Calculation()->SetResetType(rtEndPage);
  groupTotal.Calculation()->SetResetGroup("G");
  TVoRVariable& variable = *report.Variables()->Add();
  variable.Calculation()->SetResetType(rtEndGroup);
  variable.Calculation()->SetResetGroup("G");
  auto fill = [&] {
    for (TVoRControl* c :
         {static_cast<TVoRControl*>(&header), static_cast<TVoRControl*>(&pageTotal),
          static_cast<TVoRControl*>(&groupTotal)}) {
      c->SetCurrentValue(1);
    }
    variable.SetCurValue(1);
  };
  struct Row {
    TResetType type;
    const char* group;
    bool header, pageTotal, groupTotal, variable;  // which become Null
  };
  const Row rows[] = {
      {rtEndPage, "", true, true, false, false},
      {rtEndGroup, "g", true, false, false, false},  // band expressions ignore case ...
      {rtEndGroup, "G", true, false, false, true},   // ... reset groups do not
      {rtEndReport, "", true, true, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.type << row.group);
    fill();
    detail.SetLineNo(7);
    engine.Reset(row.type, row.group);
    EXPECT_EQ(header.CurrentValue().IsNull(), row.header);
    EXPECT_EQ(pageTotal.CurrentValue().IsNull(), row.pageTotal);
    EXPECT_EQ(groupTotal.CurrentValue().IsNull(), row.groupTotal);
    EXPECT_EQ(variable.CurValue().IsNull(), row.variable);
    EXPECT_EQ(detail.LineNo(), row.type == rtEndReport ? 1 : 7);
  }
}

TEST_F(EngineTest, VariablesCascadeIntoWhatDependsOnThem) {
  Rows(2);
  TVoRVariable& running = *report.Variables()->Add();
  running.SetName("Running");
  running.SetExpression("N");
  running.Calculation()->SetCalcType(ctSum);
  TVoRVariable& doubled = *report.Variables()->Add();
  doubled.SetName("Doubled");
  doubled.SetExpression("Running");
  doubled.Calculation()->SetCalculate(rcVariableChange);
  doubled.Calculation()->SetVariableChange("RUNNING");
  TVoRBand& detail = Band(btDetail, 20, "Detail");
  auto& shown = Control<TVoRExpression>(detail, "Shown");
  shown.SetExpression("Doubled");
  shown.Calculation()->SetCalculate(rcVariableChange);
  shown.Calculation()->SetVariableChange("doubled");
  engine.UpdateCalculations(-1, -1, 3);
  data.Next();
  engine.UpdateCalculations(-1, -1, 3);
  EXPECT_EQ(running.CurValue().AsString(), "3");
  EXPECT_EQ(doubled.CurValue().AsString(), "3");
  EXPECT_EQ(shown.CurrentValue().AsString(), "3");
}

TEST_F(EngineTest, PrintConditionsAndGroupValues) {
  Rows(2, {"A", "B"});
  TVoRBand& header = Band(btGroupHeader, 20, "Header");
  header.SetExpression("G");
  TVoRBand& footer = Band(btGroupFooter, 20, "Footer");
  footer.SetExpression("G");
  auto& shown = Control<TVoRLabel>(header, "Shown");
  shown.VoPrintWhen()->SetShowIf("N = 2");
  auto& hidden = Control<TVoRLabel>(header, "Hidden");
  hidden.VoPrintWhen()->SetHideWhen("G = 'A'");
  engine.EvaluatePrintConditions();
  EXPECT_FALSE(engine.PrintableNow(shown));
  EXPECT_FALSE(engine.PrintableNow(hidden));
  EXPECT_TRUE(engine.PrintableNow(header));
  engine.EvaluateGroup(header);
  EXPECT_EQ(header.CurrentValue().AsString(), "A");
  EXPECT_EQ(footer.PreviousValue().AsString(), "A");
  data.Next();
  engine.EvaluatePrintConditions();
  EXPECT_TRUE(engine.PrintableNow(shown));
  EXPECT_TRUE(engine.PrintableNow(hidden));
}

TEST_F(EngineTest, SystemDataControlsTakeTheirValuesAsText) {
  Rows(1);
  TVoRBand& detail = Band(btDetail, 20, "Detail");
  detail.SetLineNo(3);
  auto& line = Control<TVoRSysData>(detail, "Line");
  line.SetSysData(sdBandLineNo);
  auto& detailNo = Control<TVoRSysData>(detail, "DetailNo");
  detailNo.SetSysData(sdDetailNo);
  auto& title = Control<TVoRSysData>(detail, "Title");
  title.SetSysData(sdReportTitle);
  report.VoProperty()->SetTitle("Sales");
  auto& field = Control<TVoRExpression>(detail, "Field");
  field.SetExpression("N");
  for (TVoRControl* c : {static_cast<TVoRControl*>(&line), static_cast<TVoRControl*>(&detailNo),
                         static_cast<TVoRControl*>(&title), static_cast<TVoRControl*>(&field)}) {
    engine.UpdateValue(*c);
  }
  EXPECT_EQ(line.CurrentValue(), Variant("3"));
  EXPECT_EQ(detailNo.CurrentValue(), Variant("3"));
  EXPECT_EQ(title.CurrentValue(), Variant("Sales"));
  EXPECT_EQ(field.CurrentValue(), Variant("1"));
}

}  // namespace
}  // namespace qr2vor
