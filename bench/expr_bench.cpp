// Expressions and format masks as report controls use them: a ten-node expression over an
// in-memory data set, parsed and evaluated per record or evaluated from a parsed tree, and
// FormatByMask on a number and a date mask.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "expr/expr_evaluator.h"
#include "expr/format_mask.h"
#include "platform/data/memory_dataset.h"

namespace qr2vor {
namespace {

// Ten nodes: three fields, two constants, five operators.
const std::string kExpression = "(Quantity * Price) * (1 - Discount / 100) + 5";

struct Lines {
  Lines() : dataSet(std::make_unique<TMemoryDataSet>(nullptr)) {
    dataSet->AddFieldDef("Quantity", ftInteger);
    dataSet->AddFieldDef("Price", ftFloat);
    dataSet->AddFieldDef("Discount", ftFloat);
    for (int i = 0; i < 1000; ++i) {
      dataSet->AppendRecord({Variant(i % 17 + 1), Variant(9.95 + i % 13), Variant(double(i % 5))});
    }
    dataSet->Open();
    list.Add(dataSet.get(), "Lines");
  }
  void Next() {
    dataSet->Next();
    if (dataSet->Eof()) dataSet->First();
  }
  std::unique_ptr<TMemoryDataSet> dataSet;
  ExprDataSetList list;
};

void BM_ParseAndEvaluate(benchmark::State& state) {
  Lines lines;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        EvaluateAndAccumulate(&lines.list, kExpression, {}, Variant(), Variant(), ctNothing));
    lines.Next();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseAndEvaluate);

void BM_EvaluateParsed(benchmark::State& state) {
  Lines lines;
  const TExprParser parser(&lines.list, {}, kExpression);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Evaluate(parser));
    lines.Next();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateParsed);

void BM_FormatByMaskNumber(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(FormatByMask("-1234567.891", "@N @ND2 @NT, ", 0));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatByMaskNumber);

void BM_FormatByMaskDate(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(FormatByMask("45000.75", "@D @DR- @DO4 @DD1 @DM1 @DY1 @DW2 ", 0));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatByMaskDate);

}  // namespace
}  // namespace qr2vor

BENCHMARK_MAIN();
