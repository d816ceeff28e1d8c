// Writing and reading a wide component tree: a root with up to 100 000 children, each with
// integers, a string, a nested font-like object, an enumeration and a boolean away from their
// defaults. Reports objects per second (the root and its children) and stream bytes per second.
// The smaller trees show how the cost grows with the number of components one root owns.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "rtl/streams.h"
#include "stream/reader.h"
#include "stream/writer.h"
#include "test_classes.h"

namespace qr2vor {
namespace {

std::unique_ptr<test::TTestForm> BuildTree(int children) {
  test::RegisterTestClasses();
  auto root = std::make_unique<test::TTestForm>(nullptr);
  root->SetName("Report");
  for (int i = 0; i < children; ++i) {
    auto* child = new test::TTestComponent(root.get());
    child->SetName("Label" + std::to_string(i));
    child->SetParentComponent(root.get());
    child->SetTag(i);
    child->count = i * 7;
    child->color = i & 0xFFFFFF;
    child->caption = "Caption of label " + std::to_string(i);
    child->Part()->size = 8 + i % 5;
    child->Part()->label = "Arial";
    child->kind = test::tkTwo;
    child->enabled = (i % 2) == 0;
  }
  return root;
}

std::string WriteTree(test::TTestForm& root) {
  TMemoryStream stream;
  TWriter writer(stream);
  writer.WriteDescendent(root);
  writer.FlushBuffer();
  return stream.TakeBytes();
}

void BM_WriteTree(benchmark::State& state) {
  const auto children = static_cast<int>(state.range(0));
  const auto root = BuildTree(children);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string written = WriteTree(*root);
    bytes = written.size();
    benchmark::DoNotOptimize(written.data());
  }
  state.SetItemsProcessed(state.iterations() * (children + 1));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_WriteTree)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadTree(benchmark::State& state) {
  const auto children = static_cast<int>(state.range(0));
  const std::string bytes = WriteTree(*BuildTree(children));
  for (auto _ : state) {
    TMemoryStream stream(bytes);
    auto root = std::make_unique<test::TTestForm>(nullptr);
    TReader(stream).ReadRootComponent(root.get());
    state.PauseTiming();
    if (root->Children().size() != static_cast<size_t>(children))
      state.SkipWithError("children lost in reading");
    root.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * (children + 1));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadTree)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qr2vor

BENCHMARK_MAIN();
