// dBase tables built byte by byte: every field type of dBase III, dBase IV and Visual FoxPro with
// their memo files, deleted records, text in the code page of the language driver, a table
// found in a folder by TTable, and files that are cut short or malformed.

#include "platform/data/dbf_reader.h"

#include <gtest/gtest.h>

#include "platform/data/tables.h"
#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "test_files.h"

namespace qr2vor {
namespace {

using namespace std::string_literals;

// A 32-byte field description: name padded with zeros to 11 bytes, type, 4 bytes of displacement,
// length, decimals, 14 reserved bytes.
std::string FieldDesc(const std::string& name, char type, int length, int decimals = 0) {
  std::string desc = name + std::string(11 - name.size(), '\0') + type + "\0\0\0\0"s;
  desc += static_cast<char>(length);
  desc += static_cast<char>(decimals);
  return desc + std::string(14, '\0');
}

// A header: version, date 2024-03-01, record count, header and record length (little-endian),
// 17 reserved bytes, the language driver, 2 reserved bytes.
std::string Header(char version, int records, int headerLength, int recordLength, char driver) {
  std::string head = {version, 124, 3, 1};
  for (int shift = 0; shift < 32; shift += 8) head += static_cast<char>(records >> shift);
  head += {static_cast<char>(headerLength), static_cast<char>(headerLength >> 8)};
  head += {static_cast<char>(recordLength), static_cast<char>(recordLength >> 8)};
  return head + std::string(17, '\0') + driver + "\0\0"s;
}

// dBase III (0x83) in code page 1252 (driver 0x03): NAME C(10), QTY N(5), PRICE N(8,2),
// RATE F(6,2), DAY D, OK L, NOTE M. Records are 1 + 10 + 5 + 8 + 6 + 8 + 1 + 10 = 49 bytes, the
// header 32 + 7 * 32 + 1 = 257. The second record is deleted.
std::string DBase3Table() {
  return Header('\x83', 4, 257, 49, '\x03') + FieldDesc("NAME", 'C', 10) +
         FieldDesc("QTY", 'N', 5) + FieldDesc("PRICE", 'N', 8, 2) + FieldDesc("RATE", 'F', 6, 2) +
         FieldDesc("DAY", 'D', 8) + FieldDesc("OK", 'L', 1) + FieldDesc("NOTE", 'M', 10) + "\r" +
         " M\xFCller       12   19.95  2.50"
         "20240229T         1" +
         "*Gone          1    1.00  1.00"
         "20000101F          " +
         "                              "
         "        ?          " +
         " Zoe          -7   -0.50 1e+01"
         "19991231n         2" +
         "\x1A";
}

// The memo file: block 0 holds the next free block (4); memos end at a 0x1A mark, the second one
// running over two 512-byte blocks.
std::string DBase3Memo() {
  std::string memo = "\x04\0\0\0"s + std::string(508, '\0');
  memo +=
      "Gr\xFC\xDF"
      "e aus K\xF6ln\x1A\x1A";
  memo.resize(1024, '\0');
  memo += std::string(600, 'x') + "\x1A\x1A";
  memo.resize(2048, '\0');
  return memo;
}

std::string Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "(no failure)";
}

DbfTable Open(const std::string& dbf, const std::string& memo = "") {
  return DbfTable("t.dbf", CsvMemorySource(dbf), "t.dbt",
                  memo.empty() ? nullptr : CsvMemorySource(memo));
}

// Every value of the current record as type:text.
std::string Row(const DbfTable& table) {
  std::string text;
  for (size_t i = 0; i < table.Columns().size(); ++i) {
    const Variant value = table.Value(static_cast<int>(i));
    text += (i == 0 ? "" : "|") + FieldValueText(value, table.Columns()[i].dataType);
  }
  return text;
}

TEST(DbfReaderTest, DBase3FieldsMemosAndDeletedRecords) {
  DbfTable table = Open(DBase3Table(), DBase3Memo());
  const struct {
    const char* name;
    TFieldType type;
    int size;
  } columns[] = {{"NAME", ftString, 10}, {"QTY", ftInteger, 0}, {"PRICE", ftFloat, 0},
                 {"RATE", ftFloat, 0},   {"DAY", ftDate, 0},    {"OK", ftBoolean, 0},
                 {"NOTE", ftMemo, 0}};
  ASSERT_EQ(table.Columns().size(), std::size(columns));
  for (size_t i = 0; i < std::size(columns); ++i) {
    EXPECT_EQ(table.Columns()[i].name, columns[i].name);
    EXPECT_EQ(table.Columns()[i].dataType, columns[i].type) << columns[i].name;
    EXPECT_EQ(table.Columns()[i].size, columns[i].size) << columns[i].name;
  }
  EXPECT_EQ(table.CodePage(), 1252);
  ASSERT_EQ(table.RecordCount(), 3) << "the deleted record is skipped";
  ASSERT_TRUE(table.Seek(0));
  EXPECT_EQ(*table.Value(0).StringPtr(), "M\xFCller");
  EXPECT_EQ(*table.Value(1).IntegerPtr(), 12);
  EXPECT_DOUBLE_EQ(*table.Value(2).DoublePtr(), 19.95);
  EXPECT_DOUBLE_EQ(*table.Value(3).DoublePtr(), 2.5);
  EXPECT_DOUBLE_EQ(*table.Value(4).DatePtr(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(*table.Value(5).BooleanPtr(), true);
  EXPECT_EQ(*table.Value(6).StringPtr(),
            "Gr\xFC\xDF"
            "e aus K\xF6ln");
  ASSERT_TRUE(table.Seek(1));
  for (int i = 0; i < 7; ++i) EXPECT_TRUE(table.Value(i).IsNull()) << "blank field " << i;
  ASSERT_TRUE(table.Seek(2));
  EXPECT_EQ(Row(table).substr(0, 9), "Zoe|-7|-0");
  EXPECT_DOUBLE_EQ(*table.Value(3).DoublePtr(), 10.0);
  EXPECT_DOUBLE_EQ(*table.Value(4).DatePtr(), EncodeDate(1999, 12, 31));
  EXPECT_EQ(*table.Value(5).BooleanPtr(), false);
  EXPECT_EQ(*table.Value(6).StringPtr(), std::string(600, 'x'));
  EXPECT_FALSE(table.Seek(3));
  EXPECT_TRUE(table.Seek(0)) << "records are read again after the end";
  EXPECT_EQ(table.Value(0).AsString(), "M\xFCller");
  EXPECT_EQ(table.LostCharacters(), 0u);
}

// dBase IV (0x8B) in code page 866 (driver 0x65): NAME C(6), NOTE M. Its memo file has 64-byte
// blocks (bytes 20-21 of its header); a memo block starts FF FF 08 00 and the length counting
// those 8 bytes.
TEST(DbfReaderTest, CyrillicInCodePage866IsConvertedToTheProcessCodePage) {
  const std::string dbf = Header('\x8B', 1, 97, 17, '\x65') + FieldDesc("NAME", 'C', 6) +
                          FieldDesc("NOTE", 'M', 10) + "\r" + " \x8F\xE0\xA8\xA2\xA5\xE2" +
                          "         1";
  std::string memo = "\x02\0\0\0"s + std::string(16, '\0') + "\x40\0"s;
  memo.resize(64, '\0');
  memo += "\xFF\xFF\x08\0\x0A\0\0\0"s + "\x84\xA0";  // 8 + 2 bytes: "Да"
  memo.resize(128, '\x1A');
  struct RestoreCodePage {
    int saved = ProcessCodePage();
    ~RestoreCodePage() { SetProcessCodePage(saved); }
  } restore;
  SetProcessCodePage(1251);
  {
    DbfTable table = Open(dbf, memo);
    ASSERT_TRUE(table.Seek(0));
    EXPECT_EQ(*table.Value(0).StringPtr(), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(*table.Value(1).StringPtr(), "\xC4\xE0");
    EXPECT_EQ(table.LostCharacters(), 0u);
  }
  SetProcessCodePage(1252);
  {
    DbfTable table = Open(dbf, memo);
    ASSERT_TRUE(table.Seek(0));
    EXPECT_EQ(*table.Value(0).StringPtr(), "??????");
    EXPECT_EQ(table.LostCharacters(), 6u);
  }
}

// Visual FoxPro (0x30): ID I, PRICE Y, AT T, RATIO B, NOTE M(4), then the hidden null-flags
// field; the header ends with 263 bytes after its terminator. The .fpt memo file gives its block
// size big-endian at bytes 6-7; a block holds a big-endian type and length, then the data.
TEST(DbfReaderTest, VisualFoxProBinaryFieldsAndFptMemos) {
  std::string record = " "s + "\xFE\xFF\xFF\xFF"s +       // -2
                       "\x10\x27\0\0\0\0\0\0"s +          // 10000 / 10000 = 1.0000
                       "\x95\x89\x25\0\x80\xEE\x36\0"s +  // JD 2460053, 01:00:00
                       "\0\0\0\0\0\0\x04\x40"s +          // 2.5
                       "\x01\0\0\0"s + "\0"s;             // memo block 1, flags
  const std::string dbf = Header('\x30', 1, 32 + 6 * 32 + 1 + 263, 34, '\x03') +
                          FieldDesc("ID", 'I', 4) + FieldDesc("PRICE", 'Y', 8) +
                          FieldDesc("AT", 'T', 8) + FieldDesc("RATIO", 'B', 8) +
                          FieldDesc("NOTE", 'M', 4) + FieldDesc("_NullFlags", '0', 1) + "\r" +
                          std::string(263, '\0') + record;
  std::string memo = "\0\0\0\x02\0\0\0\x40"s;
  memo.resize(64, '\0');
  memo += "\0\0\0\x01\0\0\0\x03"s + "abc";
  DbfTable table("t.dbf", CsvMemorySource(dbf), "t.fpt", CsvMemorySource(memo));
  ASSERT_EQ(table.Columns().size(), 5u) << "the null flags are no column";
  EXPECT_EQ(table.Columns()[2].dataType, ftDateTime);
  ASSERT_TRUE(table.Seek(0));
  EXPECT_EQ(*table.Value(0).IntegerPtr(), -2);
  EXPECT_EQ(table.Value(1).CurrencyPtr()->value, 10000);
  EXPECT_DOUBLE_EQ(*table.Value(2).DatePtr(), EncodeDate(2023, 4, 18) + 1.0 / 24);
  EXPECT_DOUBLE_EQ(*table.Value(3).DoublePtr(), 2.5);
  EXPECT_EQ(*table.Value(4).StringPtr(), "abc");
}

TEST(DbfReaderTest, MalformedFilesFailNamingTheFileAndTheCause) {
  const std::string good = DBase3Table();
  std::string badVersion = good;
  badVersion[0] = '\x00';
  std::string badLength = good;
  badLength[32 + 16] = 60;  // NAME C(60) runs past the 49-byte record
  std::string badType = good;
  badType[32 + 11] = 'Q';
  const struct {
    std::string dbf;
    std::string memo;
    std::string message;
  } cases[] = {
      {"", "", "t.dbf: not a dBase table: the file is shorter than a table header"},
      {badVersion, "", "t.dbf: not a dBase table: unknown version byte 0x00"},
      {good.substr(0, 200), "", "t.dbf: the file is truncated: it ends inside its 257-byte header"},
      {good.substr(0, 257 + 49 * 2 + 10), DBase3Memo(),
       "t.dbf: the file is truncated: the header announces 4 records, it holds 2"},
      {badLength, DBase3Memo(), "t.dbf: field 'NAME' ends past the 49-byte record"},
      {badType, DBase3Memo(), "t.dbf: field 'NAME' has type 'Q', which cannot be read"},
      {good, "", "t.dbf: the memo file t.dbt is missing"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Failure([&] { Open(c.dbf, c.memo); }), c.message);
  }
}

TEST(DbfReaderTest, BadValuesFailWhenReadAndLeaveTheRecord) {
  std::string dbf = DBase3Table();
  dbf.replace(257 + 11, 5, "  1x2");                 // QTY of the first record
  dbf.replace(257 + 3 * 49 + 39, 10, "        99");  // memo block past the memo file
  DbfTable table = Open(dbf, DBase3Memo());
  ASSERT_TRUE(table.Seek(0));
  EXPECT_EQ(Failure([&] { table.Value(1); }),
            "t.dbf: record 1, field 'QTY': '1x2' is not a number");
  EXPECT_EQ(table.Value(0).AsString(), "M\xFCller") << "the record stays current";
  ASSERT_TRUE(table.Seek(2));
  EXPECT_EQ(Failure([&] { table.Value(6); }),
            "t.dbt: memo block 99 of record 4, field 'NOTE': the memo has no end mark; the memo "
            "file is truncated");
}

TEST(DbfReaderTest, FolderTablesAreFoundByExtensionInOrder) {
  test::TempDir dir;
  dir.Write("orders.dbf", DBase3Table());
  dir.Write("orders.dbt", DBase3Memo());
  dir.Write("orders.csv", "NAME\nfrom csv\n");
  dir.Write("CUST.DBF", DBase3Table());
  dir.Write("short.dbf", DBase3Table().substr(0, 300));
  const struct {
    const char* table;
    std::string first;  // NAME of the first record, or the failure
  } cases[] = {
      {"orders", "M\xFCller"},         {"orders.db", "M\xFCller"}, {"orders.csv", "from csv"},
      {"cust", "(memo file missing)"}, {"short", "(truncated)"},   {"none", "(none)"},
  };
  for (const auto& c : cases) {
    TTable table(nullptr);
    table.SetDatabaseName(dir.Path());
    table.SetTableName(c.table);
    const std::string failure = Failure([&] { table.Open(); });
    if (failure == "(no failure)") {
      EXPECT_EQ(table.FieldByName("NAME")->AsString(), c.first) << c.table;
    } else {
      EXPECT_FALSE(table.Active());
      if (c.first == "(memo file missing)") {
        EXPECT_EQ(failure,
                  dir.Path("CUST.DBF") + ": the memo file " + dir.Path("CUST.dbt") + " is missing");
      } else if (c.first == "(truncated)") {
        EXPECT_EQ(failure,
                  dir.Path("short.dbf") +
                      ": the file is truncated: the header announces 4 records, it holds 0");
      } else {
        EXPECT_EQ(failure,
                  "TTable: Table 'none' not found: no file none.db, .dbf or .csv in " + dir.Path());
      }
    }
  }
  TTable table(nullptr);
  table.SetDatabaseName(dir.Path());
  table.SetTableName("orders");
  table.SetIndexFieldNames("QTY");
  table.Open();
  std::string names;
  for (; !table.Eof(); table.Next()) names += table.FieldByName("NAME")->AsString() + ";";
  EXPECT_EQ(names, ";Zoe;M\xFCller;") << "Null first, then ascending";
}

}  // namespace
}  // namespace qr2vor
