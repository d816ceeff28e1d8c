// Exports arbitrary bytes as metafile pages through the text and CSV filters: the first byte
// picks the page height, the rest is the page's metafile, given twice so that the second page
// lies below the first. Only qr2vor::Exception is an expected outcome.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "export/page_driver.h"
#include "export/text_export.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

const std::string& OutputFolder() {
  static const std::string folder = [] {
    const std::filesystem::path shm("/dev/shm");
    const auto base = std::filesystem::exists(shm) ? shm : std::filesystem::temp_directory_path();
    const auto folder = base / ("export_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder.string();
  }();
  return folder;
}

template <class Filter>
void Export(const TExportPages& pages, const char* name) {
  try {
    Filter filter(nullptr);
    ExportPages(filter, pages, OutputFolder() + "/" + name);
  } catch (const Exception&) {
  }
}

}  // namespace
}  // namespace qr2vor

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  if (size < 1) return 0;
  const int32_t height = (data[0] + 1) * 8;
  const std::string emf(reinterpret_cast<const char*>(data + 1), size - 1);
  TExportPageList pages;
  pages.Add(emf, 800, height);
  pages.Add(emf, 800, height);
  Export<TVoRExportToText>(pages, "out.txt");
  Export<TVoRExportToCSV>(pages, "out.csv");
  return 0;
}
