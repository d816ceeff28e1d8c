#pragma once

// The data fields a report's expressions need, and sample data that fills them.

#include <memory>
#include <string>
#include <vector>

#include "platform/data/memory_dataset.h"
#include "report/report.h"

namespace qr2vor {

struct TReportField {
  // The data-set name written before the field ("tblOrders" of "tblOrders.Amount"), or empty.
  std::string dataSet;
  std::string name;
  // Used in arithmetic, in a sum or average, or as a lowest or highest value.
  bool numeric = false;
  // Part of a group expression.
  bool group = false;
};

struct TReportFields {
  // In the order the report's bands and controls first use them, each once.
  std::vector<TReportField> fields;
  // The data set the report's own data set stands for: the report data set's name, else the
  // first data-set name the expressions write, else empty.
  std::string primaryDataSet;

  // Whether a field belongs to the primary data set (unqualified, or qualified by its name).
  bool IsPrimary(const TReportField& field) const;
  // The fields of the named data set (the primary one when `dataSet` is empty or its name).
  std::vector<TReportField> Of(const std::string& dataSet) const;
};

// Parses every expression of the report (controls, bands, print conditions, highlights,
// variables) and lists the names that are neither parameters, system names nor variables.
// Raises Exception naming the control and the expression when an expression does not parse.
TReportFields CollectReportFields(TVoReport& report);

// `count` records of plausible values for `fields`: text "Name 1", "Name 2" ...; numbers for
// numeric fields; values that change every 10 records for group fields. The data set is open.
std::unique_ptr<TMemoryDataSet> MakeSampleDataSet(const std::vector<TReportField>& fields,
                                                  int count);

}  // namespace qr2vor
