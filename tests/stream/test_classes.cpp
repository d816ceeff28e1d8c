#include "test_classes.h"

#include <algorithm>

#include "rtl/constants.h"
#include "stream/registry.h"

namespace qr2vor::test {

const TEnumInfo& TestKindInfo() {
  static const TEnumInfo info("TTestKind", {"tkOne", "tkTwo", "tkThree"});
  return info;
}

const TClassInfo& TTestItem::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TTestItem, TCollectionItem>("TTestItem")
          .String("Caption", &TTestItem::caption, &TTestItem::caption)
          .Integer("Value", &TTestItem::value, &TTestItem::value, 0)
          .Object<TComponent>("Link", &TTestItem::Link, &TTestItem::SetLink);
  return info;
}

void TTestItem::SetLink(TComponent* link) {
  link_ = link;
  auto* owner =
      Collection() != nullptr ? dynamic_cast<TComponent*>(Collection()->Owner()) : nullptr;
  if (link != nullptr && owner != nullptr) link->FreeNotification(owner);
}

void TTestItem::Assign(const TPersistent& source) {
  const auto& other = dynamic_cast<const TTestItem&>(source);
  caption = other.caption;
  value = other.value;
  SetLink(other.link_);
}

const TClassInfo& TTestPart::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TTestPart, TPersistent>("TTestPart")
                                     .Integer("Size", &TTestPart::size, &TTestPart::size, 10)
                                     .String("Label", &TTestPart::label, &TTestPart::label);
  return info;
}

void TTestPart::Assign(const TPersistent& source) {
  const auto& other = dynamic_cast<const TTestPart&>(source);
  size = other.size;
  label = other.label;
}

TTestComponent::TTestComponent(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TOwnedCollection<TTestItem>>(this)) {}

TTestComponent::~TTestComponent() {
  SetParentComponent(nullptr);
  for (TTestComponent* child : children_) child->parent_ = nullptr;
}

const TClassInfo& TTestComponent::StaticClassInfo() {
  using T = TTestComponent;
  static const TClassInfo info =
      TClassInfo::Derive<T, TComponent>("TTestComponent")
          .Integer("Count", &T::count, &T::count, 0)
          .Integer("Color", &T::color, &T::color, int32_t(0x80000005), ColorType())
          .Integer("NoDefault", &T::noDefault, &T::noDefault, NoDefault)
          .Char("Letter", &T::letter, &T::letter, 'A')
          .Enum("Kind", TestKindInfo(), &T::kind, &T::kind, tkOne)
          .Boolean("Enabled", &T::enabled, &T::enabled, true)
          .Set("Options", TestKindInfo(), &T::options, &T::options, 0)
          .Float("Ratio", &T::ratio, &T::ratio)
          .String("Caption", &T::caption, &T::caption)
          .Object<TTestPart>("Part", &T::Part, &T::SetPart)
          .Integer("Serial", &T::Serial, nullptr, 0)
          .Object<TCollection>("Items", &T::Items,
                               [](T& t, TCollection* c) {
                                 if (c != nullptr) t.Items()->Assign(*c);
                               })
          .Object<TStringList>("Lines", &T::Lines, &T::SetLines)
          .Object<TComponent>("Buddy", &T::Buddy, &T::SetBuddy)
          .Method("OnClick", &T::onClick, &T::onClick)
          .Creatable();
  return info;
}

void TTestComponent::SetBuddy(TComponent* buddy) {
  buddy_ = buddy;
  if (buddy != nullptr) buddy->FreeNotification(this);
}

void TTestComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const {
  for (TTestComponent* child : children_) proc(child);
}

void TTestComponent::SetParentComponent(TComponent* parent) {
  if (parent_ != nullptr) {
    auto& siblings = parent_->children_;
    const auto it = std::find(siblings.rbegin(), siblings.rend(), this);
    if (it != siblings.rend()) siblings.erase(std::next(it).base());
  }
  parent_ = dynamic_cast<TTestComponent*>(parent);
  if (parent_ != nullptr) parent_->children_.push_back(this);
}

void TTestComponent::SetChildOrder(TComponent* child, int order) {
  const auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return;
  children_.erase(it);
  order = std::clamp(order, 0, static_cast<int>(children_.size()));
  children_.insert(children_.begin() + order, static_cast<TTestComponent*>(child));
}

void TTestComponent::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == buddy_) buddy_ = nullptr;
  for (int i = 0; i < items_->Count(); ++i) items_->Items(i)->Forget(component);
}

void TTestComponent::Loaded() {
  TComponent::Loaded();
  ++loadedCalls;
  if (loadLog != nullptr) loadLog->push_back(Name());
}

const TClassInfo& TTestForm::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TTestForm, TTestComponent>("TTestForm")
                                     .PublishedMethod("ButtonClick")
                                     .Creatable();
  return info;
}

void RegisterTestClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterStandardIntegerConsts();
  RegisterClass(TTestForm::StaticClassInfo());
  RegisterClass(TTestComponent::StaticClassInfo());
}

}  // namespace qr2vor::test
