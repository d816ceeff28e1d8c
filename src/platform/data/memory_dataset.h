#pragma once

#include <string>
#include <vector>

#include "platform/data/dataset.h"

namespace qr2vor {

// A data set held in memory: define the columns while closed, append rows at any time.
class TMemoryDataSet : public TDataSet {
 public:
  explicit TMemoryDataSet(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Adds a column; the data set must be closed. Raises EDatabaseError on a duplicate name.
  void AddFieldDef(const std::string& fieldName, TFieldType dataType, int size = 0);
  int FieldDefCount() const { return static_cast<int>(fieldDefs_.size()); }
  // Appends a row of one value per column (Null for missing values); raises EDatabaseError
  // when there are more values than columns. An open data set keeps its current record.
  void AppendRecord(std::vector<Variant> values);
  // Removes every row.
  void EmptyDataSet();

 protected:
  void InternalOpen() override;
  void InternalClose() override {}
  bool InternalSeek(int64_t record) override;
  int64_t InternalRecordCount() override { return static_cast<int64_t>(rows_.size()); }
  Variant InternalGetValue(int column) const override;

 private:
  struct FieldDef {
    std::string name;
    TFieldType dataType;
    int size;
  };
  std::vector<FieldDef> fieldDefs_;
  std::vector<std::vector<Variant>> rows_;
  size_t current_ = 0;
};

}  // namespace qr2vor
