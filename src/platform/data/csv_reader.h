#pragma once

// CSV files as tables (RFC 4180): a header row of column names, then one record per line.
// Fields are separated by ',', records by CR LF, LF or CR; a field in double quotes may hold
// separators, line breaks and doubled quotes. An empty unquoted field is Null; "" is an empty
// string. A header name may declare its column's type as "Name:Type" or "Name:String(40)",
// Type being a field type name without "ft" (Integer, Float, Currency, Boolean, Date, Time,
// DateTime, Memo, ...); undeclared columns take the narrowest type that fits every value
// (Integer, Float, Boolean, Date, Time, DateTime, else String; Memo past 8192 bytes).
//
// The file is UTF-8 (a byte order mark is skipped); names and values are converted into the
// process code page, where characters it cannot hold become '?' and are counted.
//
// Opening reads the file once: it checks the structure and every value against its column's
// type and keeps the file offset of every 16th record. Records are then read again on demand,
// so memory stays a small fraction of the file whatever its size.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "rtl/variant.h"

namespace qr2vor {

// Random-access bytes under a CSV table: a file, or bytes in memory.
class CsvSource {
 public:
  virtual ~CsvSource() = default;
  // Copies up to `count` bytes from `offset`; returns how many (0 at the end).
  virtual size_t ReadAt(uint64_t offset, char* buffer, size_t count) = 0;
};

// Raises EDatabaseError "Cannot open file <path>" when the file cannot be read.
std::unique_ptr<CsvSource> OpenCsvFileSource(const std::string& path);
std::unique_ptr<CsvSource> CsvMemorySource(std::string bytes);

struct CsvColumn {
  std::string name;
  TFieldType dataType = ftString;
  int size = 0;
};

class CsvTable {
 public:
  // Largest field and number of columns accepted; beyond them the file is rejected.
  static constexpr size_t kMaxFieldBytes = 64u << 20;
  static constexpr size_t kMaxColumns = 4096;
  // Strings longer than this become memos.
  static constexpr int kMaxStringSize = 8192;

  // Scans the whole input. `name` is the file named in messages: every failure raises
  // EDatabaseError "<name>: line L, column C: <cause>".
  CsvTable(std::string name, std::unique_ptr<CsvSource> source);
  ~CsvTable();
  CsvTable(const CsvTable&) = delete;
  CsvTable& operator=(const CsvTable&) = delete;

  const std::string& Name() const { return name_; }
  const std::vector<CsvColumn>& Columns() const { return columns_; }
  int64_t RecordCount() const { return recordCount_; }
  // Characters of the file that the process code page cannot hold, each read as '?'.
  size_t LostCharacters() const { return lostCharacters_; }

  // Puts the records in the order of these columns' values (Null first, equal keys in the file's
  // order). The keys are held in memory: beyond kMaxOrderBytes (file_table.h) of them
  // EDatabaseError is raised.
  void OrderBy(const std::vector<int>& columns);

  // Reads record `record` (from 0, in the order when one is set); false when there is none.
  bool Seek(int64_t record);
  // The value of `column` in the record read last.
  Variant Value(int column) const;

 private:
  class Cursor;
  struct Cell {
    std::string text;
    bool quoted = false;
    int64_t line = 0;
    int64_t column = 0;
  };
  struct Checkpoint {
    uint64_t offset;
    int64_t line;
  };
  static constexpr int64_t kCheckpointInterval = 16;

  // Reads one record into cells_ (cellCount_ of them); false at the end of input. Blank lines
  // of a table with more than one column are skipped.
  bool ReadRecord();
  void ReadHeader();
  void Scan();
  void CheckRecord();
  [[noreturn]] void Fail(int64_t line, int64_t column, const std::string& cause) const;

  std::string name_;
  std::unique_ptr<Cursor> cursor_;
  std::vector<CsvColumn> columns_;
  std::vector<Cell> cells_;
  size_t cellCount_ = 0;
  std::vector<Checkpoint> checkpoints_;
  int64_t recordCount_ = 0;
  std::vector<int64_t> order_;            // file record of each ordered record
  std::vector<Checkpoint> recordStarts_;  // where each file record starts, when ordered
  int64_t nextRecord_ = 0;                // the file record the cursor stands before
  int64_t current_ = -1;                  // the record held in cells_
  size_t lostCharacters_ = 0;
  bool scanned_ = false;  // characters are counted while the file is scanned, once
};

}  // namespace qr2vor
