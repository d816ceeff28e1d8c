#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/component.h"

namespace qr2vor {

class TWinControl;

// A visual component with a position, a size and a parent control. Controls are owned by their
// form (the stream's root) but placed inside a parent; the parent lists its children in the
// order they were placed, which is the order of the form file.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TWinControl* Parent() const { return parent_; }
  // Moves the control into `parent`'s list of children (at its end), or out of any.
  virtual void SetParent(TWinControl* parent);

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  virtual void SetLeft(int32_t value) { left_ = value; }
  virtual void SetTop(int32_t value) { top_ = value; }
  virtual void SetWidth(int32_t value) { width_ = value; }
  virtual void SetHeight(int32_t value) { height_ = value; }
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  int16_t Cursor() const { return cursor_; }
  void SetCursor(int16_t cursor) { cursor_ = cursor; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  int32_t HelpContext() const { return helpContext_; }
  void SetHelpContext(int32_t value) { helpContext_ = value; }
  bool IsControl() const { return isControl_; }
  void SetIsControl(bool value) { isControl_ = value; }

  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  bool HasParent() const override { return true; }
  // Controls stream "IsControl" in place of the design position of non-visual components.
  void DefineProperties(TFiler& filer) override;

 private:
  TWinControl* parent_ = nullptr;
  int32_t left_ = 0;
  int32_t top_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int16_t cursor_ = 0;
  std::string hint_;
  int32_t helpContext_ = 0;
  bool isControl_ = false;
};

// A control that holds other controls. Destroying it destroys the controls it holds.
class TWinControl : public TControl {
 public:
  using TControl::TControl;
  ~TWinControl() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;
  const std::vector<TControl*>& ControlList() const { return controls_; }

  // Writes the children owned by the stream's root, in their order.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
  void SetChildOrder(TComponent* child, int order) override;

 protected:
  // Told after a control joined or before it leaves this parent.
  virtual void ControlInserted(TControl* control);
  virtual void ControlRemoved(TControl* control);
  // Told after SetChildOrder moved a child.
  virtual void ControlMoved(TControl* control);

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
};

class TCustomControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TCustomPanel : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

}  // namespace qr2vor
