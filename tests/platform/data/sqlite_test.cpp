// The SQLite cursor over temporary databases: declared types to field types, every storage
// class to values, Null, moving back inside and beyond the row window, and failures.

#include "platform/data/sqlite_cursor.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "rtl/exceptions.h"
#include "test_files.h"

namespace qr2vor {
namespace {

using namespace std::string_literals;

// Creates a database at `path` by running `sql`.
void MakeDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  std::string message = error != nullptr ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << message;
}

std::string Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "(no failure)";
}

TEST(SqliteTypeTest, DeclaredTypesMapToFieldTypes) {
  const struct {
    const char* declared;
    TFieldType type;
    int size;
  } cases[] = {
      {"", ftUnknown, 0},
      {"BOOLEAN", ftBoolean, 0},
      {"datetime", ftDateTime, 0},
      {"TIMESTAMP", ftDateTime, 0},
      {"DATE", ftDate, 0},
      {"TIME", ftTime, 0},
      {"SMALLINT", ftSmallint, 0},
      {"TINYINT", ftSmallint, 0},
      {"INTEGER", ftInteger, 0},
      {"BIGINT", ftInteger, 0},
      {"MONEY", ftCurrency, 0},
      {"DECIMAL(10,2)", ftBCD, 0},
      {"NUMERIC", ftBCD, 0},
      {"REAL", ftFloat, 0},
      {"DOUBLE PRECISION", ftFloat, 0},
      {"MEMO", ftMemo, 0},
      {"CLOB", ftMemo, 0},
      {"BLOB", ftBlob, 0},
      {"IMAGE", ftGraphic, 0},
      {"VARCHAR(40)", ftString, 40},
      {"TEXT", ftString, 255},
      {"NVARCHAR(99999999)", ftString, 1 << 20},
  };
  for (const auto& c : cases) {
    int size = -1;
    EXPECT_EQ(FieldTypeFromDeclaredType(c.declared, size), c.type) << c.declared;
    EXPECT_EQ(size, c.size) << c.declared;
  }
}

class SqliteCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.Path("test.db");
    MakeDatabase(path,
                 "CREATE TABLE t (i INTEGER, s VARCHAR(10), r REAL, b BOOLEAN, m MONEY, "
                 "d DATE, tm TIME, dt DATETIME, bl BLOB);"
                 "INSERT INTO t VALUES (1, 'one', 1.5, 1, 2.25, '2024-05-06', '07:08:09', "
                 "'2024-05-06 07:08:09', x'00FF');"
                 "INSERT INTO t VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
                 "INSERT INTO t VALUES ('7', 5, '2.5', 'false', 3, 2460436.5, '10:11', "
                 "86400, 'text');");
  }

  test::TempDir dir;
  std::string path;
};

TEST_F(SqliteCursorTest, EveryStorageClassDecodesToItsFieldType) {
  SqliteCursor cursor(path);
  cursor.Prepare("SELECT * FROM t");
  cursor.SettleColumnTypes();
  std::string types;
  for (const SqliteColumn& c : cursor.Columns())
    types += FieldTypeName(c.dataType) + std::string(" ");
  EXPECT_EQ(types, "Integer String Float Boolean Currency Date Time DateTime Blob ");
  const std::string expected[] = {
      "1|one|1.5|True|2.25|2024-05-06|1899-12-30 07:08:09|2024-05-06 07:08:09|\x00\xFF"s,
      "~|~|~|~|~|~|~|~|~",
      "7|5|2.5|False|3|2024-05-06|1899-12-30 10:11:00|1970-01-02|text",
  };
  for (int row = 0; row < 3; ++row) {
    ASSERT_TRUE(cursor.Seek(row));
    std::string text;
    for (int c = 0; c < 9; ++c) {
      Variant v = cursor.Value(c);
      text += (c > 0 ? "|" : "") + (v.IsNull() ? std::string("~") : v.AsString());
    }
    EXPECT_EQ(text, expected[row]) << row;
  }
  ASSERT_TRUE(cursor.Seek(0));
  EXPECT_EQ(cursor.Value(4).Type(), varCurrency);
  EXPECT_EQ(cursor.Value(5).Type(), varDate);
  EXPECT_FALSE(cursor.Seek(3));
  EXPECT_EQ(cursor.KnownRowCount(), 3);
}

TEST_F(SqliteCursorTest, ExpressionColumnsTakeTheTypeOfTheirFirstValueAndNamesStayUnique) {
  SqliteCursor cursor(path);
  cursor.Prepare("SELECT i * 2, 0.5, s, s, x'01', NULL FROM t");
  cursor.SettleColumnTypes();
  std::string text;
  for (const SqliteColumn& c : cursor.Columns()) {
    text += c.name + ":" + FieldTypeName(c.dataType) + " ";
  }
  EXPECT_EQ(text, "i * 2:Integer 0.5:Float s:String s_1:String x'01':Blob NULL:String ");
}

TEST_F(SqliteCursorTest, MovesBackInsideAndBeyondTheWindow) {
  MakeDatabase(dir.Path("big.db"),
               "CREATE TABLE n (v INTEGER);"
               "WITH RECURSIVE c(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM c WHERE x < 4999) "
               "INSERT INTO n SELECT x FROM c;");
  SqliteCursor cursor(dir.Path("big.db"));
  cursor.Prepare("SELECT v FROM n ORDER BY v");
  for (int64_t row : {0, 1, 4999, 4998, 3976, 3975, 0, 2500, 2499, 1, 4000, 4999}) {
    ASSERT_TRUE(cursor.Seek(row)) << row;
    EXPECT_EQ(cursor.Value(0).AsInteger(), row);
  }
  EXPECT_FALSE(cursor.Seek(5000));
  EXPECT_EQ(cursor.KnownRowCount(), 5000);
}

// Large values bound the rows kept for moving back by their bytes, not only by their count.
TEST_F(SqliteCursorTest, TheWindowIsBoundedByBytes) {
  SqliteCursor cursor(path);
  cursor.Prepare(
      "WITH RECURSIVE c(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM c WHERE x < 79) "
      "SELECT x, zeroblob(1048576) AS b FROM c");
  for (int64_t row : {0, 79, 60, 79, 3}) {
    ASSERT_TRUE(cursor.Seek(row)) << row;
    EXPECT_EQ(cursor.Value(0).AsInteger(), row);
    EXPECT_EQ(cursor.Value(1).AsString().size(), 1048576u);
    EXPECT_LE(cursor.DecodedBytes(), SqliteCursor::kWindowBytes);
  }
}

TEST_F(SqliteCursorTest, ParametersBindAndRestart) {
  SqliteCursor cursor(path);
  cursor.Prepare("SELECT s FROM t WHERE i = :Key");
  EXPECT_EQ(cursor.ParameterNames(), std::vector<std::string>{"Key"});
  EXPECT_FALSE(cursor.Seek(0));
  cursor.Bind(1, 7);
  ASSERT_TRUE(cursor.Seek(0));
  EXPECT_EQ(cursor.Value(0).AsString(), "5");
  cursor.Bind(1, int64_t{1});
  ASSERT_TRUE(cursor.Seek(0));
  EXPECT_EQ(cursor.Value(0).AsString(), "one");
}

TEST_F(SqliteCursorTest, FailuresNameTheFileAndTheCause) {
  std::string missing = dir.Path("missing.db");
  EXPECT_EQ(Failure([&] { SqliteCursor c(missing); }),
            "Cannot open database " + missing + ": unable to open database file");
  std::string junk = dir.Write("junk.db", std::string(4096, 'x'));
  EXPECT_EQ(Failure([&] { SqliteCursor(junk).Prepare("SELECT 1 FROM t"); }),
            junk + ": file is not a database");
  SqliteCursor cursor(path);
  const struct {
    const char* sql;
    const char* cause;
  } cases[] = {
      {"SELEC * FROM t", "near \"SELEC\": syntax error"},
      {"SELECT * FROM nothere", "no such table: nothere"},
      {"SELECT nope FROM t", "no such column: nope"},
      {"", "the SQL text holds no statement"},
      {"SELECT 1; SELECT 2", "the SQL text holds more than one statement"},
      {"DELETE FROM t", "the SQL statement returns no rows"},
      {"DELETE FROM t RETURNING i", "the SQL statement would change the database"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Failure([&] { cursor.Prepare(c.sql); }), path + ": " + c.cause) << c.sql;
  }
  EXPECT_TRUE(cursor.HasTable("T"));
  EXPECT_FALSE(cursor.HasTable("u"));
}

TEST_F(SqliteCursorTest, ValuesThatDoNotFitTheirColumnFailOnRead) {
  MakeDatabase(dir.Path("bad.db"),
               "CREATE TABLE b (n INTEGER, d DATE); INSERT INTO b VALUES ('abc', 1);"
               "INSERT INTO b VALUES (1, 1e300);"
               "CREATE TABLE f (r REAL); INSERT INTO f VALUES (1.5), (9e999), (-9e999);");
  std::string bad = dir.Path("bad.db");
  SqliteCursor cursor(bad);
  cursor.Prepare("SELECT n FROM b");
  EXPECT_EQ(Failure([&] { cursor.Seek(0); }),
            bad + ": 'abc' is not a valid Integer value for field 'n' (record 1)");
  cursor.Prepare("SELECT d FROM b");
  ASSERT_TRUE(cursor.Seek(0));
  EXPECT_EQ(Failure([&] { cursor.Seek(1); }),
            bad + ": '1.0e+300' is not a valid Date value for field 'd' (record 2)");
  cursor.Prepare("SELECT r FROM f");
  ASSERT_TRUE(cursor.Seek(0));
  EXPECT_EQ(Failure([&] { cursor.Seek(1); }),
            bad + ": 'Inf' is not a valid Float value for field 'r' (record 2)");
  EXPECT_EQ(cursor.Value(0).AsDouble(), 1.5) << "the row before stays current";
  EXPECT_EQ(Failure([&] { cursor.Seek(2); }),
            bad + ": '-Inf' is not a valid Float value for field 'r' (record 3)");
}

}  // namespace
}  // namespace qr2vor
