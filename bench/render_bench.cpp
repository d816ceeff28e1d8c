// Control rendering benchmark: a band-like row of 20 controls (labels, expressions with masks,
// system data, lines, rectangles and ellipses, framed and filled) measured and then drawn onto a
// page's metafile canvas, as generation does for every band.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/render/render.h"
#include "platform/gfx/metafile_canvas.h"

namespace qr2vor {
namespace {

std::vector<std::unique_ptr<TVoRControl>> MakeBand() {
  std::vector<std::unique_ptr<TVoRControl>> controls;
  for (int i = 0; i < 20; ++i) {
    std::unique_ptr<TVoRControl> control;
    switch (i % 5) {
      case 0: {
        auto label = std::make_unique<TVoRLabel>(nullptr);
        label->SetDisplayName("Customer name and address, wrapped when long");
        control = std::move(label);
        break;
      }
      case 1: {
        auto expression = std::make_unique<TVoRExpression>(nullptr);
        expression->SetFormat("@N @ND2 @NS, ");
        expression->SetCurrentValue(Variant(1234.5 + i));
        expression->SetAlignment(taRightJustify);
        control = std::move(expression);
        break;
      }
      case 2: {
        auto sysData = std::make_unique<TVoRSysData>(nullptr);
        sysData->SetCurrentValue(Variant(46000.5));
        control = std::move(sysData);
        break;
      }
      case 3: {
        auto line = std::make_unique<TVoRLine>(nullptr);
        line->SetLineStyle(lsDouble);
        control = std::move(line);
        break;
      }
      default: {
        auto ellipse = std::make_unique<TVoREllipse>(nullptr);
        ellipse->SetEllipseType(etCircle);
        control = std::move(ellipse);
        break;
      }
    }
    control->SetLeft(10 + (i % 10) * 70);
    control->SetTop(i < 10 ? 0 : 30);
    control->SetWidth(65);
    control->SetHeight(25);
    control->Font()->SetName("Arial");
    control->Font()->SetSize(9);
    control->Frame()->SetFrameType(1u << ftBottom);
    if (i % 4 == 0) {
      control->SetTransparent(false);
      control->SetBackColor(0xE0E0E0);
    }
    controls.push_back(std::move(control));
  }
  return controls;
}

void BM_RenderBandOfTwentyControls(benchmark::State& state) {
  const std::vector<std::unique_ptr<TVoRControl>> controls = MakeBand();
  TRenderContext context;
  context.Generating = true;
  for (auto _ : state) {
    TMetafileCanvas canvas(794, 1123);
    for (const auto& control : controls) {
      const TRect designed{control->Left(), 100 + control->Top(),
                           control->Left() + control->Width(),
                           100 + control->Top() + control->Height()};
      TRect rect = designed;
      benchmark::DoNotOptimize(PrintControl(*control, canvas, rect, kMeasureFlag, context));
      rect = designed;
      benchmark::DoNotOptimize(PrintControl(*control, canvas, rect, 0, context));
    }
    benchmark::DoNotOptimize(canvas.Finish());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderBandOfTwentyControls);

}  // namespace
}  // namespace qr2vor

BENCHMARK_MAIN();
