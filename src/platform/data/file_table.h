#pragma once

// Tables read from database files of desktop engines (dBase, Paradox): columns, records in the
// file's order, and the ordering of those records by column values.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "rtl/variant.h"

namespace qr2vor {

struct TableColumn {
  std::string name;
  TFieldType dataType = ftString;
  int size = 0;
};

class FileTable {
 public:
  virtual ~FileTable() = default;

  // The file named in messages.
  virtual const std::string& Name() const = 0;
  virtual const std::vector<TableColumn>& Columns() const = 0;
  virtual int64_t RecordCount() const = 0;
  // Reads record `record` (from 0, in the file's order); false when there is none. Raises
  // EDatabaseError naming the file when the record cannot be read.
  virtual bool Seek(int64_t record) = 0;
  // The value of `column` in the record read last.
  virtual Variant Value(int column) const = 0;
  // Characters of the text read so far that the process code page cannot hold, each read as '?'.
  virtual size_t LostCharacters() const = 0;
};

// The order of records by their keys: Null first, then ascending, key by key.
bool KeysBefore(const std::vector<Variant>& a, const std::vector<Variant>& b);

// The records of `table` ordered by these columns' values (Null first, equal keys in the file's
// order): the file record of each ordered record. The keys are held in memory: beyond
// kMaxOrderBytes of them EDatabaseError is raised.
constexpr size_t kMaxOrderBytes = 256u << 20;
std::vector<int64_t> OrderRecords(FileTable& table, const std::vector<int>& columns);

// Text of a table's code page converted into the process code page; characters it cannot hold
// become '?' and are added to `lost`. Code page 0 is the process code page.
std::string TableTextToAnsi(std::string_view text, int codePage, size_t& lost);

}  // namespace qr2vor
