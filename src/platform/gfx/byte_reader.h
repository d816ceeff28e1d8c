#pragma once

// A bounds-checked little-endian cursor over untrusted bytes: every read checks what remains
// first and raises EInvalidGraphic with the reader's message when it does not suffice.

#include <cstdint>
#include <cstring>
#include <string_view>

#include "rtl/exceptions.h"

namespace qr2vor {

class TByteReader {
 public:
  TByteReader(std::string_view data, const char* message) : data_(data), message_(message) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return data_.size() - pos_; }
  std::string_view Data() const { return data_; }

  [[noreturn]] void Fail() const { throw EInvalidGraphic(message_); }
  void Require(size_t count) const {
    if (count > Remaining()) Fail();
  }
  void Seek(size_t position) {
    if (position > data_.size()) Fail();
    pos_ = position;
  }
  void Skip(size_t count) {
    Require(count);
    pos_ += count;
  }
  std::string_view Bytes(size_t count) {
    Require(count);
    std::string_view result = data_.substr(pos_, count);
    pos_ += count;
    return result;
  }
  uint8_t U8() { return static_cast<uint8_t>(Bytes(1)[0]); }
  uint16_t U16() { return static_cast<uint16_t>(ReadLittle(2)); }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  uint32_t U32() { return static_cast<uint32_t>(ReadLittle(4)); }
  int32_t I32() { return static_cast<int32_t>(U32()); }

 private:
  uint64_t ReadLittle(size_t count) {
    std::string_view bytes = Bytes(count);
    uint64_t value = 0;
    for (size_t i = count; i-- > 0;) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
    return value;
  }

  std::string_view data_;
  const char* message_;
  size_t pos_ = 0;
};

// Little-endian writers for the byte formats we build.
inline void PutU16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
inline void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}
inline void PatchU32(std::string& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace qr2vor
