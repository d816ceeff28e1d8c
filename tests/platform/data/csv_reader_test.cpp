// The CSV reader over bytes in memory and files: quoting, types declared and inferred, Null,
// navigation across the record index, and every malformed input with its message.

#include "platform/data/csv_reader.h"

#include <gtest/gtest.h>

#include "rtl/exceptions.h"
#include "test_files.h"

namespace qr2vor {
namespace {

std::unique_ptr<CsvTable> Table(const std::string& bytes) {
  return std::make_unique<CsvTable>("t.csv", CsvMemorySource(bytes));
}

// "name:Type(size)" for every column.
std::string Schema(const CsvTable& table) {
  std::string text;
  for (const CsvColumn& c : table.Columns()) {
    text += fmt::format("{}{}:{}({})", text.empty() ? "" : " ", c.name, FieldTypeName(c.dataType),
                        c.size);
  }
  return text;
}

// Every record as "v|v|v" with Null shown as "~", records separated by "/".
std::string Rows(CsvTable& table) {
  std::string text;
  for (int64_t r = 0; table.Seek(r); ++r) {
    if (r > 0) text += "/";
    for (size_t c = 0; c < table.Columns().size(); ++c) {
      Variant v = table.Value(static_cast<int>(c));
      text += (c > 0 ? "|" : "") + (v.IsNull() ? std::string("~") : v.AsString());
    }
  }
  return text;
}

TEST(CsvReaderTest, ParsesQuotingLineBreaksAndNull) {
  const struct {
    const char* bytes;
    const char* rows;
  } cases[] = {
      {"a,b\n1,x\n2,y\n", "1|x/2|y"},
      {"a,b\r\n1,x\r\n2,y", "1|x/2|y"},
      {"a,b\r1,x\r2,y\r", "1|x/2|y"},
      {"a,b\n1,\"x,y\"\n", "1|x,y"},
      {"a,b\n1,\"say \"\"hi\"\"\"\n", "1|say \"hi\""},
      {"a,b\n1,\"two\nlines\"\n2,z\n", "1|two\nlines/2|z"},
      {"a,b\n1,\n,\"\"\n", "1|~/~|"},
      {"a,b\n1,x\n\n\n2,y\n\n", "1|x/2|y"},
      {"\xEF\xBB\xBF"
       "a,b\n1,x\n",
       "1|x"},
      {"a,b\n", ""},
      {"a\n1\n\n3\n", "1/~/3"},
  };
  for (const auto& c : cases) {
    auto table = Table(c.bytes);
    EXPECT_EQ(Rows(*table), c.rows) << c.bytes;
    EXPECT_EQ(table->Columns()[0].name, "a");
  }
}

TEST(CsvReaderTest, InfersTheNarrowestTypeOfEachColumn) {
  auto table = Table(
      "int,num,bool,date,time,stamp,mixed,text,empty\n"
      "1,1.5,true,2024-02-29,10:30,2024-02-29 10:30:15,1,abc,\n"
      "-20,2,FALSE,1999-12-31,23:59:59,2024-03-01,x,\"a,b c\",\n"
      ",,,,,,,,\n");
  EXPECT_EQ(Schema(*table),
            "int:Integer(0) num:Float(0) bool:Boolean(0) date:Date(0) time:Time(0) "
            "stamp:DateTime(0) mixed:String(1) text:String(5) empty:String(1)");
  EXPECT_EQ(Rows(*table),
            "1|1.5|True|2024-02-29|1899-12-30 10:30:00|2024-02-29 10:30:15|1|abc|~/"
            "-20|2|False|1999-12-31|1899-12-30 23:59:59|2024-03-01|x|a,b c|~/"
            "~|~|~|~|~|~|~|~|~");
  ASSERT_TRUE(table->Seek(0));
  EXPECT_EQ(table->Value(3).Type(), varDate);
  EXPECT_EQ(table->Value(0).Type(), varInteger);
}

TEST(CsvReaderTest, HeaderDeclaresTypes) {
  auto table = Table(
      "id:AutoInc,code:String(4),n:Smallint,w:Word,price:Currency,b:BCD,f:Float,when:DateTime,"
      "memo:Memo,a:b\n"
      "7,0042,-3,65535,19.99,1.5,3,2020-01-01,long text,x\n");
  EXPECT_EQ(Schema(*table),
            "id:AutoInc(0) code:String(4) n:Smallint(0) w:Word(0) price:Currency(0) b:BCD(0) "
            "f:Float(0) when:DateTime(0) memo:Memo(0) a:b:String(1)");
  ASSERT_TRUE(table->Seek(0));
  EXPECT_EQ(table->Value(1).AsString(), "0042");
  EXPECT_EQ(table->Value(4).Type(), varCurrency);
  EXPECT_EQ(table->Value(4).AsCurrency().value, 199900);
  EXPECT_EQ(table->Value(6).Type(), varDouble);
}

TEST(CsvReaderTest, MalformedInputNamesLineAndColumn) {
  const struct {
    const char* bytes;
    const char* message;
  } cases[] = {
      {"", "t.csv: line 1, column 1: no header row"},
      {"a,,c\n", "t.csv: line 1, column 3: empty column name"},
      {"a,A\n", "t.csv: line 1, column 3: duplicate column name 'A'"},
      {"a,b\n1\n", "t.csv: line 2, column 2: 1 fields where the header has 2"},
      {"a,b\n1,2,3\n", "t.csv: line 2, column 5: more than the 2 fields of the header"},
      {"a,b\n1,\"open\n\n", "t.csv: line 2, column 3: quoted field not closed"},
      {"a,b\n1,\"x\"y\n", "t.csv: line 2, column 6: unexpected character after a closing quote"},
      {"a,b\n1,x\"y\n", "t.csv: line 2, column 4: quote inside an unquoted field"},
      {"a,b\n1,\"x\ny\"\n2,3,4\n", "t.csv: line 4, column 5: more than the 2 fields of the header"},
      {"a:Integer\n1\nx1\n",
       "t.csv: line 3, column 1: 'x1' is not a valid Integer value for "
       "field 'a'"},
      {"a:Smallint\n40000\n",
       "t.csv: line 2, column 1: '40000' is not a valid Smallint value "
       "for field 'a'"},
      {"a:Date\n2023-02-29\n",
       "t.csv: line 2, column 1: '2023-02-29' is not a valid Date value "
       "for field 'a'"},
      {"a:String(2)\nabc\n",
       "t.csv: line 2, column 1: value longer than the 2 characters of "
       "field 'a'"},
      {"a:Blob\n", "t.csv: line 1, column 1: type Blob cannot be read from text"},
      {"a:String(0)\n", "t.csv: line 1, column 1: invalid column type 'String(0)'"},
      {"a:Integer(4)\n", "t.csv: line 1, column 1: invalid column type 'Integer(4)'"},
  };
  for (const auto& c : cases) {
    try {
      Table(c.bytes);
      ADD_FAILURE() << "no failure for " << c.bytes;
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.bytes;
    }
  }
}

TEST(CsvReaderTest, RejectsTooManyColumns) {
  std::string header = "c0";
  for (size_t i = 1; i <= CsvTable::kMaxColumns; ++i) header += ",c" + std::to_string(i);
  EXPECT_THROW(Table(header), EDatabaseError);
}

TEST(CsvReaderTest, SeeksForwardAndBackAcrossTheRecordIndex) {
  std::string bytes = "n,text\n";
  for (int i = 0; i < 100; ++i) bytes += fmt::format("{},\"line\n{}\"\n", i, i);
  auto table = Table(bytes);
  EXPECT_EQ(table->RecordCount(), 100);
  for (int64_t r : {0, 99, 15, 16, 17, 98, 3, 50, 49, 48, 0}) {
    ASSERT_TRUE(table->Seek(r));
    EXPECT_EQ(table->Value(0).AsInteger(), r);
    EXPECT_EQ(table->Value(1).AsString(), fmt::format("line\n{}", r));
  }
  EXPECT_FALSE(table->Seek(100));
  EXPECT_FALSE(table->Seek(-1));
}

TEST(CsvReaderTest, FilesOpenAndFailClearly) {
  test::TempDir dir;
  std::string path = dir.Write("a.csv", "x\n1\n");
  CsvTable table(path, OpenCsvFileSource(path));
  ASSERT_TRUE(table.Seek(0));
  EXPECT_EQ(table.Value(0).AsInteger(), 1);
  try {
    OpenCsvFileSource(dir.Path("missing.csv"));
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.Path("missing.csv"));
  }
  EXPECT_THROW(OpenCsvFileSource(dir.Path()), EDatabaseError);
}

}  // namespace
}  // namespace qr2vor
