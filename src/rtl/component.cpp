#include "rtl/component.h"

#include <algorithm>

#include "rtl/exceptions.h"

namespace qr2vor {

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TComponent, TPersistent>("TComponent")
                                     .String("Name", &TComponent::Name, &TComponent::SetName)
                                     .Stored(false)
                                     .Integer("Tag", &TComponent::Tag, &TComponent::SetTag, 0);
  return info;
}

bool IsValidIdent(std::string_view text) {
  const auto alpha = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  };
  if (text.empty() || !alpha(text.front())) return false;
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->Insert(std::unique_ptr<TComponent>(this));
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  while (!freeNotifies_.empty()) {
    TComponent* partner = freeNotifies_.back();
    freeNotifies_.pop_back();
    std::erase(partner->freeNotifies_, this);
    partner->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) {
    // Being deleted directly: the owner gives up its hold without deleting a second time.
    static_cast<void>(owner_->RemoveComponent(this).release());
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError(fmt::runtime(msg::kListIndex), index);
  return components_[static_cast<size_t>(index)].get();
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  for (size_t i = 0; i < owner_->components_.size(); ++i) {
    if (owner_->components_[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  const auto it = componentsByName_.find(LowerCaseAscii(name));
  return it == componentsByName_.end() ? nullptr : it->second;
}

void TComponent::Insert(std::unique_ptr<TComponent> component) {
  TComponent* raw = component.get();
  components_.push_back(std::move(component));
  raw->owner_ = this;
  if (!raw->name_.empty()) componentsByName_[LowerCaseAscii(raw->name_)] = raw;
  // Only the owner hears of an insertion; telling every owned component would make building a
  // wide tree quadratic, and nothing holds references that an insertion could invalidate.
  Notification(raw, TOperation::opInsert);
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_ == this) return;
  if (!component->name_.empty() && FindComponent(component->name_) != nullptr) {
    throw EComponentError(fmt::runtime(msg::kDuplicateName), component->name_);
  }
  std::unique_ptr<TComponent> held;
  if (component->owner_ != nullptr) {
    held = component->owner_->RemoveComponent(component);
  } else {
    held.reset(component);
  }
  Insert(std::move(held));
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
  // Searched from the end: components are mostly released last-first.
  const auto rit = std::find_if(components_.rbegin(), components_.rend(),
                                [&](const auto& owned) { return owned.get() == component; });
  if (rit == components_.rend()) return nullptr;
  const auto it = std::next(rit).base();
  std::unique_ptr<TComponent> held = std::move(*it);
  components_.erase(it);
  held->owner_ = nullptr;
  if (!held->name_.empty()) componentsByName_.erase(LowerCaseAscii(held->name_));
  if (!HasState(csDestroying)) Notification(component, TOperation::opRemove);
  return held;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
    last->owner_ = nullptr;
    if (!last->name_.empty()) componentsByName_.erase(LowerCaseAscii(last->name_));
    if (!HasState(csDestroying)) Notification(last.get(), TOperation::opRemove);
    last.reset();
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name)) {
    throw EComponentError(fmt::runtime(msg::kInvalidName), name);
  }
  if (owner_ != nullptr && !name.empty()) {
    const TComponent* other = owner_->FindComponent(name);
    if (other != nullptr && other != this) {
      throw EComponentError(fmt::runtime(msg::kDuplicateName), name);
    }
  }
  if (owner_ != nullptr) {
    if (!name_.empty()) owner_->componentsByName_.erase(LowerCaseAscii(name_));
    if (!name.empty()) owner_->componentsByName_[LowerCaseAscii(name)] = this;
  }
  name_ = name;
}

void TComponent::SetDesigning(bool designing) {
  if (designing) {
    IncludeState(csDesigning);
  } else {
    ExcludeState(csDesigning);
  }
  for (const auto& component : components_) component->SetDesigning(designing);
}

void TComponent::Loaded() { ExcludeState(csLoading); }

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
  }
  if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
      component->freeNotifies_.end()) {
    component->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  std::erase(freeNotifies_, component);
  if (component != nullptr) std::erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation != TOperation::opRemove || component == nullptr) return;
  RemoveFreeNotification(component);
  // Every owned component hears of a removal too, so references anywhere in the tree are cleared.
  for (const auto& owned : components_) {
    if (owned.get() != component) owned->Notification(component, operation);
  }
}

void TComponent::GetChildren(const std::function<void(TComponent*)>&, TComponent*) const {}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::SetChildOrder(TComponent*, int) {}

void TComponent::DefineProperties(TFiler& filer) {
  const auto low = [this] { return static_cast<uint16_t>(designInfo_ & 0xFFFF); };
  const auto high = [this] { return static_cast<uint16_t>((designInfo_ >> 16) & 0xFFFF); };
  filer.DefineProperty(
      "Left",
      [this, high](TValueReader& reader) {
        const auto left = static_cast<uint16_t>(reader.ReadInteger());
        designInfo_ = static_cast<int32_t>((uint32_t{high()} << 16) | left);
      },
      [low](TValueWriter& writer) { writer.WriteInteger(low()); }, low() != 0);
  filer.DefineProperty(
      "Top",
      [this, low](TValueReader& reader) {
        const auto top = static_cast<uint16_t>(reader.ReadInteger());
        designInfo_ = static_cast<int32_t>((uint32_t{top} << 16) | low());
      },
      [high](TValueWriter& writer) { writer.WriteInteger(high()); }, high() != 0);
}

}  // namespace qr2vor
