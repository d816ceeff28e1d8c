// The page store's counts and look-up, and the printer settings against the virtual printer:
// letter paper, 600 dots per inch, 150 unprintable dots (24 page units) on every side.

#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace qr2vor {
namespace {

TEST(PageStore, CountsAndLookUp) {
  TVoPageStore store;
  EXPECT_EQ(store.BarCount(), 0);
  EXPECT_EQ(store.PageCount(), 1);
  store.Add(std::make_unique<TPageInfo>(816, 1056, 0, 0));
  store.Add(std::make_unique<TPageInfo>(816, 1056, 1, 0));
  TPageInfo* third = store.Add(std::make_unique<TPageInfo>(816, 1056, 0, 1));
  EXPECT_EQ(store.FindPage(3, 1), nullptr);
  EXPECT_EQ(store.FindPage(0, 1), third);
  EXPECT_EQ(store.BarCount(), 2);
  EXPECT_EQ(store.PageCount(), 2);
  // In the second pass of a two-pass run the first pass's counts hold.
  store.TwoPassRun = true;
  store.Pass = 2;
  store.StoredPageCount = 7;
  store.StoredBarCount = 3;
  EXPECT_EQ(store.PageCount(), 7);
  EXPECT_EQ(store.BarCount(), 3);
  store.ClearPages();
  EXPECT_EQ(store.Count(), 0);
}

class PrinterTest : public ::testing::Test {
 protected:
  PrinterTest() { TVirtualPrinter::Instance().Reset(); }
  ~PrinterTest() override { TVirtualPrinter::Instance().Reset(); }
  TVoRPrinter printer;
};

TEST_F(PrinterTest, PageSizesAndMarginsInPageUnits) {
  struct Row {
    TVoRPaperSize paper;
    TVoRPrinterOrientation orientation;
    int32_t width, height;
  };
  const Row rows[] = {{psDefault, spoDefault, 816, 1056},
                      {psA4, spoPortrait, 793, 1122},
                      {psA4, spoLandscape, 1122, 793},
                      {psLegal, spoPortrait, 816, 1344}};
  for (const Row& row : rows) {
    printer.SetOrientation(spoPortrait);
    printer.SetPaperSize(row.paper);
    printer.SetOrientation(row.orientation);
    EXPECT_EQ(printer.PageWidth(), row.width);
    EXPECT_EQ(printer.PageHeight(), row.height);
  }
  printer.SetOrientation(spoPortrait);
  printer.SetPaperSize(psLetter);
  EXPECT_EQ(printer.LeftMargin(), 24);
  EXPECT_EQ(printer.RightMargin(), 24);
  TVoRPageMargins& margins = *printer.Margins();
  margins.SetByDefault(false);
  struct MarginRow {
    int32_t left, top, right, bottom;
    int32_t expected[4];
  };
  const MarginRow margin_rows[] = {
      {600, 300, 1200, 900, {96, 48, 192, 144}},
      // Negative raised to 0; right and bottom raised to what the printer cannot reach.
      {-60, 0, 60, 0, {0, 0, 48, 48}},
  };
  for (const MarginRow& row : margin_rows) {
    margins.SetLeft(row.left);
    margins.SetTop(row.top);
    margins.SetRight(row.right);
    margins.SetBottom(row.bottom);
    EXPECT_EQ(printer.LeftMargin(), row.expected[0]);
    EXPECT_EQ(printer.TopMargin(), row.expected[1]);
    EXPECT_EQ(printer.RightMargin(), row.expected[2]);
    EXPECT_EQ(printer.BottomMargin(), row.expected[3]);
  }
}

TEST_F(PrinterTest, ApplyAndReadExchangeTheDeviceModeRecord) {
  TVirtualPrinter& system = TVirtualPrinter::Instance();
  printer.SetPaperSize(psA4);
  printer.SetOrientation(spoPortrait);
  printer.SetOrientation(spoLandscape);
  printer.SetOutputBin(sbManual);
  printer.SetDuplex(sdVertical);
  printer.ApplyToPrinter();
  const TDeviceMode& mode = system.DeviceMode();
  EXPECT_EQ(mode.paperSize, 9);
  EXPECT_EQ(mode.orientation, kDeviceOrientationLandscape);
  EXPECT_EQ(mode.defaultSource, 4);
  EXPECT_EQ(mode.duplex, 3);
  EXPECT_EQ(printer.PhysicalWidth(), 1122);
  EXPECT_EQ(printer.PhysicalHeight(), 793);

  TVoRPrinter read;
  read.ReadFromPrinter();
  EXPECT_EQ(read.PaperSize(), psA4);
  EXPECT_EQ(read.Orientation(), spoLandscape);
  EXPECT_EQ(read.PaperSizeWidth(), 2970);
  EXPECT_EQ(read.PaperSizeHeight(), 2100);
  EXPECT_EQ(read.OutputBin(), sbManual);
  EXPECT_EQ(read.Duplex(), sdVertical);
  EXPECT_EQ(read.Margins()->Left(), 150);

  // A custom size travels in tenths of a millimetre and outranks the paper code.
  TVoRPrinter custom;
  custom.SetPaperSize(psCustom);
  custom.SetPaperSizeWidth(1000);
  custom.SetPaperSizeHeight(1500);
  custom.ApplyToPrinter();
  EXPECT_EQ(system.PaperWidthTenthsMm(), 1500);  // still landscape
  EXPECT_EQ(system.PaperHeightTenthsMm(), 1000);
  printer.ApplyToPrinter();
  EXPECT_EQ(system.PaperWidthTenthsMm(), 2970);

  // Without a current printer nothing is exchanged.
  system.RemoveCurrentPrinter();
  TVoRPrinter untouched;
  untouched.ReadFromPrinter();
  EXPECT_EQ(untouched.PaperSizeWidth(), 2159);
  EXPECT_EQ(untouched.Orientation(), spoDefault);
}

TEST_F(PrinterTest, PrinterNamesAreLookedUpInTheSystemList) {
  printer.SetPrinterName("Elsewhere");
  EXPECT_EQ(printer.PrinterIndex(), -1);
  printer.SetPrinterName(TVirtualPrinter::kName);
  EXPECT_EQ(printer.PrinterIndex(), 0);
  // An index of another machine's list is kept but selects nothing.
  printer.SetPrinterIndex(3);
  EXPECT_EQ(TVirtualPrinter::Instance().PrinterIndex(), 0);
}

TEST_F(EngineTest, ARunRestoresThePrinterAndMeasuringLeavesNoTraceButLineNo) {
  Rows(1);
  report.PrinterSetting()->SetPaperSize(psA4);
  TVoRBand& detail = Band(btDetail, 20, "Detail");
  Control<TVoRLabel>(detail, "Label");
  int paperDuringRun = 0;
  report.OnBeginDoc = [&](TVoPrintBaseComponent&) {
    paperDuringRun = TVirtualPrinter::Instance().DeviceMode().paperSize;
  };
  engine.Prepare();
  EXPECT_EQ(paperDuringRun, 9);
  EXPECT_EQ(TVirtualPrinter::Instance().DeviceMode().paperSize, 1);
  EXPECT_EQ(report.PageStore().Pages(0)->Width(), 793);

  engine.BeginDoc();
  engine.NewPage(false);
  drawn.clear();
  const int32_t line = detail.LineNo();
  EXPECT_EQ(engine.PrintBand(detail, 100, 200, kMeasureFlag), 20);
  EXPECT_TRUE(drawn.empty());
  EXPECT_EQ(detail.LineNo(), line + 1);
}

}  // namespace
}  // namespace qr2vor
