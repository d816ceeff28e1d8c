// Feeds arbitrary bytes to the EMF enumerator as the exports would: every record enumerated and,
// by type, decoded with the record helpers; then the metafile played onto a small raster and
// converted to WMF. Only qr2vor::Exception is an expected outcome.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/emf_player.h"
#include "platform/gfx/raster_canvas.h"
#include "platform/gfx/wmf_writer.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

void Enumerate(std::string_view emf) {
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  while (enumerator.Next(record)) {
    switch (record.Type()) {
      case EMR_EXTTEXTOUTA:
      case EMR_EXTTEXTOUTW:
        ReadTextOut(record);
        break;
      case EMR_EXTCREATEFONTINDIRECTW:
        ReadLogFont(record);
        break;
      case EMR_BITBLT:
      case EMR_STRETCHBLT:
      case EMR_STRETCHDIBITS:
        ReadBitmapRecord(record);
        break;
      default:
        break;
    }
  }
}

template <typename Action>
void Expect(Action action) {
  try {
    action();
  } catch (const Exception&) {
  }
}

}  // namespace
}  // namespace qr2vor

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  const std::string_view emf(reinterpret_cast<const char*>(data), size);
  Expect([&] { Enumerate(emf); });
  Expect([&] {
    TRasterCanvas canvas(32, 32);
    PlayEnhMetafile(canvas, emf, TRect{0, 0, 32, 32});
  });
  Expect([&] { EmfToWmf(emf); });
  return 0;
}
