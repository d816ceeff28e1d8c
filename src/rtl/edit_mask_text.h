#pragma once

#include <string>
#include <string_view>

#include "rtl/format_settings.h"

namespace qr2vor {

// The text as a masked edit field shows it. The edit mask is "body[;keep[;blank]]":
// - body characters: L letter, l optional letter, A letter or digit, a optional letter or digit,
//   C any character, c optional any character, 0 digit, 9 optional digit, # optional digit or
//   sign; > upper case and < lower case for what follows, <> neither; ! fills from the right;
//   \x the literal x; : and / the time and date separators; _ a space; anything else a literal;
// - keep: "0" when the text holds only the characters for the mask positions, anything else
//   when it holds the literals too (the default);
// - blank: the character shown for a position the text leaves empty (default a space).
// A character of the text that does not fit its position shows as the blank character.
std::string FormatMaskText(std::string_view editMask, std::string_view text,
                           const TFormatSettings& settings);

}  // namespace qr2vor
