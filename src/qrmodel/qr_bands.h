#pragma once

// The report and its bands: TQuickRep with its band list, and the band classes with the band
// types that references to them imply.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "qrmodel/qr_font.h"
#include "qrmodel/qr_parts.h"
#include "qrmodel/qr_types.h"
#include "rtl/controls.h"
#include "rtl/strings.h"
#include "stream/later_properties.h"

namespace qr2vor {

class TDataSet;
class TQRCustomBand;
class TQuickRep;

// The base of the report and its bands: a panel with a frame, a colour and a font. Keeps the
// properties of later versions it reads (LaterProperties; the margins' in Margins()).
class TQRBasePanel : public TCustomPanel, public TQRFontControl, public TLaterProperties {
 public:
  explicit TQRBasePanel(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TQRFrame* Frame() const { return frame_.get(); }
  void SetFrame(TQRFrame* frame);
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  TFont* Font() const override { return font_.get(); }
  void SetFont(TFont* font);
  bool ParentFont() const { return fontLink_.ParentFont(); }
  void SetParentFont(bool value) { fontLink_.SetParentFont(value); }
  // The font is written only when it is the panel's own.
  bool IsFontStored() const { return !ParentFont(); }
  // The margins later versions of the toolkit publish.
  TLaterPart* Margins() const { return margins_.get(); }

  void SetParent(TWinControl* parent) override;
  void ParentFontChanged() override { fontLink_.Follow(); }
  void DefineProperties(TFiler& filer) override;

 private:
  const std::unique_ptr<TQRFrame> frame_ = std::make_unique<TQRFrame>();
  const std::unique_ptr<TLaterPart> margins_;
  const std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  TParentFontLink fontLink_{*this, *font_};
  TColor color_ = clWhite;
};

// Whether the report has bands of the six basic types; never stored.
class TQuickRepBands : public TPersistent {
 public:
  explicit TQuickRepBands(const TQuickRep& report) : report_(report) {}

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool HasTitle() const { return Has(rbTitle); }
  bool HasPageHeader() const { return Has(rbPageHeader); }
  bool HasColumnHeader() const { return Has(rbColumnHeader); }
  bool HasDetail() const { return Has(rbDetail); }
  bool HasPageFooter() const { return Has(rbPageFooter); }
  bool HasSummary() const { return Has(rbSummary); }

 private:
  bool Has(TQRBandType type) const;

  const TQuickRep& report_;
};

// The report. Its band list holds the bands placed in it: in the order of the form file while it
// is read, in printing order (RebuildBandList) once reading has ended and after every change that
// bears on the order.
class TQuickRep : public TQRBasePanel {
 public:
  explicit TQuickRep(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::vector<TQRCustomBand*>& BandList() const { return bandList_; }
  // Puts the band list in printing order: page headers, titles, column headers, page footers,
  // then every other band, each type and the rest in the order of the current list; every band
  // placed is followed by its child bands (and theirs), a child band never standing alone while
  // its parent band is in the list.
  void RebuildBandList();
  // A band's type or links changed: outside of reading, the list is rebuilt.
  void BandChanged();

  TQuickRepBands* Bands() const { return bands_.get(); }
  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  TStrings* Description() const { return description_.get(); }
  void SetDescription(TStrings* lines);
  TQuickReportOptions Options() const { return options_; }
  void SetOptions(TQuickReportOptions options) { options_ = options; }
  TQRPage* Page() const { return page_.get(); }
  TQuickRepPrinterSettings* PrinterSettings() const { return printerSettings_.get(); }
  bool PrintIfEmpty() const { return printIfEmpty_; }
  void SetPrintIfEmpty(bool value) { printIfEmpty_ = value; }
  const std::string& ReportTitle() const { return reportTitle_; }
  void SetReportTitle(const std::string& value) { reportTitle_ = value; }
  bool ShowProgress() const { return showProgress_; }
  void SetShowProgress(bool value) { showProgress_ = value; }
  bool SnapToGrid() const { return snapToGrid_; }
  void SetSnapToGrid(bool value) { snapToGrid_ = value; }
  TQRUnit Units() const { return units_; }
  void SetUnits(TQRUnit value) { units_ = value; }
  int32_t Zoom() const { return zoom_; }
  void SetZoom(int32_t value) { zoom_ = value; }
  // The report functions of later versions ("DATA" and "Strings"), kept.
  TLaterPart* Functions() const { return functions_.get(); }

  void DefineProperties(TFiler& filer) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void ControlInserted(TControl* control) override;
  void ControlRemoved(TControl* control) override;

 private:
  std::vector<TQRCustomBand*> bandList_;
  const std::unique_ptr<TQuickRepBands> bands_ = std::make_unique<TQuickRepBands>(*this);
  TDataSet* dataSet_ = nullptr;
  const std::unique_ptr<TStringList> description_ = std::make_unique<TStringList>();
  const std::unique_ptr<TLaterPart> functions_;
  TQuickReportOptions options_ = (1u << FirstPageHeader) | (1u << LastPageFooter);
  const std::unique_ptr<TQRPage> page_ = std::make_unique<TQRPage>();
  const std::unique_ptr<TQuickRepPrinterSettings> printerSettings_ =
      std::make_unique<TQuickRepPrinterSettings>();
  bool printIfEmpty_ = false;
  std::string reportTitle_;
  bool showProgress_ = true;
  bool snapToGrid_ = true;
  TQRUnit units_ = MM;
  int32_t zoom_ = 100;
  TMethod afterPrint_, afterPreview_, beforePrint_;
  TMethod onEndPage_, onNeedData_, onPreview_, onStartPage_;
};

// What later versions of TQuickRep publish besides the model's properties (preview settings,
// report ids), and what its Functions part holds; a form whose root is a report carries them too.
std::span<const TLaterProperty> QuickRepLaterProperties();
std::span<const TLaterProperty> QuickRepFunctionsProperties();

class TQRCustomBand : public TQRBasePanel {
 public:
  explicit TQRCustomBand(TComponent* owner);
  // Leaves the report (and its band list) while it is still a band.
  ~TQRCustomBand() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The report the band is placed in, or nullptr.
  TQuickRep* Report() const;

  TQRBandType BandType() const { return bandType_; }
  void SetBandType(TQRBandType type);
  bool AlignToBottom() const { return alignToBottom_; }
  void SetAlignToBottom(bool value) { alignToBottom_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  bool ForceNewColumn() const { return forceNewColumn_; }
  void SetForceNewColumn(bool value) { forceNewColumn_ = value; }
  bool ForceNewPage() const { return forceNewPage_; }
  void SetForceNewPage(bool value) { forceNewPage_ = value; }
  // True when a child band owned by the same owner continues this band.
  bool HasChild() const;
  TQRBandSize* Size() const { return size_.get(); }

  // Older forms carry "Align", "Ruler" and "LinkBand" (identifiers), read and dropped; later
  // versions' band options are kept.
  void DefineProperties(TFiler& filer) override;

 protected:
  // Tells the report that the band list may need a new order.
  void Changed() const;

 private:
  TQRBandType bandType_ = rbTitle;
  bool alignToBottom_ = false;
  bool enabled_ = true;
  bool forceNewColumn_ = false;
  bool forceNewPage_ = false;
  const std::unique_ptr<TQRBandSize> size_ = std::make_unique<TQRBandSize>();
  TMethod afterPrint_, beforePrint_;
};

class TQRBand : public TQRCustomBand {
 public:
  using TQRCustomBand::TQRCustomBand;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// A band that continues another band (its ParentBand) on the page.
class TQRChildBand : public TQRCustomBand {
 public:
  explicit TQRChildBand(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TQRCustomBand* ParentBand() const { return parentBand_; }
  // A band that would make this one its own ancestor through child bands is refused silently.
  void SetParentBand(TQRCustomBand* band);

  void DefineProperties(TFiler& filer) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TQRCustomBand* parentBand_ = nullptr;
};

// A group header: a new group starts whenever Expression changes its value.
class TQRGroup : public TQRCustomBand {
 public:
  explicit TQRGroup(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& value) { expression_ = value; }
  // Naming a band as the footer makes it a group footer.
  TQRBand* FooterBand() const { return footerBand_; }
  void SetFooterBand(TQRBand* band);
  TComponent* Master() const { return master_; }
  void SetMaster(TComponent* master);

  // Older forms: "DataField" becomes the expression; "Level", "DataSource", "HeaderBand" and
  // "OnNeedData" are read and dropped.
  void DefineProperties(TFiler& filer) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::string expression_;
  TQRBand* footerBand_ = nullptr;
  TComponent* master_ = nullptr;
};

class TQRControllerBand : public TQRCustomBand {
 public:
  using TQRCustomBand::TQRCustomBand;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TComponent* Master() const { return master_; }
  void SetMaster(TComponent* master);

  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* master_ = nullptr;
};

class TQRSubDetail;

// Whether a sub-detail has a header and a footer band; never stored.
class TQRSubDetailGroupBands : public TPersistent {
 public:
  explicit TQRSubDetailGroupBands(const TQRSubDetail& subDetail) : subDetail_(subDetail) {}

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool HasFooter() const;
  bool HasHeader() const;

 private:
  const TQRSubDetail& subDetail_;
};

// A detail band over a second data set, with optional header and footer bands.
class TQRSubDetail : public TQRControllerBand {
 public:
  explicit TQRSubDetail(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TQRSubDetailGroupBands* Bands() const { return bands_.get(); }
  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  // Naming a band as the header makes it a group header, as the footer a group footer.
  TQRCustomBand* FooterBand() const { return footerBand_; }
  void SetFooterBand(TQRCustomBand* band);
  TQRCustomBand* HeaderBand() const { return headerBand_; }
  void SetHeaderBand(TQRCustomBand* band);
  bool PrintBefore() const { return printBefore_; }
  void SetPrintBefore(bool value);
  bool PrintIfEmpty() const { return printIfEmpty_; }
  void SetPrintIfEmpty(bool value) { printIfEmpty_ = value; }

  void Notification(TComponent* component, TOperation operation) override;

 private:
  const std::unique_ptr<TQRSubDetailGroupBands> bands_ =
      std::make_unique<TQRSubDetailGroupBands>(*this);
  TDataSet* dataSet_ = nullptr;
  TQRCustomBand* footerBand_ = nullptr;
  TQRCustomBand* headerBand_ = nullptr;
  bool printBefore_ = false;
  bool printIfEmpty_ = false;
  TMethod onNeedData_;
};

}  // namespace qr2vor
