// Band printing: where controls go within a band, bar filtering, and measuring that leaves no
// trace on the page. Letter paper: column left 24, printable width 768.

#include <gtest/gtest.h>

#include <map>

#include "engine_fixture.h"
#include "platform/gfx/emf_enumerator.h"

namespace qr2vor {
namespace {

class BandPrintTest : public EngineTest {
 protected:
  BandPrintTest() {
    Rows(1);
    engine.BeginDoc();
    engine.NewPage(false);
  }
  std::map<std::string, TRect> Rects() const {
    std::map<std::string, TRect> rects;
    for (const DrawnControl& d : drawn) rects[d.name] = d.rect;
    return rects;
  }
};

TEST_F(BandPrintTest, ControlsArePlacedByObjectPositionBetweenTopAndBottom) {
  TVoRBand& band = Band(btDetail, 60, "Band");
  Control<TVoRLabel>(band, "Designed", 10, 5).SetObjectPosition(opDesigned);
  Control<TVoRLabel>(band, "Bottom", 20, 5).SetObjectPosition(opBottomBand);
  Control<TVoRLabel>(band, "Center", 30, 5).SetObjectPosition(opCenterBand);
  Control<TVoRLabel>(band, "TopBand", 40, 30).SetObjectPosition(opTopBand);
  auto& shape = Control<TVoRRectangle>(band, "Shape", 50, 0);
  shape.SetObjectPosition(opTopBand);
  shape.SetStretch(ssHeight);
  struct Row {
    bool stretch;
    uint32_t flags;
    int32_t height;
    std::map<std::string, TRect> rects;
  };
  const Row rows[] = {
      {false,
       0,
       60,
       {{"Band", {24, 100, 24 + 50, 200}},
        {"Designed", {34, 105, 84, 115}},
        {"Bottom", {44, 190, 94, 200}},
        {"Center", {54, 145, 104, 155}},
        {"TopBand", {64, 100, 114, 110}},
        {"Shape", {74, 100, 124, 200}}}},
      // Stretching: every rectangle is as tall as the band's space; the tallest extent counts.
      {true,
       0,
       100,
       {{"Band", {24, 100, 24 + 50, 200}},
        {"Designed", {34, 105, 84, 205}},
        {"Bottom", {44, 190, 94, 290}},
        {"Center", {54, 145, 104, 245}},
        {"TopBand", {64, 100, 114, 200}},
        {"Shape", {74, 100, 124, 200}}}},
      // Measuring draws nothing; a designed control counts from its Top.
      {true, kMeasureFlag, 15, {}},
      {false, kMeasureFlag, 60, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.stretch << " " << row.flags);
    drawn.clear();
    band.SetStretch(row.stretch);
    EXPECT_EQ(engine.PrintBand(band, 100, 200, row.flags), row.height);
    EXPECT_EQ(Rects(), row.rects);
  }
}

TEST_F(BandPrintTest, ControlsPrintInTheBarTheirLeftFallsIn) {
  TVoRBand& band = Band(btDetail, 60, "Band");
  band.SetStretch(true);
  Control<TVoRLabel>(band, "First", 50, 0, 10);
  Control<TVoRLabel>(band, "Second", 818, 0, 20);
  Control<TVoRLabel>(band, "Third", 1586, 0, 30);
  EXPECT_EQ(engine.PrintBand(band, 0, 500, kMeasureFlag), 30);
  for (int32_t bar : {0, 1, 2}) {
    drawn.clear();
    report.PageStore().BarIndex = bar;
    engine.PrintBand(band, 100, 500, 0);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[1].name, (std::vector<std::string>{"First", "Second", "Third"}[bar]));
    EXPECT_EQ(drawn[1].rect.Left, 74);
  }
}

TEST_F(BandPrintTest, HiddenBandsAndControls) {
  TVoRBand& band = Band(btDetail, 60, "Band");
  auto& hidden = Control<TVoRLabel>(band, "Hidden");
  hidden.VoPrintWhen()->SetHideWhen("N = 1");
  Control<TVoRLabel>(band, "Shown");
  engine.EvaluatePrintConditions();
  engine.PrintBand(band, 0, 100, 0);
  EXPECT_EQ(Rects().count("Hidden"), 0u);
  EXPECT_EQ(Rects().count("Shown"), 1u);
  band.VoPrintWhen()->SetShowIf("N = 2");
  engine.EvaluatePrintConditions();
  const int32_t line = band.LineNo();
  EXPECT_EQ(engine.PrintBand(band, 0, 100, kMeasureFlag), 0);
  EXPECT_EQ(band.LineNo(), line);
  band.SetVisible(false);
  EXPECT_EQ(engine.PrintBand(band, 0, 100, kMeasureFlag), 0);
}

// The page's records with the real control rendering.
std::vector<uint32_t> RecordTypes(const TPageInfo& page) {
  TEmfEnumerator records(page.Emf());
  std::vector<uint32_t> types;
  TEmfRecord record(0, {});
  while (records.Next(record)) types.push_back(record.Type());
  return types;
}

TEST_F(EngineTest, MeasuringLeavesNoRecordsOnThePage) {
  Rows(1);
  TVoREngine rendering(report);
  TVoRBand& band = Band(btDetail, 40, "Band");
  auto& label = Control<TVoRLabel>(band, "Label", 10, 5, 20);
  label.Frame()->SetFrameType(1u << ftTop | 1u << ftBottom);
  auto makePage = [&](bool measure) {
    rendering.BeginDoc();
    rendering.NewPage(false);
    if (measure) {
      EXPECT_EQ(rendering.PrintBand(band, 100, 200, kMeasureFlag), 40);
    }
    rendering.EndDoc();
    return RecordTypes(*report.PageStore().Pages(0));
  };
  const int32_t line = band.LineNo();
  EXPECT_EQ(makePage(true), makePage(false));
  EXPECT_EQ(band.LineNo(), line + 1);
  // Drawing does leave records: the label's text.
  rendering.BeginDoc();
  rendering.NewPage(false);
  rendering.PrintBand(band, 100, 200, 0);
  rendering.EndDoc();
  const std::vector<uint32_t> types = RecordTypes(*report.PageStore().Pages(0));
  EXPECT_NE(std::find(types.begin(), types.end(), EMR_EXTTEXTOUTW), types.end());
}

}  // namespace
}  // namespace qr2vor
