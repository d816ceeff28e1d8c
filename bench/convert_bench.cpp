// Batch conversion of a generated source tree, as `qr2vor convert --batch` runs it: forms with
// their units, every second form inherited from the one before it, so that the units are read
// and the ancestors found. Reports forms per CPU-second, with and without the ledger.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "app/convert/batch.h"
#include "rtl/streams.h"
#include "stream/text_form.h"

namespace qr2vor {
namespace {

// Quiet: a batch shows only failures, and there are none.
class TQuietUI : public TUIService {
 public:
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string& message) override { fmt::print(stderr, "{}\n", message); }
};

// `forms` forms in folders of 100; each unit also carries a few hundred lines of code.
std::filesystem::path BuildTree(int forms) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                     fmt::format("qr2vor_convert_bench_{}_{}", ::getpid(), forms);
  std::filesystem::remove_all(root);
  std::string code;
  for (int line = 0; line < 300; ++line) {
    code += fmt::format(
        "procedure TForm.Handler{0}(Sender: TObject); {{ handler {0} }}\n"
        "begin\n  Caption := 'line {0}'; // done\nend;\n",
        line);
  }
  for (int i = 0; i < forms; i += 2) {
    const std::filesystem::path folder = root / "src" / fmt::format("d{}", i / 100);
    std::filesystem::create_directories(folder);
    std::string bands;
    for (int band = 0; band < 4; ++band) {
      bands += fmt::format(
          "    object Band{0}: TQRBand\n      Height = 30\n      BandType = rbDetail\n", band);
      for (int label = 0; label < 6; ++label) {
        bands += fmt::format(
            "      object Label{0}_{1}: TQRLabel\n        Left = {2}\n        Top = 4\n"
            "        Width = 60\n        Height = 17\n        Caption = 'Label {1}'\n"
            "        Font.Name = 'Arial'\n      end\n",
            band, label, label * 70);
      }
      bands += "    end\n";
    }
    SaveFileAtomically(
        (folder / fmt::format("base{}.dfm", i)).string(),
        TextToFormFile(fmt::format(
            "object Base{0}: TBase{0}\n  object QuickRep1: TQuickRep\n{1}  end\nend\n", i, bands)));
    SaveFileAtomically((folder / fmt::format("base{}.pas", i)).string(),
                       fmt::format("unit base{0};\ninterface\nuses Forms, Classes;\ntype\n"
                                   "  TBase{0} = class(TForm)\n  end;\nimplementation\n{1}end.\n",
                                   i, code));
    SaveFileAtomically(
        (folder / fmt::format("child{}.dfm", i + 1)).string(),
        TextToFormFile(fmt::format("inherited Child{0}: TChild{0}\n  inherited QuickRep1: "
                                   "TQuickRep\n    inherited Band0: TQRBand\n      Height = 40\n"
                                   "    end\n  end\nend\n",
                                   i + 1)));
    SaveFileAtomically(
        (folder / fmt::format("child{}.pas", i + 1)).string(),
        fmt::format("unit child{1};\ninterface\nuses Forms, base{0};\ntype\n"
                    "  TChild{1} = class(TBase{0})\n  end;\nimplementation\n{2}end.\n",
                    i, i + 1, code));
  }
  return root;
}

void BM_BatchConvert(benchmark::State& state) {
  TConversionDriver::FormCreate();
  const int forms = static_cast<int>(state.range(0));
  const bool withLedger = state.range(1) != 0;
  const std::filesystem::path root = BuildTree(forms);
  TQuietUI ui;
  TConvertOptions options;
  options.findAncestors = true;
  for (auto _ : state) {
    std::vector<TFormLedger> ledgers;
    const TBatchSummary summary =
        ConvertTree(options, ui, root / "src", root / "out", withLedger ? &ledgers : nullptr, {});
    if (summary.converted != static_cast<size_t>(forms)) state.SkipWithError("forms failed");
    benchmark::DoNotOptimize(ledgers.data());
  }
  state.SetItemsProcessed(state.iterations() * forms);
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_BatchConvert)
    ->ArgsProduct({{200, 1000}, {0, 1}})
    ->ArgNames({"forms", "ledger"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qr2vor

BENCHMARK_MAIN();
