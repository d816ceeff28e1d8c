// Ownership, naming and notification of components; collections; string lists.

#include "rtl/component.h"

#include <gtest/gtest.h>

#include "rtl/collection.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace qr2vor {
namespace {

std::vector<std::string>* destroyed = nullptr;

// Records its destruction and forgets a watched component when told it is freed.
class TProbe : public TComponent {
 public:
  using TComponent::TComponent;
  ~TProbe() override {
    if (destroyed != nullptr) destroyed->push_back(Name());
  }
  void Watch(TComponent* other) {
    watched = other;
    other->FreeNotification(this);
  }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == watched) watched = nullptr;
  }
  TComponent* watched = nullptr;
};

TEST(ComponentOwnership, OwnerDestroysItsComponentsLastFirst) {
  std::vector<std::string> log;
  destroyed = &log;
  {
    auto owner = std::make_unique<TProbe>(nullptr);
    owner->SetName("Owner");
    for (const char* name : {"A", "B", "C"}) (new TProbe(owner.get()))->SetName(name);
    auto* b = owner->FindComponent("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->ComponentIndex(), 1);
    delete b;  // leaves its owner
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(1)->Name(), "C");
  }
  destroyed = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"B", "Owner", "C", "A"}));
}

TEST(ComponentOwnership, InsertComponentMovesBetweenOwners) {
  TProbe first(nullptr);
  TProbe second(nullptr);
  auto* moved = new TProbe(&first);
  moved->SetName("Moved");
  second.InsertComponent(moved);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(moved->Owner(), &second);
  (new TProbe(&first))->SetName("Moved");
  EXPECT_THROW(second.InsertComponent(first.Components(0)), EComponentError);
  std::unique_ptr<TComponent> released = second.RemoveComponent(moved);
  EXPECT_EQ(released.get(), moved);
  EXPECT_EQ(moved->Owner(), nullptr);
}

TEST(ComponentOwnership, FreeNotificationClearsReferencesBothWays) {
  TProbe owner(nullptr);
  auto* target = new TProbe(&owner);
  TProbe outsider(nullptr);
  outsider.Watch(target);
  auto* sibling = new TProbe(&owner);
  sibling->Watch(target);
  delete target;
  EXPECT_EQ(outsider.watched, nullptr);
  EXPECT_EQ(sibling->watched, nullptr);

  // The watcher going first must not leave the watched one pointing at it.
  auto* watched = new TProbe(&owner);
  {
    TProbe shortLived(nullptr);
    shortLived.Watch(watched);
  }
  delete watched;
}

TEST(ComponentNames, IdentifiersOnlyAndUniqueWithinTheOwner) {
  TProbe owner(nullptr);
  auto* a = new TProbe(&owner);
  a->SetName("Label1");
  auto* b = new TProbe(&owner);
  try {
    b->SetName("LABEL1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named LABEL1 already exists");
  }
  for (const char* bad : {"1abc", "a b", "a.b", "-"}) {
    try {
      b->SetName(bad);
      FAIL() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid component name");
    }
  }
  b->SetName("_x9");
  a->SetName("label1");  // the same component may change the case of its own name
  b->SetName("");
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_EQ(owner.FindComponent("LaBeL1"), a);
}

class TNamedItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  void Assign(const TPersistent& source) override {
    text = dynamic_cast<const TNamedItem&>(source).text;
  }
  std::string text;
};

TEST(Collections, AddDeleteMoveAndBounds) {
  TOwnedCollection<TNamedItem> items(nullptr);
  for (const char* t : {"a", "b", "c"}) items.Add()->text = t;
  items.Move(0, 2);
  EXPECT_EQ(items.Items(0)->text, "b");
  EXPECT_EQ(items.Items(2)->text, "a");
  EXPECT_EQ(items.Items(2)->Index(), 2);
  items.Delete(1);
  EXPECT_EQ(items.Count(), 2);
  try {
    items.Items(5);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  TOwnedCollection<TNamedItem> copy(nullptr);
  copy.Add()->text = "gone";
  copy.Assign(items);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Items(1)->text, "a");
}

TEST(StringLists, TextSplitsAtEveryLineBreakKind) {
  TStringList list;
  list.SetText("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  list.SetText("\r\n\r\n");
  EXPECT_EQ(list.Count(), 2);
}

TEST(StringLists, CommaTextQuotesWhatNeedsIt) {
  TStringList list;
  list.Add("plain");
  list.Add("with space");
  list.Add("say \"hi\"");
  list.Add("");
  EXPECT_EQ(list.CommaText(), "plain,\"with space\",\"say \"\"hi\"\"\",\"\"");
  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_TRUE(back.Equals(list));
}

TEST(StringLists, SortedListsAndDuplicates) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig", "apple"}) list.Add(s);
  EXPECT_EQ(list.CommaText(), "Apple,fig,pear");
  list.SetDuplicates(TDuplicates::dupError);
  EXPECT_THROW(list.Add("FIG"), EStringListError);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  EXPECT_EQ(list.IndexOf("PEAR"), 2);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("PEAR"), -1);
}

TEST(StringLists, NameValuePairsAndChangeEvents) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.SetValue("Key", "1");
  list.SetValue("key", "2");
  EXPECT_EQ(list.Values("KEY"), "2");
  EXPECT_EQ(list.Names(0), "key");  // the name as last set
  list.BeginUpdate();
  list.Add("a");
  list.Add("b");
  list.EndUpdate();
  EXPECT_EQ(changes, 3);
  list.SetValue("Key", "");
  EXPECT_EQ(list.IndexOfName("Key"), -1);
}

}  // namespace
}  // namespace qr2vor
