// Text form files: any text either converts to a binary component stream or fails with the
// system's message. What converts must dump to text that converts again; floats are dumped with
// the toolkit's 16 digits, so from then on text and bytes must stay the same.

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
  again.SetPosition(0);
  const std::string dumpedAgain = ObjectBinaryToText(again);
  TMemoryStream third;
  ObjectTextToBinary(dumpedAgain, third);
  if (dumpedAgain != dumped || third.Bytes() != again.Bytes()) __builtin_trap();
  return 0;
}
