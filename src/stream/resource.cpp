#include "stream/resource.h"

#include <algorithm>
#include <cstring>

#include "rtl/exceptions.h"
#include "stream/format.h"
#include "stream/writer.h"

namespace qr2vor {

void WriteDescendentRes(TStream& stream, std::string_view name, TComponent& root) {
  std::string upper(name.substr(0, std::min<size_t>(name.size(), kResourceNameMax)));
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  std::string header;
  header += static_cast<char>(kResourceNameByNumber);
  header += static_cast<char>(kResourceTypeRawData & 0xFF);
  header += static_cast<char>(kResourceTypeRawData >> 8);
  header += upper;
  header += '\0';
  header += static_cast<char>(kResourceMemoryFlags & 0xFF);
  header += static_cast<char>(kResourceMemoryFlags >> 8);
  const int64_t sizeField = stream.Position() + static_cast<int64_t>(header.size());
  header.append(4, '\0');
  stream.WriteBytes(header);

  const int64_t start = stream.Position();
  {
    TWriter writer(stream);
    writer.WriteDescendent(root);
    writer.FlushBuffer();
  }
  const int64_t end = stream.Position();
  const auto size = static_cast<uint32_t>(end - start);
  const uint8_t bytes[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                            static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  stream.SetPosition(sizeField);
  stream.WriteBuffer(bytes, 4);
  stream.SetPosition(end);
}

std::string ReadResHeader(TStream& stream) {
  const int64_t start = stream.Position();
  char header[80] = {};
  stream.Read(header, 79);
  if (static_cast<uint8_t>(header[0]) != kResourceNameByNumber ||
      static_cast<uint8_t>(header[1]) != kResourceTypeRawData) {
    throw EInvalidImage(msg::kInvalidStreamFormat);
  }
  const std::string name(header + 3);  // the buffer's last byte is always 0
  stream.SetPosition(start + static_cast<int64_t>(name.size()) + kResourceHeaderFixed);
  return name;
}

}  // namespace qr2vor
