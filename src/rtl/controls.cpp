#include "rtl/controls.h"

#include <algorithm>

#include "rtl/exceptions.h"

namespace qr2vor {

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() { SetParent(nullptr); }

const TClassInfo& TControl::StaticClassInfo() {
  using T = TControl;
  static const TClassInfo info =
      TClassInfo::Derive<T, TComponent>("TControl")
          .Integer("Left", &T::Left, &T::SetLeft, NoDefault)
          .Integer("Top", &T::Top, &T::SetTop, NoDefault)
          .Integer("Width", &T::Width, &T::SetWidth, NoDefault)
          .Integer("Height", &T::Height, &T::SetHeight, NoDefault)
          .Integer("Cursor", &T::Cursor, &T::SetCursor, 0, CursorType())
          .String("Hint", &T::Hint, &T::SetHint)
          .Integer("HelpContext", &T::HelpContext, &T::SetHelpContext, 0);
  return info;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  // A parent inside this control's own tree would close a cycle: parents destroy what they hold,
  // so such a tree could not be freed.
  for (const TControl* above = parent; above != nullptr; above = above->parent_) {
    if (above == this) throw EInvalidOperation(msg::kControlParentSetToSelf);
  }
  if (parent_ != nullptr) {
    parent_->ControlRemoved(this);
    // Searched from the end: parents and owners release their children last-first.
    std::vector<TControl*>& siblings = parent_->controls_;
    const auto it = std::find(siblings.rbegin(), siblings.rend(), this);
    if (it != siblings.rend()) siblings.erase(std::next(it).base());
  }
  parent_ = parent;
  if (parent_ != nullptr) {
    parent_->controls_.push_back(this);
    parent_->ControlInserted(this);
  }
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
  SetParent(dynamic_cast<TWinControl*>(parent));
}

void TControl::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "IsControl", [this](TValueReader& reader) { isControl_ = reader.ReadBoolean(); },
      [this](TValueWriter& writer) { writer.WriteBoolean(isControl_); }, isControl_);
}

TWinControl::~TWinControl() {
  while (!controls_.empty()) delete controls_.back();
}

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TWinControl, TControl>("TWinControl");
  return info;
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(fmt::runtime(msg::kListIndex), index);
  return controls_[static_cast<size_t>(index)];
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc,
                              TComponent* root) const {
  // A copy: a child may change the list while it is written.
  const std::vector<TControl*> controls = controls_;
  for (TControl* control : controls) {
    if (control->Owner() == root) proc(control);
  }
}

void TWinControl::SetChildOrder(TComponent* child, int order) {
  const auto it = std::find(controls_.begin(), controls_.end(), child);
  if (it == controls_.end()) return;
  auto* control = *it;
  controls_.erase(it);
  order = std::clamp(order, 0, static_cast<int>(controls_.size()));
  controls_.insert(controls_.begin() + order, control);
  ControlMoved(control);
}

void TWinControl::ControlInserted(TControl*) {}

void TWinControl::ControlRemoved(TControl*) {}

void TWinControl::ControlMoved(TControl*) {}

const TClassInfo& TCustomControl::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TCustomControl, TWinControl>("TCustomControl");
  return info;
}

const TClassInfo& TCustomPanel::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TCustomPanel, TCustomControl>("TCustomPanel");
  return info;
}

}  // namespace qr2vor
