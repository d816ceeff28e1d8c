// Rows per second walking 1 000 000 rows of a CSV file and of a SQLite table through TTable,
// reading every field of every row, and the process's peak memory after the walk.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <fmt/format.h>

#include "platform/data/tables.h"

namespace qr2vor {
namespace {

constexpr int kRows = 1'000'000;

// The data files, written once per run into a temporary folder removed at exit.
class Data {
 public:
  Data() {
    folder_ = std::filesystem::temp_directory_path() / fmt::format("qr2vor_bench_{}", ::getpid());
    std::filesystem::create_directories(folder_ / "csv");
    std::ofstream csv(folder_ / "csv" / "rows.csv");
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
  }
  ~Data() { std::filesystem::remove_all(folder_); }

  std::string Csv() const { return (folder_ / "csv").string(); }
  std::string Sqlite() const { return (folder_ / "rows.db").string(); }

 private:
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

void BM_CsvWalk(benchmark::State& state) { Walk(state, TheData().Csv(), "rows.csv"); }
void BM_SqliteWalk(benchmark::State& state) { Walk(state, TheData().Sqlite(), "rows"); }

BENCHMARK(BM_CsvWalk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SqliteWalk)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace qr2vor

BENCHMARK_MAIN();
