// Paradox tables written with pxlib itself: every field type read back, memos and blobs from the
// .mb file, text in the table's code page, primary-key order and IndexFieldNames through TTable,
// and files that are not Paradox tables.

#include "platform/data/paradox_reader.h"

#include <gtest/gtest.h>

// pxlib's header declares C functions without saying so.
extern "C" {
#include <paradox.h>
}

#include <cstring>

#include "platform/data/tables.h"
#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "test_files.h"

namespace qr2vor {
namespace {

struct FieldSpec {
  const char* name;
  char type;
  int length;
  int decimals = 0;
};

// Writes a Paradox table with pxlib: `rows` fill each record through pxlib's own put functions.
class PxWriter {
 public:
  PxWriter(const std::string& path, const std::vector<FieldSpec>& fields, int keys, int codePage)
      : doc_(PX_new()) {
    auto* fieldDefs = static_cast<pxfield_t*>(
        doc_->malloc(doc_, fields.size() * sizeof(pxfield_t), "test fields"));
    for (size_t i = 0; i < fields.size(); ++i) {
      fieldDefs[i].px_fname = PX_strdup(doc_, fields[i].name);
      fieldDefs[i].px_ftype = fields[i].type;
      fieldDefs[i].px_flen = fields[i].length;
      fieldDefs[i].px_fdc = fields[i].decimals;
      offsets_.push_back(size_);
      size_ += fields[i].length;
    }
    EXPECT_EQ(PX_create_file(doc_, fieldDefs, static_cast<int>(fields.size()), path.c_str(),
                             keys > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB),
              0);
    if (keys > 0) PX_set_value(doc_, "numprimkeys", static_cast<float>(keys));
    PX_set_value(doc_, "codepage", static_cast<float>(codePage));
    lengths_.reserve(fields.size());
    for (const FieldSpec& field : fields) lengths_.push_back(field.length);
  }
  ~PxWriter() {
    PX_close(doc_);
    PX_delete(doc_);
  }
  void Blobs(const std::string& path) { EXPECT_EQ(PX_set_blob_file(doc_, path.c_str()), 0); }

  pxdoc_t* Doc() const { return doc_; }
  char* At(std::vector<char>& record, int field) { return record.data() + offsets_[field]; }
  int Length(int field) const { return lengths_[static_cast<size_t>(field)]; }
  std::vector<char> NewRecord() const { return std::vector<char>(static_cast<size_t>(size_), 0); }
  void Put(std::vector<char>& record) { EXPECT_GE(PX_put_record(doc_, record.data()), 0); }

 private:
  pxdoc_t* doc_;
  std::vector<int> offsets_;
  std::vector<int> lengths_;
  int size_ = 0;
};

std::string Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "(no failure)";
}

// Days of a Paradox date: 1 January 0001 is day 1.
long ParadoxDay(int year, int month, int day) {
  return PX_GregorianToSdn(year, month, day) - 1721425;
}

TEST(ParadoxReaderTest, EveryFieldTypeIsReadBack) {
  test::TempDir dir;
  const std::vector<FieldSpec> fields = {
      {"Name", pxfAlpha, 12},    {"Day", pxfDate, 4},        {"Count", pxfShort, 2},
      {"Big", pxfLong, 4},       {"Price", pxfCurrency, 8},  {"Ratio", pxfNumber, 8},
      {"Done", pxfLogical, 1},   {"Note", pxfMemoBLOb, 20},  {"Data", pxfBLOb, 15},
      {"At", pxfTime, 4},        {"Stamp", pxfTimestamp, 8}, {"Id", pxfAutoInc, 4},
      {"Amount", pxfBCD, 17, 2}, {"Raw", pxfBytes, 3},
  };
  {
    PxWriter writer(dir.Path("all.db"), fields, 0, 1252);
    writer.Blobs(dir.Path("all.mb"));
    pxdoc_t* doc = writer.Doc();
    std::vector<char> record = writer.NewRecord();
    PX_put_data_alpha(doc, writer.At(record, 0), 12, const_cast<char*>("K\xF6nig"));
    PX_put_data_long(doc, writer.At(record, 1), 4, static_cast<int>(ParadoxDay(2024, 2, 29)));
    PX_put_data_short(doc, writer.At(record, 2), 2, -12);
    PX_put_data_long(doc, writer.At(record, 3), 4, 123456789);
    PX_put_data_double(doc, writer.At(record, 4), 8, 19.95);
    PX_put_data_double(doc, writer.At(record, 5), 8, -0.125);
    PX_put_data_byte(doc, writer.At(record, 6), 1, 1);
    std::string memo =
        "Gr\xFC\xDF"
        "e " +
        std::string(40, 'm');  // longer than the leader
    PX_put_data_blob(doc, writer.At(record, 7), 20, memo.data(), static_cast<int>(memo.size()));
    std::string blob("\x01\x00\x02", 3);
    PX_put_data_blob(doc, writer.At(record, 8), 15, blob.data(), static_cast<int>(blob.size()));
    PX_put_data_long(doc, writer.At(record, 9), 4, (13 * 3600 + 30 * 60) * 1000);
    PX_put_data_double(doc, writer.At(record, 10), 8,
                       (static_cast<double>(ParadoxDay(2000, 1, 2)) + 0.5) * 86'400'000);
    PX_put_data_long(doc, writer.At(record, 11), 4, 7);
    PX_put_data_bcd(doc, writer.At(record, 12), 2, const_cast<char*>("-123.45"));
    PX_put_data_bytes(doc, writer.At(record, 13), 3, const_cast<char*>("abc"));
    writer.Put(record);
    std::vector<char> empty = writer.NewRecord();
    writer.Put(empty);
    std::vector<char> big = writer.NewRecord();
    std::string long_memo(5000, 'L');  // a blob with blocks of its own
    PX_put_data_blob(doc, writer.At(big, 7), 20, long_memo.data(), 5000);
    writer.Put(big);
  }
  ParadoxTable table(dir.Path("all.db"));
  const TFieldType types[] = {ftString,   ftDate,    ftSmallint, ftInteger, ftCurrency,
                              ftFloat,    ftBoolean, ftMemo,     ftBlob,    ftTime,
                              ftDateTime, ftAutoInc, ftBCD,      ftBytes};
  ASSERT_EQ(table.Columns().size(), std::size(types));
  for (size_t i = 0; i < std::size(types); ++i) {
    EXPECT_EQ(table.Columns()[i].dataType, types[i]) << table.Columns()[i].name;
  }
  EXPECT_EQ(table.Columns()[0].size, 12);
  ASSERT_EQ(table.RecordCount(), 3);
  ASSERT_TRUE(table.Seek(0));
  EXPECT_EQ(*table.Value(0).StringPtr(), "K\xF6nig");
  EXPECT_DOUBLE_EQ(*table.Value(1).DatePtr(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(*table.Value(2).IntegerPtr(), -12);
  EXPECT_EQ(*table.Value(3).IntegerPtr(), 123456789);
  EXPECT_EQ(table.Value(4).CurrencyPtr()->value, 199500);
  EXPECT_DOUBLE_EQ(*table.Value(5).DoublePtr(), -0.125);
  EXPECT_EQ(*table.Value(6).BooleanPtr(), true);
  EXPECT_EQ(*table.Value(7).StringPtr(),
            "Gr\xFC\xDF"
            "e " +
                std::string(40, 'm'));
  EXPECT_EQ(*table.Value(8).StringPtr(), std::string("\x01\x00\x02", 3));
  EXPECT_DOUBLE_EQ(*table.Value(9).DatePtr(), 13.5 / 24);
  EXPECT_DOUBLE_EQ(*table.Value(10).DatePtr(), EncodeDate(2000, 1, 2) + 0.5);
  EXPECT_EQ(*table.Value(11).IntegerPtr(), 7);
  EXPECT_EQ(table.Value(12).CurrencyPtr()->value, -1234500);
  EXPECT_EQ(*table.Value(13).StringPtr(), "abc");
  ASSERT_TRUE(table.Seek(1));
  for (int i = 0; i < 14; ++i) {
    EXPECT_TRUE(table.Value(i).IsNull()) << table.Columns()[static_cast<size_t>(i)].name;
  }
  ASSERT_TRUE(table.Seek(2));
  EXPECT_EQ(*table.Value(7).StringPtr(), std::string(5000, 'L'));
  EXPECT_FALSE(table.Seek(3));
}

TEST(ParadoxReaderTest, CyrillicInCodePage866AndKeyOrder) {
  test::TempDir dir;
  {
    PxWriter writer(dir.Path("people.db"), {{"Id", pxfLong, 4}, {"Name", pxfAlpha, 10}}, 1, 866);
    const struct {
      int id;
      const char* name;
    } rows[] = {{3, "\x8F\xE0\xA8\xA2\xA5\xE2"}, {1, "abc"}, {2, "xyz"}};
    for (const auto& row : rows) {
      std::vector<char> record = writer.NewRecord();
      PX_put_data_long(writer.Doc(), writer.At(record, 0), 4, row.id);
      PX_put_data_alpha(writer.Doc(), writer.At(record, 1), 10, const_cast<char*>(row.name));
      writer.Put(record);
    }
  }
  struct RestoreCodePage {
    int saved = ProcessCodePage();
    ~RestoreCodePage() { SetProcessCodePage(saved); }
  } restore;
  SetProcessCodePage(1251);
  TTable table(nullptr);
  table.SetDatabaseName(dir.Path());
  table.SetTableName("PEOPLE");
  table.Open();
  std::string names;
  for (; !table.Eof(); table.Next()) names += table.FieldByName("Name")->AsString() + ";";
  EXPECT_EQ(names, "abc;xyz;\xCF\xF0\xE8\xE2\xE5\xF2;") << "primary-key order";
  EXPECT_EQ(table.LostCharacters(), 0u);
  table.Close();
  table.SetIndexFieldNames("Name");
  table.Open();
  EXPECT_EQ(table.FieldByName("Id")->AsInteger(), 1);
  table.Last();
  EXPECT_EQ(table.FieldByName("Id")->AsInteger(), 3);
}

TEST(ParadoxReaderTest, FilesThatAreNotTablesFailNamingTheFile) {
  test::TempDir dir;
  {
    PxWriter writer(dir.Path("memo.db"), {{"Note", pxfMemoBLOb, 20}}, 0, 1252);
    writer.Blobs(dir.Path("memo.mb"));
  }
  std::filesystem::remove(dir.Path("memo.mb"));
  const std::string junk = dir.Write("junk.db", std::string(3000, 'x'));
  const std::string empty = dir.Write("empty.db", "");
  EXPECT_EQ(Failure([&] { ParadoxTable table(dir.Path("memo.db")); }),
            dir.Path("memo.db") + ": the memo file " + dir.Path("memo.mb") + " is missing");
  for (const std::string& path : {junk, empty}) {
    EXPECT_TRUE(
        Failure([&] { ParadoxTable table(path); }).starts_with(path + ": not a Paradox table: "))
        << path;
  }
  TTable table(nullptr);
  table.SetDatabaseName(dir.Path());
  table.SetTableName("junk.db");
  EXPECT_TRUE(Failure([&] { table.Open(); }).starts_with(junk + ": not a Paradox table: "));
  EXPECT_FALSE(table.Active());
}

}  // namespace
}  // namespace qr2vor
