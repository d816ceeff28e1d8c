#pragma once

// A small class hierarchy with a property of every kind, used to drive the real reader and
// writer in tests.

#include <string>
#include <vector>

#include "rtl/collection.h"
#include "rtl/component.h"
#include "rtl/strings.h"

namespace qr2vor::test {

enum TTestKind : uint8_t { tkOne, tkTwo, tkThree };
const TEnumInfo& TestKindInfo();

class TTestItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  void Assign(const TPersistent& source) override;

  TComponent* Link() const { return link_; }
  // Asks the collection's owning component to be told when `link` goes, so the item forgets it.
  void SetLink(TComponent* link);
  void Forget(TComponent* component) {
    if (link_ == component) link_ = nullptr;
  }

  std::string caption;
  int32_t value = 0;

 private:
  TComponent* link_ = nullptr;
};

class TTestPart : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void Assign(const TPersistent& source) override;

  int32_t size = 10;
  std::string label;
};

class TTestComponent : public TComponent {
 public:
  explicit TTestComponent(TComponent* owner);
  ~TTestComponent() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Setters of owned parts take a copy; nil (a legal stream value) leaves them as they are.
  TTestPart* Part() const { return part_.get(); }
  void SetPart(TTestPart* part) {
    if (part != nullptr) part_->Assign(*part);
  }
  int32_t Serial() const { return 42; }
  TOwnedCollection<TTestItem>* Items() const { return items_.get(); }
  void SetItems(TOwnedCollection<TTestItem>* items) { items_->Assign(*items); }
  TStringList* Lines() const { return lines_.get(); }
  void SetLines(TStringList* lines) {
    if (lines != nullptr) lines_->Assign(*lines);
  }
  TComponent* Buddy() const { return buddy_; }
  void SetBuddy(TComponent* buddy);

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
  TComponent* GetParentComponent() const override { return parent_; }
  void SetParentComponent(TComponent* parent) override;
  bool HasParent() const override { return true; }
  void SetChildOrder(TComponent* child, int order) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

  const std::vector<TTestComponent*>& Children() const { return children_; }

  int32_t count = 0;
  int32_t color = 0x80000005;  // clWindow
  int32_t noDefault = 0;
  char letter = 'A';
  TTestKind kind = tkOne;
  bool enabled = true;
  uint32_t options = 0;
  double ratio = 0;
  std::string caption;
  TMethod onClick;
  int loadedCalls = 0;

 private:
  std::unique_ptr<TTestPart> part_ = std::make_unique<TTestPart>();
  std::unique_ptr<TOwnedCollection<TTestItem>> items_;
  std::unique_ptr<TStringList> lines_ = std::make_unique<TStringList>();
  TComponent* buddy_ = nullptr;
  TTestComponent* parent_ = nullptr;
  std::vector<TTestComponent*> children_;
};

// A root that publishes a method, so event properties can name it.
class TTestForm : public TTestComponent {
 public:
  using TTestComponent::TTestComponent;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// When set, every TTestComponent appends its name here as it is told that loading ended.
inline std::vector<std::string>* loadLog = nullptr;

// Registers the test classes and the standard named constants once.
void RegisterTestClasses();

}  // namespace qr2vor::test
