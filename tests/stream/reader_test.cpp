// The reader over streams written out by hand: every tag, prefixes, collections, references,
// recovery through the error hook, every failure message, and hostile input.

#include "stream/reader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bytes.h"
#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "stream/registry.h"
#include "stream/writer.h"
#include "test_classes.h"

namespace qr2vor {
namespace {

using test::B;
using test::Bytes;
using test::Ident;
using test::Prop;
using test::Record;
using test::S;
using test::Str;
using test::TTestComponent;

// Every test runs with the usual buffer and with buffers so small that refills fall inside
// values, inside the error paths and before the give-back on destruction.
class ReaderTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { test::RegisterTestClasses(); }

  // Reads `bytes` (a stream after "TPF0") into a fresh root; the error hook records messages
  // and handles them when `handle` is set.
  std::unique_ptr<TTestComponent> Read(const Bytes& bytes, bool handle = false,
                                       int codePage = kDefaultCodePage) {
    TMemoryStream stream("TPF0" + bytes);
    auto root = std::make_unique<test::TTestForm>(nullptr);
    TReader reader(stream, GetParam());
    reader.SetCodePage(codePage);
    reader.OnError = [&](TReader&, const std::string& message, bool& handled) {
      errors.push_back(message);
      handled = handle;
    };
    reader.ReadRootComponent(root.get());
    lostCharacters = reader.LostCharacters();
    return root;
  }
  // The message of the exception reading `bytes` raises.
  std::string Failure(const Bytes& bytes) {
    try {
      Read(bytes);
    } catch (const Exception& e) {
      return e.what();
    }
    return "(no failure)";
  }

  std::vector<std::string> errors;
  size_t lostCharacters = 0;
};

TEST_P(ReaderTest, EveryPropertyKindFromItsTags) {
  const Bytes props = Prop("Tag", B({4, 0x78, 0x56, 0x34, 0x12})) +
                      Prop("Count", B({3, 0x00, 0x80})) + Prop("Color", Ident("clBtnFace")) +
                      Prop("NoDefault", B({2, 0xFE})) + Prop("Letter", Str("Z")) +
                      Prop("Kind", Ident("tkTwo")) + Prop("Enabled", B({8})) +
                      Prop("Options", B({11}) + S("tkOne") + S("tkThree") + B({0})) +
                      Prop("Ratio", B({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xBF})) +
                      Prop("Caption", B({12, 3, 0, 0, 0}) + "abc") + Prop("Part.Label", Str("in"));
  const auto root = Read(Record("TTestForm", "Form", props));
  EXPECT_EQ(root->Name(), "Form");
  EXPECT_EQ(root->Tag(), 0x12345678);
  EXPECT_EQ(root->count, -32768);
  EXPECT_EQ(root->color, static_cast<int32_t>(0x8000000F));
  EXPECT_EQ(root->noDefault, -2);
  EXPECT_EQ(root->letter, 'Z');
  EXPECT_EQ(root->kind, test::tkTwo);
  EXPECT_FALSE(root->enabled);
  EXPECT_EQ(root->options, 0b101u);
  EXPECT_EQ(root->ratio, -1.5);
  EXPECT_EQ(root->caption, "abc");
  EXPECT_EQ(root->Part()->label, "in");
}

TEST_P(ReaderTest, FloatsFromIntegerTagsAndNamesInAnyCase) {
  const auto root = Read(Record("TTestForm", "",
                                Prop("RATIO", B({3, 0xE8, 0x03})) + Prop("part.size", B({2, 4})) +
                                    Prop("kind", Ident("TKTHREE"))));
  EXPECT_EQ(root->ratio, 1000.0);
  EXPECT_EQ(root->Part()->size, 4);
  EXPECT_EQ(root->kind, test::tkThree);
}

TEST_P(ReaderTest, LaterTagsReadIntoTheirProperties) {
  // 1.5 as single, 2.25 as double, 3.5 as date, 1.2345 as currency (12345 / 10000).
  const Bytes props = Prop("Ratio", B({15, 0x00, 0x00, 0xC0, 0x3F})) +
                      Prop("Count", B({19, 5, 0, 0, 0, 0, 0, 0, 0})) +
                      Prop("Caption", B({20, 6, 0, 0, 0, 'C', 0xC3, 0xA9, 0xE2, 0x82, 0xAC})) +
                      Prop("Part.Label", B({18, 3, 0, 0, 0, 'a', 0, 0x3A, 0x04, 0xAC, 0x20}));
  const auto root = Read(Record("TTestForm", "", props));
  EXPECT_EQ(root->ratio, 1.5);
  EXPECT_EQ(root->count, 5);
  // UTF-8 "Cé€" and UTF-16 "a", Cyrillic Ka, euro, in Windows-1252.
  EXPECT_EQ(root->caption, "C\xE9\x80");
  EXPECT_EQ(root->Part()->label, "a?\x80");

  const struct {
    Bytes value;
    double expected;
  } floats[] = {
      {B({21, 0, 0, 0, 0, 0, 0, 0x02, 0x40}), 2.25},
      {B({17, 0, 0, 0, 0, 0, 0, 0x0C, 0x40}), 3.5},
      {B({16, 0x39, 0x30, 0, 0, 0, 0, 0, 0}), 1.2345},
  };
  for (const auto& row : floats) {
    EXPECT_DOUBLE_EQ(Read(Record("TTestForm", "", Prop("Ratio", row.value)))->ratio, row.expected);
  }
  // A 64-bit integer that does not fit an integer property is a bad value.
  Read(Record("TTestForm", "", Prop("Count", B({19, 0, 0, 0, 0, 1, 0, 0, 0}))), true);
  EXPECT_EQ(errors.back(), "Error reading TTestForm.Count: Invalid property value");
}

TEST_P(ReaderTest, LaterStringsConvertIntoTheReadersCodePage) {
  // UTF-8 "Cé€中" and UTF-16 "a", Cyrillic Zhe, euro.
  const Bytes props =
      Prop("Caption", B({20, 9, 0, 0, 0, 'C', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xE4, 0xB8, 0xAD})) +
      Prop("Part.Label", B({18, 3, 0, 0, 0, 'a', 0, 0x16, 0x04, 0xAC, 0x20}));
  const struct {
    int codePage;
    const char* caption;
    const char* label;
    size_t lost;
  } rows[] = {
      {1252, "C\xE9\x80?", "a?\x80", 2},
      {1251, "C?\x88?", "a\xC6\x88", 2},
      {936, "C\xA8\xA6\x80\xD6\xD0", "a\xA7\xA8\x80", 0},
  };
  for (const auto& row : rows) {
    const auto root = Read(Record("TTestForm", "", props), false, row.codePage);
    EXPECT_EQ(root->caption, row.caption) << row.codePage;
    EXPECT_EQ(root->Part()->label, row.label) << row.codePage;
    EXPECT_EQ(lostCharacters, row.lost) << row.codePage;
  }
}

TEST_P(ReaderTest, PrefixesAndChildPositions) {
  const Bytes children =
      Record("TTestComponent", "A", "", "", B({0xF0})) +          // a prefix without flags
      Record("TTestComponent", "B", "", "", B({0xF2, 2, 0})) +    // moved to position 0
      Record("TTestComponent", "C", "", "", B({0xFE, 3, 1, 0}));  // bits 2 and 3 ignored
  const auto root = Read(Record("TTestForm", "", "", children));
  ASSERT_EQ(root->Children().size(), 3u);
  EXPECT_EQ(root->Children()[0]->Name(), "B");
  EXPECT_EQ(root->Children()[1]->Name(), "C");
  EXPECT_EQ(root->Children()[2]->Name(), "A");
}

TEST_P(ReaderTest, InheritedObjectsAreFoundByNameOrReported) {
  TMemoryStream stream(
      "TPF0" + Record("TTestForm", "", "",
                      Record("TTestComponent", "Old", Prop("Count", B({2, 9})), "", B({0xF1}))));
  test::TTestForm root(nullptr);
  auto* existing = new TTestComponent(&root);
  existing->SetName("Old");
  TReader reader(stream, GetParam());
  reader.ReadRootComponent(&root);
  EXPECT_EQ(existing->count, 9);
  EXPECT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(root.Children().at(0), existing);

  EXPECT_EQ(
      Failure(Record("TTestForm", "", "", Record("TTestComponent", "Gone", "", "", B({0xF1})))),
      "Ancestor for 'Gone' not found");
}

TEST_P(ReaderTest, CollectionsWithItemIndexesAndEmptyCollections) {
  const Bytes items = B({14, 2, 7, 1}) + Prop("Caption", Str("x")) + B({0}) + B({3, 1, 0, 1}) +
                      Prop("Value", B({2, 4})) + B({0, 0});
  const auto root = Read(Record("TTestForm", "", Prop("Items", items)));
  ASSERT_EQ(root->Items()->Count(), 2);
  EXPECT_EQ(root->Items()->Items(0)->caption, "x");
  EXPECT_EQ(root->Items()->Items(1)->value, 4);

  // A stored collection without items leaves the items already there.
  TMemoryStream stream("TPF0" + Record("TTestForm", "", Prop("Items", B({14, 0}))));
  test::TTestForm form(nullptr);
  form.Items()->Add()->caption = "kept";
  TReader(stream, GetParam()).ReadRootComponent(&form);
  ASSERT_EQ(form.Items()->Count(), 1);
  EXPECT_EQ(form.Items()->Items(0)->caption, "kept");
}

TEST_P(ReaderTest, ReferencesInItemsResolveAndACollectionReadAgainDropsThoseOfItsOldItems) {
  const Bytes linked = B({14, 1}) + Prop("Link", Ident("Child")) + B({0, 1}) +
                       Prop("Link", Ident("Elsewhere.Child")) + B({0, 0});
  const Bytes child = Record("TTestComponent", "Child", "");
  {
    const auto root = Read(Record("TTestForm", "", Prop("Items", linked), child));
    ASSERT_EQ(root->Items()->Count(), 2);
    EXPECT_EQ(root->Items()->Items(0)->Link(), root->FindComponent("Child"));
    EXPECT_EQ(PendingGlobalFixups(), 1u);
  }
  EXPECT_EQ(PendingGlobalFixups(), 0u);

  // The second "Items" frees the items the first one made; their references go with them.
  const Bytes again = B({14, 1}) + Prop("Caption", Str("c")) + B({0, 0});
  const auto root =
      Read(Record("TTestForm", "", Prop("Items", linked) + Prop("Items", again), child));
  ASSERT_EQ(root->Items()->Count(), 1);
  EXPECT_EQ(root->Items()->Items(0)->caption, "c");
  EXPECT_EQ(root->Items()->Items(0)->Link(), nullptr);
  EXPECT_EQ(PendingGlobalFixups(), 0u);
}

TEST_P(ReaderTest, NilForEveryObjectAndMethodProperty) {
  const Bytes nils = Prop("Part", B({13})) + Prop("Items", B({13})) + Prop("Lines", B({13})) +
                     Prop("Buddy", B({13})) + Prop("OnClick", B({13})) + Prop("Count", B({2, 5}));
  const auto root = Read(Record("TTestForm", "", nils, Record("TTestComponent", "C", "")));
  EXPECT_EQ(errors, std::vector<std::string>{});
  EXPECT_EQ(root->count, 5);
  EXPECT_EQ(root->Part()->size, 10);
  EXPECT_EQ(root->Buddy(), nullptr);
  EXPECT_FALSE(root->onClick.Assigned());
}

TEST_P(ReaderTest, StringListsAreReplacedWhole) {
  TMemoryStream stream(
      "TPF0" +
      Record("TTestForm", "",
             Prop("Lines.Strings", B({1}) + Str("a") + B({12, 1, 0, 0, 0}) + "b" + B({0}))));
  test::TTestForm form(nullptr);
  form.Lines()->Add("old");
  TReader(stream, GetParam()).ReadRootComponent(&form);
  EXPECT_EQ(form.Lines()->Text(), "a\r\nb\r\n");
}

TEST_P(ReaderTest, ReferencesResolveAfterTheTreeAlsoForLaterComponents) {
  const Bytes children = Record("TTestComponent", "First", Prop("Buddy", Ident("Second"))) +
                         Record("TTestComponent", "Second", Prop("Buddy", Ident("owner"))) +
                         Record("TTestComponent", "Third", Prop("Buddy", Ident("Missing")));
  const auto root = Read(Record("TTestForm", "", "", children));
  const auto* first = root->FindComponent("First");
  const auto* second = root->FindComponent("Second");
  EXPECT_EQ(static_cast<const TTestComponent*>(first)->Buddy(), second);
  EXPECT_EQ(static_cast<const TTestComponent*>(second)->Buddy(), root.get());
  EXPECT_EQ(static_cast<const TTestComponent*>(root->FindComponent("Third"))->Buddy(), nullptr);
}

TEST_P(ReaderTest, ReferencesIntoOtherRootsWaitForThatRoot) {
  test::TTestForm other(nullptr);
  other.SetName("DataModule1");
  auto* target = new TTestComponent(&other);
  target->SetName("Table1");
  {
    const auto root = Read(Record("TTestForm", "", Prop("Buddy", Ident("DataModule1.Table1"))));
    EXPECT_EQ(root->Buddy(), nullptr);
    EXPECT_EQ(PendingGlobalFixups(), 1u);
    SetFindGlobalComponent([&](std::string_view name) -> TComponent* {
      return SameText(name, "DataModule1") ? &other : nullptr;
    });
    GlobalFixupReferences();
    EXPECT_EQ(root->Buddy(), target);
    EXPECT_EQ(PendingGlobalFixups(), 0u);
    SetFindGlobalComponent(nullptr);
    // A reference still waiting when its object goes is dropped with it.
    const auto again = Read(Record("TTestForm", "", Prop("Buddy", Ident("Elsewhere.X"))));
    EXPECT_EQ(PendingGlobalFixups(), 1u);
  }
  EXPECT_EQ(PendingGlobalFixups(), 0u);
  GlobalFixupReferences();
}

TEST_P(ReaderTest, MethodsThroughTheRootAndTheFindMethodHook) {
  EXPECT_EQ(Read(Record("TTestForm", "", Prop("OnClick", Ident("ButtonClick"))))->onClick.name,
            "ButtonClick");
  EXPECT_EQ(Failure(Record("TTestForm", "F", Prop("OnClick", Ident("Nope")))),
            "Error reading F.OnClick: Invalid property value");

  // The converter's hook: no address and no error, so the handler stays unassigned.
  TMemoryStream stream("TPF0" + Record("TTestForm", "", Prop("OnClick", Ident("Nope"))));
  test::TTestForm form(nullptr);
  TReader reader(stream, GetParam());
  reader.OnFindMethod = [](TReader&, const std::string&, bool& found, bool& error) {
    found = false;
    error = false;
  };
  reader.ReadRootComponent(&form);
  EXPECT_FALSE(form.onClick.Assigned());
}

TEST_P(ReaderTest, UnknownClassIsSkippedWithAllItNestsWhenTheHookHandlesIt) {
  const Bytes unknown =
      Record("TUnknownPanel", "Panel", Prop("Whatever", B({10, 2, 0, 0, 0, 1, 2})),
             Record("TTestComponent", "Inside", Prop("Count", B({2, 1}))) +
                 Record("TAlsoUnknown", "Deeper", ""));
  const Bytes children = Record("TTestComponent", "Before", "") + unknown +
                         Record("TTestComponent", "After", Prop("Count", B({2, 3})));
  const auto root = Read(Record("TTestForm", "", "", children), true);
  EXPECT_EQ(errors, std::vector<std::string>{"Class TUnknownPanel not found"});
  EXPECT_EQ(root->ComponentCount(), 2);
  EXPECT_EQ(root->FindComponent("Inside"), nullptr);
  EXPECT_EQ(static_cast<TTestComponent*>(root->FindComponent("After"))->count, 3);
}

TEST_P(ReaderTest, PropertyErrorsAreSkippedWhenHandled) {
  // A path ending in a dot names no property: its value is skipped like any unknown one's.
  const Bytes props = Prop("Part.", Str("x")) + Prop("Bogus", B({1, 2, 1, 6, 1, 'x', 0})) +
                      Prop("Kind", Ident("tkNine")) + Prop("Count", Str("text")) +
                      Prop("Count", B({2, 5}));
  const auto root = Read(Record("TTestForm", "R", props), true);
  EXPECT_EQ(errors, (std::vector<std::string>{"Error reading R.Part.: Property does not exist",
                                              "Error reading R.Bogus: Property does not exist",
                                              "Error reading R.Kind: Invalid property value",
                                              "Error reading R.Count: Invalid property value"}));
  EXPECT_EQ(root->count, 5);
}

// After a handled error the next record is read from its first byte: one row per kind of value,
// each followed by "Count = 5", which must arrive.
TEST_P(ReaderTest, AfterEachHandledErrorTheNextRecordIsReadInStep) {
  const Bytes item = B({1}) + Prop("Caption", Str("x")) + B({0});
  const struct {
    const char* what;
    Bytes props;
    std::vector<std::string> errors;
  } rows[] = {
      {"string list with a number among its strings",
       Prop("Lines.Strings", B({1}) + Str("a") + B({2, 5}) + Str("b") + B({0})),
       {"Error reading R.Lines.Strings: Invalid property value"}},
      {"string list with a nested list among its strings",
       Prop("Lines.Strings", B({1, 1}) + Str("x") + B({0}) + Str("a") + B({0})),
       {"Error reading R.Lines.Strings: Invalid property value"}},
      {"string list given as a string",
       Prop("Lines.Strings", Str("a")),
       {"Error reading R.Lines.Strings: Invalid property value"}},
      {"set with an unknown name",
       Prop("Options", B({11}) + S("tkTen") + S("tkOne") + B({0})),
       {"Error reading R.Options: Invalid property value"}},
      {"set given as a list",
       Prop("Options", B({1, 2, 1, 0})),
       {"Error reading R.Options: Invalid property value"}},
      {"collection item with an unknown property",
       Prop("Items",
            B({14, 1}) + Prop("Nope", B({1, 2, 1, 0})) + Prop("Value", B({2, 1})) + B({0, 0})),
       {"Error reading R.Nope: Property does not exist"}},
      {"collection for a property that is not one",
       Prop("Part", B({14}) + item + B({0})),
       {"Error reading R.Part: Invalid property value"}},
      {"collection for an integer",
       Prop("Count", B({14}) + item + B({0})),
       {"Error reading R.Count: Invalid property value"}},
      {"nested object's unknown property",
       Prop("Part.Nope", B({11}) + S("a") + B({0})),
       {"Error reading R.Part.Nope: Property does not exist"}},
      {"path through an integer",
       Prop("Count.Size", B({12, 2, 0, 0, 0}) + "ab"),
       {"Error reading R.Count.Size: Invalid property path"}},
      {"reference given as a number",
       Prop("Buddy", B({4, 1, 2, 3, 4})),
       {"Error reading R.Buddy: Invalid property value"}},
      {"character given as a long string",
       Prop("Letter", B({12, 2, 0, 0, 0}) + "ab"),
       {"Error reading R.Letter: Invalid property value"}},
      {"integer beyond 32 bits",
       Prop("Count", B({19, 0, 0, 0, 0, 1, 0, 0, 0})),
       {"Error reading R.Count: Invalid property value"}},
      {"unknown child class",
       Record("TNoSuchClass", "X", Prop("P", B({1, 0})), Record("T", "", "")),
       {"Class TNoSuchClass not found"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    errors.clear();
    // An unknown child is a child record; everything else is a property record.
    const bool child = row.props.starts_with(S("TNoSuchClass"));
    const auto root =
        Read(Record("TTestForm", "R", (child ? "" : row.props) + Prop("Count", B({2, 5})),
                    child ? row.props : ""),
             true);
    EXPECT_EQ(errors, row.errors);
    EXPECT_EQ(root->count, 5);
  }
  // The list keeps its good strings; the collection its item.
  const auto lines =
      Read(Record("TTestForm", "R",
                  Prop("Lines.Strings", B({1}) + Str("a") + B({2, 5}) + Str("b") + B({0}))),
           true);
  EXPECT_EQ(lines->Lines()->Text(), "a\r\nb\r\n");
}

// A broken stream cannot be followed, so it ends the read even when the hook handles errors.
TEST_P(ReaderTest, ABrokenStreamEndsTheReadEvenWhenErrorsAreHandled) {
  const struct {
    Bytes props;
    const char* message;
  } rows[] = {
      {Prop("Bogus", B({22, 2, 5})), "Error reading R.Bogus: Invalid stream format"},
      {Prop("Lines.Strings", B({1, 22, 0})),
       "Error reading R.Lines.Strings: Invalid stream format"},
      {Prop("Items", B({14, 6, 0})), "Error reading R.Items: Invalid stream format"},
      {Prop("Items", B({14, 1}) + Prop("Caption", B({12, 0xFF, 0xFF, 0, 0})) + B({0, 0})),
       "Error reading R.Caption: Stream read error"},
  };
  for (const auto& row : rows) {
    errors.clear();
    try {
      Read(Record("TTestForm", "R", row.props + Prop("Count", B({2, 5}))), true);
      ADD_FAILURE() << "no exception for " << row.message;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
    EXPECT_EQ(errors, std::vector<std::string>{});
  }
}

TEST_P(ReaderTest, EveryFailureMessage) {
  const struct {
    Bytes bytes;
    const char* message;
  } rows[] = {
      {Record("TTestForm", "R", Prop("Nothing", B({2, 1}))),
       "Error reading R.Nothing: Property does not exist"},
      {Record("TTestForm", "R", Prop("Count.Size", B({2, 1}))),
       "Error reading R.Count.Size: Invalid property path"},
      {Record("TTestForm", "R", Prop("Nowhere.Size", B({2, 1}))),
       "Error reading R.Nowhere.Size: Property does not exist"},
      {Record("TTestForm", "R", Prop("Serial", B({2, 1}))),
       "Error reading R.Serial: Property is read-only"},
      {Record("TTestForm", "R", Prop("Enabled", B({2, 1}))),
       "Error reading R.Enabled: Invalid property value"},
      {Record("TTestForm", "R", Prop("Options", B({11}) + S("tkTen") + S("tkOne") + B({0}))),
       "Error reading R.Options: Invalid property value"},
      {Record("TTestForm", "R", Prop("Color", Ident("clNoSuchColour"))),
       "Error reading R.Color: Invalid property value"},
      {Record("TTestForm", "R", Prop("Letter", Str("ab"))),
       "Error reading R.Letter: Invalid property value"},
      {Record("TTestForm", "R", Prop("Lines.Strings", B({2, 1}))),
       "Error reading R.Lines.Strings: Invalid property value"},
      {Record("TTestForm", "", Prop("Count", B({6, 1, 'x'}))),
       "Error reading TTestForm.Count: Invalid property value"},
      {Record("TTestForm", "", "", Record("TNoSuchClass", "X", "")),
       "Class TNoSuchClass not found"},
      {Record("TTestForm", "", "", Record("TTestComponent", "1bad", "")),
       "'1bad' is not a valid component name"},
      {Record("TTestForm", "", Prop("Count", B({22}))),
       "Error reading TTestForm.Count: Invalid stream format"},
      {Record("TTestForm", "", "").substr(0, 10), "Stream read error"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row.bytes), row.message);

  TMemoryStream notAStream("TPF1");
  EXPECT_THROW(
      {
        try {
          TReader(notAStream).ReadSignature();
        } catch (const EReadError& e) {
          EXPECT_STREQ(e.what(), "Invalid stream format");
          throw;
        }
      },
      EReadError);
}

TEST_P(ReaderTest, RootCreatedFromTheRegistry) {
  TMemoryStream stream("TPF0" + Record("TTestComponent", "Made", Prop("Count", B({2, 8}))));
  std::unique_ptr<TComponent> root(TReader(stream, GetParam()).ReadRootComponent(nullptr));
  ASSERT_EQ(&root->ClassInfo(), &TTestComponent::StaticClassInfo());
  EXPECT_EQ(root->Name(), "Made");
  EXPECT_EQ(static_cast<TTestComponent&>(*root).count, 8);
}

TEST_P(ReaderTest, RootNameIsMadeUniqueAmongGlobalComponents) {
  test::TTestForm open1(nullptr);
  test::TTestForm open2(nullptr);
  SetFindGlobalComponent([&](std::string_view name) -> TComponent* {
    if (SameText(name, "Form1")) return &open1;
    if (SameText(name, "Form1_1")) return &open2;
    return nullptr;
  });
  const auto root = Read(Record("TTestForm", "Form1", ""));
  EXPECT_EQ(root->Name(), "Form1_2");
  SetFindGlobalComponent(nullptr);
}

TEST_P(ReaderTest, LoadedInTheOrderObjectsWereCompleted) {
  std::vector<std::string> log;
  test::loadLog = &log;
  const Bytes tree = Record("TTestForm", "Root", "",
                            Record("TTestComponent", "A", "", Record("TTestComponent", "A1", "")) +
                                Record("TTestComponent", "B", ""));
  const auto root = Read(tree);
  test::loadLog = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"Root", "A1", "A", "B"}));
  EXPECT_FALSE(root->FindComponent("A")->HasState(csLoading));
}

TEST_P(ReaderTest, TheReaderGivesBackWhatItBufferedButDidNotUse) {
  const Bytes tree = Record("TTestForm", "", "");
  TMemoryStream stream("TPF0" + tree + "TRAILER");
  {
    test::TTestForm form(nullptr);
    TReader reader(stream, GetParam());
    reader.ReadRootComponent(&form);
  }
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(4 + tree.size()));
}

TEST_P(ReaderTest, HostileInputEndsInAClearException) {
  // Empty input, and every truncation of a valid stream.
  const Bytes valid =
      "TPF0" + Record("TTestForm", "F",
                      Prop("Items", B({14, 1}) + Prop("Caption", Str("x")) + B({0, 0})) +
                          Prop("Lines.Strings", B({1}) + Str("a") + B({0})),
                      Record("TTestComponent", "C", Prop("Buddy", Ident("F"))));
  for (size_t length = 0; length < valid.size(); ++length) {
    TMemoryStream stream(valid.substr(0, length));
    test::TTestForm form(nullptr);
    TReader reader(stream, GetParam());
    reader.OnError = [](TReader&, const std::string&, bool& handled) { handled = true; };
    EXPECT_THROW(reader.ReadRootComponent(&form), EReadError) << length;
  }
  // Length fields far beyond the input are refused before anything is allocated.
  EXPECT_EQ(
      Failure(Record("TTestForm", "", Prop("Caption", B({12, 0xFF, 0xFF, 0xFF, 0xFF}) + "ab"))),
      "Error reading TTestForm.Caption: Stream read error");
  EXPECT_EQ(
      Failure(Record("TTestForm", "", Prop("Lines.Strings", B({10, 0xFF, 0xFF, 0xFF, 0xFF})))),
      "Error reading TTestForm.Lines.Strings: Stream read error");
  EXPECT_EQ(Failure(Record("TTestForm", "", Prop("Caption", B({18, 0xFF, 0xFF, 0xFF, 0x7F})))),
            "Error reading TTestForm.Caption: Stream read error");
}

TEST_P(ReaderTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  constexpr int kDepth = 100000;
  Bytes objects;
  for (int i = 0; i < kDepth; ++i) objects += S("TTestComponent") + S("") + B({0});
  EXPECT_EQ(Failure(Record("TTestForm", "", "", objects)), "Invalid stream format");

  const Bytes lists = Prop("Bogus", Bytes(kDepth, '\x01'));
  EXPECT_EQ(Failure(Record("TTestForm", "", lists)),
            "Error reading TTestForm.Bogus: Invalid stream format");
}

TEST_P(ReaderTest, RoundTripOfEveryPropertyKind) {
  test::TTestForm source(nullptr);
  source.SetName("Source");
  source.count = -70000;
  source.color = 0x00FF00;
  source.noDefault = 0;
  source.letter = '#';
  source.kind = test::tkThree;
  source.enabled = false;
  source.options = 0b110;
  source.ratio = 0.1;
  source.caption = std::string(300, 'c');
  source.Part()->size = 0;
  source.Part()->label = "nested";
  source.Items()->Add()->caption = "one";
  source.Items()->Add()->value = -5;
  source.Lines()->SetText("l1\r\nl2\r\n");
  source.onClick = TMethod{"ButtonClick", &source};
  auto* child = new TTestComponent(&source);
  child->SetName("Child");
  child->SetParentComponent(&source);
  child->SetBuddy(&source);
  child->SetDesignInfo((20 << 16) | 10);
  source.SetBuddy(child);

  TMemoryStream stream;
  {
    TWriter writer(stream);
    writer.WriteDescendent(source);
  }
  stream.SetPosition(0);
  test::TTestForm copy(nullptr);
  TReader(stream, GetParam()).ReadRootComponent(&copy);

  EXPECT_EQ(copy.Name(), "Source");
  for (const TPropInfo& p : TTestComponent::StaticClassInfo().Properties()) {
    switch (p.kind) {
      case TTypeKind::tkFloat:
        EXPECT_EQ(p.getFloat(copy), p.getFloat(source)) << p.name;
        break;
      case TTypeKind::tkString:
        EXPECT_EQ(p.getString(copy), p.getString(source)) << p.name;
        break;
      case TTypeKind::tkMethod:
        EXPECT_EQ(p.getMethod(copy).name, p.getMethod(source).name) << p.name;
        break;
      case TTypeKind::tkClass:
        break;
      default:
        EXPECT_EQ(p.getOrd(copy), p.getOrd(source)) << p.name;
    }
  }
  EXPECT_EQ(copy.Part()->size, 0);
  EXPECT_EQ(copy.Part()->label, "nested");
  ASSERT_EQ(copy.Items()->Count(), 2);
  EXPECT_EQ(copy.Items()->Items(0)->caption, "one");
  EXPECT_EQ(copy.Items()->Items(1)->value, -5);
  EXPECT_TRUE(copy.Lines()->Equals(*source.Lines()));
  ASSERT_EQ(copy.Children().size(), 1u);
  EXPECT_EQ(copy.Buddy(), copy.Children()[0]);
  EXPECT_EQ(copy.Children()[0]->Buddy(), &copy);
  EXPECT_EQ(copy.Children()[0]->DesignInfo(), (20 << 16) | 10);
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, ReaderTest, ::testing::Values(kFilerBufferSize, 1, 7));

}  // namespace
}  // namespace qr2vor
