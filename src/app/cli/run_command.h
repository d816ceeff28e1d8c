#pragma once

// The report-running commands of the tool: "run" generates reports over data and exports the
// pages; "fields" lists the data fields a report needs.

#include <span>
#include <string>

namespace qr2vor {

// run REPORT.vor... [--data [NAME=]SOURCE]... [--param NAME=VALUE]... [--pages RANGE] -o OUT
// [--format KEY]
int RunReportCommand(std::span<const std::string> arguments);
// fields REPORT.vor [--csv-header]
int RunFieldsCommand(std::span<const std::string> arguments);

}  // namespace qr2vor
