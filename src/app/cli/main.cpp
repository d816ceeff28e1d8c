// qr2vor: the command-line tool. Each command is one function in the table below.

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "app/cli/run_command.h"
#include "app/convert/batch.h"
#include "app/convert/driver.h"
#include "expr/expr_evaluator.h"
#include "expr/format_mask.h"
#include "platform/data/tables.h"
#include "platform/ui/console_ui.h"
#include "rtl/exceptions.h"
#include "rtl/number_text.h"
#include "rtl/streams.h"
#include "stream/text_form.h"

namespace qr2vor {
namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

using TArguments = std::span<const std::string>;

struct TCommand {
  std::string_view name;
  std::string_view arguments;  // as shown in the usage text
  std::string_view summary;
  size_t argumentCount;
  int (*run)(TArguments arguments);
  size_t optionalCount = 0;  // arguments that may follow the required ones
};

// A failure tied to one file: "qr2vor: FILE: message".
int Fail(std::string_view file, std::string_view message) {
  fmt::print(stderr, "qr2vor: {}: {}\n", file, message);
  return kExitFailure;
}

// Loads a whole file; a folder is refused here, since reading one as a stream gives no bytes.
std::string LoadInput(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw EFOpenError(fmt::runtime(msg::kFOpen), path);
  return LoadFile(path);
}

int RunDump(TArguments arguments) {
  const std::string& file = arguments[0];
  std::string text;
  try {
    text = FormFileToText(LoadInput(file));
  } catch (const Exception& e) {
    return Fail(file, e.Message());
  }
  fmt::print("{}", text);
  return kExitSuccess;
}

int RunForm2Bin(TArguments arguments) {
  const std::string& source = arguments[0];
  const std::string& target = arguments[1];
  std::string binary;
  try {
    binary = TextToFormFile(LoadInput(source));
  } catch (const Exception& e) {
    return Fail(source, e.Message());
  }
  try {
    SaveFileAtomically(target, binary);
  } catch (const Exception& e) {
    return Fail(target, e.Message());
  }
  return kExitSuccess;
}

// FormatByMask's result for a value and a mask, with the field width of "--width N".
int RunMask(TArguments arguments) {
  int width = 0;
  if (arguments.size() > 2 &&
      (arguments.size() != 4 || arguments[2] != "--width" || !TryStrToInt(arguments[3], width))) {
    fmt::print(stderr, "qr2vor: mask expects VALUE MASK [--width N]\n");
    return kExitUsage;
  }
  fmt::print("{}\n", FormatByMask(arguments[0], arguments[1], width));
  return kExitSuccess;
}

// The expression's value as an expression control prints it, against the first record of the
// CSV file of "--csv FILE" (its data set named by the file name without extension).
int RunEval(TArguments arguments) {
  if (arguments.size() > 1 && (arguments.size() != 3 || arguments[1] != "--csv")) {
    fmt::print(stderr, "qr2vor: eval expects EXPRESSION [--csv FILE]\n");
    return kExitUsage;
  }
  TTable table(nullptr);
  ExprDataSetList dataSets;
  try {
    if (arguments.size() == 3) {
      std::filesystem::path path(arguments[2]);
      table.SetDatabaseName(path.has_parent_path() ? path.parent_path().string() : ".");
      table.SetTableName(path.filename().string());
      table.Open();
      dataSets.Add(&table, path.stem().string());
    }
    Variant text = EvaluateAndAccumulate(&dataSets, arguments[0], nullptr, Variant(),
                                         Variant::Null(), ctNothing);
    fmt::print("{}\n", text.AsString());
  } catch (const Exception& e) {
    fmt::print(stderr, "qr2vor: {}\n", e.Message());
    return kExitFailure;
  }
  return kExitSuccess;
}

// Errors start on a fresh line when a progress line stands on the terminal.
class TProgressConsoleUI : public TConsoleUI {
 public:
  void ShowError(const std::string& message) override {
    fmt::print(stderr, "\r\033[K");
    TConsoleUI::ShowError(message);
  }
};

// The window's conversion: "convert FORM.dfm REPORT.vor", or every form under a folder with
// "--batch SRC_DIR DST_DIR"; "--ledger FILE.json" records what was mapped, left behind and
// skipped; "--look-inside" finds reports inside the toolkit's containers. An inherited form is
// read after its ancestor forms: those of "--ancestor FILE" (repeated, outermost first), or, with
// "--find-ancestors" and in a batch, those found in the source tree.
int RunConvert(TArguments arguments) {
  std::vector<std::string> paths;
  std::vector<std::string> ancestors;
  std::string ledgerPath;
  bool batch = false;
  bool verbose = false;
  bool findAncestors = false;
  TConvertOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--batch") {
      batch = true;
    } else if (arguments[i] == "--find-ancestors") {
      findAncestors = true;
    } else if (arguments[i] == "--ancestor" && i + 1 < arguments.size()) {
      ancestors.push_back(arguments[++i]);
    } else if (arguments[i] == "--verbose") {
      verbose = true;
    } else if (arguments[i] == "--look-inside") {
      options.lookInside = true;
    } else if (arguments[i] == "--ledger" && i + 1 < arguments.size()) {
      ledgerPath = arguments[++i];
    } else {
      paths.push_back(arguments[i]);
    }
  }
  if (paths.size() != 2 || paths[0].starts_with("--") || paths[1].starts_with("--")) {
    fmt::print(stderr, "qr2vor: convert expects FORM.dfm REPORT.vor or --batch SRC_DIR DST_DIR\n");
    return kExitUsage;
  }
  if ((batch || findAncestors) && !ancestors.empty()) {
    fmt::print(stderr,
               "qr2vor: --ancestor names the ancestors of one form; --batch and --find-ancestors "
               "find them\n");
    return kExitUsage;
  }
  options.findAncestors = batch;
  TConversionDriver::FormCreate();
  std::vector<TFormLedger> ledgers;
  bool failed = false;
  if (batch) {
    std::error_code error;
    if (!std::filesystem::is_directory(paths[0], error)) return Fail(paths[0], "no such folder");
    const bool terminal = ::isatty(::fileno(stderr)) != 0;
    TProgressConsoleUI terminalUI;
    TConsoleUI plainUI;
    TUIService& ui = terminal ? terminalUI : plainUI;
    const TBatchProgress progress = [](size_t number, size_t count, const std::string& path) {
      fmt::print(stderr, "\r\033[K[{}/{}] {}", number, count, path);
      std::fflush(stderr);
    };
    const TBatchSummary summary =
        ConvertTree(options, ui, paths[0], paths[1], ledgerPath.empty() ? nullptr : &ledgers,
                    terminal ? progress : TBatchProgress());
    if (terminal) fmt::print(stderr, "\r\033[K");
    fmt::print("Converted: {}, without report: {}, failed: {}\n", summary.converted,
               summary.withoutReport, summary.failed);
    failed = summary.failed > 0;
  } else {
    TConsoleUI ui;
    TConversionDriver driver(ui, options);
    TFormLedger& ledger = ledgers.emplace_back();
    if (findAncestors) {
      const std::filesystem::path form = std::filesystem::absolute(paths[0]);
      ledger.ancestorNotes = UseFoundAncestors(TSourceTree(SourceTreeOf(form)), form, driver);
      for (const std::string& note : ledger.ancestorNotes) {
        if (note.starts_with("no ancestor found"))
          fmt::print(stderr, "qr2vor: {}: {}\n", paths[0], note);
      }
    } else {
      driver.SetAncestors(ancestors);
    }
    const TConvertOutcome outcome = ConvertForm(driver, ui, paths[0], paths[1], &ledger);
    if (outcome == TConvertOutcome::WithoutReport && verbose) {
      fmt::print("{}: the form holds no QuickReport report; nothing written\n", paths[0]);
    }
    failed = outcome == TConvertOutcome::Failed;
  }
  if (!ledgerPath.empty()) {
    try {
      SaveFileAtomically(ledgerPath, LedgerToJson(ledgers));
    } catch (const Exception& e) {
      return Fail(ledgerPath, e.Message());
    }
  }
  return failed ? kExitFailure : kExitSuccess;
}

// Which forms under a folder hold QuickReport reports, and what will not carry.
int RunScan(TArguments arguments) {
  TConvertOptions options;
  if (arguments.size() == 2) {
    if (arguments[1] != "--look-inside") {
      fmt::print(stderr, "qr2vor: scan expects DIR [--look-inside]\n");
      return kExitUsage;
    }
    options.lookInside = true;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(arguments[0], error)) {
    return Fail(arguments[0], "no such folder");
  }
  TConversionDriver::FormCreate();
  TConsoleUI ui;
  TConversionDriver driver(ui, options);
  const TSourceTree tree(arguments[0]);
  TBatchSummary summary;
  for (const std::filesystem::path& path : FindFormFiles(arguments[0])) {
    const TFormLedger ledger = ScanForm(driver, path, &tree);
    const std::string line = ScanLine(ledger, IsTextForm(LoadFile(path.string())));
    if (!line.empty()) fmt::print("{}\n", line);
    summary.converted += ledger.outcome == TConvertOutcome::Converted;
    summary.withoutReport += ledger.outcome == TConvertOutcome::WithoutReport;
    summary.failed += ledger.outcome == TConvertOutcome::Failed;
  }
  fmt::print("With a report: {}, without: {}, failing: {}\n", summary.converted,
             summary.withoutReport, summary.failed);
  return kExitSuccess;
}

constexpr TCommand kCommands[] = {
    {"dump", "FILE", "show a form file, report file or component stream as text", 1, RunDump},
    {"form2bin", "TEXT.dfm BINARY.dfm", "convert a text form file to a binary form file", 2,
     RunForm2Bin},
    {"mask", "VALUE MASK [--width N]", "format a value by a format mask", 2, RunMask, 2},
    {"eval", "EXPRESSION [--csv FILE]", "evaluate an expression, against a CSV file's first record",
     1, RunEval, 2},
    {"convert",
     "FORM.dfm REPORT.vor [--ancestor BASE.dfm ...] [--find-ancestors] | --batch SRC_DIR DST_DIR "
     "[--verbose] [--ledger FILE.json] [--look-inside]",
     "convert a QuickReport form to a report file, or every form under a folder", 2, RunConvert,
     64},
    {"scan", "DIR [--look-inside]", "list the forms under a folder that hold QuickReport reports",
     1, RunScan, 1},
    {"run",
     "REPORT.vor... [--data [NAME=]SOURCE]... [--param NAME=VALUE]... [--pages RANGE] -o OUT "
     "[--format KEY]",
     "generate reports over data and export the pages", 1, RunReportCommand, 1024},
    {"fields", "REPORT.vor [--csv-header]", "list the data fields a report needs", 1,
     RunFieldsCommand, 1},
};

std::string Usage() {
  std::string usage = "Usage: qr2vor COMMAND [ARGUMENTS]\n\nCommands:\n";
  for (const TCommand& command : kCommands) {
    usage += fmt::format("  {:<32}{}\n", fmt::format("{} {}", command.name, command.arguments),
                         command.summary);
  }
  usage += "\nOptions:\n";
  usage += fmt::format("  {:<32}{}\n", "--help", "show this help");
  usage += fmt::format("  {:<32}{}\n", "--version", "show the version");
  return usage;
}

int UsageError(std::string_view problem) {
  fmt::print(stderr, "qr2vor: {}\n\n{}", problem, Usage());
  return kExitUsage;
}

int Main(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return UsageError("no command given");
  const std::string& name = arguments[0];
  if (name == "--help" || name == "-h") {
    fmt::print("{}", Usage());
    return kExitSuccess;
  }
  if (name == "--version") {
    fmt::print("qr2vor {}\n", QR2VOR_VERSION);
    return kExitSuccess;
  }
  for (const TCommand& command : kCommands) {
    if (name != command.name) continue;
    const TArguments rest = TArguments(arguments).subspan(1);
    if (rest.size() < command.argumentCount ||
        rest.size() > command.argumentCount + command.optionalCount) {
      return UsageError(fmt::format("{} expects {}", command.name, command.arguments));
    }
    return command.run(rest);
  }
  return UsageError(fmt::format("unknown command '{}'", name));
}

}  // namespace
}  // namespace qr2vor

int main(int argc, char** argv) {
  try {
    return qr2vor::Main(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    fmt::print(stderr, "qr2vor: {}\n", e.what());
    return qr2vor::kExitFailure;
  }
}
