#pragma once

// The conversion driver behind the Convert button: reads a QuickReport form file, maps its first
// report onto a new report and saves the report file, talking to the user only through a
// TUIService, so that the command-line tool and the converter window share it.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/convert/ledger.h"
#include "platform/ui/ui_service.h"
#include "rtl/streams.h"

namespace qr2vor {

struct TConvertOptions {
  // Reads the toolkit's common containers (TPanel, TGroupBox, ...) as plain containers, so that
  // a report placed inside one is found.
  bool lookInside = false;
  // Whole source trees (batch and scan): an inherited form's ancestor forms are found in the tree
  // and read before it.
  bool findAncestors = false;
  // The report the mapping alone gives: the page, visibility, alignment, frame and mask
  // extensions are off and text form files are refused, as the converter window does.
  bool compatible = false;
  // Text form files are read as the binary forms they stand for (the command-line tool; the
  // window refuses them, and so does `compatible`).
  bool textForms = false;
};

// What the reader skipped and went on: objects (with everything nested in them) and values.
struct TSkipCounts {
  size_t objects = 0;
  size_t values = 0;

  bool Any() const { return objects + values > 0; }
};

// The line that tells a user a form was read in part: the counts, and where they are listed.
std::string PartialReadNote(const TSkipCounts& skipped);

// Opens the source form afresh for every pass over it.
using TFormOpener = std::function<std::unique_ptr<TStream>()>;

class TConversionDriver {
 public:
  explicit TConversionDriver(TUIService& ui, TConvertOptions options = {});

  // Registers the classes a conversion reads: the fifteen QuickReport classes in the converter's
  // order, what the QuickReport library registers for itself (data sets included) and the
  // report classes. Once per process, before the first conversion.
  static void FormCreate();

  // The Convert button, `edQR` the source form file and `edVOR` the destination report file.
  // Ends quietly (WithoutReport) when the form holds no report; raises the failure of the step
  // where it occurs, with nothing written. A destination that is the source form file itself
  // fails with "Cannot create file %s" before anything is read. Fills `ledger` when given.
  TConvertOutcome btnConvertClick(const std::string& edQR, const std::string& edVOR,
                                  TFormLedger* ledger = nullptr);

  // Everything but saving: what a conversion of the form that `open` gives would make and leave
  // behind. Raises as btnConvertClick does.
  TConvertOutcome Inspect(const TFormOpener& open, TFormLedger& ledger);

  // The ancestor forms of the next conversions, outermost first, binary or text: each is read
  // into the root form before the form itself, so that the form's inherited objects are found by
  // name. Empty (the default) reads the form alone.
  void SetAncestors(std::vector<std::string> ancestors) { ancestors_ = std::move(ancestors); }
  const std::vector<std::string>& Ancestors() const { return ancestors_; }

  // What the reader skipped in the last conversion or inspection.
  const TSkipCounts& LastSkipped() const { return lastSkipped_; }

 private:
  struct Conversion;
  Conversion ReadAndMap(const TFormOpener& open, TFormLedger* ledger);

  TUIService& ui_;
  TConvertOptions options_;
  std::vector<std::string> ancestors_;
  TSkipCounts lastSkipped_;
};

// A source form file opened for reading: "Cannot open file %s" when it is missing, unreadable or
// a folder.
TFormOpener OpenFormFile(const std::string& path);

// A source form file, binary or text (read as the binary form it stands for); loaded once for
// every pass over it.
TFormOpener OpenFormOrTextFile(const std::string& path);

// The application's handler around one conversion: a failure's message goes to the user through
// ShowError (and into the ledger) and the outcome is Failed.
TConvertOutcome ConvertForm(TConversionDriver& driver, TUIService& ui, const std::string& source,
                            const std::string& destination, TFormLedger* ledger = nullptr);

}  // namespace qr2vor
