#include "rtl/collection.h"

#include <algorithm>

#include "rtl/exceptions.h"

namespace qr2vor {

const TClassInfo& TCollectionItem::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TCollectionItem, TPersistent>("TCollectionItem");
  return info;
}

int TCollectionItem::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TCollectionItem::SetIndex(int index) {
  if (collection_ != nullptr) collection_->Move(Index(), index);
}

std::string TCollectionItem::GetNamePath() const {
  if (collection_ == nullptr) return ClassName();
  return fmt::format("{}[{}]", collection_->GetNamePath(), Index());
}

void TCollectionItem::Changed() {
  if (collection_ != nullptr) collection_->Changed(this);
}

const TClassInfo& TCollection::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TCollection, TPersistent>("TCollection");
  return info;
}

TCollection::TCollection(TPersistent* owner, const TClassInfo& itemClass, TItemFactory factory)
    : owner_(owner), itemClass_(&itemClass), factory_(std::move(factory)) {}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(fmt::runtime(msg::kListIndex), index);
  return items_[static_cast<size_t>(index)].get();
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) throw EListError(fmt::runtime(msg::kListIndex), index);
  std::unique_ptr<TCollectionItem> item = factory_(*this);
  item->collection_ = this;
  TCollectionItem* raw = item.get();
  items_.insert(items_.begin() + index, std::move(item));
  Changed(nullptr);
  return raw;
}

void TCollection::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(fmt::runtime(msg::kListIndex), index);
  items_.erase(items_.begin() + index);
  Changed(nullptr);
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) items_.pop_back();
  EndUpdate();
}

void TCollection::Move(int from, int to) {
  if (from < 0 || from >= Count()) throw EListError(fmt::runtime(msg::kListIndex), from);
  to = std::clamp(to, 0, Count() - 1);
  if (from == to) return;
  std::unique_ptr<TCollectionItem> item = std::move(items_[static_cast<size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
  Changed(nullptr);
}

int TCollection::IndexOf(const TCollectionItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == item) return static_cast<int>(i);
  }
  return -1;
}

void TCollection::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed(nullptr);
}

void TCollection::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TCollection*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (const auto& item : other->items_) Add()->Assign(*item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TCollection::GetNamePath() const {
  if (owner_ == nullptr || propName_.empty()) return ClassName();
  const std::string ownerPath = owner_->GetNamePath();
  return ownerPath.empty() ? propName_ : ownerPath + "." + propName_;
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed(TCollectionItem* item) {
  if (updateCount_ == 0) Update(item);
}

}  // namespace qr2vor
