#pragma once

// The data sets a report's expressions see: the report's data manager, or a default one filled
// with the report's data set first and then the data sets beside the report.

#include <memory>
#include <string>

#include "expr/expr_data.h"
#include "report/report.h"

namespace qr2vor {

class TReportDataManager : public ExprDataManager {
 public:
  explicit TReportDataManager(TVoReport& report);
  ~TReportDataManager() override;

  // The manager in use: the report's own when it lists data sets, else (or when the report has
  // none) one refilled with the report's data set first and then the data sets its owner holds.
  TVoRDataManager& Effective();

  int DataSetCount() const override;
  TDataSet* DataSet(int index) const override;
  std::string DataSetCaption(int index) const override;

 private:
  TVoRDataManager& Chosen() const;

  TVoReport& report_;
  std::unique_ptr<TVoRDataManager> default_;
};

}  // namespace qr2vor
