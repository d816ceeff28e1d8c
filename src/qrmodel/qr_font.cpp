#include "qrmodel/qr_font.h"

namespace qr2vor {

TParentFontLink::TParentFontLink(TControl& control, TFont& font) : control_(control), font_(font) {
  font_.OnChange = [this] { FontChanged(); };
}

void TParentFontLink::SetParentFont(bool value) {
  parentFont_ = value;
  Follow();
}

void TParentFontLink::Follow() {
  if (!parentFont_) return;
  const auto* parent = dynamic_cast<const TQRFontControl*>(control_.Parent());
  if (parent == nullptr) return;
  following_ = true;
  font_.Assign(*parent->Font());
  following_ = false;
}

void TParentFontLink::FontChanged() {
  if (!following_) parentFont_ = false;
  const auto* self = dynamic_cast<const TWinControl*>(&control_);
  if (self == nullptr) return;
  for (TControl* child : self->ControlList()) {
    if (auto* fontChild = dynamic_cast<TQRFontControl*>(child)) fontChild->ParentFontChanged();
  }
}

}  // namespace qr2vor
