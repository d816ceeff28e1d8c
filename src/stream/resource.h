#pragma once

#include <string>
#include <string_view>

#include "rtl/component.h"
#include "rtl/streams.h"

namespace qr2vor {

// The resource header for a component stream of `size` bytes: 0xFF, type 10, the name in upper
// case (at most 63 characters) and a zero byte, flags 0x1030, the size.
std::string ResourceHeader(std::string_view name, uint32_t size);
// Writes a resource header named `name` (upper case, at most 63 characters), the component
// stream of `root`, and then patches the header's size field; the stream ends up at its end.
void WriteDescendentRes(TStream& stream, std::string_view name, TComponent& root);
// Checks the resource header at the stream's position and moves to the component stream behind
// it; raises EInvalidImage "Invalid stream format" when the header is not one. Answers the name.
std::string ReadResHeader(TStream& stream);

}  // namespace qr2vor
