#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rtl/persistent.h"

namespace qr2vor {

class TCollection;

// One item of a collection; its published properties are streamed inside the collection.
class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* collection) : collection_(collection) {}

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TCollection* Collection() const { return collection_; }
  int Index() const;
  void SetIndex(int index);
  std::string GetNamePath() const override;

 protected:
  // Tells the collection that this item changed.
  void Changed();

 private:
  friend class TCollection;
  TCollection* collection_;
};

// An ordered list of items of one item class, owned by a persistent object or a component.
class TCollection : public TPersistent {
 public:
  using TItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection&)>;

  TCollection(TPersistent* owner, const TClassInfo& itemClass, TItemFactory factory);
  // A collection whose items are of class T, created as `T(collection)`.
  template <class T>
  static TItemFactory ItemsOf() {
    return [](TCollection& c) { return std::make_unique<T>(&c); };
  }

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TPersistent* Owner() const { return owner_; }
  const TClassInfo& ItemClass() const { return *itemClass_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  void Move(int from, int to);
  int IndexOf(const TCollectionItem* item) const;

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Copies the items of another collection of the same item class, item by item.
  void Assign(const TPersistent& source) override;
  std::string GetNamePath() const override;
  // The property name under which the owner publishes this collection, for name paths.
  void SetPropName(std::string name) { propName_ = std::move(name); }

 protected:
  // Called when an item changes (or the whole collection, with nullptr) outside an update.
  virtual void Update(TCollectionItem* item);

 private:
  friend class TCollectionItem;
  void Changed(TCollectionItem* item);

  TPersistent* owner_;
  const TClassInfo* itemClass_;
  TItemFactory factory_;
  std::vector<std::unique_ptr<TCollectionItem>> items_;
  std::string propName_;
  int updateCount_ = 0;
};

template <class T>
class TOwnedCollection : public TCollection {
 public:
  explicit TOwnedCollection(TPersistent* owner)
      : TCollection(owner, T::StaticClassInfo(), ItemsOf<T>()) {}
  T* Items(int index) const { return static_cast<T*>(TCollection::Items(index)); }
  T* Add() { return static_cast<T*>(TCollection::Add()); }
};

}  // namespace qr2vor
