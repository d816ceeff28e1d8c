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
#include "rtl/codepage.h"
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

// One option of a command, as its help shows it.
struct TOption {
  std::string_view name;  // with its argument, as "--ledger FILE.json"
  std::string_view description;
};

struct TCommand {
  std::string_view name;
  std::string_view arguments;  // the required arguments, as the usage text shows them
  std::string_view summary;
  size_t argumentCount;
  int (*run)(TArguments arguments);
  size_t optionalCount = 0;  // arguments that may follow the required ones
  std::span<const TOption> options = {};
  // Further forms of the command line, shown by its help after the first.
  std::span<const std::string_view> otherForms = {};
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
  // The shell speaks UTF-8; formatting works on text of the process code page.
  fmt::print("{}\n",
             AnsiToUtf8(FormatByMask(Utf8ToAnsi(arguments[0]), Utf8ToAnsi(arguments[1]), width)));
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
    Variant text = EvaluateAndAccumulate(&dataSets, Utf8ToAnsi(arguments[0]), nullptr, Variant(),
                                         Variant::Null(), ctNothing);
    fmt::print("{}\n", AnsiToUtf8(text.AsString()));
    if (const size_t lost = table.Active() ? table.LostCharacters() : 0; lost > 0) {
      fmt::print(stderr,
                 "qr2vor: {}: {} characters that code page {} cannot hold were read as '?'\n",
                 arguments[2], lost, ProcessCodePage());
    }
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
    } else if (arguments[i] == "--compatible") {
      options.compatible = true;
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
  options.textForms = true;
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
    if (driver.LastSkipped().Any()) {
      fmt::print(stderr, "qr2vor: {}: {}\n", paths[0], PartialReadNote(driver.LastSkipped()));
    }
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

constexpr TOption kMaskOptions[] = {
    {"--width N", "pad or cut the text to a field of N characters"},
};
constexpr TOption kEvalOptions[] = {
    {"--csv FILE",
     "evaluate against the first record of FILE (its data set named by the file "
     "name without extension)"},
};
constexpr TOption kConvertOptions[] = {
    {"--batch", "convert every form under SRC_DIR to the same place under DST_DIR"},
    {"--ledger FILE.json", "record what was mapped, carried, left behind and skipped"},
    {"--look-inside", "find reports inside the toolkit's containers (panels, tab sheets, ...)"},
    {"--ancestor BASE.dfm", "read an ancestor form first (repeat, outermost first)"},
    {"--find-ancestors", "find the ancestor forms in the form's source tree"},
    {"--compatible",
     "the mapping alone: no page, visibility, alignment, frame or mask, and no "
     "text forms"},
    {"--verbose", "say so when a form holds no report"},
};
constexpr std::string_view kConvertForms[] = {"--batch SRC_DIR DST_DIR"};
constexpr TOption kScanOptions[] = {
    {"--look-inside", "find reports inside the toolkit's containers (panels, tab sheets, ...)"},
};

constexpr TOption kRunOptions[] = {
    {"--data [NAME=]SOURCE",
     "data: a CSV, dBase (.dbf) or Paradox (.db) file, FOLDER:TABLE, DB.sqlite:TABLE, "
     "DB.sqlite:\"SELECT ...\" or sample[:N]; the first is the report's data set, NAME= fills the "
     "data set of that name (repeat)"},
    {"--param NAME=VALUE", "answer a report parameter without asking (repeat)"},
    {"--pages RANGE", "export only these pages, e.g. 1-3,7"},
    {"-o OUT", "the output file (its extension picks the format) or the folder of page pictures"},
    {"--format KEY",
     "the export format by its key: txt, csv, emf, wmf, bmp, html, xml, xls, wk1, "
     "wq1, rtf, pdf, tiff, or png for page pictures"},
};
constexpr TOption kFieldsOptions[] = {
    {"--csv-header", "print the fields as one CSV header line"},
};

constexpr TCommand kCommands[] = {
    {"dump", "FILE", "show a form file, report file or component stream as text", 1, RunDump},
    {"form2bin", "TEXT.dfm BINARY.dfm", "convert a text form file to a binary form file", 2,
     RunForm2Bin},
    {"mask", "VALUE MASK", "format a value by a format mask", 2, RunMask, 2, kMaskOptions},
    {"eval", "EXPRESSION", "evaluate an expression, against a CSV file's first record", 1, RunEval,
     2, kEvalOptions},
    {"convert", "FORM.dfm REPORT.vor",
     "convert QuickReport forms to report files (one form or a folder)", 2, RunConvert, 64,
     kConvertOptions, kConvertForms},
    {"scan", "DIR", "list the forms under a folder that hold QuickReport reports", 1, RunScan, 1,
     kScanOptions},
    {"run", "REPORT.vor... -o OUT", "generate reports over data and export the pages", 1,
     RunReportCommand, 1024, kRunOptions},
    {"fields", "REPORT.vor", "list the data fields a report needs", 1, RunFieldsCommand, 1,
     kFieldsOptions},
};

constexpr size_t kHelpColumn = 32;

// One entry of a help list: the description in its column, or on the next line when the entry
// is too wide for it.
std::string HelpLine(std::string_view entry, std::string_view description) {
  if (entry.size() + 2 < kHelpColumn) {
    return fmt::format("  {:<{}}{}\n", entry, kHelpColumn - 2, description);
  }
  return fmt::format("  {}\n{:<{}}{}\n", entry, "", kHelpColumn, description);
}

std::string Usage() {
  std::string usage = "Usage: qr2vor COMMAND [ARGUMENTS] [OPTIONS]\n\nCommands:\n";
  for (const TCommand& command : kCommands) {
    usage += HelpLine(fmt::format("{} {}", command.name, command.arguments), command.summary);
  }
  usage += "\nOptions:\n";
  usage +=
      HelpLine("--codepage N", fmt::format("text in this Windows code page (default {}; or {})",
                                           kDefaultCodePage, kCodePageVariable));
  usage += HelpLine("--help", "show this help; qr2vor COMMAND --help shows a command's options");
  usage += HelpLine("--version", "show the version");
  return usage;
}

std::string CommandUsage(const TCommand& command) {
  std::string usage;
  const std::string_view options = command.options.empty() ? "" : " [OPTIONS]";
  usage += fmt::format("Usage: qr2vor {} {}{}\n", command.name, command.arguments, options);
  for (const std::string_view form : command.otherForms) {
    usage += fmt::format("       qr2vor {} {}{}\n", command.name, form, options);
  }
  usage += fmt::format("\n{}\n", command.summary);
  if (!command.options.empty()) {
    usage += "\nOptions:\n";
    for (const TOption& option : command.options) {
      usage += HelpLine(option.name, option.description);
    }
  }
  return usage;
}

int UsageError(std::string_view problem, const std::string& usage = Usage()) {
  fmt::print(stderr, "qr2vor: {}\n\n{}", problem, usage);
  return kExitUsage;
}

// Takes "--codepage N" out of the arguments, wherever it stands, after QR2VOR_CODEPAGE.
int ApplyCodePage(std::vector<std::string>& arguments) {
  try {
    SetProcessCodePageFromEnvironment();
  } catch (const Exception& e) {
    fmt::print(stderr, "qr2vor: {}\n", e.Message());
    return kExitUsage;
  }
  for (auto it = arguments.begin(); it != arguments.end(); ++it) {
    if (*it != "--codepage") continue;
    int codePage = 0;
    if (it + 1 == arguments.end() || !ParseCodePage(*(it + 1), codePage)) {
      return UsageError(
          "--codepage expects a code page number: 874, 932, 936, 949, 950 or 1250 to 1258");
    }
    SetProcessCodePage(codePage);
    arguments.erase(it, it + 2);
    break;
  }
  return kExitSuccess;
}

int Main(std::vector<std::string> arguments) {
  if (const int result = ApplyCodePage(arguments); result != kExitSuccess) return result;
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
    if (rest.size() == 1 && (rest[0] == "--help" || rest[0] == "-h")) {
      fmt::print("{}", CommandUsage(command));
      return kExitSuccess;
    }
    if (rest.size() < command.argumentCount ||
        rest.size() > command.argumentCount + command.optionalCount) {
      return UsageError(fmt::format("{} expects {}", command.name, command.arguments),
                        CommandUsage(command));
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
