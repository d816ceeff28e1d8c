#pragma once

// The report document: printable-document base classes, the report with its band list and
// settings, the composite report, the report file, and the registration of the report classes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report/auxiliary.h"
#include "report/band.h"
#include "report/controls.h"
#include "report/events.h"
#include "report/language.h"
#include "report/page_store.h"
#include "report/printer.h"
#include "rtl/component.h"
#include "rtl/graphics.h"
#include "rtl/streams.h"

namespace qr2vor {

class TDataSet;
class TProgressDisplay;
class TVoPrintBaseComponent;
enum TFieldType : uint8_t;

// The events of a run, as callbacks; Sender is the document that runs.
using TNotifyEvent = std::function<void(TVoPrintBaseComponent& sender)>;
using TPageEvent = std::function<void(TVoPrintBaseComponent& sender, int32_t page, int32_t bar)>;
using TColumnEvent = std::function<void(TVoPrintBaseComponent& sender, int32_t column)>;
// IsPreCalc is true while measuring, false while drawing.
using TGenerateBeforeEvent =
    std::function<void(TVoPrintBaseComponent& sender, TVoRControl& control, bool isPreCalc)>;
using TGenerateAfterEvent = std::function<void(TVoPrintBaseComponent& sender, TVoRControl& control,
                                               bool isPreCalc, bool& abort)>;
using TGetVariableEvent =
    std::function<void(TVoPrintBaseComponent& sender, const std::string& variableName, bool& accept,
                       TFieldType& variableType, Variant& value)>;

enum TVoROption : uint8_t { roDisableControls };
// A set of report options: bit 1 << option for each member.
using TVoROptions = uint32_t;
const TEnumInfo& OptionInfo();

// Document properties of a printable document.
class TVoProperty : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Author() const { return author_; }
  void SetAuthor(const std::string& value) { author_ = value; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) { title_ = value; }
  const std::string& Subject() const { return subject_; }
  void SetSubject(const std::string& value) { subject_ = value; }
  const std::string& Keywords() const { return keywords_; }
  void SetKeywords(const std::string& value) { keywords_ = value; }
  const std::string& Comments() const { return comments_; }
  void SetComments(const std::string& value) { comments_ = value; }

  void Assign(const TPersistent& source) override;

 private:
  std::string author_;
  std::string title_;
  std::string subject_;
  std::string keywords_;
  std::string comments_;
};

// A printable document: language, document properties, variables, page frame, printer
// settings, options and the events of a run.
class TVoPrintBaseComponent : public TComponent {
 public:
  explicit TVoPrintBaseComponent(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TVoRLanguage* Language() const { return language_.get(); }
  // Copies the language settings.
  void SetLanguage(TVoRLanguage* language);
  TVoProperty* VoProperty() const { return voProperty_.get(); }
  // Copies the document properties.
  void SetVoProperty(TVoProperty* properties);
  int32_t HelpContext() const { return helpContext_; }
  void SetHelpContext(int32_t value) { helpContext_ = value; }
  bool TwoPass() const { return twoPass_; }
  void SetTwoPass(bool value) { twoPass_ = value; }
  TVoRVariables* Variables() const { return variables_.get(); }
  // Copies the variables.
  void SetVariables(TVoRVariables* variables);
  TVoROptions Options() const { return options_; }
  void SetOptions(TVoROptions value) { options_ = value & 1u; }
  // The page frame.
  TVoRFrame* Frame() const { return frame_.get(); }
  // Copies the frame.
  void SetFrame(TVoRFrame* frame);
  TVoRPrinter* PrinterSetting() const { return printerSetting_.get(); }
  // Copies the settings.
  void SetPrinterSetting(TVoRPrinter* printer);
  bool AnimatedStatus() const { return animatedStatus_; }
  void SetAnimatedStatus(bool value) { animatedStatus_ = value; }

  const TEventTable& Events() const { return events_; }
  TEventTable& Events() { return events_; }

  // The pages of the last run and the position of the current one.
  TVoPageStore& PageStore() { return pageStore_; }
  const TVoPageStore& PageStore() const { return pageStore_; }
  // Where the printer's own settings wait while a run has applied the report's.
  TVoRPrinter& KeptPrinterSetting() { return keptPrinterSetting_; }
  // 2 while generating, 0 otherwise.
  int32_t Generating() const { return generating_; }
  void SetGenerating(int32_t value) { generating_ = value; }

  // Handlers of a run; the names in Events() are what a report file stores.
  TNotifyEvent OnBeginDoc;
  TNotifyEvent OnEndDoc;
  TPageEvent OnBeginPage;
  TPageEvent OnEndPage;
  TColumnEvent OnBeginColumn;
  TColumnEvent OnEndColumn;
  TGenerateBeforeEvent BeforeBandPrint;
  TGenerateAfterEvent AfterBandPrint;
  TGenerateBeforeEvent BeforeControlPrint;
  TGenerateAfterEvent AfterControlPrint;
  TGetVariableEvent OnGetVariable;
  // The progress display of a run with AnimatedStatus (not owned); none runs without display.
  TProgressDisplay* ProgressDisplay = nullptr;

 private:
  // In the order of construction.
  bool twoPass_ = false;
  std::unique_ptr<TVoRVariables> variables_;
  TVoROptions options_ = 1u << roDisableControls;
  std::unique_ptr<TVoProperty> voProperty_;
  std::unique_ptr<TVoRFrame> frame_;
  std::unique_ptr<TVoRPrinter> printerSetting_;
  std::unique_ptr<TVoRLanguage> language_;
  bool animatedStatus_ = true;
  int32_t helpContext_ = 0;
  TEventTable events_;
  TVoPageStore pageStore_;
  TVoRPrinter keptPrinterSetting_;
  int32_t generating_ = 0;
};

// A printable document with a default font.
class TVoPrintComponent : public TVoPrintBaseComponent {
 public:
  explicit TVoPrintComponent(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TFont* Font() const { return font_.get(); }
  // Copies the font.
  void SetFont(TFont* font);

 private:
  std::unique_ptr<TFont> font_;
};

// The root of a report document: a sorted list of bands and the report-wide settings.
class TVoReport : public TVoPrintComponent {
 public:
  // Window messages the report's bands send to the window that hosts them: (message, parameter).
  using THostMessage = std::function<void(int32_t message, int32_t parameter)>;

  // A new report holds a page header, a detail band and a page footer.
  explicit TVoReport(TComponent* owner);
  ~TVoReport() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  TVoRDataManager* DataManager() const { return dataManager_; }
  void SetDataManager(TVoRDataManager* manager);
  int32_t BarNumber() const { return barNumber_; }
  void SetBarNumber(int32_t value) { barNumber_ = value; }
  int32_t ColumnSpace() const { return columnSpace_; }
  void SetColumnSpace(int32_t value) { columnSpace_ = value; }
  int32_t ColumnNumber() const { return columnNumber_; }
  void SetColumnNumber(int32_t value) { columnNumber_ = value; }
  // The stored file name, "Report.vor" while it is empty.
  std::string FileName() const;
  void SetFileName(const std::string& value) { fileName_ = value; }
  int32_t PageNoStartAt() const { return pageNoStartAt_; }
  void SetPageNoStartAt(int32_t value) { pageNoStartAt_ = value; }
  int32_t PageNoCountBy() const { return pageNoCountBy_; }
  void SetPageNoCountBy(int32_t value) { pageNoCountBy_ = value; }
  TVoRParameters* Parameters() const { return parameters_.get(); }
  // Copies the parameters.
  void SetParameters(TVoRParameters* parameters);

  // The band list, sorted by order key.
  int BandCount() const { return static_cast<int>(bands_.size()); }
  // The band at `index`, nullptr outside the list.
  TVoRBand* Bands(int index) const;
  // Creates a band of that type and inserts it by order key: with AtEnd after the last band of
  // a key not greater (first when there is none), otherwise before the first band of a key not
  // smaller (last when there is none); a report summary always goes last. Page headers and
  // footers print on the first page too. Answers the new index.
  int AddBand(TBandType type, bool atEnd);
  // Frees the band at `index`; raises EListError outside the list.
  void DeleteBand(int index);
  void ClearBands();
  // The index of the first band of that type, -1 when there is none.
  int FindBandByType(TBandType type) const;

  // `base`, or `base` followed by a number, so that it differs from the display names met before
  // it in one pass over every band and every control (bands in order, each before its controls).
  std::string UniqueName(const std::string& base) const;

  // The window hosting the report, told of added controls; nothing is sent without one.
  THostMessage OnHostMessage;
  // Asks the user for the parameters that need a value before a run: false cancels the run.
  // Without one a run goes on with the parameters as they are.
  std::function<bool(TVoReport& report)> OnAskParameters;

  // Stores `fileName` in FileName and writes the report file, replacing an existing one; a file
  // that cannot be created raises "Cannot create file %s" and nothing is written.
  void SaveToFile(const std::string& fileName);
  // The report file's bytes.
  std::string SaveToBytes();
  // Reads a report file into a new report. A malformed file raises EInvalidImage "Invalid
  // stream format" or a stream reading error.
  static std::unique_ptr<TVoReport> LoadFromFile(const std::string& fileName);
  static std::unique_ptr<TVoReport> LoadFromBytes(std::string_view bytes);

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
  TComponent* GetChildOwner() override { return this; }
  void Notification(TComponent* component, TOperation operation) override;
  // A report read from a stream keeps only the bands read: the bands it had before reading
  // (the three starting bands of a new report) are freed.
  void Loaded() override;

 private:
  friend class TVoRBand;
  bool IsFileNameStored() const { return !fileName_.empty(); }

  std::vector<TVoRBand*> bands_;
  // The bands that joined while the report was being read, until it is loaded.
  std::vector<TVoRBand*> readBands_;
  std::unique_ptr<TVoRParameters> parameters_;
  TDataSet* dataSet_ = nullptr;
  TVoRDataManager* dataManager_ = nullptr;
  int32_t barNumber_ = 1;
  int32_t columnSpace_ = 0;
  int32_t columnNumber_ = 1;
  std::string fileName_;
  int32_t pageNoStartAt_ = 0;
  int32_t pageNoCountBy_ = 1;
};

// A document that combines the pages of several reports, in the order they were added; the
// reports are not owned and leave the list when they are destroyed.
class TVoRCompositeReport : public TVoPrintBaseComponent {
 public:
  // Shows no progress display of its own.
  explicit TVoRCompositeReport(TComponent* owner);
  ~TVoRCompositeReport() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::vector<TVoReport*>& Reports() const { return reports_; }
  void AddReport(TVoReport* report);
  void RemoveReport(TVoReport* report);
  void ClearReports();

  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::vector<TVoReport*> reports_;
};

// Registers the report library's streamable classes and the named constants its files use.
void RegisterReportClasses();

}  // namespace qr2vor
