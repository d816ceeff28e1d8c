// Generation over in-memory data sets: page, column and band positions worked out by hand on
// letter paper (816 x 1056 page units, margins of 24: bodies run from 24 to 1032, the printable
// width is 768).

#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "platform/ui/progress.h"
#include "rtl/exceptions.h"

#include <algorithm>

namespace qr2vor {
namespace {

using Ints = std::vector<int32_t>;

TEST_F(EngineTest, EmptyDataSetGivesOnePageWithTitleSummaryAndTheHeadersTheirNewPageAllows) {
  struct Row {
    bool headerOnFirstPage;
    Ints title, header, footer, summary;
  };
  const Row rows[] = {
      {false, {24}, {}, {}, {74}},
      {true, {24}, {74}, {1002}, {114}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.headerOnFirstPage);
    report.ClearBands();
    drawn.clear();
    data.Close();
    data.Open();
    Band(btReportTitle, 50, "Title");
    Band(btPageHeader, 40, "Header").SetNewPage(row.headerOnFirstPage);
    Band(btDetail, 20, "Detail");
    Band(btPageFooter, 30, "Footer").SetNewPage(row.headerOnFirstPage);
    Band(btReportSummary, 60, "Summary");
    engine.Prepare();
    EXPECT_EQ(report.PageStore().Count(), 1);
    EXPECT_EQ(Tops("Title"), row.title);
    EXPECT_EQ(Tops("Header"), row.header);
    EXPECT_EQ(Tops("Footer"), row.footer);
    EXPECT_EQ(Tops("Detail"), Ints{});
    EXPECT_EQ(Tops("Summary"), row.summary);
  }
}

TEST_F(EngineTest, PagesBreakWhenADetailDoesNotFitAndNumberFromPageNoStartAt) {
  Rows(20);
  report.SetPageNoStartAt(10);
  report.SetPageNoCountBy(2);
  TVoRBand& header = Band(btPageHeader, 50, "Header");
  header.SetNewPage(true);
  Control<TVoRSysData>(header, "PageNo").SetSysData(sdPageNo);
  header.Controls(0)->SetDisplayName("PageNo");
  Band(btDetail, 100, "Detail");
  engine.Prepare();
  // Nine details of 100 fit between 74 and 1032.
  ASSERT_EQ(report.PageStore().Count(), 3);
  EXPECT_EQ(Tops("Detail").size(), 20u);
  EXPECT_EQ(Tops("Detail")[8], 874);
  EXPECT_EQ(Tops("Detail")[9], 74);
  EXPECT_EQ(Pages("Detail")[9], 1);
  EXPECT_EQ(Values("PageNo"), (std::vector<std::string>{"12", "14", "16"}));
  const TPageInfo& page = *report.PageStore().Pages(1);
  EXPECT_EQ(page.Width(), 816);
  EXPECT_EQ(page.Height(), 1056);
  EXPECT_EQ(page.LeftMargin, 24);
  EXPECT_EQ(page.BottomMargin, 24);
  EXPECT_FALSE(page.Metafile().Empty());
}

TEST_F(EngineTest, EveryBarWalksTheDataAgainFromPageOneWithItsTitle) {
  Rows(2);
  report.SetBarNumber(2);
  TVoRBand& title = Band(btReportTitle, 30, "Title");
  Control<TVoRSysData>(title, "PageNo").SetSysData(sdPageNo);
  title.Controls(0)->SetDisplayName("PageNo");
  // Controls print in the bar their Left falls in: 800 is in the second (768 .. 1535).
  Control<TVoRSysData>(title, "BarNo", 800).SetSysData(sdBarNo);
  title.Controls(1)->SetDisplayName("BarNo");
  Band(btDetail, 20, "Detail");
  engine.Prepare();
  const TVoPageStore& store = report.PageStore();
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(store.Pages(1)->PageIndex(), 0);
  EXPECT_EQ(store.Pages(1)->BarIndex(), 1);
  EXPECT_EQ(Tops("Title"), (Ints{24, 24}));
  EXPECT_EQ(Tops("Detail"), (Ints{54, 74, 54, 74}));
  EXPECT_EQ(Values("PageNo"), (std::vector<std::string>{"1"}));
  EXPECT_EQ(Values("BarNo"), (std::vector<std::string>{"2"}));
  EXPECT_EQ(drawn[std::size(drawn) - 3].name, "BarNo");
  EXPECT_EQ(drawn[std::size(drawn) - 3].rect.Left, 56);
  EXPECT_EQ(store.BarCount(), 2);
}

TEST_F(EngineTest, ThreeColumnsOnAPrintableWidthOf1000) {
  Rows(20);
  // 2773 tenths of a millimetre are 1048 page units; with margins of 150 dots (24 units) on
  // both sides 1000 remain.
  TVoRPrinter& printer = *report.PrinterSetting();
  printer.SetPaperSize(psCustom);
  printer.SetPaperSizeWidth(2773);
  printer.SetPaperSizeHeight(2794);
  printer.Margins()->SetByDefault(false);
  printer.Margins()->SetLeft(150);
  printer.Margins()->SetTop(150);
  printer.Margins()->SetRight(150);
  printer.Margins()->SetBottom(150);
  report.SetColumnNumber(3);
  report.SetColumnSpace(10);
  Band(btPageHeader, 50, "Header").SetNewPage(true);
  Band(btColumnHeader, 20, "ColumnHeader");
  Band(btDetail, 100, "Detail");
  Band(btColumnFooter, 20, "ColumnFooter");
  Band(btPageFooter, 30, "Footer").SetNewPage(true);
  std::vector<int32_t> columnLefts;
  report.OnBeginColumn = [&](TVoPrintBaseComponent&, int32_t) {
    columnLefts.push_back(engine.ColumnLeft());
  };
  engine.Prepare();
  EXPECT_EQ(engine.PrintableWidth(), 1000);
  EXPECT_EQ(columnLefts, (std::vector<int32_t>{24, 360, 696}));
  EXPECT_EQ(report.PageStore().Count(), 1);
  EXPECT_EQ(Tops("Header"), Ints{24});
  EXPECT_EQ(Tops("Footer"), Ints{1002});
  // Column headers below the page header, column footers above the page footer.
  EXPECT_EQ(Tops("ColumnHeader"), (Ints{74, 74, 74}));
  EXPECT_EQ(Tops("ColumnFooter"), (Ints{982, 982, 982}));
  std::vector<int32_t> detailLefts;
  for (const DrawnControl& d : drawn) {
    if (d.name == "Detail") detailLefts.push_back(d.rect.Left);
  }
  // Eight details of 100 fit between 94 and 982.
  ASSERT_EQ(detailLefts.size(), 20u);
  EXPECT_EQ(detailLefts[7], 24);
  EXPECT_EQ(detailLefts[8], 360);
  EXPECT_EQ(detailLefts[16], 696);
  EXPECT_EQ(Tops("Detail")[7], 794);
  EXPECT_EQ(Tops("Detail")[8], 94);
}

TEST_F(EngineTest, ReprintHeaderPrintsTheGroupHeaderAgainAtTheNextRecordAfterABreak) {
  for (bool reprint : {true, false}) {
    SCOPED_TRACE(reprint);
    report.ClearBands();
    drawn.clear();
    data.Close();
    data.EmptyDataSet();
    Rows(12, std::vector<std::string>(12, "A"));
    TVoRBand& header = Band(btGroupHeader, 30, "GroupHeader");
    header.SetExpression("G");
    header.SetReprintHeader(reprint);
    Band(btDetail, 100, "Detail");
    engine.Prepare();
    // Page 1: the header at 24, details at 54 .. 854; record 10 opens page 2.
    EXPECT_EQ(Pages("GroupHeader"), reprint ? (Ints{0, 1}) : (Ints{0}));
    EXPECT_EQ(Tops("GroupHeader"), reprint ? (Ints{24, 124}) : (Ints{24}));
    const Ints details = Tops("Detail");
    ASSERT_EQ(details.size(), 12u);
    EXPECT_EQ(Ints(details.begin() + 9, details.end()),
              reprint ? (Ints{24, 154, 254}) : (Ints{24, 124, 224}));
  }
}

TEST_F(EngineTest, AGroupFooterAfterTheLastRecordPrintsBelowTheBottomWithoutABreak) {
  Rows(8, std::vector<std::string>(8, "A"));
  Band(btGroupHeader, 20, "GroupHeader").SetExpression("G");
  Band(btDetail, 110, "Detail");
  Band(btGroupFooter, 120, "GroupFooter").SetExpression("G");
  engine.Prepare();
  EXPECT_EQ(report.PageStore().Count(), 1);
  EXPECT_EQ(Tops("Detail").back(), 814);
  EXPECT_EQ(Tops("GroupFooter"), Ints{924});
}

TEST_F(EngineTest, GroupsAreKeptTogetherByNewPageIfNotFitOrLessThan) {
  struct Row {
    bool ifNotFit;
    double lessThan;
    int32_t page, top;
  };
  // Group A ends at 644; group B needs 20 + 3 x 200.
  const Row rows[] = {
      {false, 0, 0, 644}, {true, 0, 1, 24}, {false, 400, 1, 24}, {false, 300, 0, 644}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.ifNotFit << " " << row.lessThan);
    report.ClearBands();
    drawn.clear();
    data.Close();
    data.EmptyDataSet();
    Rows(6, {"A", "A", "A", "B", "B", "B"});
    TVoRBand& header = Band(btGroupHeader, 20, "GroupHeader");
    header.SetExpression("G");
    header.SetNewPageIfNotFit(row.ifNotFit);
    header.SetLessThan(row.lessThan);
    Band(btDetail, 200, "Detail");
    Band(btGroupFooter, 0, "GroupFooter").SetExpression("G");
    engine.Prepare();
    ASSERT_EQ(Tops("GroupHeader").size(), 2u);
    EXPECT_EQ(Pages("GroupHeader")[1], row.page);
    EXPECT_EQ(Tops("GroupHeader")[1], row.top);
    // The look-ahead put the records back: every record printed once, in order.
    EXPECT_EQ(Tops("Detail").size(), 6u);
  }
}

TEST_F(EngineTest, TwoPassesShowTheFinalPageCountOnEveryPage) {
  Rows(20);
  report.SetTwoPass(true);
  Band(btDetail, 100, "Detail");
  TVoRBand& footer = Band(btPageFooter, 30, "Footer");
  footer.SetNewPage(true);
  Control<TVoRSysData>(footer, "PageCount").SetSysData(sdPageCount);
  footer.Controls(0)->SetDisplayName("PageCount");
  report.OnBeginDoc = [&](TVoPrintBaseComponent&) { drawn.clear(); };
  engine.Prepare();
  EXPECT_EQ(report.PageStore().Count(), 3);
  EXPECT_EQ(Values("PageCount"), (std::vector<std::string>{"3", "3", "3"}));
}

TEST_F(EngineTest, ASubDetailBandWalksItsOwnDataSetForEveryMasterRecord) {
  Rows(2);
  TMemoryDataSet lines(nullptr);
  lines.AddFieldDef("L", ftInteger);
  for (int i = 0; i < 3; ++i) lines.AppendRecord({i});
  lines.Open();
  Band(btDetail, 20, "Detail");
  Band(btSubDetail, 10, "Lines").SetDataset(&lines);
  engine.Prepare();
  EXPECT_EQ(Tops("Detail"), (Ints{24, 74}));
  EXPECT_EQ(Tops("Lines"), (Ints{44, 54, 64, 94, 104, 114}));
}

TEST_F(EngineTest, CancelEndsTheRecordLoopButTheSummaryAndTheEndOfDocumentStillRun) {
  Rows(30);
  Band(btDetail, 100, "Detail");
  Band(btReportSummary, 50, "Summary");
  report.OnBeginPage = [&](TVoPrintBaseComponent&, int32_t page, int32_t) {
    if (page == 2) engine.Cancel();
  };
  bool ended = false;
  report.OnEndDoc = [&](TVoPrintBaseComponent&) { ended = true; };
  engine.Prepare();
  EXPECT_EQ(report.PageStore().Count(), 2);
  EXPECT_EQ(Tops("Detail").size(), 11u);
  EXPECT_EQ(Tops("Summary"), Ints{124});
  EXPECT_TRUE(ended);
  EXPECT_TRUE(report.PageStore().Finished);
  EXPECT_EQ(report.Generating(), 0);
}

TEST_F(EngineTest, AnAfterControlPrintAbortSkipsTheRestOfTheBand) {
  Rows(1);
  TVoRBand& detail = Band(btDetail, 20, "Detail");
  for (const char* name : {"A", "B", "C"}) Control<TVoRLabel>(detail, name);
  report.AfterControlPrint = [](TVoPrintBaseComponent&, TVoRControl& control, bool, bool& abort) {
    abort = control.DisplayName() == "B";
  };
  engine.Prepare();
  EXPECT_EQ(Tops("A").size(), 1u);
  EXPECT_EQ(Tops("B").size(), 1u);
  EXPECT_EQ(Tops("C").size(), 0u);
}

TEST_F(EngineTest, FailuresLeaveTheReportAsItWas) {
  struct Row {
    bool withDataSet, active;
    const char* message;
  };
  const Row rows[] = {{false, false, "Property DataSet wasn't specified."},
                      {true, false, "Dataset is not active."}};
  for (const Row& row : rows) {
    report.SetDataSet(row.withDataSet ? &data : nullptr);
    if (!row.active) data.Close();
    try {
      engine.Prepare();
      ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
      EXPECT_STREQ(error.what(), row.message);
    }
    EXPECT_EQ(report.PageStore().Count(), 0);
    EXPECT_EQ(report.Generating(), 0);
  }
  // The printer's own settings are back after the failed run.
  EXPECT_EQ(TVirtualPrinter::Instance().DeviceMode().paperSize, 1);
}

TEST_F(EngineTest, CancelledParametersMakeNoPages) {
  Rows(3);
  Band(btDetail, 20, "Detail");
  report.OnAskParameters = [](TVoReport&) { return false; };
  engine.Prepare();
  EXPECT_EQ(report.PageStore().Count(), 0);
  EXPECT_EQ(data.RecNo(), 1);
}

TEST_F(EngineTest, ACompositeListsThePagesOfItsReportsOneAfterAnother) {
  Rows(20);
  Band(btDetail, 100, "Detail");
  TVoReport second(nullptr);
  second.ClearBands();
  second.SetDataSet(&data);
  second.AddBand(btDetail, true);
  TVoRCompositeReport composite(nullptr);
  PrepareComposite(composite);
  EXPECT_EQ(composite.PageStore().Count(), 1);
  composite.AddReport(&report);
  composite.AddReport(&second);
  PrepareComposite(composite);
  const TVoPageStore& store = composite.PageStore();
  ASSERT_EQ(store.Count(), 4);
  EXPECT_EQ(store.Pages(2)->PageIndex(), 2);
  EXPECT_EQ(store.Pages(3)->PageIndex(), 3);
  EXPECT_EQ(store.Pages(2), second.PageStore().Pages(0));
  // A report that goes away leaves the list.
  auto third = std::make_unique<TVoReport>(nullptr);
  composite.AddReport(third.get());
  third.reset();
  EXPECT_EQ(composite.Reports().size(), 2u);
}

}  // namespace
}  // namespace qr2vor

namespace qr2vor {
namespace {

// A progress display that records what it was told and presses Cancel when asked to.
class RecordingDisplay : public TProgressDisplay {
 public:
  void SetTitle(const std::string& title) override { log.push_back("title " + title); }
  void SetCancelCaption(const std::string& caption) override { log.push_back("cancel " + caption); }
  void SetText(const std::string& text) override { log.push_back(text); }
  void SetRange(int maximum) override { log.push_back("range " + std::to_string(maximum)); }
  void SetPosition(int position) override { log.push_back("at " + std::to_string(position)); }
  bool Cancelled() override { return cancelAfterTexts > 0 && texts() >= cancelAfterTexts; }
  void Run(const std::function<void()>& work) override {
    ++runs;
    work();
  }
  int texts() const {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [](const std::string& line) {
      return line.find("Preparing") != std::string::npos;
    }));
  }
  std::vector<std::string> log;
  int runs = 0;
  int cancelAfterTexts = 0;
};

TEST_F(EngineTest, ProgressOfATwoPassRunAndCancelFromTheDisplay) {
  Rows(15);
  Band(btDetail, 100, "Detail");
  report.SetTwoPass(true);
  report.VoProperty()->SetTitle("Sales");
  RecordingDisplay display;
  report.ProgressDisplay = &display;
  engine.Prepare();
  EXPECT_EQ(display.runs, 1);
  EXPECT_EQ(display.log,
            (std::vector<std::string>{"title Sales", "Preparing...", "cancel &Cancel", "range 0",
                                      "First pass: Preparing 1 page on the 1st bar...", "at 0",
                                      "First pass: Preparing 2 page on the 1st bar...", "at 0",
                                      "title Sales", "Preparing...", "cancel &Cancel", "range 2",
                                      "Second pass: Preparing 1 page on the 1st bar...", "at 0",
                                      "Second pass: Preparing 2 page on the 1st bar...", "at 1"}));
  // Cancel from the display ends the record loop; without AnimatedStatus it is left alone.
  report.SetTwoPass(false);
  display.log.clear();
  drawn.clear();
  display.cancelAfterTexts = 1;
  engine.Prepare();
  EXPECT_EQ(report.PageStore().Count(), 1);
  EXPECT_EQ(Tops("Detail").size(), 0u);
  report.SetAnimatedStatus(false);
  display.log.clear();
  engine.Prepare();
  EXPECT_TRUE(display.log.empty());
  EXPECT_EQ(report.PageStore().Count(), 2);
}

// A variable summed over every row counts the first record too: the report's reset at the start
// of the walk must not drop the value it had already taken. A detail control reading it is
// recalculated before the variables take the next record, so it shows the sum up to the row
// before, the first row included: 1, 1, 1 + 2.
TEST_F(EngineTest, EveryRowVariableKeepsTheFirstRecord) {
  Rows(3);
  TVoRVariable& total = *report.Variables()->Add();
  total.SetName("Total");
  total.SetExpression("N");
  total.Calculation()->SetCalcType(ctSum);
  Control<TVoRExpression>(Band(btDetail, 20, "Detail"), "Shown").SetExpression("Total");
  engine.Prepare();
  EXPECT_EQ(Values("Shown"), std::vector<std::string>({"1", "1", "3"}));
}

}  // namespace
}  // namespace qr2vor
