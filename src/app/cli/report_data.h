#pragma once

// A report loaded for a run with its data bound: data sources named the way "qr2vor run --data"
// names them ("sample[:N]", a CSV file, DATABASE:TABLE or DATABASE:"SELECT ..."), opened and
// checked against the fields the report's expressions need. The command line and the preview
// window share it.

#include <memory>
#include <string>
#include <vector>

#include "app/cli/report_fields.h"
#include "platform/data/dataset.h"
#include "report/report.h"

namespace qr2vor {

// A failure that names the file (or data source) it concerns.
struct TRunFailure {
  std::string file;
  std::string message;
};

// "[NAME=]SOURCE": NAME is taken only when it is an identifier, so that a query may hold '='.
struct TDataSpec {
  std::string name;
  std::string source;
};
TDataSpec ParseDataSpec(const std::string& text);

// One report with the data bound to it.
struct TLoadedReport {
  std::string file;
  std::unique_ptr<TVoReport> report;
  TReportFields fields;
  std::vector<std::unique_ptr<TDataSet>> dataSets;
  std::unique_ptr<TVoRDataManager> manager;
};

// The data classes, the report classes and the export filters.
void RegisterRunClasses();
// Raises TRunFailure naming the file when it is missing or does not load.
std::unique_ptr<TVoReport> LoadReport(const std::string& file);
// A field as the user names it: "Name", or "DataSet.Name" outside the primary data set.
std::string FieldText(const TReportFields& fields, const TReportField& field);
// Opens the data of `sources` for the report: the first becomes its data set, the named ones
// join its data manager under their names; then every field the report needs must be found.
// Raises TRunFailure.
void BindData(TLoadedReport& loaded, const std::vector<TDataSpec>& sources);

}  // namespace qr2vor
