// Feeds arbitrary bytes to the BMP reader (whole files, and split into an info header and bits
// as EMF bitmap records hold them); a picture that decodes is written back as BMP and PNG.
// Only qr2vor::Exception is an expected outcome.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/gfx/raster_image.h"
#include "rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const TRasterImage image = ReadBmp(bytes);
    if (image.Width() * int64_t{image.Height()} <= 4096) {
      WriteBmp(image, 4);
      WritePng(image);
    }
  } catch (const Exception&) {
  }
  try {
    const size_t split = size > 0 ? data[0] % (size + 1) : 0;
    ReadDib(bytes.substr(0, split), bytes.substr(split));
  } catch (const Exception&) {
  }
  return 0;
}
