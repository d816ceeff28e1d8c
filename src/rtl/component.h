#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtl/persistent.h"

namespace qr2vor {

enum TComponentStateFlag : uint32_t {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDesigning = 1u << 3,
  csDestroying = 1u << 4,
};

enum class TOperation { opInsert, opRemove };

// A named object with an owner. The owner holds its components and destroys them last-first;
// everyone else holds plain pointers and learns of a component's end through free notification.
//
// A component created with an owner is handed to that owner by the constructor; create it with
// `new T(owner)` and never delete it yourself unless it is meant to go (deleting removes it from
// its owner). A component without an owner belongs to whoever created it (`std::unique_ptr`).
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  // The owned component of that name (case-insensitive), or nullptr.
  TComponent* FindComponent(std::string_view name) const;
  // Moves `component` from its current owner (if any) into this one.
  void InsertComponent(TComponent* component);
  // Releases `component` from this owner without destroying it; the caller takes it over.
  std::unique_ptr<TComponent> RemoveComponent(TComponent* component);
  // Destroys every owned component, last first.
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  // Checks that the name is an identifier (or empty) and unique among the owner's components.
  virtual void SetName(const std::string& name);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }

  uint32_t ComponentState() const { return state_; }
  bool HasState(TComponentStateFlag flag) const { return (state_ & flag) != 0; }
  void IncludeState(uint32_t flags) { state_ |= flags; }
  void ExcludeState(uint32_t flags) { state_ &= ~flags; }
  // Marks this component and all it owns as designing.
  void SetDesigning(bool designing);

  // The design position of non-visual components: low 16 bits left, high 16 bits top.
  int32_t DesignInfo() const { return designInfo_; }
  void SetDesignInfo(int32_t value) { designInfo_ = value; }

  // Told when loading from a stream has ended; the base clears the loading state.
  virtual void Loaded();
  // `component` wants to hear when this one is destroyed (and this one of it).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);
  // Told of components inserted into this owner, of components removed from it or from any owner
  // above it, and of freed components that asked for free notification.
  virtual void Notification(TComponent* component, TOperation operation);

  // Streaming hooks: the children a component writes, where read children go, and how a child
  // learns its parent. The base component has no children and no parent.
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const;
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent);
  virtual bool HasParent() const { return false; }
  virtual void SetChildOrder(TComponent* child, int order);

  void DefineProperties(TFiler& filer) override;
  std::string GetNamePath() const override { return name_; }

 private:
  void Insert(std::unique_ptr<TComponent> component);

  TComponent* owner_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
  // Owned components by name, so that naming and lookup stay fast in wide trees.
  std::unordered_map<std::string, TComponent*> componentsByName_;
  std::vector<TComponent*> freeNotifies_;
  std::string name_;
  int32_t tag_ = 0;
  int32_t designInfo_ = 0;
  uint32_t state_ = 0;
};

// True for a valid identifier: a letter or '_' first, then letters, digits or '_'.
bool IsValidIdent(std::string_view text);

}  // namespace qr2vor
