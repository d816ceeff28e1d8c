#pragma once

// The report engine: turns a report and its data into pages. `TDocumentRun` makes pages for any
// printable document (page creation, the page canvas, begin and end of document, the run's
// printer exchange and progress display); `TVoREngine` generates a report (recalculation,
// variable lookup, band printing, the band and record loop); `PrepareComposite` combines the
// pages of several reports.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/data_manager.h"
#include "engine/render/render.h"
#include "expr/expr_data.h"
#include "expr/expr_parser.h"
#include "platform/gfx/canvas.h"
#include "platform/gfx/metafile_canvas.h"
#include "report/report.h"

namespace qr2vor {

// The title a run shows when the document has none; also the description of page metafiles.
inline constexpr const char* kDefaultReportTitle = "VoReport";

// Prints one control (a band prints its own background and frame the same way) into `rect` on
// `canvas`: measures with kMeasureFlag in `flags`, draws otherwise; answers the height it needs.
// Generation uses the control rendering unless told otherwise.
using TControlPrinter =
    std::function<int32_t(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags)>;
// Draws a frame (the page frame) on a rectangle.
using TFramePrinter =
    std::function<void(const TVoRFrame& frame, TCanvas& canvas, const TRect& rect)>;

// Page making for a printable document.
class TDocumentRun {
 public:
  explicit TDocumentRun(TVoPrintBaseComponent& document);
  virtual ~TDocumentRun();
  TDocumentRun(const TDocumentRun&) = delete;
  TDocumentRun& operator=(const TDocumentRun&) = delete;

  TVoPrintBaseComponent& Document() const { return document_; }
  TVoPageStore& Store() const { return document_.PageStore(); }

  // The current page's canvas; a measuring canvas while no page is open.
  TCanvas& Canvas();
  // Whether a page is open (its canvas records).
  bool PageOpen() const { return pageCanvas_ != nullptr; }

  // Clears the finished flag, fires OnBeginDoc and empties the store (a composite document's
  // store only forgets the pages it refers to).
  void BeginDoc();
  // Finishes the current page, fires OnEndDoc and sets the finished flag.
  void EndDoc();
  // Ends the current page (OnEndPage) and creates the next one: its size from the printer
  // settings, its metafile canvas, the page frame, then OnBeginPage.
  void CreatePage(bool newBar);

  // True once Cancel was asked for, by Cancel() or the progress display.
  bool Cancelled();
  void Cancel() { cancelled_ = true; }

  // How the page frame is drawn (DrawFrame unless told otherwise).
  TFramePrinter PrintFrame;

 protected:
  // Tells the progress display (when the document shows one) the run's title, first text,
  // Cancel caption and range.
  void BeginRun();
  // Puts the printer's own settings back.
  void EndRun();
  // The display of this run, or none.
  TProgressDisplay* Display() const;
  // Keeps the printer's settings and applies the document's, runs `work` inside the display
  // when there is one (else directly), and puts the printer's settings back, also when `work`
  // fails.
  void RunWithDisplay(const std::function<void()>& work);
  // Saves the open page's canvas into its metafile and closes it.
  void ClosePage();

  // Current position and bottom of the page being filled.
  int32_t position_ = 0;
  int32_t bottom_ = 0;

 private:
  TVoPrintBaseComponent& document_;
  std::unique_ptr<TMetafileCanvas> pageCanvas_;
  TPageInfo* canvasPage_ = nullptr;
  TMeasureCanvas measureCanvas_;
  bool cancelled_ = false;
};

// Generation of one report.
class TVoREngine : public TDocumentRun {
 public:
  explicit TVoREngine(TVoReport& report);

  TVoReport& Report() const { return report_; }

  // --- Recalculation and variable lookup ---

  // Mode 0: controls of all bands, 1: all but group footers, 2: group footers only, 3: the
  // report variables. A negative band index means the first or last band. Expression controls
  // and variables recalculate when their calculation's trigger matches the group or variable
  // named; other labels always.
  void UpdateCalculations(int firstBand, int lastBand, int mode, const std::string& groupName = {},
                          const std::string& variableName = {});
  // Nulls the values that end with the report, a page or the group named.
  void Reset(TResetType resetType, const std::string& groupName = {});
  // Evaluates every band's and control's ShowIf and HideWhen.
  void EvaluatePrintConditions();
  bool PrintableNow(const TVoRControl& control) const;
  // The value of a system-data kind (DetailNo -1, BandLineNo Null: their controls count).
  Variant GetSystemValue(TVoRSysDataType kind) const;
  // Parameters, system names, report variables, then OnGetVariable.
  void GetVariable(const std::string& name, Variant& value, TFieldType& type, bool& found);
  // GetVariable as the evaluator's variable callback.
  ExprVariableCallback VariableCallback();
  // The effective data manager as the evaluator's data sets.
  const ExprDataManager* DataManager();
  // The parsed expression of `text` when it reads only data fields and constants, else nullptr.
  const TExprParser* ParsedExpression(const std::string& text);
  // EvaluateAndAccumulate over the parsed expression when there is one.
  Variant EvaluateText(const std::string& text, const Variant& runningValue,
                       const Variant& previousValue, TCalcType calcType);
  // Computes a control's current value (labels, expressions, system data).
  void UpdateValue(TVoRControl& control);
  // A group band's current value from its Expression; a header passes it to its footer's
  // previous value.
  void EvaluateGroup(TVoRBand& band);

  // --- Bands ---

  // Measures (kMeasureFlag in flags) or draws the band's controls between top and bottom on the
  // current page; answers the band's height.
  int32_t PrintBand(TVoRBand& band, int32_t top, int32_t bottom, uint32_t flags);
  // The height of the group that starts at a group header, looking ahead over the records;
  // every value and the data set's position are put back afterwards.
  int32_t MeasureGroup(TVoRBand& header, int32_t top, int32_t bottom);

  // --- Generation ---

  // One or two passes inside the run's printer exchange and progress display.
  void Prepare();
  // One pass over the data.
  void Generate();
  // Ends the column or page and begins the next one.
  void NewPage(bool newBar);

  // The state of the page being filled, for callers that place bands themselves.
  int32_t CurrentPosition() const { return position_; }
  void SetCurrentPosition(int32_t value) { position_ = value; }
  int32_t Bottom() const { return bottom_; }
  int32_t BodyTop() const { return bodyTop_; }
  int32_t BodyBottom() const { return bodyBottom_; }
  int32_t ColumnIndex() const { return columnIndex_; }
  int32_t ColumnLeft() const { return columnLeft_; }
  int32_t PrintableWidth() const { return printableWidth_; }

  // How controls print, and the clock of the date and time values.
  TControlPrinter PrintControl;
  std::function<TDateTime()> Clock;

 private:
  struct TSavedValue {
    int variableIndex;
    int bandIndex;
    int controlIndex;
    Variant current;
    Variant previous;
  };

  void CheckCanGenerate() const;
  bool AskParameters();
  bool BandPrints(const TVoRBand& band) const;
  // Measures then draws a band at the current position, breaking the page first when it does
  // not fit and its data set goes on.
  void PrintBandAtPosition(TVoRBand& band);
  int32_t Measure(TVoRBand& band, int32_t top, int32_t bottom) {
    return PrintBand(band, top, bottom, kMeasureFlag);
  }
  int32_t PrintControlAt(TVoRControl& control, TRect& rect, uint32_t flags);
  void ShowPageProgress();
  std::vector<TSavedValue> SaveValues() const;
  void RestoreValues(const std::vector<TSavedValue>& saved);
  TVoRBand* FirstBand(TBandType type) const;

  TVoReport& report_;
  TReportDataManager dataManager_;
  // The expressions of this pass parsed once, by text. A text that names a parameter, system value
  // or variable maps to nullptr: parsing takes such a name's value as a constant, so that text
  // is parsed again at every use.
  std::unordered_map<std::string, std::unique_ptr<const TExprParser>> parsed_;
  bool variableRead_ = false;
  TRenderContext renderContext_;
  std::unordered_set<const TVoRControl*> hidden_;
  int32_t columnIndex_ = 0;
  int32_t columnLeft_ = 0;
  int32_t printableWidth_ = 0;
  int32_t bodyTop_ = 0;
  int32_t bodyBottom_ = 0;
  int32_t lastBandHeight_ = 0;
  bool firstOnPage_ = true;
};

// Runs every report of the composite document and lists their pages in its store, renumbered
// to follow one another; with no report the document gets one empty page.
void PrepareComposite(TVoRCompositeReport& composite);

}  // namespace qr2vor
