#include "app/convert/batch.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "rtl/typinfo.h"
#include "stream/text_form.h"

namespace qr2vor {

namespace {

bool IsFormFile(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".dfm" || extension.starts_with(".qr");
}

// Shows failures under the path of the form being converted and keeps success quiet.
class TBatchUI : public TUIService {
 public:
  explicit TBatchUI(TUIService& ui) : ui_(ui) {}

  void SetForm(std::string path) { form_ = std::move(path); }
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string& message) override { ui_.ShowError(form_ + ": " + message); }

 private:
  TUIService& ui_;
  std::string form_;
};

}  // namespace

std::vector<std::filesystem::path> FindFormFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && IsFormFile(entry.path())) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TBatchSummary ConvertTree(const TConvertOptions& options, TUIService& ui,
                          const std::filesystem::path& sourceDir,
                          const std::filesystem::path& destinationDir,
                          std::vector<TFormLedger>* ledgers, const TBatchProgress& progress) {
  const std::vector<std::filesystem::path> files = FindFormFiles(sourceDir);
  TBatchUI batchUI(ui);
  TConversionDriver driver(batchUI, options);
  std::optional<TSourceTree> tree;
  if (options.findAncestors) tree.emplace(sourceDir);
  TBatchSummary summary;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string source = files[i].string();
    std::filesystem::path destination =
        destinationDir / std::filesystem::relative(files[i], sourceDir);
    destination.replace_extension(".vor");
    if (progress) progress(i + 1, files.size(), source);
    batchUI.SetForm(source);
    std::error_code error;
    std::filesystem::create_directories(destination.parent_path(), error);
    TFormLedger ledger;
    if (tree) ledger.ancestorNotes = UseFoundAncestors(*tree, files[i], driver);
    switch (ConvertForm(driver, batchUI, source, destination.string(),
                        ledgers != nullptr ? &ledger : nullptr)) {
      case TConvertOutcome::Converted:
        ++summary.converted;
        break;
      case TConvertOutcome::WithoutReport:
        ++summary.withoutReport;
        break;
      case TConvertOutcome::Failed:
        ++summary.failed;
        break;
    }
    if (driver.LastSkipped().Any()) batchUI.ShowError(PartialReadNote(driver.LastSkipped()));
    if (ledgers != nullptr) ledgers->push_back(std::move(ledger));
  }
  return summary;
}

std::vector<std::string> UseFoundAncestors(const TSourceTree& tree,
                                           const std::filesystem::path& form,
                                           TConversionDriver& driver) {
  TAncestorChain chain = tree.FindAncestors(form);
  driver.SetAncestors(chain.forms);
  std::vector<std::string> notes = std::move(chain.notes);
  for (const TFrameChain& frame : tree.FindFrames(form)) {
    notes.push_back(fmt::format(
        "inline frame {}: {}: {}{}", frame.component, frame.frameClass,
        frame.chain.forms.empty() ? std::string("no form found")
                                  : fmt::format("{}", fmt::join(frame.chain.forms, " > ")),
        frame.chain.notes.empty() ? std::string()
                                  : fmt::format(" ({})", fmt::join(frame.chain.notes, "; "))));
  }
  return notes;
}

bool IsTextForm(std::string_view bytes) {
  const size_t start = bytes.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return false;
  const std::string_view text = bytes.substr(start);
  for (const std::string_view keyword : {"object", "inherited", "inline"}) {
    if (text.size() > keyword.size() && SameText(text.substr(0, keyword.size()), keyword) &&
        std::isspace(static_cast<unsigned char>(text[keyword.size()]))) {
      return true;
    }
  }
  return false;
}

TFormLedger ScanForm(TConversionDriver& driver, const std::filesystem::path& path,
                     const TSourceTree* tree) {
  TFormLedger ledger;
  ledger.source = path.string();
  try {
    if (tree != nullptr) ledger.ancestorNotes = UseFoundAncestors(*tree, path, driver);
    std::string bytes = LoadFile(path.string());
    if (IsTextForm(bytes)) bytes = TextToFormFile(bytes);
    driver.Inspect([&bytes] { return std::make_unique<TMemoryStream>(bytes); }, ledger);
  } catch (const std::exception& e) {
    ledger.outcome = TConvertOutcome::Failed;
    ledger.message = e.what();
  }
  return ledger;
}

std::string ScanLine(const TFormLedger& ledger, bool textForm) {
  const std::string form = ledger.source + (textForm ? " (text form)" : "");
  if (ledger.outcome == TConvertOutcome::Failed) {
    return fmt::format("{}: will not convert: {}", form, ledger.message);
  }
  // A form without a report is worth a line only when a report may hide in what was skipped.
  std::set<std::string> unknown;
  bool hidesReport = false;
  for (const TLedgerUnregistered& object : ledger.unregistered) {
    unknown.insert(object.className);
    hidesReport = hidesReport || object.kind.starts_with("QuickReport") ||
                  std::any_of(object.held.begin(), object.held.end(), [](const std::string& held) {
                    return held.ends_with(": TQuickRep");
                  });
  }
  const std::string unknownText =
      unknown.empty() ? "none" : fmt::format("{}", fmt::join(unknown, " "));
  if (ledger.outcome == TConvertOutcome::WithoutReport) {
    return hidesReport
               ? fmt::format("{}: no report converted; unknown classes: {}", form, unknownText)
               : std::string();
  }
  return fmt::format(
      "{}: report {}{}: {} bands, {} controls; will not carry: {} values, {} event handlers, "
      "{} components left behind; unknown classes: {}",
      form, ledger.quickRep, ledger.rootIsReport ? " (the form itself)" : "", ledger.bands.size(),
      ledger.ControlCount(), ledger.notCarried.size(), ledger.eventHandlers.size(),
      ledger.leftBehind.size(), unknownText);
}

}  // namespace qr2vor
