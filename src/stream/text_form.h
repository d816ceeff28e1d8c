#pragma once

#include <string>
#include <string_view>

#include "rtl/exceptions.h"
#include "rtl/streams.h"
#include "stream/reader.h"

namespace qr2vor {

// A text form that does not follow the syntax; the message names the line ("Line 12: ...").
class EParserError : public Exception {
 public:
  using Exception::Exception;
};

// Renders the component stream at the stream's position (from its "TPF0" signature) in the text
// form syntax:
//
//   object frmMain: TForm            (inherited / inline for prefix flags 1 / 4)
//     Caption = 'it''s'#13#10'done'
//     Font.Style = [fsBold]
//     Lines.Strings = (
//       'one'
//       'two')
//     object Child: TLabel [2]       ([n]: the child position)
//     end
//   end
//
// The stream is walked value by value without the class registry, so unknown classes and
// properties show as they stand. Text is pure ASCII: bytes outside 32..126 appear as #nnn, wide
// and UTF-8 strings are first converted to the code page. Raises EReadError on a broken stream.
std::string ObjectBinaryToText(TStream& input);

// Reads the one value at the cursor's position, whatever its type, and renders it as a property's
// value is rendered above (lists and collections over several lines). Raises EReadError on a
// broken stream.
std::string ReadValueText(TValueCursor& cursor);

// Parses one text form (exactly the syntax above) and writes its component stream, signature
// included, to `output`. Only tags 0..14 are written: integers take the narrowest of Int8, Int16,
// Int32; numbers with a '.' or an exponent become Extended. Raises EParserError.
void ObjectTextToBinary(std::string_view text, TStream& output);

// Any of: a binary form file (resource header, then the stream), a report file (its own header,
// then a resource header and the stream) or a bare component stream, rendered as text. Raises
// EInvalidImage "Invalid stream format" when no component stream is found.
std::string FormFileToText(std::string_view fileBytes);

// A binary form file from a text form: a resource header named after the root's class in upper
// case, then the component stream.
std::string TextToFormFile(std::string_view text);

}  // namespace qr2vor
