#pragma once

// dBase tables (.dbf): dBase III/IV, FoxPro and Visual FoxPro files, with their memo files
// (.dbt for dBase, .fpt for FoxPro). Field types C (character), N and F (numeric; Integer when
// it has no decimals and fewer than 10 digits, else Float), D (date), L (logical), M (memo),
// G and dBase B (binary memos), and the Visual FoxPro I (integer), Y (currency), T (date-time)
// and B (double). Blank values are Null. Deleted records are skipped.
//
// Text (character fields, memos, field names) is in the code page the header's language driver
// names (the process code page when it names none or one not known) and is converted into the
// process code page; characters it cannot hold become '?' and are counted.
//
// Every length and offset is checked against the file: a file that is not a dBase table, is cut
// short or names a memo beyond its memo file raises EDatabaseError naming the file and the cause.
// Records are read on demand through a small buffer.

#include <memory>
#include <string>
#include <vector>

#include "platform/data/csv_reader.h"
#include "platform/data/file_table.h"

namespace qr2vor {

// The code page of a language-driver byte; 0 for none or one not known.
int DbfLanguageDriverCodePage(uint8_t driver);

class DbfTable : public FileTable {
 public:
  // Largest memo accepted.
  static constexpr size_t kMaxMemoBytes = 64u << 20;

  // Reads the header and the deletion marks. `memo` (nullptr when there is no memo file) is
  // read for memo fields; `memoName` is the memo file named in messages.
  DbfTable(std::string name, std::unique_ptr<CsvSource> source, std::string memoName,
           std::unique_ptr<CsvSource> memo);
  ~DbfTable() override;

  const std::string& Name() const override { return name_; }
  const std::vector<TableColumn>& Columns() const override { return columns_; }
  int64_t RecordCount() const override;
  bool Seek(int64_t record) override;
  Variant Value(int column) const override;
  size_t LostCharacters() const override { return lostCharacters_; }
  // The code page of the table's text (0: the process code page).
  int CodePage() const { return codePage_; }

 private:
  struct Field {
    char type;
    uint32_t offset;  // in the record, after the deletion mark
    uint32_t length;
    int decimals;
  };

  void ReadHeader();
  void ReadDeletionMarks();
  void ReadMemoHeader();
  // Fills the buffer with records from `physical` on.
  void Fill(int64_t physical);
  std::string ReadMemo(const Field& field, std::string_view cell, int column) const;
  [[noreturn]] void Fail(const std::string& cause) const;
  [[noreturn]] void FailValue(int column, const std::string& cause) const;

  std::string name_;
  std::unique_ptr<CsvSource> source_;
  std::string memoName_;
  std::unique_ptr<CsvSource> memo_;
  std::vector<TableColumn> columns_;
  std::vector<Field> fields_;
  uint8_t version_ = 0;
  bool foxPro_ = false;
  int codePage_ = 0;
  uint32_t headerLength_ = 0;
  uint32_t recordLength_ = 0;
  int64_t physicalCount_ = 0;
  uint32_t memoBlockSize_ = 0;
  bool hasDeleted_ = false;     // some records are deleted: live_ lists the others
  std::vector<uint32_t> live_;  // physical record of each record not deleted
  std::vector<char> buffer_;
  int64_t bufferStart_ = 0;  // physical record of buffer_[0]
  int64_t bufferCount_ = 0;
  int64_t current_ = -1;  // the physical record read last
  mutable size_t lostCharacters_ = 0;
};

// Opens the table at `path` with its memo file: the same name ending in .dbt (dBase) or .fpt
// (FoxPro), in lower or upper case. Raises EDatabaseError when the file cannot be read.
std::unique_ptr<DbfTable> OpenDbfFile(const std::string& path);

}  // namespace qr2vor
