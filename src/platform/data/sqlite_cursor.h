#pragma once

// Rows of a SQLite query, read through libsqlite3.
//
// Text goes in (SQL, table names, parameters) and comes out (names, string values) in the
// process code page; the database holds UTF-8. Characters the code page cannot hold become '?'
// and are counted.
//
// The statement is stepped forward and the last rows, at most kWindowRows of them and
// kWindowBytes of decoded values (always the newest row), are kept decoded, so moving
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
  static constexpr size_t kWindowBytes = 64u << 20;
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
  void Prepare(const std::string& ansiSql);
  // Settles the types of undeclared columns (expressions) from the first row, which is why it
  // comes after the parameters are bound; without rows they are strings.
  void SettleColumnTypes();

  const std::vector<SqliteColumn>& Columns() const { return columns_; }
  // Names of the statement's parameters without their prefix character, by index from 1.
  std::vector<std::string> ParameterNames() const;
  // Binds parameter `index` (from 1) and starts the rows over.
  void Bind(int index, const Variant& value);

  // Makes `row` current; false (no current row) when there is none. A row that fails to decode
  // raises EDatabaseError; the row current before stays readable and the count of stepped rows
  // stays true.
  bool Seek(int64_t row);
  // The number of rows, once the statement has been stepped to its end; -1 before.
  int64_t KnownRowCount() const { return done_ ? stepped_ : -1; }
  // The value in the current row; Null when there is none.
  Variant Value(int column) const;
  // What the decoded rows kept for moving back take: at most kWindowBytes, or the newest row.
  size_t DecodedBytes() const { return windowBytes_; }
  // Characters of the rows read (each row counted once) that the code page cannot hold.
  size_t LostCharacters() const { return lostCharacters_; }

 private:
  using Row = std::vector<Variant>;

  void Restart();
  // Steps once; false at the end. Decodes the row into the window when `keep` is set.
  bool Step(bool keep);
  Variant Decode(int column, size_t& lost) const;
  bool InWindow(int64_t row) const;
  [[noreturn]] void Fail(const std::string& cause) const;

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
  std::vector<SqliteColumn> columns_;
  std::deque<Row> window_;
  int64_t windowStart_ = 0;  // row number of window_.front()
  size_t windowBytes_ = 0;
  int64_t stepped_ = 0;  // rows stepped since the statement started
  bool done_ = false;
  int64_t currentRow_ = -1;
  int64_t countedRows_ = 0;  // rows whose lost characters are counted
  size_t lostCharacters_ = 0;
};

}  // namespace qr2vor
