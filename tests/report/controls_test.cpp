// Report controls: construction, the naming and hint rules, the angle and mask rules, values,
// and adding controls to bands.

#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>

#include "report/report.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

TEST(Controls, NewControlsNameThemselvesInTheReportLanguage) {
  TVoReport report(nullptr);
  report.Font()->SetSize(14);
  TVoRBand& band = *report.Bands(1);
  const struct {
    const TClassInfo& type;
    const char* name;
  } rows[] = {
      {TVoRLabel::StaticClassInfo(), "Text"},
      {TVoRExpression::StaticClassInfo(), "Expression"},
      {TVoRSysData::StaticClassInfo(), "DateTime"},
      {TVoRLine::StaticClassInfo(), "Line"},
      {TVoRRectangle::StaticClassInfo(), "Rectangle"},
      {TVoREllipse::StaticClassInfo(), "Ellipse"},
      {TVoRImage::StaticClassInfo(), "Image"},
      {TVoRichText::StaticClassInfo(), "RichText"},
  };
  for (const auto& row : rows) {
    TVoRControl* control = band.Controls(band.AddControl(row.type));
    ASSERT_NE(control, nullptr) << row.name;
    EXPECT_EQ(control->DisplayName(), row.name);
    EXPECT_EQ(control->Hint(), row.name);
    EXPECT_EQ(control->Band(), &band);
    EXPECT_EQ(control->Report(), &report);
    EXPECT_EQ(control->Font()->Size(), 14) << row.name;
    EXPECT_EQ(control->Font()->Name(), "Arial") << row.name;
    EXPECT_FALSE(control->ParentFont());
    EXPECT_EQ(control->Width(), 50);
    EXPECT_EQ(control->Top(), 40);
  }
  auto* sysData = static_cast<TVoRSysData*>(band.Controls(2));
  EXPECT_EQ(sysData->SysData(), sdDateTime);
  EXPECT_EQ(sysData->Format(), "@D @DS @T @TS ");
}

TEST(Controls, LabelOutsideABand) {
  TVoRLabel label(nullptr);
  EXPECT_EQ(label.Band(), nullptr);
  EXPECT_EQ(label.Report(), nullptr);
  EXPECT_EQ(label.DisplayName(), "Text");
  EXPECT_EQ(label.Font()->Size(), TFont().Size());
}

TEST(Controls, HintFollowsTheNameUntilSetByHand) {
  TVoRLabel label(nullptr);
  label.SetDisplayName("Total");
  EXPECT_EQ(label.Hint(), "Total");
  label.SetHint("Sum of all rows");
  label.SetDisplayName("Grand total");
  EXPECT_EQ(label.Hint(), "Sum of all rows");
  label.SetHint("");
  label.SetDisplayName("Total");
  EXPECT_EQ(label.Hint(), "Total");
}

TEST(Controls, AngleOutsideAFullTurnBecomesZero) {
  const struct {
    int32_t set;
    int32_t stored;
  } rows[] = {{0, 0}, {90, 90}, {359, 359}, {360, 0}, {-1, 0}, {720, 0}};
  TVoRLabel label(nullptr);
  for (const auto& row : rows) {
    label.SetAngle(45);
    label.SetAngle(row.set);
    EXPECT_EQ(label.Angle(), row.stored) << row.set;
  }
}

TEST(Controls, SysDataReplacesOnlyADefaultMask) {
  TVoReport report(nullptr);
  TVoRBand& band = *report.Bands(1);
  auto* control =
      static_cast<TVoRSysData*>(band.Controls(band.AddControl(TVoRSysData::StaticClassInfo())));
  control->SetSysData(sdPageNo);
  EXPECT_EQ(control->Format(), "@N @ND0 @NR1 ");
  EXPECT_EQ(control->DisplayName(), "PageNo");
  control->SetSysData(sdDate);
  EXPECT_EQ(control->Format(), "@D @DS ");
  EXPECT_EQ(control->DisplayName(), "Date");
  control->SetFormat("");
  control->SetSysData(sdAuthor);
  EXPECT_EQ(control->Format(), "@C ");
  control->SetFormat("@C U");
  control->SetSysData(sdBandLineNo);
  EXPECT_EQ(control->Format(), "@C U");
  EXPECT_EQ(control->DisplayName(), "BandLineNo");
  // The kind's name made unique against the other controls.
  auto* second =
      static_cast<TVoRSysData*>(band.Controls(band.AddControl(TVoRSysData::StaticClassInfo())));
  second->SetSysData(sdBandLineNo);
  EXPECT_EQ(second->DisplayName(), "BandLineNo1");
}

TEST(Controls, ExpressionNamesAnUnnamedControl) {
  TVoRExpression expression(nullptr);
  expression.SetExpression("Price");
  EXPECT_EQ(expression.DisplayName(), "Expression");
  expression.SetDisplayName("");
  expression.SetExpression("Qty");
  EXPECT_EQ(expression.DisplayName(), "Qty");
}

TEST(Controls, ValueChangedUnlessBothPresentAndEqual) {
  const struct {
    Variant current;
    Variant previous;
    bool changed;
  } rows[] = {
      {Variant::Null(), Variant::Null(), true},
      {Variant(), Variant::Null(), true},
      {Variant(), Variant(), true},
      {"a", Variant::Null(), true},
      {Variant::Null(), "a", true},
      {"a", "a", false},
      {"a", "b", true},
      {1, 1.0, false},
      {1, 2, true},
  };
  TVoRLabel label(nullptr);
  TVoRVariables variables(nullptr);
  TVoRVariable& variable = *variables.Add();
  for (size_t i = 0; i < std::size(rows); ++i) {
    label.SetCurrentValue(rows[i].current);
    label.SetPreviousValue(rows[i].previous);
    EXPECT_EQ(label.ValueChanged(), rows[i].changed) << "row " << i;
    variable.SetCurValue(rows[i].current);
    variable.SetPrevValue(rows[i].previous);
    EXPECT_EQ(variable.ValueChanged(), rows[i].changed) << "row " << i;
  }
}

TEST(Controls, AddControlAbsorbsAFailureAfterConstruction) {
  // A hosting window that fails when told of a new control.
  TVoReport report(nullptr);
  TVoRBand& band = *report.Bands(1);
  report.OnHostMessage = [](int32_t message, int32_t) {
    if (message == kMsgControlAdded) throw std::runtime_error("window gone");
  };
  EXPECT_EQ(band.AddControl(TVoRLabel::StaticClassInfo()), -1);
  EXPECT_EQ(band.ComponentCount(), 1);
  report.OnHostMessage = nullptr;
  EXPECT_EQ(band.AddControl(TVoRLabel::StaticClassInfo()), 1);

  try {
    band.AddControl(TComponent::StaticClassInfo());
    FAIL() << "no exception";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TComponent not found");
  }
}

TEST(Controls, DeletingAControlRemovesItFromItsBand) {
  TVoReport report(nullptr);
  TVoRBand& band = *report.Bands(1);
  band.AddControl(TVoRLabel::StaticClassInfo());
  band.AddControl(TVoRLine::StaticClassInfo());
  delete band.Controls(0);
  ASSERT_EQ(band.ControlCount(), 1);
  EXPECT_EQ(band.Controls(0)->DisplayName(), "Line");
  EXPECT_EQ(band.Controls(1), nullptr);
  band.ClearControls();
  EXPECT_EQ(band.ComponentCount(), 0);
}

TEST(Controls, FrameKeepsOnlyTheFourSides) {
  TVoRFrame frame;
  frame.SetFrameType(0xFF);
  EXPECT_EQ(frame.FrameType(), 0x0Fu);
  EXPECT_TRUE(frame.HasSide(ftRight));
  TVoRLabel label(nullptr);
  label.SetFrame(&frame);
  EXPECT_EQ(label.Frame()->FrameType(), 0x0Fu);
  EXPECT_NE(label.Frame(), &frame);
}

}  // namespace
}  // namespace qr2vor
