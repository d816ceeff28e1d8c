// Feeds arbitrary text to the RTF reader and lays the result out on a measuring canvas. Only
// qr2vor::Exception is an expected outcome.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/gfx/rich_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  try {
    TRichText text;
    text.LoadFromRtf(std::string_view(reinterpret_cast<const char*>(data), size));
    TMeasureCanvas canvas;
    text.Render(canvas, TRect{0, 0, 200, 1000}, true);
  } catch (const Exception&) {
  }
  return 0;
}
