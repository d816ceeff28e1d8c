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
};

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
  // where it occurs, with nothing written. Fills `ledger` when given.
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

 private:
  struct Conversion;
  Conversion ReadAndMap(const TFormOpener& open, TFormLedger* ledger);

  TUIService& ui_;
  TConvertOptions options_;
  std::vector<std::string> ancestors_;
};

// A source form file opened for reading: "Cannot open file %s" when it is missing, unreadable or
// a folder.
TFormOpener OpenFormFile(const std::string& path);

// The application's handler around one conversion: a failure's message goes to the user through
// ShowError (and into the ledger) and the outcome is Failed.
TConvertOutcome ConvertForm(TConversionDriver& driver, TUIService& ui, const std::string& source,
                            const std::string& destination, TFormLedger* ledger = nullptr);

}  // namespace qr2vor
