// Graphics platform benchmarks: text measuring, and a page of 60 text lines and 20 lines and
// rectangles recorded as EMF and replayed onto a raster.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/gfx/emf_player.h"
#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/raster_canvas.h"

namespace qr2vor {
namespace {

void BM_TextWidth(benchmark::State& state) {
  TMeasureCanvas canvas;
  canvas.Font().SetName("Arial");
  canvas.Font().SetSize(10);
  const std::string text = "Customer 10442  Invoice total 1,234.56";
  for (auto _ : state) benchmark::DoNotOptimize(canvas.TextWidth(text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextWidth);

void BM_DrawTextMeasureWordBreak(benchmark::State& state) {
  TMeasureCanvas canvas;
  canvas.Font().SetName("Times New Roman");
  canvas.Font().SetSize(10);
  const std::string text =
      "The quarterly figures show an increase in sales in every region, with the northern "
      "branches ahead of plan and the southern ones catching up in the last month.";
  for (auto _ : state) {
    TRect rect{0, 0, 200, 0};
    benchmark::DoNotOptimize(
        canvas.DrawText(text, rect, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawTextMeasureWordBreak);

// An A4 page at 96 pixels per inch: 60 text lines in two fonts, 10 rules and 10 boxes.
std::string RecordPage() {
  TMetafileCanvas canvas(794, 1123);
  canvas.Brush().SetStyle(bsClear);
  for (int line = 0; line < 60; ++line) {
    canvas.Font().SetName(line % 2 == 0 ? "Arial" : "Courier New");
    canvas.Font().SetSize(9);
    canvas.TextOut(40, 40 + line * 17,
                   "Line " + std::to_string(line) + "  Product 4711  qty 12  1,234.56");
  }
  for (int i = 0; i < 10; ++i) {
    canvas.MoveTo(40, 60 + i * 100);
    canvas.LineTo(750, 60 + i * 100);
    canvas.Rectangle(600, 40 + i * 100, 750, 90 + i * 100);
  }
  return canvas.Finish();
}

void BM_EmfPageRecord(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RecordPage());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EmfPageRecord);

void BM_EmfPageReplayOntoRaster(benchmark::State& state) {
  const std::string page = RecordPage();
  TRasterCanvas canvas(794, 1123);
  for (auto _ : state) PlayEnhMetafile(canvas, page, TRect{0, 0, 794, 1123});
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EmfPageReplayOntoRaster);

void BM_EmfPageRecordAndReplay(benchmark::State& state) {
  for (auto _ : state) {
    TRasterCanvas canvas(794, 1123);
    PlayEnhMetafile(canvas, RecordPage(), TRect{0, 0, 794, 1123});
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EmfPageRecordAndReplay);

}  // namespace
}  // namespace qr2vor

BENCHMARK_MAIN();
