// Feeds arbitrary values, masks and widths to FormatByMask: the first two bytes are the width
// (signed), then the value up to the first newline, then the mask. FormatByMask never raises;
// anything escaping, a hang, an outsized allocation and any sanitizer report are findings.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "expr/format_mask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  auto width = static_cast<int16_t>(data[0] | (data[1] << 8));
  std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  size_t newline = rest.find('\n');
  std::string_view value = rest.substr(0, newline);
  std::string_view mask = newline == std::string_view::npos ? "" : rest.substr(newline + 1);
  qr2vor::FormatByMask(value, mask, width);
  return 0;
}
