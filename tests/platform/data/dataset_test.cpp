// Navigation, bookmarks, fields, calculated and lookup fields, filtering and control
// notification, over the in-memory data set.

#include <gtest/gtest.h>

#include "platform/data/memory_dataset.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"

namespace qr2vor {
namespace {

std::string Message(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no failure)";
}

class MemoryDataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data.SetName("Orders");
    data.AddFieldDef("Id", ftInteger);
    data.AddFieldDef("Name", ftString, 20);
    data.AddFieldDef("Amount", ftCurrency);
    data.AddFieldDef("Shipped", ftDate);
    for (int i = 1; i <= 4; ++i) {
      data.AppendRecord({i, "Item " + std::to_string(i), Currency{i * 12500},
                         Variant::FromDate(EncodeDate(2024, 1, i))});
    }
    data.AppendRecord({5});
  }

  // The Id values visited by `moves` ('F'irst, 'N'ext, 'P'rior, 'L'ast), then Bof/Eof.
  std::string Walk(const std::string& moves) {
    std::string trace;
    for (char move : moves) {
      if (move == 'F') data.First();
      if (move == 'N') data.Next();
      if (move == 'P') data.Prior();
      if (move == 'L') data.Last();
      trace += data.FieldByName("id")->AsString();
    }
    return trace + (data.Bof() ? " bof" : "") + (data.Eof() ? " eof" : "");
  }

  TMemoryDataSet data{nullptr};
};

TEST_F(MemoryDataSetTest, MovesAndEndFlags) {
  data.Open();
  EXPECT_TRUE(data.Bof());
  EXPECT_FALSE(data.Eof());
  const struct {
    const char* moves;
    const char* trace;
  } cases[] = {
      {"F", "1 bof"}, {"FNNNNN", "123455 eof"}, {"LP", "54"},         {"LN", "55 eof"},
      {"LNP", "554"}, {"FPP", "111 bof"},       {"FNPP", "1211 bof"},
  };
  for (const auto& c : cases) EXPECT_EQ(Walk(c.moves), c.trace) << c.moves;
  EXPECT_EQ(data.RecordCount(), 5);
  data.First();
  EXPECT_EQ(data.MoveBy(3), 3);
  EXPECT_EQ(data.RecNo(), 4);
  EXPECT_EQ(data.MoveBy(10), 1);
  EXPECT_EQ(data.MoveBy(-10), 4);
  EXPECT_TRUE(data.Bof());
}

TEST_F(MemoryDataSetTest, EmptyDataSetIsAtBothEnds) {
  TMemoryDataSet empty(nullptr);
  empty.AddFieldDef("X", ftString, 5);
  empty.Open();
  EXPECT_TRUE(empty.Eof() && empty.Bof() && empty.IsEmpty());
  empty.Next();
  empty.Last();
  EXPECT_TRUE(empty.Eof() && empty.Bof());
  EXPECT_TRUE(empty.FieldByName("X")->IsNull());
  EXPECT_FALSE(empty.GetBookmark().Valid());
  EXPECT_EQ(empty.RecordCount(), 0);
  empty.AppendRecord({"abc"});
  EXPECT_EQ(empty.FieldByName("X")->AsString(), "abc");
}

TEST_F(MemoryDataSetTest, BookmarksReturnToTheRecord) {
  data.Open();
  data.Next();
  data.Next();
  TBookmark mark = data.GetBookmark();
  data.Last();
  data.GotoBookmark(mark);
  EXPECT_EQ(data.FieldByName("Id")->AsInteger(), 3);
  EXPECT_FALSE(data.Eof() || data.Bof());
  data.FreeBookmark(mark);
  EXPECT_FALSE(mark.Valid());
  EXPECT_EQ(Message([&] { data.GotoBookmark(mark); }), "Orders: Record not found");
  EXPECT_EQ(Message([&] { data.GotoBookmark(TBookmark{99}); }), "Orders: Record not found");
  EXPECT_EQ(data.FieldByName("Id")->AsInteger(), 3);
  EXPECT_FALSE(data.BookmarkValid(TBookmark{5}));
  EXPECT_TRUE(data.BookmarkValid(TBookmark{4}));
}

TEST_F(MemoryDataSetTest, FieldValuesConversionsAndNulls) {
  data.Open();
  data.Next();
  const TField* amount = data.FieldByName("AMOUNT");
  EXPECT_EQ(amount->DataType(), ftCurrency);
  EXPECT_EQ(amount->AsString(), "2.5");
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 2.5);
  EXPECT_EQ(data.FieldByName("Shipped")->DisplayText(), "1/2/2024");
  EXPECT_EQ(data.FieldByName("Name")->Size(), 20);
  EXPECT_EQ(data.FieldByName("Name")->Index(), 1);
  EXPECT_EQ(Message([&] { data.FieldByName("Name")->AsInteger(); }),
            "Orders: Field 'Name': 'Item 2' is not a valid integer value");

  data.Last();
  for (const char* name : {"Name", "Amount", "Shipped"}) {
    const TField* field = data.FieldByName(name);
    EXPECT_TRUE(field->IsNull()) << name;
    EXPECT_EQ(field->AsString(), "") << name;
    EXPECT_EQ(field->AsInteger(), 0) << name;
    EXPECT_FALSE(field->AsBoolean()) << name;
  }
  EXPECT_EQ(data.FindField("Missing"), nullptr);
  EXPECT_EQ(Message([&] { data.FieldByName("Missing"); }), "Orders: Field 'Missing' not found");
}

// Display text follows the format settings that expressions use; AsString stays machine text.
TEST_F(MemoryDataSetTest, DisplayTextFollowsTheFormatSettings) {
  TMemoryDataSet stamps(nullptr);
  stamps.AddFieldDef("At", ftDateTime);
  stamps.AddFieldDef("Clock", ftTime);
  stamps.AddFieldDef("Ratio", ftFloat);
  stamps.AppendRecord({Variant::FromDate(EncodeDate(2024, 1, 2) + EncodeTime(13, 4, 5, 0)),
                       Variant::FromDate(EncodeTime(7, 8, 9, 0)), 1234.5});
  stamps.AppendRecord({Variant::FromDate(EncodeDate(2024, 1, 2))});
  stamps.Open();
  data.Open();
  data.Next();
  const TFormatSettings saved = FormatSettings();
  ASSERT_TRUE(LocaleFormatSettings("de", FormatSettings()));
  const std::string german[] = {
      data.FieldByName("Amount")->DisplayText(),  data.FieldByName("Shipped")->DisplayText(),
      stamps.FieldByName("At")->DisplayText(),    stamps.FieldByName("Clock")->DisplayText(),
      stamps.FieldByName("Ratio")->DisplayText(), stamps.FieldByName("Ratio")->AsString()};
  FormatSettings() = saved;
  EXPECT_EQ(german[0], "2,5");
  EXPECT_EQ(german[1], "02.01.2024");
  EXPECT_EQ(german[2], "02.01.2024 13:04:05");
  EXPECT_EQ(german[3], "07:08:09");
  EXPECT_EQ(german[4], "1234,5");
  EXPECT_EQ(german[5], "1234.5");
  EXPECT_EQ(stamps.FieldByName("At")->DisplayText(), "1/2/2024 1:04:05 PM");
  stamps.Next();
  EXPECT_EQ(stamps.FieldByName("At")->DisplayText(), "1/2/2024");
  EXPECT_EQ(stamps.FieldByName("Ratio")->DisplayText(), "");
}

TEST(FieldValueTextTest, EachKindOfValue) {
  const struct {
    Variant value;
    TFieldType type;
    const char* text;
  } cases[] = {
      {Variant::Null(), ftInteger, ""},
      {int64_t{-42}, ftInteger, "-42"},
      {0.1, ftFloat, "0.1"},
      {1e20, ftFloat, "1E+20"},
      {Currency{12345}, ftCurrency, "1.2345"},
      {true, ftBoolean, "True"},
      {Variant::FromDate(EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0)), ftDate, "2001-02-03"},
      {Variant::FromDate(EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0)), ftTime, "04:05:06"},
      {Variant::FromDate(EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0)), ftDateTime,
       "2001-02-03 04:05:06"},
      {"text", ftString, "text"},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldValueText(c.value, c.type), c.text) << c.text;
}

TEST_F(MemoryDataSetTest, ClosedDataSetRefusesAccessAndKeepsNoDataFields) {
  EXPECT_EQ(data.FieldCount(), 0);
  data.Open();
  TField* id = data.FieldByName("Id");
  data.Close();
  EXPECT_EQ(data.FieldCount(), 0);
  EXPECT_EQ(Message([&] { data.First(); }),
            "Orders: Cannot perform this operation on a closed dataset");
  data.Open();
  id = data.FieldByName("Id");
  EXPECT_EQ(Message([&] { data.AddFieldDef("Extra", ftString); }),
            "Orders: Cannot perform this operation on an open dataset");
  EXPECT_EQ(id->AsInteger(), 1);
  data.Close();
  EXPECT_EQ(Message([&] { data.AddFieldDef("id", ftString); }),
            "Orders: Duplicate field name 'id'");
}

TEST_F(MemoryDataSetTest, CalculatedAndLookupFields) {
  TMemoryDataSet names(nullptr);
  names.AddFieldDef("Code", ftInteger);
  names.AddFieldDef("Label", ftString, 10);
  names.AppendRecord({2, "two"});
  names.AppendRecord({4, "four"});
  names.Open();
  names.Last();

  TField* twice = data.AddCalculatedField("Twice", ftInteger);
  data.AddLookupField("Label", ftString, 10, &names, "Id", "Code", "Label");
  data.OnCalcFields = [&](TDataSet& ds) { twice->SetValue(ds.FieldByName("Id")->AsInteger() * 2); };
  data.Open();
  EXPECT_EQ(data.FieldCount(), 6);
  EXPECT_EQ(data.Fields(4), twice);
  EXPECT_EQ(twice->FieldKind(), fkCalculated);
  EXPECT_EQ(data.FieldByName("Label")->FieldKind(), fkLookup);
  std::string trace;
  for (data.First(); !data.Eof(); data.Next()) {
    trace += twice->AsString() + ":" + data.FieldByName("Label")->AsString() + " ";
  }
  EXPECT_EQ(trace, "2: 4:two 6: 8:four 10: ");
  EXPECT_EQ(names.FieldByName("Code")->AsInteger(), 4) << "the lookup data set stays put";
  EXPECT_EQ(Message([&] { data.FieldByName("Id")->SetValue(1); }),
            "Orders: Field 'Id' cannot be modified");
}

TEST_F(MemoryDataSetTest, FilterSkipsRecordsEverywhere) {
  data.OnFilterRecord = [](TDataSet& ds, bool& accept) {
    accept = ds.FieldByName("Id")->AsInteger() % 2 == 1;
  };
  data.SetFiltered(true);
  data.Open();
  EXPECT_EQ(Walk("FNNN"), "1355 eof");
  EXPECT_EQ(Walk("LPPP"), "5311 bof");
  EXPECT_EQ(data.RecordCount(), 3);
  EXPECT_FALSE(data.Locate("Id", {2}));
  EXPECT_TRUE(data.Locate("Id", {3}));
  EXPECT_EQ(data.RecNo(), 3);
  data.SetFiltered(false);
  EXPECT_EQ(data.RecordCount(), 5);
}

TEST_F(MemoryDataSetTest, ControlsHearOfMovesOnlyWhileEnabled) {
  TDataSource source(nullptr);
  source.SetDataSet(&data);
  int changes = 0;
  source.OnDataChange = [&](TDataSource&) { ++changes; };
  data.Open();
  EXPECT_EQ(changes, 1);
  data.DisableControls();
  data.DisableControls();
  data.Next();
  data.Next();
  data.EnableControls();
  EXPECT_TRUE(data.ControlsDisabled());
  EXPECT_EQ(changes, 1);
  data.EnableControls();
  EXPECT_FALSE(data.ControlsDisabled());
  EXPECT_EQ(changes, 2);
  data.Next();
  EXPECT_EQ(changes, 3);
  {
    TMemoryDataSet gone(nullptr);
    source.SetDataSet(&gone);
  }
  EXPECT_EQ(source.DataSet(), nullptr);
}

}  // namespace
}  // namespace qr2vor
