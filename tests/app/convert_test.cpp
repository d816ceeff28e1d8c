// End-to-end conversions: form file -> report file -> read back.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "convert_fixture.h"
#include "report/report.h"

namespace qr2vor {
namespace {

std::vector<TBandType> BandTypes(const TVoReport& report) {
  std::vector<TBandType> types;
  for (int i = 0; i < report.BandCount(); ++i) types.push_back(report.Bands(i)->BandType());
  return types;
}

using ConvertTest = ConvertFixture;

TEST_F(ConvertTest, TitleBandWithOneLabel) {
  const std::string destination = Path("report.vor");
  ASSERT_EQ(Convert(BinaryForm(FormWithReport(R"(    object TitleBand1: TQRBand
      Height = 40
      BandType = rbTitle
      object QRLabel1: TQRLabel
        Left = 8
        Top = 4
        Width = 120
        Height = 17
        Caption = 'Invoice'
      end
    end
)")),
                    destination),
            TConvertOutcome::Converted);
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"File " + destination + " succesfully created"});
  const auto report = TVoReport::LoadFromFile(destination);
  ASSERT_EQ(report->BandCount(), 1);
  const TVoRBand& band = *report->Bands(0);
  EXPECT_EQ(band.BandType(), btReportTitle);
  EXPECT_EQ(band.Height(), 40);
  ASSERT_EQ(band.ControlCount(), 1);
  const auto* label = dynamic_cast<const TVoRLabel*>(band.Controls(0));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->ClassName(), "TVoRLabel");
  EXPECT_EQ(label->DisplayName(), "Invoice");
  EXPECT_EQ(label->Left(), 8);
  EXPECT_EQ(label->Top(), 4);
  EXPECT_EQ(label->Width(), 120);
  EXPECT_EQ(label->Height(), 17);
}

TEST_F(ConvertTest, EmptyBandListGivesReportWithoutBands) {
  EXPECT_EQ(ConvertText(FormWithReport(""))->BandCount(), 0);
}

// The band list is in printing order (page headers, titles, then the rest, a child band after
// its parent); AddBand then sorts by order key, btNone first, equal keys in list order.
TEST_F(ConvertTest, BandsComeOutByOrderKey) {
  const auto report = ConvertText(FormWithReport(R"(    object Summary: TQRBand
      Height = 11
      BandType = rbSummary
    end
    object DetailA: TQRBand
      Height = 12
      BandType = rbDetail
    end
    object PageHeader: TQRBand
      Height = 13
      BandType = rbPageHeader
    end
    object Title: TQRBand
      Height = 14
      BandType = rbTitle
    end
    object DetailB: TQRBand
      Height = 15
      BandType = rbDetail
    end
    object Overlay: TQRBand
      Height = 16
      BandType = rbOverlay
    end
    object ChildOfA: TQRChildBand
      Height = 17
      ParentBand = DetailA
    end
)"));
  EXPECT_EQ(BandTypes(*report), (std::vector<TBandType>{btNone, btNone, btReportTitle, btPageHeader,
                                                        btDetail, btDetail, btReportSummary}));
  std::vector<int> heights;
  for (int i = 0; i < report->BandCount(); ++i) heights.push_back(report->Bands(i)->Height());
  EXPECT_EQ(heights, (std::vector<int>{17, 16, 14, 13, 12, 15, 11}));
}

TEST_F(ConvertTest, GroupExpressionIsCopiedToTheHeaderOnly) {
  const auto report = ConvertText(FormWithReport(R"(    object Detail: TQRBand
      BandType = rbDetail
    end
    object ByCustomer: TQRGroup
      Expression = 'Orders.CustNo + 1'
      FooterBand = CustomerFooter
    end
    object CustomerFooter: TQRBand
      BandType = rbGroupFooter
    end
    object PlainHeader: TQRBand
      BandType = rbGroupHeader
    end
)"));
  ASSERT_EQ(BandTypes(*report),
            (std::vector<TBandType>{btGroupHeader, btGroupHeader, btDetail, btGroupFooter}));
  EXPECT_EQ(report->Bands(0)->Expression(), "Orders.CustNo + 1");
  EXPECT_EQ(report->Bands(1)->Expression(), "");
  EXPECT_EQ(report->Bands(3)->Expression(), "");
}

TEST_F(ConvertTest, BandLayoutFontAndFrame) {
  const auto report = ConvertText(FormWithReport(R"(    object Detail: TQRBand
      Height = 33
      Color = clYellow
      Frame.Color = clRed
      Frame.DrawBottom = True
      Frame.DrawRight = True
      Frame.Width = 3
      Frame.Style = psDot
      Font.Name = 'Courier New'
      Font.Height = -16
      Font.Style = [fsItalic]
      ParentFont = False
      BandType = rbDetail
    end
)"));
  const TVoRBand& band = *report->Bands(0);
  EXPECT_EQ(band.Height(), 33);
  EXPECT_EQ(band.BackColor(), 0x00FFFF);
  EXPECT_EQ(band.Frame()->FrameType(), (1u << ftBottom) | (1u << ftRight));
  EXPECT_EQ(band.Frame()->Color(), 0x0000FF);
  EXPECT_EQ(band.Frame()->Width(), 3);
  EXPECT_EQ(band.Frame()->Style(), psDot);
  EXPECT_EQ(band.Font()->Name(), "Courier New");
  EXPECT_EQ(band.Font()->Height(), -16);
  EXPECT_EQ(band.Font()->Style(), 1u << fsItalic);
}

struct ControlRow {
  const char* text;  // the printable, placed on a detail band
  const char* reportClass;
};

// Each printable becomes the report class of the control-class table; class-specific values
// are checked below on the same report.
TEST_F(ConvertTest, ControlsByClassTable) {
  const ControlRow rows[] = {
      {"object SysDetailCount: TQRSysData\n Data = qrsDetailCount\nend", "TVoRSysData"},
      {"object SysPage: TQRSysData\n Data = qrsPageNumber\nend", "TVoRSysData"},
      {"object SysDate: TQRSysData\n Data = qrsDate\nend", "TVoRSysData"},
      {"object Box: TQRShape\n Shape = qrsRectangle\nend", "TVoRRectangle"},
      {"object Ring: TQRShape\n Shape = qrsCircle\nend", "TVoREllipse"},
      {"object Vert: TQRShape\n Shape = qrsVertLine\nend", "TVoRLine"},
      {"object TopBottom: TQRShape\n Shape = qrsTopAndBottom\n Pen.Width = 4\n"
       " Brush.Color = clRed\nend",
       "TVoRLine"},
      {"object Logo: TQRImage\n Stretch = True\n Center = True\nend", "TVoRImage"},
      {"object Photo: TQRDBImage\n DataField = 'Photo'\nend", "TVoRImage"},
      {"object Rich: TQRRichText\nend", "TVoRichText"},
      {"object DBRich: TQRDBRichText\n DataField = 'Notes'\nend", "TVoRichText"},
      {"object Amount: TQRDBText\n DataField = 'Amount'\n Mask = '#,##0.00'\n"
       " Alignment = taRightJustify\nend",
       "TVoRExpression"},
      {"object Total: TQRExpr\n Expression = 'SUM(Amount)'\n WordWrap = False\n"
       " AutoStretch = True\nend",
       "TVoRExpression"},
      {"object Address: TQRMemo\n Lines.Strings = (\n 'one'\n 'two')\n Alignment = taCenter\nend",
       "TVoRLabel"},
      {"object Caption1: TQRLabel\n Caption = 'Total'\n Transparent = True\nend", "TVoRLabel"},
  };
  std::string controls;
  for (const ControlRow& row : rows) controls += std::string(row.text) + "\n";
  const auto report = ConvertText(
      FormWithReport("object Detail: TQRBand\n BandType = rbDetail\n" + controls + "end\n"));
  const TVoRBand& band = *report->Bands(0);
  ASSERT_EQ(band.ControlCount(), static_cast<int>(std::size(rows)));
  for (int i = 0; i < band.ControlCount(); ++i) {
    EXPECT_EQ(band.Controls(i)->ClassName(), rows[i].reportClass) << rows[i].text;
  }
  const auto control = [&](int i) { return band.Controls(i); };
  EXPECT_EQ(dynamic_cast<const TVoRSysData&>(*control(0)).SysData(), sdDateTime);
  EXPECT_EQ(dynamic_cast<const TVoRSysData&>(*control(1)).SysData(), sdPageNo);
  EXPECT_EQ(dynamic_cast<const TVoRSysData&>(*control(2)).SysData(), sdDate);
  EXPECT_EQ(dynamic_cast<const TVoRRectangle&>(*control(3)).RectangleType(), rtRectangle);
  EXPECT_EQ(dynamic_cast<const TVoREllipse&>(*control(4)).EllipseType(), etCircle);
  EXPECT_EQ(dynamic_cast<const TVoRLine&>(*control(5)).LineType(), ltLeft);
  EXPECT_EQ(dynamic_cast<const TVoRLine&>(*control(6)).LineType(), ltTop);
  const auto& logo = dynamic_cast<const TVoRImage&>(*control(7));
  EXPECT_TRUE(logo.Stretch());
  EXPECT_TRUE(logo.Center());
  const auto& photo = dynamic_cast<const TVoRImage&>(*control(8));
  EXPECT_EQ(photo.Expression(), "Photo");
  EXPECT_TRUE(photo.Center());  // a data-bound image centres unless told otherwise
  EXPECT_EQ(dynamic_cast<const TVoRichText&>(*control(10)).Expression(), "Notes");
  const auto& amount = dynamic_cast<const TVoRExpression&>(*control(11));
  EXPECT_EQ(amount.Expression(), "Amount");
  EXPECT_EQ(amount.DisplayName(), "Amount");
  EXPECT_EQ(amount.Alignment(), taRightJustify);
  EXPECT_EQ(amount.Format(), "@N ");  // "#,##0.00" is the default number form
  const auto& total = dynamic_cast<const TVoRExpression&>(*control(12));
  EXPECT_EQ(total.Expression(), "SUM(Amount)");
  EXPECT_EQ(total.DisplayName(), "SUM(Amount)");
  EXPECT_FALSE(total.WordWrap());
  EXPECT_TRUE(total.Stretch());
  const auto& memo = dynamic_cast<const TVoRLabel&>(*control(13));
  EXPECT_EQ(memo.DisplayName(), "one\r\ntwo\r\n");
  EXPECT_EQ(memo.Alignment(), taCenter);
  EXPECT_FALSE(memo.Stretch());  // AutoStretch was not set
  EXPECT_EQ(dynamic_cast<const TVoRLabel&>(*control(14)).DisplayName(), "Total");
}

// Transparent exactly when the printable is not opaque.
TEST_F(ConvertTest, TransparencyFollowsOpacity) {
  const auto report = ConvertText(FormWithReport(R"(object Detail: TQRBand
 BandType = rbDetail
 object OpaqueLabel: TQRLabel
  Transparent = False
 end
 object SeeThroughLabel: TQRLabel
  Transparent = True
 end
 object Photo: TQRDBImage
 end
 object Box: TQRShape
 end
 object Logo: TQRImage
 end
 object Rich: TQRRichText
 end
end
)"));
  const TVoRBand& band = *report->Bands(0);
  const bool expected[] = {false, true, false, true, true, true};
  ASSERT_EQ(band.ControlCount(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(band.Controls(i)->Transparent(), expected[i]) << i;
}

TEST_F(ConvertTest, ControlFontColourAndFrame) {
  const auto report = ConvertText(FormWithReport(R"(object Detail: TQRBand
 BandType = rbDetail
 object Heading: TQRLabel
  Color = clSilver
  Frame.Color = clBlue
  Frame.DrawTop = True
  Frame.DrawLeft = True
  Frame.Width = 2
  Frame.Style = psDash
  Font.Name = 'Arial'
  Font.Height = -15
  Font.Style = [fsBold, fsUnderline]
  Font.Color = clGreen
  ParentFont = False
 end
end
)"));
  const TVoRControl& label = *report->Bands(0)->Controls(0);
  EXPECT_EQ(label.BackColor(), 0xC0C0C0);
  EXPECT_EQ(label.Frame()->FrameType(), (1u << ftTop) | (1u << ftLeft));
  EXPECT_EQ(label.Frame()->Color(), 0xFF0000);
  EXPECT_EQ(label.Frame()->Width(), 2);
  EXPECT_EQ(label.Frame()->Style(), psDash);
  EXPECT_EQ(label.Font()->Name(), "Arial");
  EXPECT_EQ(label.Font()->Height(), -15);
  EXPECT_EQ(label.Font()->Style(), (1u << fsBold) | (1u << fsUnderline));
  EXPECT_EQ(label.Font()->Color(), 0x008000);
}

TEST_F(ConvertTest, PrintableOutsideABandIsNotConverted) {
  TFormLedger ledger;
  const std::string destination = Path("report.vor");
  ASSERT_EQ(Convert(BinaryForm(FormWithReport(R"(object Detail: TQRBand
 BandType = rbDetail
end
object Stray: TQRLabel
 Caption = 'on the report itself'
end
)")),
                    destination, &ledger),
            TConvertOutcome::Converted);
  const auto report = TVoReport::LoadFromFile(destination);
  ASSERT_EQ(report->BandCount(), 1);
  EXPECT_EQ(report->Bands(0)->ControlCount(), 0);
  ASSERT_EQ(ledger.leftBehind.size(), 1u);
  EXPECT_EQ(ledger.leftBehind[0].name, "Stray");
  EXPECT_EQ(ledger.leftBehind[0].reason, "a printable outside the bands of the converted report");
}

TEST_F(ConvertTest, OnlyTheFirstOfTwoReportsIsConverted) {
  const auto report = ConvertText(R"(object Form1: TForm1
  object First: TQuickRep
    object TitleBand: TQRBand
    end
  end
  object Second: TQuickRep
    object DetailBand: TQRBand
      BandType = rbDetail
    end
  end
end
)");
  EXPECT_EQ(BandTypes(*report), std::vector<TBandType>{btReportTitle});
}

const char* const kReportInPanel = R"(object Form1: TForm1
  object Panel1: TPanel
    Caption = 'holder'
    object QuickRep1: TQuickRep
      object TitleBand: TQRBand
      end
    end
  end
end
)";

TEST_F(ConvertTest, ReportInsideAnUnregisteredPanelIsSkipped) {
  const std::string destination = Path("report.vor");
  TFormLedger ledger;
  EXPECT_EQ(Convert(BinaryForm(kReportInPanel), destination, &ledger),
            TConvertOutcome::WithoutReport);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(ui_.errors.empty());
  EXPECT_FALSE(std::filesystem::exists(destination));
  ASSERT_EQ(ledger.unregistered.size(), 1u);
  EXPECT_EQ(ledger.unregistered[0].className, "TPanel");
  EXPECT_EQ(ledger.unregistered[0].held,
            (std::vector<std::string>{"QuickRep1: TQuickRep", "TitleBand: TQRBand"}));
  EXPECT_EQ(ledger.readerSkipped, std::vector<std::string>{"Class TPanel not found"});
}

TEST_F(ConvertTest, LookInsideFindsTheReportInThePanel) {
  const std::string destination = Path("report.vor");
  EXPECT_EQ(Convert(BinaryForm(kReportInPanel), destination, nullptr, {.lookInside = true}),
            TConvertOutcome::Converted);
  EXPECT_EQ(BandTypes(*TVoReport::LoadFromFile(destination)),
            std::vector<TBandType>{btReportTitle});
  // The containers are known for that conversion only.
  EXPECT_EQ(Convert(BinaryForm(kReportInPanel), Path("again.vor")), TConvertOutcome::WithoutReport);
}

// The report in the panel is skipped with the panel, so the one after it is the first.
TEST_F(ConvertTest, ReportAfterOneInAPanelIsTheFirst) {
  const auto report = ConvertText(R"(object Form1: TForm1
  object Panel1: TPanel
    object Hidden: TQuickRep
      object HiddenTitle: TQRBand
      end
    end
  end
  object Visible: TQuickRep
    object Detail: TQRBand
      BandType = rbDetail
    end
  end
end
)");
  EXPECT_EQ(BandTypes(*report), std::vector<TBandType>{btDetail});
}

TEST_F(ConvertTest, EventHandlersNeitherFailNorReachTheReport) {
  TFormLedger ledger;
  const std::string destination = Path("report.vor");
  ASSERT_EQ(Convert(BinaryForm(FormWithReport(R"(    BeforePrint = QuickRep1BeforePrint
    object Detail: TQRBand
      BandType = rbDetail
      AfterPrint = DetailAfterPrint
      object Amount: TQRLabel
        OnPrint = AmountPrint
      end
    end
)")),
                    destination, &ledger),
            TConvertOutcome::Converted);
  EXPECT_EQ(TVoReport::LoadFromFile(destination)->Bands(0)->ControlCount(), 1);
  std::vector<std::string> handlers;
  for (const TLedgerHandler& handler : ledger.eventHandlers) {
    handlers.push_back(handler.object + "." + handler.property + " = " + handler.handler);
  }
  EXPECT_EQ(handlers, (std::vector<std::string>{"QuickRep1.BeforePrint = QuickRep1BeforePrint",
                                                "Detail.AfterPrint = DetailAfterPrint",
                                                "Amount.OnPrint = AmountPrint"}));
  EXPECT_TRUE(ledger.readerSkipped.empty());
}

// In most real forms the form's class derives from TQuickRep: the root itself is the report.
TEST_F(ConvertTest, FormThatIsItselfAReport) {
  TFormLedger ledger;
  const std::string destination = Path("report.vor");
  ASSERT_EQ(Convert(BinaryForm(R"(object rptSales: TrptSales
  Caption = 'Sales'
  ReportTitle = 'Sales by month'
  object Title: TQRBand
    Height = 20
    object Heading: TQRLabel
      Caption = 'Sales'
    end
  end
  object Detail: TQRBand
    BandType = rbDetail
  end
end
)"),
                    destination, &ledger),
            TConvertOutcome::Converted);
  EXPECT_EQ(BandTypes(*TVoReport::LoadFromFile(destination)),
            (std::vector<TBandType>{btReportTitle, btDetail}));
  EXPECT_TRUE(ledger.rootIsReport);
  EXPECT_EQ(ledger.quickRep, "rptSales");
  ASSERT_EQ(ledger.notCarried.size(), 1u);
  EXPECT_EQ(ledger.notCarried[0].property, "Caption");
  // The title is the report's document title.
  const auto title = std::find_if(ledger.carried.begin(), ledger.carried.end(),
                                  [](const TLedgerCarried& c) { return c.kind == "title"; });
  ASSERT_NE(title, ledger.carried.end());
  EXPECT_EQ(title->object, "rptSales");
  EXPECT_EQ(TVoReport::LoadFromFile(destination)->VoProperty()->Title(), "Sales by month");
}

TEST_F(ConvertTest, FormWithoutAReportEndsSilently) {
  const std::string destination = Path("report.vor");
  EXPECT_EQ(Convert(BinaryForm("object Form1: TForm1\n  Caption = 'plain'\nend\n"), destination),
            TConvertOutcome::WithoutReport);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(ui_.errors.empty());
  EXPECT_FALSE(std::filesystem::exists(destination));
}

struct FailureRow {
  const char* name;
  std::string source;       // "" for an empty path
  std::string sourceBytes;  // written to the source path when not empty
  std::string destination;
  std::string shown;
};

TEST_F(ConvertTest, FailuresShowTheirMessageAndWriteNothing) {
  const std::string binary = TextToFormFile(FormWithReport(""));
  const std::string headerOnly = binary.substr(0, binary.find("TPF0"));
  const std::string text = "object Form1: TForm1\nend\n";
  const std::string missingFolder = Path("no/such/folder/report.vor");
  const FailureRow rows[] = {
      {"empty source path", "", "", Path("a.vor"), "Cannot open file "},
      {"missing source", Path("missing.dfm"), "", Path("b.vor"),
       "Cannot open file " + Path("missing.dfm") + "."},
      {"source is a folder", folder_.string(), "", Path("c.vor"),
       "Cannot open file " + folder_.string() + "."},
      {"text form", Path("text.dfm"), text, Path("d.vor"), "Invalid stream format."},
      {"no component stream after the header", Path("header.dfm"), headerOnly + "TPF1 and more",
       Path("e.vor"), "Invalid stream format."},
      {"unwritable destination", Path("good.dfm"), binary, missingFolder,
       "Cannot create file " + missingFolder + "."},
  };
  for (const FailureRow& row : rows) {
    if (!row.sourceBytes.empty()) SaveFileAtomically(row.source, row.sourceBytes);
    TRecordingUI ui;
    TConversionDriver driver(ui);
    TFormLedger ledger;
    EXPECT_EQ(ConvertForm(driver, ui, row.source, row.destination, &ledger),
              TConvertOutcome::Failed)
        << row.name;
    EXPECT_EQ(ui.errors, std::vector<std::string>{row.shown}) << row.name;
    EXPECT_TRUE(ui.messages.empty()) << row.name;
    EXPECT_FALSE(std::filesystem::exists(row.destination)) << row.name;
    EXPECT_EQ(ledger.outcome, TConvertOutcome::Failed) << row.name;
  }
}

TEST_F(ConvertTest, FailedConversionLeavesAnExistingDestinationUntouched) {
  const std::string destination = Path("report.vor");
  SaveFileAtomically(destination, "earlier report");
  SaveFileAtomically(Path("text.dfm"), "object Form1: TForm1\nend\n");
  EXPECT_EQ(Convert(Path("text.dfm"), destination), TConvertOutcome::Failed);
  EXPECT_EQ(LoadFile(destination), "earlier report");
}

TEST_F(ConvertTest, ActiveTableThatCannotBeOpenedFailsTheConversion) {
  const std::string destination = Path("report.vor");
  const std::string database = Path("no_such_database");
  EXPECT_EQ(Convert(BinaryForm("object Form1: TForm1\n"
                               "  object QuickRep1: TQuickRep\n"
                               "    object Detail: TQRBand\n"
                               "    end\n"
                               "  end\n"
                               "  object Lines: TTable\n"
                               "    Active = True\n"
                               "    DatabaseName = '" +
                               database +
                               "'\n"
                               "    TableName = 'lines'\n"
                               "  end\n"
                               "end\n"),
                    destination),
            TConvertOutcome::Failed);
  ASSERT_EQ(ui_.errors.size(), 1u);
  EXPECT_NE(ui_.errors[0].find("Database '" + database + "' not found"), std::string::npos)
      << ui_.errors[0];
  EXPECT_FALSE(std::filesystem::exists(destination));
}

TEST(ErrorBoxTextTest, FullStopWhenTheLastCharacterIsAboveTheFullStop) {
  const std::pair<const char*, const char*> rows[] = {
      {"Invalid stream format", "Invalid stream format."},
      {"Cannot open file ", "Cannot open file "},
      {"Ends with a full stop.", "Ends with a full stop."},
      {"Ends with a dash -", "Ends with a dash -"},
      {"Ends with a slash /", "Ends with a slash /."},
      {"Ends with a digit 7", "Ends with a digit 7."},
      {"Ends in \xE9", "Ends in \xE9."},
      {"", ""},
  };
  for (const auto& [message, shown] : rows) EXPECT_EQ(ErrorBoxText(message), shown) << message;
}

}  // namespace
}  // namespace qr2vor
