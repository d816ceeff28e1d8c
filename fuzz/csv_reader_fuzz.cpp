// Feeds arbitrary bytes to the CSV reader: opening scans and types the whole input, then every
// record is read back and every value decoded, in the file's order and then ordered by the first
// and last columns. Any outcome but a value or an EDatabaseError is a fault.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/data/csv_reader.h"
#include "rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qr2vor;
  try {
    CsvTable table("fuzz.csv",
                   CsvMemorySource(std::string(reinterpret_cast<const char*>(data), size)));
    const auto& columns = table.Columns();
    const auto walk = [&] {
      for (int64_t record = table.RecordCount() - 1; record >= 0; record -= 7) {
        if (!table.Seek(record)) __builtin_trap();
        for (size_t column = 0; column < columns.size(); ++column) {
          FieldValueText(table.Value(static_cast<int>(column)), columns[column].dataType);
        }
      }
    };
    walk();
    table.OrderBy({0, static_cast<int>(columns.size()) - 1});
    walk();
  } catch (const EDatabaseError&) {
  }
  return 0;
}
