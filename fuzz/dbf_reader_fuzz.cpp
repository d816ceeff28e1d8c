// Feeds arbitrary bytes to the dBase reader: the first two bytes give the length of the table
// file, the rest is its memo file. Every record is read and every value decoded, in the file's
// order and then ordered by the first column. Any outcome but a value or an EDatabaseError is a
// fault.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/data/dbf_reader.h"
#include "rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  if (size < 2) return 0;
  const size_t split = std::min<size_t>(size - 2, data[0] | data[1] << 8);
  const char* bytes = reinterpret_cast<const char*>(data) + 2;
  try {
    DbfTable table("fuzz.dbf", CsvMemorySource(std::string(bytes, split)), "fuzz.dbt",
                   CsvMemorySource(std::string(bytes + split, size - 2 - split)));
    const auto& columns = table.Columns();
    for (int64_t record = 0; table.Seek(record); ++record) {
      for (size_t column = 0; column < columns.size(); ++column) {
        try {
          FieldValueText(table.Value(static_cast<int>(column)), columns[column].dataType);
        } catch (const EDatabaseError&) {
        }
      }
    }
    OrderRecords(table, {0});
  } catch (const EDatabaseError&) {
  }
  return 0;
}
