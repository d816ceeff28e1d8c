#include "platform/data/memory_dataset.h"

#include <fmt/format.h>

#include "rtl/typinfo.h"

namespace qr2vor {

TMemoryDataSet::TMemoryDataSet(TComponent* owner) : TDataSet(owner) {}

const TClassInfo& TMemoryDataSet::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TMemoryDataSet, TDataSet>("TMemoryDataSet");
  return info;
}

void TMemoryDataSet::AddFieldDef(const std::string& fieldName, TFieldType dataType, int size) {
  if (Active()) RaiseError("Cannot perform this operation on an open dataset");
  for (const FieldDef& def : fieldDefs_) {
    if (SameText(def.name, fieldName)) {
      RaiseError(fmt::format("Duplicate field name '{}'", fieldName));
    }
  }
  fieldDefs_.push_back({fieldName, dataType, size});
}

void TMemoryDataSet::AppendRecord(std::vector<Variant> values) {
  if (values.size() > fieldDefs_.size()) {
    RaiseError(fmt::format("{} values for {} fields", values.size(), fieldDefs_.size()));
  }
  values.resize(fieldDefs_.size(), Variant::Null());
  rows_.push_back(std::move(values));
  if (Active() && Eof() && Bof()) First();
}

void TMemoryDataSet::EmptyDataSet() {
  rows_.clear();
  if (Active()) First();
}

void TMemoryDataSet::InternalOpen() {
  for (const FieldDef& def : fieldDefs_) AddDataField(def.name, def.dataType, def.size);
}

bool TMemoryDataSet::InternalSeek(int64_t record) {
  if (record < 0 || static_cast<uint64_t>(record) >= rows_.size()) return false;
  current_ = static_cast<size_t>(record);
  return true;
}

Variant TMemoryDataSet::InternalGetValue(int column) const {
  return rows_[current_][static_cast<size_t>(column)];
}

}  // namespace qr2vor
