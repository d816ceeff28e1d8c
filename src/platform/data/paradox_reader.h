#pragma once

// Paradox tables (.db) through pxlib: alpha, date, short, long, currency, number, logical, memo,
// formatted memo, blob, OLE and graphic fields (their data from the .mb file, read here with
// every offset checked), time, timestamp,
// autoincrement, BCD and bytes. Text (alpha fields, memos, field names) is in the table's code
// page and is converted into the process code page; characters it cannot hold become '?' and are
// counted. A keyed table lists its primary-key fields (KeyFields) so that its records can be read
// in key order.

#include <memory>
#include <string>
#include <vector>

#include "platform/data/csv_reader.h"
#include "platform/data/file_table.h"

struct px_doc;

namespace qr2vor {

class ParadoxTable : public FileTable {
 public:
  // Largest memo or blob accepted.
  static constexpr uint32_t kMaxBlobBytes = 64u << 20;

  // Opens the table at `path` and, when it has memo or blob fields, the .mb file beside it (the
  // same name in lower or upper case). Raises EDatabaseError naming the file and the cause.
  explicit ParadoxTable(const std::string& path);
  ~ParadoxTable() override;
  ParadoxTable(const ParadoxTable&) = delete;
  ParadoxTable& operator=(const ParadoxTable&) = delete;

  const std::string& Name() const override { return name_; }
  const std::vector<TableColumn>& Columns() const override { return columns_; }
  int64_t RecordCount() const override { return recordCount_; }
  bool Seek(int64_t record) override;
  Variant Value(int column) const override;
  size_t LostCharacters() const override { return lostCharacters_; }
  // The columns of the primary key, in order (none for a table without a key).
  const std::vector<int>& KeyColumns() const { return keyColumns_; }
  // The code page of the table's text (0: the process code page).
  int CodePage() const { return codePage_; }

 private:
  struct Field {
    int type;
    int offset;
    int length;
  };

  std::string ReadBlob(const Field& field, int column) const;
  [[noreturn]] void Fail(const std::string& cause) const;
  [[noreturn]] void FailValue(int column, const std::string& cause) const;

  std::string name_;
  px_doc* doc_ = nullptr;
  mutable std::string error_;  // the first error pxlib reported since it was cleared
  std::vector<TableColumn> columns_;
  std::vector<Field> fields_;
  std::vector<int> keyColumns_;
  std::string memoName_;
  std::unique_ptr<CsvSource> memo_;  // the .mb file, read here: pxlib's reading is unsafe
  std::vector<char> record_;
  int64_t recordCount_ = 0;
  int64_t current_ = -1;
  int codePage_ = 0;
  mutable size_t lostCharacters_ = 0;
};

}  // namespace qr2vor
