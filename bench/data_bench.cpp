// Rows per second walking 1 000 000 rows of a CSV file, a SQLite table, a dBase table and a
// Paradox table through TTable, reading every field of every row, and the process's peak memory
// after the walk.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fmt/format.h>

extern "C" {
#include <paradox.h>
}

#include "platform/data/tables.h"

namespace qr2vor {
namespace {

constexpr int kRows = 1'000'000;

// The data files, written once per run into a temporary folder removed at exit.
class Data {
 public:
  Data() {
    folder_ = std::filesystem::temp_directory_path() / fmt::format("qr2vor_bench_{}", ::getpid());
    std::filesystem::create_directories(folder_ / "tables");
    std::ofstream csv(folder_ / "tables" / "rows.csv");
    csv << "id,name,amount,day\n";
    for (int i = 0; i < kRows; ++i) {
      csv << fmt::format("{},\"Customer {}\",{}.{:02},2024-{:02}-{:02}\n", i, i % 5000, i % 1000,
                         i % 100, i % 12 + 1, i % 28 + 1);
    }
    sqlite3* db = nullptr;
    sqlite3_open((folder_ / "rows.db").c_str(), &db);
    sqlite3_exec(
        db,
        fmt::format("CREATE TABLE rows (id INTEGER, name VARCHAR(20), amount REAL, day DATE);"
                    "WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c "
                    "WHERE i < {}) INSERT INTO rows SELECT i, 'Customer ' || (i % 5000), "
                    "(i % 1000) + (i % 100) / 100.0, printf('2024-%02d-%02d', i % 12 + 1, "
                    "i % 28 + 1) FROM c;",
                    kRows - 1)
            .c_str(),
        nullptr, nullptr, nullptr);
    sqlite3_close(db);
    WriteDbf();
    WriteParadox();
  }
  ~Data() { std::filesystem::remove_all(folder_); }

  std::string Folder() const { return (folder_ / "tables").string(); }
  std::string Sqlite() const { return (folder_ / "rows.db").string(); }

 private:
  // dBase III: id N(9), name C(20), amount N(8,2), day D; 46-byte records after a 161-byte
  // header.
  void WriteDbf() const {
    std::ofstream dbf(folder_ / "tables" / "rows.dbf", std::ios::binary);
    std::string head = {3, 124, 12, 7};
    for (int shift = 0; shift < 32; shift += 8) head += static_cast<char>(kRows >> shift);
    head += {static_cast<char>(161), 0, 46, 0};
    head += std::string(20, '\0');
    const auto field = [](const char* name, char type, int length, int decimals) {
      std::string desc(name);
      desc.resize(11, '\0');
      desc += type;
      desc += std::string(4, '\0');
      desc += {static_cast<char>(length), static_cast<char>(decimals)};
      return desc + std::string(14, '\0');
    };
    dbf << head << field("id", 'N', 9, 0) << field("name", 'C', 20, 0) << field("amount", 'N', 8, 2)
        << field("day", 'D', 8, 0) << '\r';
    for (int i = 0; i < kRows; ++i) {
      dbf << fmt::format(" {:>9}{:<20}{:>5}.{:02}2024{:02}{:02}", i,
                         fmt::format("Customer {}", i % 5000), i % 1000, i % 100, i % 12 + 1,
                         i % 28 + 1);
    }
    dbf << '\x1A';
  }

  // Paradox through pxlib: id long, name alpha(20), amount number, day date.
  void WriteParadox() const {
    pxdoc_t* doc = PX_new();
    auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, 4 * sizeof(pxfield_t), "fields"));
    const struct {
      const char* name;
      char type;
      int length;
    } fieldDefs[] = {
        {"id", pxfLong, 4}, {"name", pxfAlpha, 20}, {"amount", pxfNumber, 8}, {"day", pxfDate, 4}};
    for (int i = 0; i < 4; ++i) {
      fields[i] = {PX_strdup(doc, fieldDefs[i].name), fieldDefs[i].type, fieldDefs[i].length, 0};
    }
    PX_create_file(doc, fields, 4, (folder_ / "tables" / "rows.db").c_str(), pxfFileTypNonIndexDB);
    char record[36];
    for (int i = 0; i < kRows; ++i) {
      std::memset(record, 0, sizeof record);
      std::string name = fmt::format("Customer {}", i % 5000);
      PX_put_data_long(doc, record, 4, i);
      PX_put_data_alpha(doc, record + 4, 20, name.data());
      PX_put_data_double(doc, record + 24, 8, (i % 1000) + (i % 100) / 100.0);
      PX_put_data_long(doc, record + 32, 4,
                       static_cast<int>(PX_GregorianToSdn(2024, i % 12 + 1, i % 28 + 1) - 1721425));
      PX_put_record(doc, record);
    }
    PX_close(doc);
    PX_delete(doc);
  }

  std::filesystem::path folder_;
};

const Data& TheData() {
  static const Data data;
  return data;
}

double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Walk(benchmark::State& state, const std::string& databaseName, const char* tableName) {
  for (auto _ : state) {
    TTable table(nullptr);
    table.SetDatabaseName(databaseName);
    table.SetTableName(tableName);
    table.Open();
    TField* id = table.FieldByName("id");
    TField* name = table.FieldByName("name");
    TField* amount = table.FieldByName("amount");
    TField* day = table.FieldByName("day");
    int64_t rows = 0;
    for (; !table.Eof(); table.Next()) {
      benchmark::DoNotOptimize(id->AsInteger());
      benchmark::DoNotOptimize(name->AsString());
      benchmark::DoNotOptimize(amount->AsFloat());
      benchmark::DoNotOptimize(day->AsDateTime());
      ++rows;
    }
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["peak_MiB"] = PeakMemoryMiB();
}

void BM_CsvWalk(benchmark::State& state) { Walk(state, TheData().Folder(), "rows.csv"); }
void BM_SqliteWalk(benchmark::State& state) { Walk(state, TheData().Sqlite(), "rows"); }
void BM_DbfWalk(benchmark::State& state) { Walk(state, TheData().Folder(), "rows.dbf"); }
void BM_ParadoxWalk(benchmark::State& state) { Walk(state, TheData().Folder(), "rows.db"); }

BENCHMARK(BM_CsvWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SqliteWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DbfWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ParadoxWalk)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace qr2vor

BENCHMARK_MAIN();
