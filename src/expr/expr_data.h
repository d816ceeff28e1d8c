#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "rtl/variant.h"

namespace qr2vor {

// What expressions need of a report's data manager: its data sets in order, each with the data
// set (which may be missing) and the entry's own name. The report model implements it.
class ExprDataManager {
 public:
  virtual ~ExprDataManager() = default;
  virtual int DataSetCount() const = 0;
  virtual TDataSet* DataSet(int index) const = 0;
  virtual std::string DataSetCaption(int index) const = 0;
};

// A plain list of data sets, for tools and tests.
class ExprDataSetList : public ExprDataManager {
 public:
  void Add(TDataSet* dataSet, std::string caption = {}) {
    entries_.push_back({dataSet, std::move(caption)});
  }
  int DataSetCount() const override { return static_cast<int>(entries_.size()); }
  TDataSet* DataSet(int index) const override { return entries_.at(index).dataSet; }
  std::string DataSetCaption(int index) const override { return entries_.at(index).caption; }

 private:
  struct Entry {
    TDataSet* dataSet;
    std::string caption;
  };
  std::vector<Entry> entries_;
};

// The report's variable lookup, asked for a name that is not a field. `value` comes in Null,
// `type` as ftString and `handled` as false; a callback that knows the name sets `handled`, the
// value and its field type (ftString, ftInteger, ftFloat, ftCurrency, ftBoolean, ftDate, ftTime,
// ftDateTime).
using ExprVariableCallback =
    std::function<void(const std::string& name, Variant& value, TFieldType& type, bool& handled)>;

}  // namespace qr2vor
