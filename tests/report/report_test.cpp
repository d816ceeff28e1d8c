// The report and its bands: the band list, naming, pairing, data sets and notification.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/data/memory_dataset.h"
#include "report/report.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

std::vector<TBandType> TypesOf(const TVoReport& report) {
  std::vector<TBandType> types;
  for (int i = 0; i < report.BandCount(); ++i) types.push_back(report.Bands(i)->BandType());
  return types;
}

// A report without its starting bands.
struct EmptyReport {
  TVoReport report{nullptr};
  EmptyReport() { report.ClearBands(); }
};

TEST(Report, NewReportHasThreeNamedBands) {
  TVoReport report(nullptr);
  EXPECT_EQ(TypesOf(report), (std::vector<TBandType>{btPageHeader, btDetail, btPageFooter}));
  const char* names[] = {"BandPageHeader", "BandDetail", "BandPageFooter"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(report.Bands(i)->DisplayName(), names[i]);
    EXPECT_EQ(report.Bands(i)->Report(), &report);
  }
  EXPECT_TRUE(report.Bands(0)->NewPage());
  EXPECT_FALSE(report.Bands(1)->NewPage());
  EXPECT_TRUE(report.Bands(2)->NewPage());
  EXPECT_EQ(report.FileName(), "Report.vor");
  EXPECT_EQ(report.Font()->Name(), "Arial");
}

TEST(Report, AddBandKeepsTheListSortedByOrderKey) {
  const struct {
    const char* what;
    std::vector<std::pair<TBandType, bool>> adds;  // type, AtEnd
    std::vector<int> indexes;
    std::vector<TBandType> order;
  } rows[] = {
      {"sub-detail between detail and group footer",
       {{btDetail, true}, {btGroupFooter, true}, {btSubDetail, true}},
       {0, 1, 1},
       {btDetail, btSubDetail, btGroupFooter}},
      {"AtEnd goes after equal keys, otherwise before them",
       {{btGroupHeader, true}, {btGroupHeader, true}, {btGroupHeader, false}},
       {0, 1, 0},
       {btGroupHeader, btGroupHeader, btGroupHeader}},
      {"a summary added with AtEnd false still goes last",
       {{btPageFooter, true}, {btReportSummary, false}, {btReportTitle, false}},
       {0, 1, 0},
       {btReportTitle, btPageFooter, btReportSummary}},
      {"no smaller key: AtEnd puts the band first",
       {{btDetail, true}, {btNone, true}, {btReportTitle, true}},
       {0, 0, 1},
       {btNone, btReportTitle, btDetail}},
      {"no greater key: without AtEnd the band goes last",
       {{btReportTitle, false}, {btPageFooter, false}},
       {0, 1},
       {btReportTitle, btPageFooter}},
  };
  for (const auto& row : rows) {
    EmptyReport empty;
    std::vector<int> indexes;
    for (const auto& [type, atEnd] : row.adds) indexes.push_back(empty.report.AddBand(type, atEnd));
    EXPECT_EQ(indexes, row.indexes) << row.what;
    EXPECT_EQ(TypesOf(empty.report), row.order) << row.what;
  }
}

TEST(Report, BandLookupsAndDeletion) {
  TVoReport report(nullptr);
  EXPECT_EQ(report.Bands(-1), nullptr);
  EXPECT_EQ(report.Bands(3), nullptr);
  EXPECT_EQ(report.FindBandByType(btPageFooter), 2);
  EXPECT_EQ(report.FindBandByType(btGroupHeader), -1);
  EXPECT_EQ(report.Bands(2)->IndexInReport(), 2);
  try {
    report.DeleteBand(3);
    FAIL() << "no exception";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
  report.DeleteBand(1);
  EXPECT_EQ(TypesOf(report), (std::vector<TBandType>{btPageHeader, btPageFooter}));
  EXPECT_EQ(report.ComponentCount(), 2);
  // A band deleted directly leaves the list too.
  delete report.Bands(0);
  EXPECT_EQ(TypesOf(report), (std::vector<TBandType>{btPageFooter}));
  report.ClearBands();
  EXPECT_EQ(report.BandCount(), 0);
  EXPECT_EQ(report.ComponentCount(), 0);
}

TEST(Report, BandNamesAreUniqueAcrossBandsAndControls) {
  TVoReport report(nullptr);
  EXPECT_EQ(report.Bands(report.AddBand(btDetail, true))->DisplayName(), "BandDetail1");
  TVoRBand& detail = *report.Bands(1);
  // Text and Text1 in that order: the third label is Text2.
  detail.AddControl(TVoRLabel::StaticClassInfo());
  detail.AddControl(TVoRLabel::StaticClassInfo());
  EXPECT_EQ(detail.Controls(1)->DisplayName(), "Text1");
  EXPECT_EQ(report.Bands(2)
                ->Controls(report.Bands(2)->AddControl(TVoRLabel::StaticClassInfo()))
                ->DisplayName(),
            "Text2");
  // One pass only: a name met before the base is not looked at again.
  report.Bands(0)->AddControl(TVoRLine::StaticClassInfo());
  report.Bands(0)->Controls(0)->SetDisplayName("Line1");
  detail.Controls(0)->SetDisplayName("Line");
  EXPECT_EQ(report.UniqueName("Line"), "Line1");
}

TEST(Report, SettingTheBandTypeRenamesOnlyOnChange) {
  TVoReport report(nullptr);
  TVoRBand& band = *new TVoRBand(&report);
  EXPECT_EQ(band.DisplayName(), "");
  EXPECT_EQ(band.Height(), 100);
  band.SetDisplayName("Mine");
  band.SetBandType(btNone);
  EXPECT_EQ(band.DisplayName(), "Mine");
  band.SetBandType(btGroupHeader);
  EXPECT_EQ(band.DisplayName(), "BandGroupHeader");
  EXPECT_TRUE(band.IsGroup());
  EXPECT_EQ(band.IndexInReport(), -1);
}

TEST(Report, GroupBandsPairByExpression) {
  EmptyReport empty;
  TVoReport& report = empty.report;
  const auto add = [&](TBandType type, const char* expression) {
    TVoRBand* band = report.Bands(report.AddBand(type, true));
    band->SetExpression(expression);
    return band;
  };
  TVoRBand* outer = add(btGroupHeader, "Country");
  TVoRBand* inner = add(btGroupHeader, "City");
  TVoRBand* lonely = add(btGroupHeader, "Street");
  add(btDetail, "");
  TVoRBand* innerFooter = add(btGroupFooter, "City");
  TVoRBand* otherCase = add(btGroupFooter, "country");
  TVoRBand* outerFooter = add(btGroupFooter, "Country");
  EXPECT_EQ(outer->FindPairedBand(), 6);
  EXPECT_EQ(inner->FindPairedBand(), 4);
  EXPECT_EQ(lonely->FindPairedBand(), -1);
  EXPECT_EQ(innerFooter->FindPairedBand(), 1);
  EXPECT_EQ(otherCase->FindPairedBand(), -1);
  EXPECT_EQ(outerFooter->FindPairedBand(), 0);
  EXPECT_EQ(report.Bands(3)->FindPairedBand(), -1);

  // An unchanged inner footer ends with the outer group that follows it.
  for (TVoRBand* band : {innerFooter, otherCase}) {
    band->SetCurrentValue("x");
    band->SetPreviousValue("x");
  }
  outerFooter->SetCurrentValue("a");
  outerFooter->SetPreviousValue("b");
  EXPECT_TRUE(innerFooter->ValueChanged());
  outerFooter->SetPreviousValue("a");
  EXPECT_FALSE(innerFooter->ValueChanged());
  // A header does not look at its neighbours.
  inner->SetCurrentValue(1);
  inner->SetPreviousValue(1);
  EXPECT_FALSE(inner->ValueChanged());
}

TEST(Report, BandDatasetFollowsTheReport) {
  TComponent form(nullptr);
  auto* master = new TMemoryDataSet(&form);
  auto* detail = new TMemoryDataSet(&form);
  TVoReport report(nullptr);
  report.SetDataSet(master);
  TVoRBand& band = *report.Bands(report.AddBand(btSubDetail, true));
  EXPECT_EQ(band.Dataset(), master);
  band.SetDataset(master);
  EXPECT_EQ(band.Dataset(), master);
  EXPECT_EQ(report.SaveToBytes().find("Dataset"), std::string::npos);
  band.SetDataset(detail);
  EXPECT_EQ(band.Dataset(), detail);

  // Destroyed data sets are forgotten by the band, the report and the data manager.
  auto* manager = new TVoRDataManager(&form);
  manager->Datasets()->Add()->SetDataset(detail);
  report.SetDataManager(manager);
  delete detail;
  EXPECT_EQ(band.Dataset(), master);
  EXPECT_EQ(manager->Datasets()->Items(0)->Dataset(), nullptr);
  delete master;
  EXPECT_EQ(report.DataSet(), nullptr);
  EXPECT_EQ(band.Dataset(), nullptr);
  delete manager;
  EXPECT_EQ(report.DataManager(), nullptr);
}

}  // namespace
}  // namespace qr2vor
