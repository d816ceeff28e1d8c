// TTable and TQuery over temporary SQLite databases and CSV folders: aliases, navigation with
// bookmarks and Prior, master-detail links, failures that leave nothing open, and an active
// table in a component stream.

#include "platform/data/tables.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>

#include "platform/data/memory_dataset.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"
#include "stream/reader.h"
#include "stream/registry.h"
#include "test_files.h"

namespace qr2vor {
namespace {

void MakeDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

std::string Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "(no failure)";
}

// The values of field `name` from the current record to the end, joined by ','.
std::string Column(TDataSet& data, const char* name) {
  std::string text;
  for (; !data.Eof(); data.Next()) {
    text += (text.empty() ? "" : ",") + data.FieldByName(name)->DisplayText();
  }
  return text;
}

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeDatabase(dir.Path("shop.db"),
                 "CREATE TABLE customer (id INTEGER, name VARCHAR(20));"
                 "INSERT INTO customer VALUES (1, 'Ann'), (2, 'Bob'), (3, 'Cy');"
                 "CREATE TABLE orders (cust INTEGER, item TEXT, total MONEY);"
                 "INSERT INTO orders VALUES (2, 'pen', 1.5), (1, 'ink', 2), (2, 'pad', NULL),"
                 " (1, 'nib', 0.25);");
    dir.Write("csv/customer.csv", "");
    std::filesystem::create_directories(dir.Path("csv"));
    dir.Write("csv/customer.csv", "id,name\n1,Ann\n2,Bob\n3,Cy\n");
    dir.Write("csv/orders.csv",
              "cust,item,total:Currency\n2,pen,1.5\n1,ink,2\n2,pad,\n1,nib,0.25\n");
    dir.Write("csv/broken.csv", "a,b\n1,2\n3\n");
    dir.Write("aliases.ini",
              "# test aliases\n[aliases]\nSHOP = shop.db\n  CsvData=csv  \nGone=nowhere.db\n");
    setenv("QR2VOR_ALIASES", dir.Path("aliases.ini").c_str(), 1);
  }
  void TearDown() override { unsetenv("QR2VOR_ALIASES"); }

  test::TempDir dir;
};

TEST_F(TablesTest, AliasesResolveAgainstTheAliasFile) {
  EXPECT_EQ(AliasFilePath(), dir.Path("aliases.ini"));
  EXPECT_EQ(ResolveDatabaseName("shop"), dir.Path("shop.db"));
  EXPECT_EQ(ResolveDatabaseName("csvdata"), dir.Path("csv"));
  EXPECT_EQ(ResolveDatabaseName("other"), "other");
  EXPECT_EQ(ResolveDatabaseName("/abs/shop"), "/abs/shop");
}

TEST_F(TablesTest, TableOverSqliteAndCsvWalksBothWays) {
  for (const char* database : {"SHOP", "CsvData"}) {
    TTable table(nullptr);
    table.SetDatabaseName(database);
    table.SetTableName("orders");
    table.SetActive(true);
    EXPECT_EQ(table.FieldByName("total")->DataType(), ftCurrency) << database;
    EXPECT_EQ(Column(table, "item"), "pen,ink,pad,nib") << database;
    table.Prior();
    table.Prior();
    EXPECT_EQ(table.FieldByName("item")->AsString(), "ink") << database;
    TBookmark mark = table.GetBookmark();
    table.First();
    EXPECT_TRUE(table.FieldByName("total")->AsString() == "1.5");
    table.Next();
    table.Next();
    EXPECT_TRUE(table.FieldByName("total")->IsNull()) << database;
    table.GotoBookmark(mark);
    EXPECT_EQ(table.FieldByName("item")->AsString(), "ink") << database;
    EXPECT_EQ(table.RecordCount(), 4) << database;
    EXPECT_EQ(table.FieldByName("item")->AsString(), "ink") << database;
  }
}

TEST_F(TablesTest, IndexFieldNamesOrdersTables) {
  dir.Write(
      "csv/many.csv", "k:Integer,seq\n" + [] {
        std::string rows;
        for (int i = 0; i < 40; ++i)
          rows +=
              (i % 5 == 4 ? std::string() : std::to_string(i % 3)) + "," + std::to_string(i) + "\n";
        return rows;
      }());
  for (const char* database : {"SHOP", "CsvData"}) {
    TTable table(nullptr);
    table.SetDatabaseName(database);
    table.SetTableName("orders.db");
    table.SetIndexFieldNames("cust;item");
    table.Open();
    EXPECT_EQ(Column(table, "item"), "ink,nib,pad,pen") << database;
    table.Prior();
    EXPECT_EQ(table.FieldByName("item")->AsString(), "pad") << database;
  }
  // Null keys first, equal keys in the file's order, across the file's record index.
  TTable table(nullptr);
  table.SetDatabaseName("CsvData");
  table.SetTableName("many");
  table.SetIndexFieldNames("k");
  table.Open();
  EXPECT_EQ(Column(table, "seq"),
            "4,9,14,19,24,29,34,39,0,3,6,12,15,18,21,27,30,33,36,1,7,10,13,16,22,25,28,31,37,2,5,"
            "8,11,17,20,23,26,32,35,38");
  table.Close();
  table.SetIndexFieldNames("nope");
  EXPECT_EQ(Failure([&] { table.Open(); }), "TTable: Field 'nope' not found");
}

TEST_F(TablesTest, DetailFollowsTheMasterRecord) {
  for (const char* database : {"SHOP", "CsvData"}) {
    TTable customers(nullptr);
    customers.SetDatabaseName(database);
    customers.SetTableName("customer.db");
    TDataSource source(nullptr);
    source.SetDataSet(&customers);
    TTable orders(nullptr);
    orders.SetDatabaseName(database);
    orders.SetTableName("orders");
    orders.SetMasterSource(&source);
    orders.SetMasterFields("id");
    orders.SetIndexFieldNames("cust");
    orders.Open();
    EXPECT_TRUE(customers.Active()) << "opening the detail opens its master";
    customers.DisableControls();
    std::string text;
    for (; !customers.Eof(); customers.Next()) {
      orders.First();
      text += customers.FieldByName("name")->AsString() + ":" + Column(orders, "item") + " ";
    }
    EXPECT_EQ(text, "Ann:ink,nib Bob:pen,pad Cy: ") << database;
    customers.First();
    EXPECT_EQ(orders.FieldByName("item")->AsString(), "ink") << "a field read follows too";
  }
}

TEST_F(TablesTest, QueryParametersFollowTheirDataSource) {
  TTable customers(nullptr);
  customers.SetDatabaseName("shop");
  customers.SetTableName("customer");
  TDataSource source(nullptr);
  source.SetDataSet(&customers);
  TQuery query(nullptr);
  query.SetDatabaseName("shop");
  query.SQL()->SetText("SELECT item, total * 2.0 AS twice\nFROM orders WHERE cust = :id");
  query.SetDataSource(&source);
  query.Open();
  EXPECT_EQ(query.FieldByName("twice")->DataType(), ftFloat);
  EXPECT_EQ(Column(query, "twice"), "4,0.5");
  customers.Next();
  query.First();
  EXPECT_EQ(Column(query, "item"), "pen,pad");
  query.SQL()->SetText("SELECT COUNT(*) AS n FROM orders");
  EXPECT_FALSE(query.Active()) << "changing the SQL closes the query";
}

TEST_F(TablesTest, FailuresExplainAndLeaveTheDataSetClosed) {
  const struct {
    const char* database;
    const char* table;
    const char* sql;
    std::string message;
  } cases[] = {
      {"NoSuch", "orders", nullptr,
       "Data: Database 'NoSuch' not found: no file or folder NoSuch and no alias of that name in " +
           dir.Path("aliases.ini")},
      {"Gone", "orders", nullptr,
       "Data: Database 'Gone' not found: no file or folder " + dir.Path("nowhere.db") +
           " and no alias of that name in " + dir.Path("aliases.ini")},
      {"shop", "invoices", nullptr, "Data: Table 'invoices' not found in " + dir.Path("shop.db")},
      {"CsvData", "invoices.csv", nullptr,
       "Data: Table 'invoices.csv' not found: no file " + dir.Path("csv/invoices.csv")},
      {"CsvData", "broken", nullptr,
       dir.Path("csv/broken.csv") + ": line 3, column 2: 1 fields where the header has 2"},
      {"shop", nullptr, "SELECT * FORM orders",
       dir.Path("shop.db") + ": near \"FORM\": syntax error"},
      {"shop", nullptr, "  ", "Data: No SQL statement available"},
      {"CsvData", nullptr, "SELECT 1",
       "Data: SQL needs a SQLite database; " + dir.Path("csv") + " is a folder of CSV files"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TDBDataSet> data;
    if (c.sql != nullptr) {
      auto query = std::make_unique<TQuery>(nullptr);
      query->SQL()->SetText(c.sql);
      data = std::move(query);
    } else {
      auto table = std::make_unique<TTable>(nullptr);
      table->SetTableName(c.table);
      data = std::move(table);
    }
    data->SetName("Data");
    data->SetDatabaseName(c.database);
    EXPECT_EQ(Failure([&] { data->Open(); }), c.message);
    EXPECT_FALSE(data->Active());
    EXPECT_EQ(data->FieldCount(), 0);
  }
}

TEST_F(TablesTest, FilterTextWithoutHandlerIsRefused) {
  TTable table(nullptr);
  table.SetDatabaseName("shop");
  table.SetTableName("orders");
  table.SetFilter("cust = 1");
  table.SetFiltered(true);
  EXPECT_EQ(Failure([&] { table.Open(); }),
            "TTable: Filter 'cust = 1' cannot be evaluated: no filter handler");
  table.OnFilterRecord = [](TDataSet& ds, bool& accept) {
    accept = ds.FieldByName("cust")->AsInteger() == 1;
  };
  table.Open();
  EXPECT_EQ(Column(table, "item"), "ink,nib");
}

// A value that fails to decode stops the move, not the table: the data set stays on its record,
// the cursor counts the row it stepped past, and bookmarks still lead home.
TEST_F(TablesTest, AFailedMoveLeavesTheDataSetWhereItWas) {
  MakeDatabase(dir.Path("bad.db"),
               "CREATE TABLE t (id INTEGER, n INTEGER);"
               "INSERT INTO t VALUES (1, 10), (2, 20), (3, 'x'), (4, 40);");
  TTable table(nullptr);
  table.SetDatabaseName(dir.Path("bad.db"));
  table.SetTableName("t");
  table.Open();
  const TBookmark first = table.GetBookmark();
  table.Next();
  const std::string failure =
      dir.Path("bad.db") + ": 'x' is not a valid Integer value for field 'n' (record 3)";
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(Failure([&] { table.Next(); }), failure) << attempt;
    EXPECT_EQ(table.RecNo(), 2);
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.FieldByName("id")->AsInteger(), 2);
    EXPECT_EQ(table.FieldByName("n")->AsInteger(), 20);
  }
  table.GotoBookmark(first);
  EXPECT_EQ(table.FieldByName("n")->AsInteger(), 10);
  EXPECT_EQ(Failure([&] { table.Last(); }), failure);
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_EQ(table.FieldByName("id")->AsInteger(), 1);
}

// A detail moves when its master does, not when one of its fields is read; bookmarks taken
// under the master's previous record lead nowhere.
TEST_F(TablesTest, DetailMovesWithTheMasterAndReadsMoveNothing) {
  for (const char* database : {"SHOP", "CsvData"}) {
    TTable customers(nullptr);
    customers.SetDatabaseName(database);
    customers.SetTableName("customer");
    TDataSource source(nullptr);
    source.SetDataSet(&customers);
    TTable orders(nullptr);
    orders.SetDatabaseName(database);
    orders.SetTableName("orders");
    orders.SetMasterSource(&source);
    orders.SetMasterFields("id");
    orders.SetIndexFieldNames("cust");
    orders.Open();
    TDataSource orderSource(nullptr);
    orderSource.SetDataSet(&orders);
    int changes = 0;
    orderSource.OnDataChange = [&](TDataSource&) { ++changes; };
    orders.Next();
    EXPECT_EQ(orders.RecNo(), 2) << database;
    const TBookmark nib = orders.GetBookmark();
    EXPECT_TRUE(orders.BookmarkValid(nib));
    customers.Next();
    customers.Next();  // Cy has no orders
    EXPECT_TRUE(orders.Eof() && orders.Bof()) << database;
    EXPECT_EQ(orders.RecNo(), 0) << database;
    EXPECT_EQ(changes, 3) << database;
    EXPECT_TRUE(orders.FieldByName("item")->IsNull());
    customers.Prior();
    EXPECT_TRUE(orders.Bof() && !orders.Eof()) << database;
    EXPECT_EQ(orders.FieldByName("item")->AsString(), "pen") << database;
    EXPECT_EQ(changes, 4) << "reading a field tells no one";
    EXPECT_FALSE(orders.BookmarkValid(nib)) << database;
    EXPECT_EQ(Failure([&] { orders.GotoBookmark(nib); }), "TTable: Record not found");
    EXPECT_EQ(orders.FieldByName("item")->AsString(), "pen") << database;
  }
}

TEST_F(TablesTest, CircularMasterLinksAreRefused) {
  TTable first(nullptr), second(nullptr);
  TDataSource firstSource(nullptr), secondSource(nullptr);
  firstSource.SetDataSet(&first);
  secondSource.SetDataSet(&second);
  for (TTable* table : {&first, &second}) {
    table->SetDatabaseName("shop");
    table->SetTableName("customer");
    table->SetMasterFields("id");
  }
  first.SetName("First");
  first.SetMasterSource(&secondSource);
  second.SetMasterSource(&firstSource);
  EXPECT_EQ(Failure([&] { first.Open(); }), "First: Circular datalinks are not allowed");
  EXPECT_FALSE(first.Active() || second.Active());
}

// UTF-8 data arrives in the process code page; what it cannot hold is counted, and parameters
// and SQL go back to UTF-8.
TEST_F(TablesTest, TextIsConvertedIntoTheProcessCodePage) {
  dir.Write("csv/people.csv",
            "Name,Stra\xC3\x9F"
            "e\nM\xC3\xBCller,\xE4\xB8\xAD\xE6\x96\x87\n");
  MakeDatabase(dir.Path("people.db"),
               "CREATE TABLE people (id INTEGER, name TEXT, \"Stra\xC3\x9F"
               "e\" TEXT);"
               "INSERT INTO people VALUES (1, 'M\xC3\xBCller', '\xE4\xB8\xAD'), (2, 'Ng', '');");
  for (const std::string& database : {dir.Path("csv"), dir.Path("people.db")}) {
    TTable table(nullptr);
    table.SetDatabaseName(database);
    table.SetTableName("people");
    table.Open();
    EXPECT_EQ(table.FieldByName("Name")->AsString(), "M\xFCller") << database;
    ASSERT_NE(table.FindField("Stra\xDF"
                              "e"),
              nullptr)
        << database;
    EXPECT_EQ(table
                  .FieldByName("Stra\xDF"
                               "e")
                  ->AsString()
                  .substr(0, 1),
              "?")
        << database;
    EXPECT_EQ(table.LostCharacters(), database.ends_with(".db") ? 1u : 2u) << database;
  }
  TMemoryDataSet keys(nullptr);
  keys.AddFieldDef("key", ftString, 10);
  keys.AppendRecord({"M\xFCller"});
  TDataSource keySource(nullptr);
  keySource.SetDataSet(&keys);
  TQuery query(nullptr);
  query.SetDatabaseName(dir.Path("people.db"));
  query.SQL()->SetText("SELECT id, 'M\xFCller' = :key AS same FROM people WHERE name = :key");
  query.SetDataSource(&keySource);
  query.Open();
  EXPECT_EQ(query.FieldByName("id")->AsInteger(), 1);
  EXPECT_EQ(query.FieldByName("same")->AsInteger(), 1);
}

// SQLite's usual date-time text carries fractions of a second and zones.
TEST_F(TablesTest, DateTimesWithFractionsAndZonesAreRead) {
  MakeDatabase(dir.Path("times.db"),
               "CREATE TABLE t (at DATETIME, r REAL);"
               "INSERT INTO t VALUES ('2000-01-01 10:00:00.123', 1), ('2000-01-01T10:00:00Z', 2),"
               " ('2000-01-01 10:00:00+01:00', 3);");
  TTable table(nullptr);
  table.SetDatabaseName(dir.Path("times.db"));
  table.SetTableName("t");
  table.Open();
  EXPECT_EQ(Column(table, "at"), "1/1/2000 10:00:00 AM,1/1/2000 10:00:00 AM,1/1/2000 9:00:00 AM");
  EXPECT_EQ(table.RecordCount(), 3);
}

// A form stream: a root holding a data source and a table with Active = True.
std::string FormStream(const std::string& databaseName) {
  auto s = [](const std::string& text) { return std::string(1, char(text.size())) + text; };
  auto str = [&](const std::string& text) { return "\x06" + s(text); };
  std::string table = s("TTable") + s("Orders") + s("Active") + "\x09" + s("DatabaseName") +
                      str(databaseName) + s("TableName") + str("orders") + s("OnCalcFields") +
                      "\x07" + s("OrdersCalcFields") + std::string(2, '\0');
  std::string source = s("TDataSource") + s("OrdersSource") + s("DataSet") + "\x07" + s("Orders") +
                       std::string(2, '\0');
  return "TPF0" + s("TForm") + s("Form1") + std::string(1, '\0') + table + source +
         std::string(2, '\0');
}

TEST_F(TablesTest, StreamOpensAnActiveTableWhenLoadingEnds) {
  RegisterDataClasses();
  {
    TMemoryStream stream(FormStream("shop"));
    TComponent root(nullptr);
    TReader reader(stream);
    reader.OnError = [](TReader&, const std::string&, bool& handled) { handled = true; };
    reader.ReadRootComponent(&root);
    auto* orders = dynamic_cast<TTable*>(root.FindComponent("Orders"));
    ASSERT_NE(orders, nullptr);
    EXPECT_TRUE(orders->Active());
    EXPECT_EQ(orders->FieldByName("item")->AsString(), "pen");
    auto* source = dynamic_cast<TDataSource*>(root.FindComponent("OrdersSource"));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->DataSet(), orders);
  }
  TMemoryStream stream(FormStream("NoSuch"));
  TComponent root(nullptr);
  TReader reader(stream);
  reader.OnError = [](TReader&, const std::string&, bool& handled) { handled = true; };
  EXPECT_EQ(Failure([&] { reader.ReadRootComponent(&root); }),
            "Orders: Database 'NoSuch' not found: no file or folder NoSuch and no alias of that "
            "name in " +
                dir.Path("aliases.ini"));
  auto* orders = dynamic_cast<TTable*>(root.FindComponent("Orders"));
  ASSERT_NE(orders, nullptr);
  EXPECT_FALSE(orders->Active());
}

}  // namespace
}  // namespace qr2vor
