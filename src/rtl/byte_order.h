#pragma once

// Little-endian integers as the file formats store them (form files, bitmaps, metafiles).

#include <cstdint>

namespace qr2vor {

inline uint16_t LoadLE16(const void* data) {
  const auto* b = static_cast<const uint8_t*>(data);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

inline uint32_t LoadLE32(const void* data) {
  const auto* b = static_cast<const uint8_t*>(data);
  return b[0] | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

inline uint64_t LoadLE64(const void* data) {
  const auto* b = static_cast<const uint8_t*>(data);
  return LoadLE32(b) | (uint64_t{LoadLE32(b + 4)} << 32);
}

inline void StoreLE16(void* data, uint16_t value) {
  auto* b = static_cast<uint8_t*>(data);
  b[0] = static_cast<uint8_t>(value);
  b[1] = static_cast<uint8_t>(value >> 8);
}

inline void StoreLE32(void* data, uint32_t value) {
  auto* b = static_cast<uint8_t*>(data);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace qr2vor
