#pragma once

// Whole source trees: converting every form under a folder, and scanning one before converting.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/convert/ancestors.h"
#include "app/convert/driver.h"

namespace qr2vor {

// Every form file under `folder` (".dfm" and ".qr*", any case), in path order.
std::vector<std::filesystem::path> FindFormFiles(const std::filesystem::path& folder);

struct TBatchSummary {
  size_t converted = 0;
  size_t withoutReport = 0;
  size_t failed = 0;
};

// Told before each form: its number from 1, the number of forms, its path.
using TBatchProgress = std::function<void(size_t number, size_t count, const std::string& path)>;

// Converts every form under `sourceDir` to the same relative path under `destinationDir` with
// the extension ".vor", going on after failures; with `options.findAncestors` each inherited
// form is read after the ancestors found under `sourceDir`. Failures reach `ui` as "PATH: message",
// and so does the note on a form read in part (PartialReadNote); success messages are not shown.
// Adds one ledger per form when `ledgers` is given.
TBatchSummary ConvertTree(const TConvertOptions& options, TUIService& ui,
                          const std::filesystem::path& sourceDir,
                          const std::filesystem::path& destinationDir,
                          std::vector<TFormLedger>* ledgers, const TBatchProgress& progress);

// Finds the ancestors of `form` in `tree`, sets them on `driver` and answers the ledger's notes:
// how they were found or why not, and the inline frames' chains.
std::vector<std::string> UseFoundAncestors(const TSourceTree& tree,
                                           const std::filesystem::path& form,
                                           TConversionDriver& driver);

// A text form file (beginning with "object", "inherited" or "inline").
bool IsTextForm(std::string_view bytes);

// What a conversion of the form at `path` would make and leave behind, without writing; text
// forms are first turned into binary ones. Failures are in the ledger's outcome and message.
// With `tree`, the form's ancestors found there are read before it.
TFormLedger ScanForm(TConversionDriver& driver, const std::filesystem::path& path,
                     const TSourceTree* tree = nullptr);

// One line of `qr2vor scan` for a form; empty for a form without a report where none can hide
// in the classes skipped.
std::string ScanLine(const TFormLedger& ledger, bool textForm);

}  // namespace qr2vor
