#include "app/cli/report_data.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include <fmt/format.h>

#include "export/registry.h"
#include "expr/expr_parser.h"
#include "platform/data/tables.h"
#include "rtl/exceptions.h"
#include "rtl/number_text.h"
#include "rtl/typinfo.h"

namespace qr2vor {
namespace {

namespace fs = std::filesystem;

constexpr int kDefaultSampleCount = 50;
constexpr int kMaxSampleCount = 1000000;

bool IsIdentifier(std::string_view text) {
  if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0])) != 0) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
  });
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A table file (CSV, dBase, Paradox) is read as a table of its folder, found by its name.
std::unique_ptr<TDataSet> OpenFileTable(const fs::path& path) {
  auto table = std::make_unique<TTable>(nullptr);
  table->SetDatabaseName(path.has_parent_path() ? path.parent_path().string() : ".");
  table->SetTableName(path.filename().string());
  table->Open();
  return table;
}

bool IsSqliteFile(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char header[16] = {};
  const size_t read = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  return read == sizeof header &&
         std::string_view(header, sizeof header) == std::string_view("SQLite format 3\0", 16);
}

bool IsSampleSource(const std::string& source) {
  return source == "sample" || source.starts_with("sample:");
}

// Opens SOURCE: "sample[:N]", a table file (CSV, dBase, Paradox), "FOLDER:TABLE", or
// "DATABASE:TABLE" / DATABASE:"SELECT ..." of a SQLite database.
std::unique_ptr<TDataSet> OpenSource(const std::string& source,
                                     const std::vector<TReportField>& fields) {
  if (IsSampleSource(source)) {
    int count = kDefaultSampleCount;
    if (source != "sample" &&
        (!TryStrToInt(source.substr(7), count) || count < 0 || count > kMaxSampleCount)) {
      throw Exception(fmt::format("sample count must be a number from 0 to {}", kMaxSampleCount));
    }
    return MakeSampleDataSet(fields, count);
  }
  std::error_code error;
  if (fs::is_regular_file(source, error)) {
    if (IsSqliteFile(source))
      throw Exception(
          "a database needs a table or a query: DATABASE:TABLE or DATABASE:\"SELECT ...\"");
    return OpenFileTable(source);
  }
  // The database is the longest prefix before a ':' that names a file.
  for (size_t colon = source.rfind(':'); colon != std::string::npos && colon > 0;
       colon = source.rfind(':', colon - 1)) {
    const std::string database = source.substr(0, colon);
    std::string what = source.substr(colon + 1);
    if (fs::is_directory(database, error)) {
      auto table = std::make_unique<TTable>(nullptr);
      table->SetDatabaseName(database);
      table->SetTableName(what);
      table->Open();
      return table;
    }
    if (!fs::is_regular_file(database, error)) continue;
    const bool quoted = what.size() >= 2 && what.front() == '"' && what.back() == '"';
    if (quoted) what = what.substr(1, what.size() - 2);
    const std::string head = Lower(what.substr(0, what.find_first_of(" \t\r\n")));
    if (quoted || head == "select" || head == "with") {
      auto query = std::make_unique<TQuery>(nullptr);
      query->SetDatabaseName(database);
      query->SQL()->SetText(what);
      query->Open();
      return query;
    }
    auto table = std::make_unique<TTable>(nullptr);
    table->SetDatabaseName(database);
    table->SetTableName(what);
    table->Open();
    return table;
  }
  throw Exception("no such file");
}

}  // namespace

TDataSpec ParseDataSpec(const std::string& text) {
  const size_t equals = text.find('=');
  if (equals != std::string::npos && IsIdentifier(std::string_view(text).substr(0, equals)))
    return {text.substr(0, equals), text.substr(equals + 1)};
  return {{}, text};
}

std::string FieldText(const TReportFields& fields, const TReportField& field) {
  return fields.IsPrimary(field) ? field.name : fmt::format("{}.{}", field.dataSet, field.name);
}

std::unique_ptr<TVoReport> LoadReport(const std::string& file) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) throw TRunFailure{file, "no such file"};
  try {
    return TVoReport::LoadFromFile(file);
  } catch (const Exception& e) {
    throw TRunFailure{file, e.Message()};
  }
}

void RegisterRunClasses() {
  RegisterDataClasses();
  RegisterReportClasses();
  RegisterExportFilters();
}

void BindData(TLoadedReport& loaded, const std::vector<TDataSpec>& sources) {
  TVoReport& report = *loaded.report;
  const TReportFields& fields = loaded.fields;
  ExprDataSetList lookup;
  for (size_t i = 0; i < sources.size(); ++i) {
    const TDataSpec& given = sources[i];
    if (i > 0 && given.name.empty())
      throw TRunFailure{given.source, "only the first --data may go without a name (NAME=SOURCE)"};
    std::string name = given.name;
    if (i == 0 && name.empty()) name = fields.primaryDataSet;
    std::unique_ptr<TDataSet> data;
    try {
      data = OpenSource(given.source, fields.Of(i == 0 ? std::string() : name));
    } catch (const Exception& e) {
      throw TRunFailure{given.source, e.Message()};
    }
    if (IsIdentifier(name)) data->SetName(name);
    lookup.Add(data.get(), name);
    loaded.dataSets.push_back(std::move(data));
  }
  // Sample data for the report's data set stands in for the other data sets its expressions
  // name and no --data gives.
  if (!sources.empty() && IsSampleSource(sources.front().source)) {
    for (const TReportField& field : fields.fields) {
      if (fields.IsPrimary(field)) continue;
      bool bound = false;
      for (int i = 0; i < lookup.DataSetCount(); ++i)
        bound = bound || SameText(lookup.DataSetCaption(i), field.dataSet);
      if (bound) continue;
      std::unique_ptr<TDataSet> data = OpenSource(sources.front().source, fields.Of(field.dataSet));
      if (IsIdentifier(field.dataSet)) data->SetName(field.dataSet);
      lookup.Add(data.get(), field.dataSet);
      loaded.dataSets.push_back(std::move(data));
    }
  }
  if (loaded.dataSets.empty()) {
    if (!fields.fields.empty()) {
      throw TRunFailure{loaded.file, fmt::format("the report needs data (field '{}'): give --data "
                                                 "SOURCE",
                                                 FieldText(fields, fields.fields.front()))};
    }
    // A report that reads no field prints its bands over one empty record.
    loaded.dataSets.push_back(MakeSampleDataSet({}, 1));
    lookup.Add(loaded.dataSets.back().get());
  }
  report.SetDataSet(loaded.dataSets.front().get());
  if (loaded.dataSets.size() > 1) {
    loaded.manager = std::make_unique<TVoRDataManager>(nullptr);
    for (int i = 0; i < lookup.DataSetCount(); ++i) {
      TVoRDataset& item = *loaded.manager->Datasets()->Add();
      item.SetDataset(lookup.DataSet(i));
      item.SetCaption(lookup.DataSetCaption(i));
    }
    report.SetDataManager(loaded.manager.get());
  }
  for (const TReportField& field : fields.fields) {
    const std::string text = field.dataSet.empty() ? field.name : field.dataSet + "." + field.name;
    if (FindExprField(&lookup, text) != nullptr) continue;
    if (!field.dataSet.empty() && !fields.IsPrimary(field)) {
      bool bound = false;
      for (int i = 0; i < lookup.DataSetCount(); ++i)
        bound = bound || SameText(lookup.DataSetCaption(i), field.dataSet);
      if (!bound) {
        throw TRunFailure{loaded.file,
                          fmt::format("no data for data set '{}' of field '{}' (give --data "
                                      "{}=SOURCE)",
                                      field.dataSet, text, field.dataSet)};
      }
    }
    throw TRunFailure{loaded.file,
                      fmt::format("unknown field '{}': the data has no such field", text)};
  }
}

}  // namespace qr2vor
