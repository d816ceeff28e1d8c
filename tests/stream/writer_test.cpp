// The writer's bytes, checked against sequences worked out by hand.

#include "stream/writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bytes.h"
#include "rtl/exceptions.h"
#include "stream/resource.h"
#include "test_classes.h"

namespace qr2vor {
namespace {

using test::B;
using test::Bytes;
using test::Prop;
using test::Record;
using test::Str;

template <class F>
Bytes Written(F&& write) {
  TMemoryStream stream;
  {
    TWriter writer(stream);
    write(writer);
  }
  return stream.Bytes();
}

TEST(WriterValues, IntegersTakeTheNarrowestTag) {
  const struct {
    int32_t value;
    Bytes bytes;
  } rows[] = {
      {0, B({2, 0x00})},
      {127, B({2, 0x7F})},
      {128, B({3, 0x80, 0x00})},
      {-128, B({2, 0x80})},
      {-129, B({3, 0x7F, 0xFF})},
      {32767, B({3, 0xFF, 0x7F})},
      {32768, B({4, 0x00, 0x80, 0x00, 0x00})},
      {-32768, B({3, 0x00, 0x80})},
      {-32769, B({4, 0xFF, 0x7F, 0xFF, 0xFF})},
      {INT32_MIN, B({4, 0x00, 0x00, 0x00, 0x80})},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Written([&](TWriter& w) { w.WriteInteger(row.value); }), row.bytes) << row.value;
  }
}

TEST(WriterValues, StringsUpTo255AreShortLongerAreLong) {
  const std::string s255(255, 'x');
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteString(s255); }), B({6, 255}) + s255);
  const std::string s256(256, 'y');
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteString(s256); }), B({12, 0x00, 0x01, 0, 0}) + s256);
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteString(""); }), B({6, 0}));
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteChar('Q'); }), B({6, 1, 'Q'}));
  // Bare names are cut to 255 characters.
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteStr(s256); }), B({255}) + std::string(255, 'y'));
}

TEST(WriterValues, IdentifiersTrueFalseNilInAnyCase) {
  EXPECT_EQ(Written([](TWriter& w) { w.WriteIdent("TRUE"); }), B({9}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteIdent("false"); }), B({8}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteIdent("NiL"); }), B({13}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteIdent("clRed"); }), B({7, 5, 'c', 'l', 'R', 'e', 'd'}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteBoolean(true); }), B({9}));
}

TEST(WriterValues, SetsListMembersInBitOrder) {
  const TEnumInfo elements("TE", {"a", "bb", "c"});
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteSet(0b101, elements); }), B({11, 1, 'a', 1, 'c', 0}));
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteSet(0, elements); }), B({11, 0}));
  // Members beyond the element names are left out rather than ending the set early.
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteSet(0b11010, elements); }), B({11, 2, 'b', 'b', 0}));
}

TEST(WriterValues, FloatsAreEightyBitExtended) {
  const struct {
    double value;
    Bytes bytes;
  } rows[] = {
      {0.0, B({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
      // 0.1 = 0xCCCCCCCCCCCCD000 * 2^-67 in the double's 53 bits, exponent 16379 = 0x3FFB.
      {0.1, B({5, 0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F})},
      {-1.5, B({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xBF})},
      {1.0, B({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})},
      // 1e300 = 0x1.7E43C8800759Cp+996: mantissa 0xBF21E44003ACE000, exponent 0x43E3.
      {1e300, B({5, 0x00, 0xE0, 0xAC, 0x03, 0x40, 0xE4, 0x21, 0xBF, 0xE3, 0x43})},
      // The smallest denormal double, 2^-1074, is a normal extended number.
      {std::numeric_limits<double>::denorm_min(), B({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B})},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Written([&](TWriter& w) { w.WriteFloat(row.value); }), row.bytes) << row.value;
  }
}

TEST(WriterValues, BinaryAndLists) {
  EXPECT_EQ(
      Written([](TWriter& w) { w.WriteBinary([](TStream& s) { s.WriteBytes("\x01\x02\x03"); }); }),
      B({10, 3, 0, 0, 0, 1, 2, 3}));
  EXPECT_EQ(Written([](TWriter& w) {
              w.WriteListBegin();
              w.WriteInteger(1);
              w.WriteListEnd();
            }),
            B({1, 2, 1, 0}));
}

class WriterTrees : public ::testing::Test {
 protected:
  void SetUp() override { test::RegisterTestClasses(); }
};

TEST_F(WriterTrees, OnlyValuesThatDifferFromTheirDefaultsAreWritten) {
  test::TTestComponent root(nullptr);
  root.SetName("R");
  // Everything at its default: only the property without a default appears.
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteDescendent(root); }),
            "TPF0" + Record("TTestComponent", "R",
                            Prop("NoDefault", B({2, 0})) + Prop("Items", B({14, 0}))));

  root.count = 128;
  root.color = 0x0000FF;  // clRed has a name
  root.letter = 'B';
  root.kind = test::tkThree;
  root.enabled = false;
  root.options = 0b11;
  root.ratio = 1.0;
  root.caption = "Hi";
  root.Part()->size = 3;
  root.SetTag(-1);
  const Bytes expected =
      "TPF0" + Record("TTestComponent", "R",
                      Prop("Tag", B({2, 0xFF})) + Prop("Count", B({3, 0x80, 0})) +
                          Prop("Color", B({7, 5}) + "clRed") + Prop("NoDefault", B({2, 0})) +
                          Prop("Letter", Str("B")) + Prop("Kind", B({7, 7}) + "tkThree") +
                          Prop("Enabled", B({8})) +
                          Prop("Options", B({11, 5}) + "tkOne" + B({5}) + "tkTwo" + B({0})) +
                          Prop("Ratio", B({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})) +
                          Prop("Caption", Str("Hi")) + Prop("Part.Size", B({2, 3})) +
                          Prop("Items", B({14, 0})));
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteDescendent(root); }), expected);
}

TEST_F(WriterTrees, ColourWithoutANameIsAnInteger) {
  test::TTestComponent root(nullptr);
  root.color = 0x123456;
  const Bytes bytes = Written([&](TWriter& w) { w.WriteDescendent(root); });
  EXPECT_NE(bytes.find(Prop("Color", B({4, 0x56, 0x34, 0x12, 0x00}))), Bytes::npos);
}

TEST_F(WriterTrees, CollectionsHaveNoItemIndexesAndEmptyOnesAreStillWritten) {
  test::TTestComponent root(nullptr);
  root.noDefault = 1;
  root.Items()->Add()->caption = "a";
  root.Items()->Add()->value = 2;
  const Bytes items = Prop("Items", B({14, 1}) + Prop("Caption", Str("a")) + B({0, 1}) +
                                        Prop("Value", B({2, 2})) + B({0, 0}));
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteDescendent(root); }),
            "TPF0" + Record("TTestComponent", "", Prop("NoDefault", B({2, 1})) + items));
}

TEST_F(WriterTrees, StringListsAreDefinedPropertiesUnderTheirPath) {
  test::TTestComponent root(nullptr);
  root.Lines()->Add("one");
  root.Lines()->Add("two");
  const Bytes bytes = Written([&](TWriter& w) { w.WriteDescendent(root); });
  EXPECT_NE(bytes.find(Prop("Lines.Strings", B({1}) + Str("one") + Str("two") + B({0}))),
            Bytes::npos);
}

TEST_F(WriterTrees, ComponentReferences) {
  test::TTestComponent root(nullptr);
  root.SetName("Form");
  auto* a = new test::TTestComponent(&root);
  a->SetName("A");
  auto* nested = new test::TTestComponent(a);  // owned by A, not by the root
  nested->SetName("N");
  test::TTestComponent free(nullptr);
  free.SetName("Loose");

  const auto referenceBytes = [&](TComponent* target) {
    a->SetBuddy(target);
    TMemoryStream stream;
    TWriter writer(stream);
    writer.WriteDescendent(root);
    writer.WriteProperty(*a, *a->ClassInfo().FindProperty("Buddy"));
    writer.FlushBuffer();
    return stream.Bytes().substr(stream.Bytes().rfind("Buddy") - 1);
  };
  EXPECT_EQ(referenceBytes(a), Prop("Buddy", B({7, 1}) + "A"));
  EXPECT_EQ(referenceBytes(&root), Prop("Buddy", B({7, 5}) + "Owner"));
  EXPECT_EQ(referenceBytes(nested), Prop("Buddy", B({7, 3}) + "A.N"));
  EXPECT_EQ(referenceBytes(&free), Prop("Buddy", B({7, 11}) + "Loose.Owner"));
  a->SetBuddy(nullptr);
}

TEST_F(WriterTrees, MethodsAreWrittenOnlyWhenTheRootPublishesThem) {
  test::TTestForm root(nullptr);
  root.noDefault = 1;
  root.onClick = TMethod{"ButtonClick", &root};
  const Bytes bytes = Written([&](TWriter& w) { w.WriteDescendent(root); });
  EXPECT_NE(bytes.find(Prop("OnClick", B({7, 11}) + "ButtonClick")), Bytes::npos);
  root.onClick = TMethod{"Unknown", &root};
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteDescendent(root); }).find("OnClick"), Bytes::npos);
}

TEST_F(WriterTrees, ChildrenFollowInTheParentsOrderAndDesignPositionsAreDefinedProperties) {
  test::TTestComponent root(nullptr);
  root.noDefault = 1;
  auto* child = new test::TTestComponent(&root);
  child->SetName("C");
  child->noDefault = 2;
  child->SetParentComponent(&root);
  child->SetDesignInfo((7 << 16) | 300);
  const Bytes expected =
      "TPF0" + Record("TTestComponent", "",
                      Prop("NoDefault", B({2, 1})) + Prop("Items", B({14, 0})),
                      Record("TTestComponent", "C",
                             Prop("NoDefault", B({2, 2})) + Prop("Items", B({14, 0})) +
                                 Prop("Left", B({3, 0x2C, 0x01})) + Prop("Top", B({2, 7}))));
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteDescendent(root); }), expected);
}

// A descendant publishing "Count" again with a stored rule: the rule belongs to "Count", not to
// the property that ends the table ("OnClick").
class TRepublished : public test::TTestComponent {
 public:
  using TTestComponent::TTestComponent;
  static const TClassInfo& StaticClassInfo() {
    using T = TRepublished;
    static const TClassInfo info = TClassInfo::Derive<T, TTestComponent>("TRepublished")
                                       .Integer("Count", &T::count, &T::count, 0)
                                       .StoredIf(&T::enabled)
                                       .Integer("NoDefault", &T::noDefault, &T::noDefault, 0)
                                       .Stored(false);
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

TEST_F(WriterTrees, StoredRulesApplyToThePropertyPublishedAgain) {
  TRepublished root(nullptr);
  root.count = 3;
  root.noDefault = 4;
  root.enabled = false;
  root.onClick = TMethod{"Click", &root};
  EXPECT_EQ(
      Written([&](TWriter& w) { w.WriteDescendent(root); }),
      "TPF0" + Record("TRepublished", "", Prop("Enabled", B({8})) + Prop("Items", B({14, 0}))));
  const TPropInfo* onClick = TRepublished::StaticClassInfo().FindProperty("OnClick");
  ASSERT_NE(onClick, nullptr);
  EXPECT_TRUE(onClick->IsStored(root));
  root.enabled = true;
  EXPECT_EQ(
      Written([&](TWriter& w) { w.WriteDescendent(root); }),
      "TPF0" + Record("TRepublished", "", Prop("Count", B({2, 3})) + Prop("Items", B({14, 0}))));
}

TEST(ResourceHeader, NamedTQuickRepIs19BytesWithTheSizePatched) {
  test::RegisterTestClasses();
  test::TTestComponent root(nullptr);
  root.noDefault = 1;
  TMemoryStream stream;
  WriteDescendentRes(stream, "TQuickRep", root);
  const Bytes& bytes = stream.Bytes();
  const uint32_t size = static_cast<uint32_t>(bytes.size() - 19);
  EXPECT_EQ(bytes.substr(0, 19),
            B({0xFF, 0x0A, 0x00, 'T', 'Q', 'U', 'I', 'C', 'K', 'R', 'E', 'P', 0x00, 0x30, 0x10,
               static_cast<int>(size & 0xFF), static_cast<int>(size >> 8), 0, 0}));
  EXPECT_EQ(bytes.substr(19, 4), "TPF0");
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(bytes.size()));

  stream.SetPosition(0);
  EXPECT_EQ(ReadResHeader(stream), "TQUICKREP");
  EXPECT_EQ(stream.Position(), 19);
}

TEST(ResourceHeader, AnythingElseIsNotAFormFile) {
  for (const Bytes& bytes :
       {Bytes("object Form1: TForm1\r\nend\r\n"), Bytes("TPF0"), B({0xFF, 0x0B, 0}),
        // The type is the number 10 in two bytes: a high byte other than 0 is another type.
        B({0xFF, 0x0A, 0x01, 'X', 0, 0x30, 0x10, 0, 0, 0, 0}) + "TPF0", Bytes()}) {
    TMemoryStream stream(bytes);
    try {
      ReadResHeader(stream);
      ADD_FAILURE() << "accepted " << bytes;
    } catch (const EInvalidImage& e) {
      EXPECT_STREQ(e.what(), "Invalid stream format");
    }
  }
}

TEST(StreamFailures, AShortWriteIsAStreamWriteError) {
  class TFullStream : public TMemoryStream {
   public:
    size_t Write(const void*, size_t) override { return 0; }
  } full;
  TWriter writer(full);
  writer.WriteString("abc");
  try {
    writer.FlushBuffer();
    FAIL();
  } catch (const EWriteError& e) {
    EXPECT_STREQ(e.what(), "Stream write error");
  }
}

}  // namespace
}  // namespace qr2vor
