// TTable and TQuery over temporary SQLite databases and CSV folders: aliases, navigation with
// bookmarks and Prior, master-detail links, failures that leave nothing open, and an active
// table in a component stream.

#include "platform/data/tables.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>

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

TEST_F(TablesTest, IndexFieldNamesOrdersSqliteTables) {
  TTable table(nullptr);
  table.SetDatabaseName(dir.Path("shop.db"));
  table.SetTableName("orders.db");
  table.SetIndexFieldNames("cust;item");
  table.Open();
  EXPECT_EQ(Column(table, "item"), "ink,nib,pad,pen");
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
