#include "platform/data/file_table.h"

#include <algorithm>

#include "rtl/codepage.h"
#include "rtl/exceptions.h"

namespace qr2vor {

bool KeysBefore(const std::vector<Variant>& a, const std::vector<Variant>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const bool nullA = a[i].IsNull(), nullB = b[i].IsNull();
    if (nullA != nullB) return nullA;
    if (nullA) continue;
    const VarCompareResult result = Compare(a[i], b[i]);
    if (result != vcEqual) return result == vcLess;
  }
  return false;
}

std::vector<int64_t> OrderRecords(FileTable& table, const std::vector<int>& columns) {
  struct Entry {
    std::vector<Variant> keys;
    int64_t record;
  };
  std::vector<Entry> entries;
  entries.reserve(static_cast<size_t>(table.RecordCount()));
  size_t bytes = 0;
  for (int64_t record = 0; record < table.RecordCount(); ++record) {
    if (!table.Seek(record)) break;
    Entry entry{{}, record};
    bytes += sizeof(Entry) + sizeof(int64_t);
    for (int column : columns) {
      entry.keys.push_back(table.Value(column));
      const std::string* text = entry.keys.back().StringPtr();
      bytes += sizeof(Variant) + (text != nullptr ? text->size() : 0);
    }
    if (bytes > kMaxOrderBytes) {
      throw EDatabaseError("{}: the keys to order by take more than {} MiB", table.Name(),
                           kMaxOrderBytes >> 20);
    }
    entries.push_back(std::move(entry));
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return KeysBefore(a.keys, b.keys); });
  std::vector<int64_t> order;
  order.reserve(entries.size());
  for (const Entry& entry : entries) order.push_back(entry.record);
  return order;
}

std::string TableTextToAnsi(std::string_view text, int codePage, size_t& lost) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (codePage == 0 || codePage == ProcessCodePage() || ascii) return std::string(text);
  return Utf8ToAnsi(CodePageToUtf8(text, codePage, &lost), &lost);
}

}  // namespace qr2vor
