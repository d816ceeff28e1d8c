#include "stream/resource.h"

#include <algorithm>
#include <cstring>

#include "rtl/byte_order.h"
#include "rtl/exceptions.h"
#include "stream/format.h"
#include "stream/writer.h"

namespace qr2vor {

std::string ResourceHeader(std::string_view name, uint32_t size) {
  std::string header;
  header += static_cast<char>(kResourceNameByNumber);
  uint8_t word[4];
  StoreLE16(word, kResourceTypeRawData);
  header.append(reinterpret_cast<const char*>(word), 2);
  for (const char c : name.substr(0, std::min<size_t>(name.size(), kResourceNameMax))) {
    header += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  header += '\0';
  StoreLE16(word, kResourceMemoryFlags);
  header.append(reinterpret_cast<const char*>(word), 2);
  StoreLE32(word, size);
  header.append(reinterpret_cast<const char*>(word), 4);
  return header;
}

void WriteDescendentRes(TStream& stream, std::string_view name, TComponent& root) {
  const std::string header = ResourceHeader(name, 0);
  const int64_t sizeField = stream.Position() + static_cast<int64_t>(header.size()) - 4;
  stream.WriteBytes(header);

  const int64_t start = stream.Position();
  {
    TWriter writer(stream);
    writer.WriteDescendent(root);
    writer.FlushBuffer();
  }
  const int64_t end = stream.Position();
  uint8_t size[4];
  StoreLE32(size, static_cast<uint32_t>(end - start));
  stream.SetPosition(sizeField);
  stream.WriteBuffer(size, sizeof size);
  stream.SetPosition(end);
}

std::string ReadResHeader(TStream& stream) {
  const int64_t start = stream.Position();
  char header[80] = {};
  stream.Read(header, 79);
  // The type is a number in two bytes: 0xFF, then 10 as a little-endian word.
  if (static_cast<uint8_t>(header[0]) != kResourceNameByNumber ||
      LoadLE16(reinterpret_cast<const uint8_t*>(header) + 1) != kResourceTypeRawData) {
    throw EInvalidImage(msg::kInvalidStreamFormat);
  }
  const std::string name(header + 3);  // the buffer's last byte is always 0
  stream.SetPosition(start + static_cast<int64_t>(name.size()) + kResourceHeaderFixed);
  return name;
}

}  // namespace qr2vor
