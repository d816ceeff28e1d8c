// The whole conversion as the tool runs it: form file bytes in (QuickReport classes registered,
// the ledger's second walk of the stream included), report file bytes out. Only the system's
// own exceptions may end a conversion, and every report written must load again.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/convert/driver.h"
#include "app/convert/ledger.h"
#include "platform/ui/ui_service.h"
#include "report/report.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

class TQuietUI : public TUIService {
 public:
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

// The form and the report live in a folder of their own in memory-backed storage when there is
// some, so that saving stays cheap.
std::filesystem::path WorkFolder() {
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                         ? "/dev/shm"
                                         : std::filesystem::temp_directory_path();
  std::filesystem::path folder = base / ("qr2vor_conversion_fuzz_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return folder;
}

void Convert(const uint8_t* data, size_t size) {
  static const std::filesystem::path folder = WorkFolder();
  const std::string form = (folder / "form.dfm").string();
  const std::string report = (folder / "form.vor").string();
  std::filesystem::remove(report);
  SaveFileAtomically(form, std::string_view(reinterpret_cast<const char*>(data), size));
  TQuietUI ui;
  TConversionDriver driver(ui);
  TFormLedger ledger;
  try {
    driver.btnConvertClick(form, report, &ledger);
  } catch (const Exception&) {
    return;
  }
  if (std::filesystem::exists(report)) TVoReport::LoadFromFile(report);
}

}  // namespace
}  // namespace qr2vor

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qr2vor::TConversionDriver::FormCreate();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qr2vor::Convert(data, size);
  return 0;
}
