#pragma once

// Rows of a SQLite query, read through libsqlite3.
//
// The statement is stepped forward and the last kWindowRows rows are kept decoded, so moving
// back a few records (Prior, a group measured and then drawn) costs nothing. Moving back past
// the window resets the statement and steps forward again without decoding the skipped rows:
// memory stays bounded whatever the size of the result, at the price of a re-run for long
// jumps back (going back to the first record is the common one and is cheap).

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "rtl/variant.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qr2vor {

struct SqliteColumn {
  std::string name;
  TFieldType dataType = ftString;
  int size = 0;
};

// The field type and size for a declared column type ("VARCHAR(40)", "DATETIME", "BLOB", ...).
// An empty declaration gives ftUnknown.
TFieldType FieldTypeFromDeclaredType(std::string_view declared, int& size);

class SqliteCursor {
 public:
  static constexpr size_t kWindowRows = 1024;
  // The longest string or blob a value may hold.
  static constexpr int kMaxValueBytes = 256 << 20;

  // Opens `path` read-only; raises EDatabaseError naming the file and the cause.
  explicit SqliteCursor(std::string path);
  ~SqliteCursor();
  SqliteCursor(const SqliteCursor&) = delete;
  SqliteCursor& operator=(const SqliteCursor&) = delete;

  // True when the database holds a table or view of that name (any case).
  bool HasTable(const std::string& name);
  // Prepares the query whose rows the cursor walks; raises EDatabaseError naming the file and
  // the cause (not a database, SQL error, several statements, a statement that returns no rows
  // or would write).
  void Prepare(const std::string& sql);
  // Settles the types of undeclared columns (expressions) from the first row, which is why it
  // comes after the parameters are bound; without rows they are strings.
  void SettleColumnTypes();

  const std::vector<SqliteColumn>& Columns() const { return columns_; }
  // Names of the statement's parameters without their prefix character, by index from 1.
  std::vector<std::string> ParameterNames() const;
  // Binds parameter `index` (from 1) and starts the rows over.
  void Bind(int index, const Variant& value);

  bool Seek(int64_t row);
  // The number of rows, once the statement has been stepped to its end; -1 before.
  int64_t KnownRowCount() const { return done_ ? stepped_ : -1; }
  Variant Value(int column) const { return (*current_)[static_cast<size_t>(column)]; }

 private:
  using Row = std::vector<Variant>;

  void Restart();
  // Steps once; false at the end. Decodes the row into the window when `keep` is set.
  bool Step(bool keep);
  Variant Decode(int column) const;
  [[noreturn]] void Fail(const std::string& cause) const;

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
  std::vector<SqliteColumn> columns_;
  std::deque<Row> window_;
  int64_t windowStart_ = 0;  // row number of window_.front()
  int64_t stepped_ = 0;      // rows stepped since the statement started
  bool done_ = false;
  const Row* current_ = nullptr;
};

}  // namespace qr2vor
