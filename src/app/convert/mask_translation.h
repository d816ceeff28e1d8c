#pragma once

// The display masks of QuickReport's data texts and expressions (the number and date-time
// format strings of the form's toolkit: "#,##0.00", "0.0%", "dd/mm/yyyy hh:nn") said in the
// report's format-mask language of "@" codes, where that language can say the same.

#include <string>
#include <string_view>

namespace qr2vor {

struct TMaskTranslation {
  // The report's format mask; empty when the mask cannot be said.
  std::string format;
  // Why not, when `format` is empty.
  std::string reason;
};

TMaskTranslation TranslateDisplayMask(std::string_view mask);

}  // namespace qr2vor
