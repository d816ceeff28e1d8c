#include "app/cli/run_command.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "app/cli/report_data.h"
#include "engine/engine.h"
#include "engine/prompt/console_prompt.h"
#include "export/page_driver.h"
#include "export/registry.h"
#include "expr/expr_parser.h"
#include "platform/data/tables.h"
#include "platform/gfx/raster_image.h"
#include "platform/ui/console_progress.h"
#include "rtl/exceptions.h"
#include "rtl/number_text.h"
#include "rtl/streams.h"
#include "rtl/typinfo.h"

namespace qr2vor {
namespace {

namespace fs = std::filesystem;

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// Page pictures are written by the page driver, not by a registered filter.
constexpr std::string_view kPictureKey = "png";

int Fail(const std::string& file, const std::string& message) {
  fmt::print(stderr, "qr2vor: {}: {}\n", file, message);
  return kExitFailure;
}

int UsageFail(const std::string& message) {
  fmt::print(stderr, "qr2vor: {}\n", message);
  return kExitUsage;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The pages of a --pages selection, in document order.
class TChosenPages : public TExportPages {
 public:
  TChosenPages(const TExportPages& pages, std::vector<int> chosen)
      : pages_(pages), chosen_(std::move(chosen)) {}
  size_t Count() const override { return chosen_.size(); }
  TExportPage Geometry(size_t index) const override {
    return pages_.Geometry(static_cast<size_t>(chosen_.at(index)));
  }
  TExportPage Page(size_t index) const override {
    return pages_.Page(static_cast<size_t>(chosen_.at(index)));
  }

 private:
  const TExportPages& pages_;
  std::vector<int> chosen_;
};

// "1-3,5,8-": page numbers from 1 in document order; nullopt when the text is malformed.
std::optional<std::vector<int>> ParsePageRange(const std::string& range, int pageCount) {
  std::vector<bool> chosen(static_cast<size_t>(pageCount), false);
  size_t start = 0;
  while (start <= range.size()) {
    size_t end = range.find(',', start);
    if (end == std::string::npos) end = range.size();
    const std::string part = range.substr(start, end - start);
    const size_t dash = part.find('-');
    int first = 0;
    int last = 0;
    if (dash == std::string::npos) {
      if (!TryStrToInt(part, first)) return std::nullopt;
      last = first;
    } else {
      if (!TryStrToInt(dash == 0 ? "1" : part.substr(0, dash), first)) return std::nullopt;
      if (dash + 1 == part.size()) {
        last = pageCount;
      } else if (!TryStrToInt(part.substr(dash + 1), last)) {
        return std::nullopt;
      }
    }
    if (first < 1 || last < first) return std::nullopt;
    for (int page = first; page <= std::min(last, pageCount); ++page)
      chosen[static_cast<size_t>(page - 1)] = true;
    start = end + 1;
  }
  std::vector<int> indexes;
  for (int i = 0; i < pageCount; ++i)
    if (chosen[static_cast<size_t>(i)]) indexes.push_back(i);
  return indexes;
}

void AskReportParameters(TLoadedReport& loaded, const std::vector<TParameterAnswer>& answers) {
  TVoReport& report = *loaded.report;
  std::vector<TParameterAnswer> own;
  for (const TParameterAnswer& answer : answers) {
    try {
      CheckParameterAnswers(report, {answer});
      own.push_back(answer);
    } catch (const Exception&) {
      // The answer belongs to another report of the run; unknown names were refused before.
    }
  }
  try {
    TConsoleParameterDialog dialog(std::move(own));
    if (!qr2vor::AskParameters(report, dialog))
      throw TRunFailure{loaded.file, "the parameters were not given: run cancelled"};
  } catch (const Exception& e) {
    throw TRunFailure{loaded.file, e.Message()};
  }
  report.OnAskParameters = nullptr;
}

// A parameter name that no report of the run has.
void CheckAnswersKnown(const std::vector<TLoadedReport>& reports,
                       const std::vector<TParameterAnswer>& answers) {
  for (const TParameterAnswer& answer : answers) {
    std::string firstError;
    bool known = false;
    for (const TLoadedReport& loaded : reports) {
      try {
        CheckParameterAnswers(*loaded.report, {answer});
        known = true;
      } catch (const Exception& e) {
        if (firstError.empty()) firstError = e.Message();
      }
    }
    if (!known) throw TRunFailure{reports.front().file, firstError};
  }
}

std::string KnownFormats() {
  std::string list;
  for (const TExportFilterEntry& entry : ExportFilters())
    list += (list.empty() ? "" : ", ") + Lower(entry.Key);
  if (FindExportFilter(kPictureKey) == nullptr) list += fmt::format(", {}", kPictureKey);
  return list;
}

struct TOutput {
  std::string path;
  // The registry's filter, or nullptr for page pictures.
  const TExportFilterEntry* filter = nullptr;
};

TOutput ChooseOutput(const std::string& path, const std::string& key) {
  std::error_code error;
  const bool folder = path.ends_with('/') || fs::is_directory(path, error);
  std::string chosen = key;
  if (chosen.empty() && !folder) {
    // The registry knows each format's extensions (".htm" and ".html", ".tif" and ".tiff").
    if (const TExportFilterEntry* entry = FindExportFilterForFile(path)) return {path, entry};
  }
  if (chosen.empty()) {
    const std::string extension = Lower(fs::path(path).extension().string());
    chosen = folder ? std::string(kPictureKey) : (extension.empty() ? "" : extension.substr(1));
  }
  if (chosen.empty())
    throw TRunFailure{path, fmt::format("no format: name one with --format ({})", KnownFormats())};
  if (const TExportFilterEntry* entry = FindExportFilter(chosen)) {
    if (folder) throw TRunFailure{path, "is a folder; the output of this format is a file"};
    return {path, entry};
  }
  if (SameText(chosen, kPictureKey)) return {path, nullptr};
  throw TRunFailure{path,
                    fmt::format("unknown export format '{}' (known: {})", chosen, KnownFormats())};
}

void WriteOutput(const TOutput& output, const TExportPages& pages) {
  try {
    if (output.filter != nullptr) {
      ExportToFile(pages, output.path, output.filter->Key);
      return;
    }
    // Page pictures: a folder (made when missing) receives page-001.png, page-002.png ...; a
    // file name "NAME.png" stands for NAME-001.png, NAME-002.png ... beside it.
    const fs::path path(output.path);
    if (!SameText(path.extension().string(), ".png")) {
      fs::create_directories(path);
      SavePagePictures(pages, output.path);
      return;
    }
    for (size_t i = 0; i < pages.Count(); ++i) {
      const fs::path file =
          path.parent_path() / fmt::format("{}-{:03}.png", path.stem().string(), i + 1);
      SaveFileAtomically(file.string(), WritePng(RenderPage(pages.Page(i))));
    }
  } catch (const Exception& e) {
    throw TRunFailure{output.path, e.Message()};
  } catch (const fs::filesystem_error& e) {
    throw TRunFailure{output.path, e.code().message()};
  }
}

int RunReports(std::vector<std::string> files, const std::vector<TDataSpec>& sources,
               const std::vector<TParameterAnswer>& answers, const std::string& pageRange,
               const std::string& outputPath, const std::string& formatKey) {
  RegisterRunClasses();
  const TOutput output = ChooseOutput(outputPath, formatKey);
  std::vector<TLoadedReport> reports;
  for (const std::string& file : files) {
    TLoadedReport& loaded = reports.emplace_back();
    loaded.file = file;
    loaded.report = LoadReport(file);
    try {
      loaded.fields = CollectReportFields(*loaded.report);
    } catch (const Exception& e) {
      throw TRunFailure{file, e.Message()};
    }
    BindData(loaded, sources);
  }
  CheckAnswersKnown(reports, answers);
  for (TLoadedReport& loaded : reports) AskReportParameters(loaded, answers);

  TConsoleProgress progress;
  for (TLoadedReport& loaded : reports) loaded.report->ProgressDisplay = &progress;
  std::unique_ptr<TVoRCompositeReport> composite;
  const TVoPageStore* store = nullptr;
  try {
    if (reports.size() == 1) {
      TVoREngine(*reports.front().report).Prepare();
      store = &reports.front().report->PageStore();
    } else {
      composite = std::make_unique<TVoRCompositeReport>(nullptr);
      for (TLoadedReport& loaded : reports) composite->AddReport(loaded.report.get());
      PrepareComposite(*composite);
      store = &composite->PageStore();
    }
  } catch (const Exception& e) {
    throw TRunFailure{files.size() == 1 ? files.front() : fmt::format("{}", fmt::join(files, ", ")),
                      e.Message()};
  }

  std::vector<int> chosen;
  if (pageRange.empty()) {
    for (int i = 0; i < store->Count(); ++i) chosen.push_back(i);
  } else {
    const std::optional<std::vector<int>> range = ParsePageRange(pageRange, store->Count());
    if (!range) throw TRunFailure{pageRange, "not a page range (like 1-3,5,8-)"};
    if (range->empty()) {
      throw TRunFailure{pageRange,
                        fmt::format("selects no page: the report has {}", store->Count())};
    }
    chosen = *range;
  }
  WriteOutput(output, TChosenPages(TPageStorePages(*store), std::move(chosen)));
  return kExitSuccess;
}

}  // namespace

int RunReportCommand(std::span<const std::string> arguments) {
  std::vector<std::string> files;
  std::vector<TDataSpec> sources;
  std::vector<TParameterAnswer> answers;
  std::string pageRange;
  std::string output;
  std::string format;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--data" && hasValue) {
      sources.push_back(ParseDataSpec(arguments[++i]));
    } else if (argument == "--param" && hasValue) {
      try {
        answers.push_back(ParseParameterAnswer(arguments[++i]));
      } catch (const Exception& e) {
        return UsageFail(fmt::format("--param {}: {}", arguments[i], e.Message()));
      }
    } else if (argument == "--pages" && hasValue) {
      pageRange = arguments[++i];
    } else if (argument == "-o" && hasValue) {
      output = arguments[++i];
    } else if (argument == "--format" && hasValue) {
      format = arguments[++i];
    } else if (argument.starts_with("-")) {
      return UsageFail(fmt::format("run: unknown option or missing value: {}", argument));
    } else {
      files.push_back(argument);
    }
  }
  if (files.empty() || output.empty())
    return UsageFail("run expects REPORT.vor... -o OUT (and --data SOURCE for the report's data)");
  try {
    return RunReports(files, sources, answers, pageRange, output, format);
  } catch (const TRunFailure& failure) {
    return Fail(failure.file, failure.message);
  }
}

int RunFieldsCommand(std::span<const std::string> arguments) {
  const std::string& file = arguments[0];
  const bool csvHeader = arguments.size() > 1;
  if (csvHeader && arguments[1] != "--csv-header")
    return UsageFail("fields expects REPORT.vor [--csv-header]");
  RegisterRunClasses();
  TReportFields fields;
  try {
    const std::unique_ptr<TVoReport> report = LoadReport(file);
    fields = CollectReportFields(*report);
  } catch (const TRunFailure& failure) {
    return Fail(failure.file, failure.message);
  } catch (const Exception& e) {
    return Fail(file, e.Message());
  }
  if (csvHeader) {
    std::string line;
    for (const TReportField& field : fields.Of({})) {
      std::string name = field.name;
      if (name.find_first_of(",\"\r\n") != std::string::npos) {
        std::string quoted = "\"";
        for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        name = quoted + "\"";
      }
      line += (line.empty() ? "" : ",") + name;
    }
    fmt::print("{}\n", line);
    return kExitSuccess;
  }
  std::vector<std::string> printed;
  for (const TReportField& field : fields.Of({})) printed.push_back(field.name);
  for (const TReportField& field : fields.fields) {
    if (fields.IsPrimary(field)) continue;
    const std::string text = FieldText(fields, field);
    if (std::none_of(printed.begin(), printed.end(),
                     [&](const std::string& known) { return SameText(known, text); }))
      printed.push_back(text);
  }
  for (const std::string& text : printed) fmt::print("{}\n", text);
  return kExitSuccess;
}

}  // namespace qr2vor
