#pragma once

// Fonts that follow the parent control's font, as the toolkit's ParentFont does: a control that
// follows takes a copy of its parent's font when it is placed in the parent and whenever that
// font changes; changing the control's own font ends the following.

#include "rtl/controls.h"
#include "rtl/graphics.h"

namespace qr2vor {

// A control with a font that the controls placed in it may follow.
class TQRFontControl {
 public:
  virtual TFont* Font() const = 0;
  // The parent's font changed or the control has a new parent.
  virtual void ParentFontChanged() {}

 protected:
  ~TQRFontControl() = default;
};

// The ParentFont state of one control and its font; installs itself as the font's change hook.
class TParentFontLink {
 public:
  TParentFontLink(TControl& control, TFont& font);
  TParentFontLink(const TParentFontLink&) = delete;
  TParentFontLink& operator=(const TParentFontLink&) = delete;

  bool ParentFont() const { return parentFont_; }
  // Setting it takes the parent's font at once.
  void SetParentFont(bool value);
  // Takes the parent's font when following it.
  void Follow();

 private:
  void FontChanged();

  TControl& control_;
  TFont& font_;
  bool parentFont_ = true;
  bool following_ = false;
};

}  // namespace qr2vor
