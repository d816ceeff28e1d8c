#include "stream/registry.h"

#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "test_classes.h"

namespace qr2vor {
namespace {

class TOtherComponent : public TComponent {
 public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Derive<TOtherComponent, TComponent>("TOtherComponent").Creatable();
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// Another class that claims a registered name.
class TImpostor : public TComponent {
 public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Derive<TImpostor, TComponent>("TTESTCOMPONENT");
    return info;
  }
};

TEST(ClassRegistry, RegistersAncestorsAndFindsNamesInAnyCase) {
  test::RegisterTestClasses();
  EXPECT_EQ(GetClass("ttestform"), &test::TTestForm::StaticClassInfo());
  EXPECT_EQ(GetClass("TComponent"), &TComponent::StaticClassInfo());
  EXPECT_EQ(GetClass("TPersistent"), &TPersistent::StaticClassInfo());
  EXPECT_EQ(GetClass("TTestForm1"), nullptr);
  // Registering again is harmless.
  RegisterClass(test::TTestForm::StaticClassInfo());
}

TEST(ClassRegistry, FailuresCarryTheirMessages) {
  test::RegisterTestClasses();
  try {
    RegisterClass(TImpostor::StaticClassInfo());
    FAIL();
  } catch (const EFilerError& e) {
    EXPECT_STREQ(e.what(), "A class named TTESTCOMPONENT already exists");
  }
  try {
    FindClass("TQRNothing");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TQRNothing not found");
  }
}

TEST(ClassRegistry, AliasesAreSearchedAfterClasses) {
  RegisterClassAlias(TOtherComponent::StaticClassInfo(), "TQuickReport");
  EXPECT_EQ(GetClass("tquickreport"), &TOtherComponent::StaticClassInfo());
  EXPECT_EQ(GetClass("TOtherComponent"), &TOtherComponent::StaticClassInfo());
  UnRegisterClass(TOtherComponent::StaticClassInfo());
  EXPECT_EQ(GetClass("TQuickReport"), nullptr);
}

}  // namespace
}  // namespace qr2vor
