// Picture export benchmark: a report of 1 400 letter pages (60 text lines and a frame each)
// exported to BMP and TIFF. The bitmap of the whole document would take gigabytes; the filters
// draw a page at a time, so the process's peak resident size stays near one page's raster.
//
// `picture_bench --pages=N` changes the page count (1 400 by default). The files go to the
// system's temporary folder and are removed after each run.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "export/page_driver.h"
#include "export/picture_export.h"
#include "platform/gfx/metafile_canvas.h"

namespace qr2vor {
namespace {

int gPages = 1400;
constexpr int32_t kPageWidth = 816;  // letter at 96 per inch
constexpr int32_t kPageHeight = 1056;

const TExportPageList& Pages() {
  static const TExportPageList pages = [] {
    TExportPageList list;
    for (int page = 0; page < gPages; ++page) {
      TMetafileCanvas canvas(kPageWidth, kPageHeight);
      canvas.Rectangle(TRect{40, 40, kPageWidth - 40, kPageHeight - 40});
      for (int line = 0; line < 60; ++line)
        canvas.TextOut(60, 60 + line * 16,
                       "Page " + std::to_string(page + 1) + " line " + std::to_string(line + 1) +
                           "   Customer 4711   Berlin   1 234.56");
      list.Add(canvas.Finish(), kPageWidth, kPageHeight);
    }
    return list;
  }();
  return pages;
}

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

template <class Filter>
void Export(benchmark::State& state, TPixelFormat format, const char* extension) {
  const TExportPageList& pages = Pages();
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / (std::string("picture-bench.") + extension);
  for (auto _ : state) {
    Filter filter(nullptr);
    filter.SetPixelFormat(format);
    ExportPages(filter, pages, file.string());
    state.counters["file_MiB"] =
        static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
    std::filesystem::remove(file);
  }
  state.counters["pages"] = static_cast<double>(pages.Count());
  state.counters["peak_RSS_MiB"] = PeakResidentMiB();
}

void BM_Bmp24(benchmark::State& state) { Export<TVoRExportToBMP>(state, pf24bit, "bmp"); }
void BM_Bmp8(benchmark::State& state) { Export<TVoRExportToBMP>(state, pf8bit, "bmp"); }
void BM_Tiff24(benchmark::State& state) { Export<TVoRExportToTIFF>(state, pf24bit, "tif"); }
void BM_Tiff4(benchmark::State& state) { Export<TVoRExportToTIFF>(state, pf4bit, "tif"); }
BENCHMARK(BM_Bmp24)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Bmp8)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Tiff24)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Tiff4)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace qr2vor

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--pages=", 8) == 0) qr2vor::gPages = std::atoi(argv[i] + 8);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
