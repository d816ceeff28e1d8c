// Report files: any byte sequence either loads into a report or fails with the system's message.
// A report that loads is saved again and must load from its own bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "report/report.h"
#include "rtl/exceptions.h"
#include "stream/registry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qr2vor::RegisterStandardIntegerConsts();
  qr2vor::RegisterReportClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  std::unique_ptr<TVoReport> report;
  try {
    report = TVoReport::LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    return 0;
  }
  const std::string saved = report->SaveToBytes();
  report.reset();
  TVoReport::LoadFromBytes(saved);
  return 0;
}
