// Properties that later versions publish: accepted on the class that carries them in real forms,
// kept as name and value text, checked against the kind of value forms give them; the model's
// own properties and the extra properties of older forms keep their effects.

#include <gtest/gtest.h>

#include "form_fixture.h"
#include "platform/data/tables.h"
#include "stream/later_properties.h"

namespace qr2vor {
namespace {

using test::ReadText;

const char* const kLaterForm = R"(object Sales: TSalesForm
  HorzScrollBar.Position = 15
  Constraints.MinWidth = 800
  Anchors = [akLeft, akTop]
  DesignSize = (
    640
    480)
  OldCreateOrder = True
  object Query1: TQuery
    AfterOpen = Query1AfterOpen
    CachedUpdates = True
    ParamData = <
      item
        DataType = ftInteger
        Name = 'Id'
        ParamType = ptInput
      end>
  end
  object Rep: TQuickRep
    Functions.Strings = (
      'PAGENUMBER'
      'DATE')
    Functions.DATA = (
      '0'
      '''''')
    IDReport = 0
    Page.Continuous = False
    Page.Values = (
      100.0
      2970.0
      100.0
      2100.0
      100.0
      100.0
      0.0)
    PrinterSettings.Copies = 2
    PrinterSettings.UseStandardprinter = True
    PrevInitialZoom = qrZoomToFit
    Zoom = 80
    object Title: TQRBand
      KeepOnOnePage = False
      TransparentBand = True
      Margins.Left = 4
      BandType = rbTitle
      object Name: TQRLabel
        XLColumn = 3
        BiDiMode = bdRightToLeft
        Caption = 'Name'
        FontSize = 12
        WrapStyle = BreakOnSpaces
      end
      object Box: TQRShape
        RoundFactor = 0.5
        Shape = qrsRoundRect
        VertAdjust = 20
      end
    end
    object More: TQRChildBand
      ParentBand = Title
      PrintOrder = cboAfterParent
    end
  end
end
)";

TEST(LaterProperties, AreAcceptedAndKeptOnTheClassesThatCarryThem) {
  const auto r = ReadText(kLaterForm);
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();

  // The model's own properties still take their values around them.
  auto* report = r.Get<TQuickRep>("Rep");
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->Zoom(), 80);
  EXPECT_EQ(report->PrinterSettings()->Copies(), 2);
  EXPECT_EQ(report->Page()->Length(), 2970.0);
  EXPECT_EQ(report->LaterProperties(),
            (TLaterValues{{"IDReport", "0"}, {"PrevInitialZoom", "qrZoomToFit"}}));
  EXPECT_EQ(
      report->Functions()->LaterProperties(),
      (TLaterValues{{"Strings", "(\n  'PAGENUMBER'\n  'DATE')"}, {"DATA", "(\n  '0'\n  '''''')"}}));
  EXPECT_EQ(report->Page()->LaterProperties(), (TLaterValues{{"Continuous", "False"}}));
  EXPECT_EQ(report->PrinterSettings()->LaterProperties(),
            (TLaterValues{{"UseStandardprinter", "True"}}));

  auto* title = r.Get<TQRBand>("Title");
  EXPECT_EQ(title->BandType(), rbTitle);
  EXPECT_EQ(title->LaterProperties(),
            (TLaterValues{{"KeepOnOnePage", "False"}, {"TransparentBand", "True"}}));
  EXPECT_EQ(title->Margins()->LaterProperties(), (TLaterValues{{"Left", "4"}}));
  EXPECT_EQ(r.Get<TQRChildBand>("More")->LaterProperties(),
            (TLaterValues{{"PrintOrder", "cboAfterParent"}}));
  EXPECT_EQ(r.Get<TQRChildBand>("More")->ParentBand(), title);

  auto* label = r.Get<TQRLabel>("Name");
  EXPECT_EQ(label->Caption(), "Name");
  EXPECT_EQ(label->Font()->Size(), 12);  // "FontSize" of older forms still sets the font
  EXPECT_EQ(label->LaterProperties(),
            (TLaterValues{
                {"XLColumn", "3"}, {"BiDiMode", "bdRightToLeft"}, {"WrapStyle", "BreakOnSpaces"}}));

  // A rounded rectangle is a rectangle to the model; the rounding is kept.
  auto* box = r.Get<TQRShape>("Box");
  EXPECT_EQ(box->Shape(), qrsRectangle);
  EXPECT_EQ(box->LaterProperties(), (TLaterValues{{"RoundFactor", "0.500000000000000000"},
                                                  {"Shape", "qrsRoundRect"},
                                                  {"VertAdjust", "20"}}));

  auto* query = r.Get<TQuery>("Query1");
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(query->LaterProperties(),
            (TLaterValues{{"AfterOpen", "Query1AfterOpen"},
                          {"CachedUpdates", "True"},
                          {"ParamData",
                           "<\n  item\n    DataType = ftInteger\n    Name = 'Id'\n"
                           "    ParamType = ptInput\n  end>"}}));
}

TEST(LaterProperties, AllLaterPropertiesNamesThePartsValues) {
  const auto r = ReadText(kLaterForm);
  EXPECT_EQ(AllLaterProperties(*r.form), (TLaterValues{{"Anchors", "[akLeft, akTop]"},
                                                       {"DesignSize", "(\n  640\n  480)"},
                                                       {"Constraints.MinWidth", "800"},
                                                       {"HorzScrollBar.Position", "15"}}));
  EXPECT_EQ(AllLaterProperties(*r.Get<TQRBand>("Title")),
            (TLaterValues{
                {"KeepOnOnePage", "False"}, {"TransparentBand", "True"}, {"Margins.Left", "4"}}));
  EXPECT_EQ(AllLaterProperties(*r.Get<TQuickRep>("Rep")),
            (TLaterValues{{"IDReport", "0"},
                          {"PrevInitialZoom", "qrZoomToFit"},
                          {"Page.Continuous", "False"},
                          {"PrinterSettings.UseStandardprinter", "True"},
                          {"Functions.Strings", "(\n  'PAGENUMBER'\n  'DATE')"},
                          {"Functions.DATA", "(\n  '0'\n  '''''')"}}));
}

// A form whose root is itself a report: the root takes the report's own properties, kept and not
// interpreted; the form holds no report of its own.
TEST(LaterProperties, ARootThatIsAReportKeepsTheReportsProperties) {
  const auto r = ReadText(R"(object Invoice: TInvoiceReport
  Left = 0
  Top = 0
  Width = 794
  Height = 1123
  Frame.Color = clBlack
  Frame.DrawTop = False
  DataSet = Query1
  Functions.DATA = (
    '0')
  Options = [FirstPageHeader, LastPageFooter]
  Page.Orientation = poPortrait
  Page.PaperSize = A4
  Page.Continuous = False
  PrinterSettings.OutputBin = Auto
  PrinterSettings.PrintMetaFile = False
  PrintIfEmpty = True
  ReportTitle = 'Invoice'
  Units = MM
  Zoom = 100
  PreviewInitialState = wsMaximized
  BeforePrint = InvoiceBeforePrint
  PixelsPerInch = 96
end
)");
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();
  EXPECT_EQ(r.form->Width(), 794);
  EXPECT_EQ(r.form->PixelsPerInch(), 96);
  EXPECT_EQ(r.form->ComponentCount(), 0);
  EXPECT_EQ(AllLaterProperties(*r.form), (TLaterValues{
                                             {"DataSet", "Query1"},
                                             {"Options", "[FirstPageHeader, LastPageFooter]"},
                                             {"PrintIfEmpty", "True"},
                                             {"ReportTitle", "'Invoice'"},
                                             {"Units", "MM"},
                                             {"Zoom", "100"},
                                             {"PreviewInitialState", "wsMaximized"},
                                             {"BeforePrint", "InvoiceBeforePrint"},
                                             {"Frame.Color", "clBlack"},
                                             {"Frame.DrawTop", "False"},
                                             {"Functions.DATA", "(\n  '0')"},
                                             {"Page.Orientation", "poPortrait"},
                                             {"Page.PaperSize", "A4"},
                                             {"Page.Continuous", "False"},
                                             {"PrinterSettings.OutputBin", "Auto"},
                                             {"PrinterSettings.PrintMetaFile", "False"},
                                         }));
}

// What is still wrong reaches the error hook: a value of the wrong kind for a property of later
// versions (and nothing is kept), an unknown property, an invalid value of a known property; a
// later value read twice keeps the last.
TEST(LaterProperties, WrongValuesStillReachTheErrorHook) {
  const auto r = ReadText(R"(object F: TForm
  object Rep: TQuickRep
    IDReport = 'seven'
    PreviewWidth = 500
    PreviewWidth = 640
    Page.Continuous = 1
    Margins.Middle = 4
    Units = Furlongs
    object Band: TQRBand
      TransparentBand = 1
      BandType = rbDetail
      object Box: TQRShape
        Shape = qrsStar
        RoundFactor = 'round'
      end
    end
  end
  object Query1: TQuery
    ParamData = (
      1)
  end
end
)");
  const std::vector<std::string> expected = {
      "Error reading Rep.IDReport: Invalid property value",
      "Error reading Rep.Page.Continuous: Invalid property value",
      "Error reading Rep.Margins.Middle: Property does not exist",
      "Error reading Rep.Units: Invalid property value",
      "Error reading Band.TransparentBand: Invalid property value",
      "Error reading Box.Shape: Invalid property value",
      "Error reading Box.RoundFactor: Invalid property value",
      "Error reading Query1.ParamData: Invalid property value",
  };
  EXPECT_EQ(r.log.messages, expected);
  auto* report = r.Get<TQuickRep>("Rep");
  EXPECT_EQ(report->LaterProperties(), (TLaterValues{{"PreviewWidth", "640"}}));
  EXPECT_EQ(report->Units(), MM);
  EXPECT_TRUE(report->Page()->LaterProperties().empty());
  EXPECT_EQ(r.Get<TQRBand>("Band")->BandType(), rbDetail);  // reading went on
  EXPECT_TRUE(r.Get<TQRBand>("Band")->LaterProperties().empty());
  EXPECT_EQ(r.Get<TQRShape>("Box")->Shape(), qrsRectangle);
  EXPECT_TRUE(r.Get<TQRShape>("Box")->LaterProperties().empty());
}

}  // namespace
}  // namespace qr2vor
