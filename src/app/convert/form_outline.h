#pragma once

// The objects and property values of a component stream as they stand in the file, read without
// the class registry: what the ledger and scan show of classes the reader skips and of values
// the mapping does not carry.

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/streams.h"

namespace qr2vor {

struct TOutlineProperty {
  std::string name;
  // One line: numbers and identifiers as written, strings as they are (quoted inside lists),
  // sets as "[a, b]", lists as "(a, b)", binary data as "(N bytes)", collections as "<N items>".
  std::string value;
  bool isIdent = false;
};

struct TOutlineObject {
  std::string className;
  std::string name;
  uint8_t flags = 0;
  std::vector<TOutlineProperty> properties;
  std::vector<TOutlineObject> children;

  // This object and every object nested in it, in stream order.
  template <class F>
  void ForEach(F&& visit) const {
    visit(*this);
    for (const TOutlineObject& child : children) child.ForEach(visit);
  }
};

// Reads the component stream at the stream's position (its "TPF0" signature). Raises
// EReadError on a broken stream, as the reader does.
TOutlineObject ReadFormOutline(TStream& stream);

// Reads with strings of later form files (UTF-8, wide) converted into the given code page.
TOutlineObject ReadFormOutline(TStream& stream, int codePage);

// The code page of a form's text: that of its fonts' character set when the fonts that name one
// name the same (DEFAULT_CHARSET and ANSI_CHARSET name none: they mean the process code page),
// else the process code page.
int FormCodePage(const TOutlineObject& outline);

// Event properties are named On..., Before... or After... and hold a handler's name.
bool IsEventHandlerReference(const TOutlineProperty& property);

}  // namespace qr2vor
