// Controls as the reader and writer see them: parents, child order, "IsControl".

#include "rtl/controls.h"

#include <gtest/gtest.h>

#include "bytes.h"
#include "stream/reader.h"
#include "stream/registry.h"
#include "stream/writer.h"

namespace qr2vor {
namespace {

using test::B;
using test::Bytes;
using test::Prop;
using test::Record;

class TPanelForTest : public TCustomPanel {
 public:
  using TCustomPanel::TCustomPanel;
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Derive<TPanelForTest, TCustomPanel>("TPanelForTest").Creatable();
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

void Register() {
  static const bool done = [] {
    RegisterStandardIntegerConsts();
    RegisterClass(TPanelForTest::StaticClassInfo());
    return true;
  }();
  static_cast<void>(done);
}

TEST(Controls, ChildrenAreReadIntoTheirParentInFileOrder) {
  Register();
  const Bytes bounds = Prop("Left", B({2, 1})) + Prop("Top", B({2, 2})) + Prop("Width", B({2, 3})) +
                       Prop("Height", B({2, 4}));
  const Bytes tree =
      "TPF0" +
      Record("TPanelForTest", "Root", bounds,
             Record("TPanelForTest", "A", bounds + Prop("IsControl", B({9})),
                    Record("TPanelForTest", "A1", bounds)) +
                 Record("TPanelForTest", "B", bounds + Prop("Cursor", test::Ident("crHandPoint"))));
  TMemoryStream stream(tree);
  TPanelForTest root(nullptr);
  TReader(stream).ReadRootComponent(&root);

  ASSERT_EQ(root.ControlCount(), 2);
  auto* a = static_cast<TPanelForTest*>(root.Controls(0));
  EXPECT_EQ(a->Name(), "A");
  EXPECT_TRUE(a->IsControl());
  EXPECT_EQ(a->Controls(0)->Name(), "A1");
  EXPECT_EQ(a->Controls(0)->Owner(), &root);  // owned by the root, placed in A
  EXPECT_EQ(root.Controls(1)->Cursor(), -21);
  EXPECT_EQ(a->Left() + a->Top() + a->Width() + a->Height(), 10);

  // Written back: the same bytes, children in their parent's order.
  TMemoryStream out;
  {
    TWriter writer(out);
    writer.WriteDescendent(root);
  }
  EXPECT_EQ(out.Bytes(), tree);
}

TEST(Controls, DestroyingAParentDestroysWhatItHolds) {
  TPanelForTest form(nullptr);
  auto* outer = new TPanelForTest(&form);
  auto* inner = new TPanelForTest(&form);
  inner->SetParent(outer);
  auto* other = new TPanelForTest(&form);
  other->SetParent(&form);
  EXPECT_EQ(form.ComponentCount(), 3);
  delete outer;
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), other);
  other->SetParent(nullptr);
  EXPECT_EQ(form.ControlCount(), 0);
}

TEST(Controls, AParentInsideTheControlsOwnTreeIsRefused) {
  TPanelForTest form(nullptr);
  auto* outer = new TPanelForTest(&form);
  auto* inner = new TPanelForTest(&form);
  outer->SetParent(&form);
  inner->SetParent(outer);
  for (TWinControl* parent : {static_cast<TWinControl*>(outer), static_cast<TWinControl*>(inner)}) {
    EXPECT_THROW(
        {
          try {
            outer->SetParent(parent);
          } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "A control cannot have itself as its parent");
            throw;
          }
        },
        EInvalidOperation);
    // The tree stays as it was.
    EXPECT_EQ(outer->Parent(), &form);
    EXPECT_EQ(inner->Parent(), outer);
    EXPECT_EQ(outer->ControlCount(), 1);
  }
}

}  // namespace
}  // namespace qr2vor
