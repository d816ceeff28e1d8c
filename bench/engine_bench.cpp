// Report engine benchmark: a 1 400-page report generated into the page store (its memory: the
// pages' EMF bytes and the process's peak resident size), and one band of 20 controls measured
// and drawn through the engine as generation does for every band.
//
// `engine_bench --png=FILE` instead writes one generated band, replayed onto a raster page, as a
// PNG picture.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "engine/engine.h"
#include "platform/data/memory_dataset.h"
#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/emf_player.h"
#include "platform/gfx/raster_canvas.h"
#include "platform/gfx/raster_image.h"

namespace qr2vor {
namespace {

// 72 detail lines of 14 units fit a letter page under its header and footer.
constexpr int kRecordsPerPage = 72;

struct BandReport {
  TMemoryDataSet data{nullptr};
  TVoReport report{nullptr};

  explicit BandReport(int records) {
    report.ClearBands();
    const char* fields[] = {"Id", "Name", "City", "Amount", "Quantity", "Day", "Note"};
    const TFieldType types[] = {ftInteger, ftString, ftString, ftFloat,
                                ftInteger, ftDate,   ftString};
    for (int i = 0; i < 7; ++i) data.AddFieldDef(fields[i], types[i], 20);
    for (int r = 0; r < records; ++r) {
      data.AppendRecord({r, "Customer " + std::to_string(r), r % 2 ? "Paris" : "Berlin", r * 1.25,
                         r % 17, Variant::FromDate(45000 + r % 365), "note"});
    }
    data.Open();
    report.SetDataSet(&data);
    TVoRBand& header = *report.Bands(report.AddBand(btPageHeader, true));
    header.SetHeight(30);
    for (int i = 0; i < 7; ++i) {
      auto& label = static_cast<TVoRLabel&>(
          *header.Controls(header.AddControl(TVoRLabel::StaticClassInfo())));
      label.SetDisplayName(fields[i]);
      label.SetLeft(10 + i * 105);
      label.SetTop(5);
      label.SetWidth(100);
      label.SetHeight(16);
    }
    TVoRBand& detail = *report.Bands(report.AddBand(btDetail, true));
    detail.SetHeight(14);
    for (int i = 0; i < 7; ++i) {
      auto& expression = static_cast<TVoRExpression&>(
          *detail.Controls(detail.AddControl(TVoRExpression::StaticClassInfo())));
      expression.SetExpression(fields[i]);
      expression.SetLeft(10 + i * 105);
      expression.SetTop(0);
      expression.SetWidth(100);
      expression.SetHeight(14);
    }
    TVoRBand& footer = *report.Bands(report.AddBand(btPageFooter, true));
    footer.SetHeight(24);
    auto& pageNo = static_cast<TVoRSysData&>(
        *footer.Controls(footer.AddControl(TVoRSysData::StaticClassInfo())));
    pageNo.SetSysData(sdPageNo);
    pageNo.SetLeft(600);
  }
};

void BM_GenerateReportPages(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  BandReport band(pages * kRecordsPerPage);
  TVoREngine engine(band.report);
  for (auto _ : state) engine.Prepare();
  const TVoPageStore& store = band.report.PageStore();
  double bytes = 0;
  for (const TPageInfo* page : store.List()) {
    bytes += static_cast<double>(page->StoredSize() + sizeof(TPageInfo));
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["pages"] = store.Count();
  state.counters["store_MiB"] = bytes / (1024.0 * 1024.0);
  state.counters["bytes_per_page"] = bytes / store.Count();
  state.counters["peak_RSS_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.SetItemsProcessed(state.iterations() * pages * kRecordsPerPage);
}
BENCHMARK(BM_GenerateReportPages)->Arg(1400)->Iterations(1)->Unit(benchmark::kMillisecond);

// A band of 20 controls: labels, masked expressions, system data, lines and circles.
struct TwentyControls {
  TMemoryDataSet data{nullptr};
  TVoReport report{nullptr};
  TVoRBand* band = nullptr;

  TwentyControls() {
    report.ClearBands();
    data.AddFieldDef("Amount", ftFloat);
    data.AppendRecord({1234.5});
    data.Open();
    report.SetDataSet(&data);
    band = report.Bands(report.AddBand(btDetail, true));
    band->SetHeight(60);
    band->SetStretch(true);
    const TClassInfo* classes[] = {&TVoRLabel::StaticClassInfo(),
                                   &TVoRExpression::StaticClassInfo(),
                                   &TVoRSysData::StaticClassInfo(), &TVoRLine::StaticClassInfo(),
                                   &TVoREllipse::StaticClassInfo()};
    for (int i = 0; i < 20; ++i) {
      TVoRControl& control = *band->Controls(band->AddControl(*classes[i % 5]));
      control.SetLeft(10 + (i % 10) * 75);
      control.SetTop(i < 10 ? 0 : 30);
      control.SetWidth(70);
      control.SetHeight(25);
      control.Frame()->SetFrameType(1u << ftBottom);
      if (auto* label = dynamic_cast<TVoRLabel*>(&control)) {
        label->SetDisplayName("Customer name and address, wrapped when long");
      }
      if (auto* expression = dynamic_cast<TVoRExpression*>(&control)) {
        expression->SetExpression("Amount * 2");
        expression->SetFormat("@N @ND2 @NS, ");
        expression->SetAlignment(taRightJustify);
      }
      if (auto* ellipse = dynamic_cast<TVoREllipse*>(&control)) ellipse->SetEllipseType(etCircle);
      if (auto* line = dynamic_cast<TVoRLine*>(&control)) line->SetLineStyle(lsDouble);
      if (i % 4 == 0) {
        control.SetTransparent(false);
        control.SetBackColor(0xE0E0E0);
      }
    }
  }
};

void BM_PrintBandOfTwentyControls(benchmark::State& state) {
  TwentyControls controls;
  TVoREngine engine(controls.report);
  controls.report.SetGenerating(2);
  engine.BeginDoc();
  engine.NewPage(false);
  engine.UpdateCalculations(-1, -1, 0);
  int onPage = 0;
  for (auto _ : state) {
    const int32_t height = engine.PrintBand(*controls.band, 100, 1000, kMeasureFlag);
    benchmark::DoNotOptimize(engine.PrintBand(*controls.band, 100, 100 + height, 0));
    if (++onPage == 15) {
      engine.NewPage(false);
      onPage = 0;
    }
  }
  engine.EndDoc();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrintBandOfTwentyControls)->Unit(benchmark::kMicrosecond);

// One band drawn by generation, replayed from its page's EMF onto a raster page.
int WriteBandPicture(const std::string& path) {
  TwentyControls controls;
  controls.band->SetStretch(false);
  TVoREngine engine(controls.report);
  engine.Prepare();
  const TPageInfo& page = *controls.report.PageStore().Pages(0);
  // The page's records by type, beside the picture.
  std::map<uint32_t, int> counts;
  TEmfEnumerator records(page.Emf());
  TEmfRecord record(0, {});
  while (records.Next(record)) ++counts[record.Type()];
  for (const auto& [type, count] : counts) std::printf("record %u: %d\n", type, count);
  TRasterCanvas canvas(page.Width(), 120);
  PlayEnhMetafile(canvas, page.Emf(), TRect{0, 0, page.Width(), page.Height()});
  std::ofstream out(path, std::ios::binary);
  out << WritePng(canvas.Image());
  return out ? 0 : 1;
}

}  // namespace
}  // namespace qr2vor

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--png=", 6) == 0) return qr2vor::WriteBandPicture(argv[i] + 6);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
