// Text form files: any text either converts to a binary component stream or fails with the
// system's message. What converts must dump back to text that converts to the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "rtl/exceptions.h"
#include "rtl/streams.h"
#include "stream/text_form.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TMemoryStream binary;
  try {
    ObjectTextToBinary(text, binary);
  } catch (const Exception&) {
    return 0;
  }
  binary.SetPosition(0);
  const std::string dumped = ObjectBinaryToText(binary);
  TMemoryStream again;
  ObjectTextToBinary(dumped, again);
  if (again.Bytes() != binary.Bytes()) __builtin_trap();
  return 0;
}
