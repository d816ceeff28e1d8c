// Feeds arbitrary bytes to the component stream reader the way the converter reads a form file:
// a resource header when the input starts with 0xFF, else a bare stream, read into a root with
// every error handled and event handlers neither found nor failing. Only qr2vor::Exception is
// an expected outcome; anything else escaping, and any sanitizer report, is a finding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "rtl/exceptions.h"
#include "rtl/streams.h"
#include "stream/format.h"
#include "stream/reader.h"
#include "stream/resource.h"
#include "test_classes.h"

namespace qr2vor {
namespace {

void ReadForm(const uint8_t* data, size_t size) {
  TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  if (size > 0 && data[0] == kResourceNameByNumber) ReadResHeader(stream);
  test::TTestForm root(nullptr);
  TReader reader(stream);
  reader.OnError = [](TReader&, const std::string&, bool& handled) { handled = true; };
  reader.OnFindMethod = [](TReader&, const std::string&, bool& found, bool& error) {
    found = false;
    error = false;
  };
  reader.ReadRootComponent(&root);
}

}  // namespace
}  // namespace qr2vor

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qr2vor::test::RegisterTestClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    qr2vor::ReadForm(data, size);
  } catch (const qr2vor::Exception&) {
  }
  return 0;
}
