#include "qrmodel/qr_bands.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/data/dataset.h"
#include "qrmodel/qr_form.h"
#include "qrmodel/qr_references.h"

namespace qr2vor {

namespace {

using enum TLaterValue;

// What later versions of the toolkit publish on every control that forms show on the report and
// its bands.
constexpr TLaterProperty kPanelLater[] = {
    {"AlignWithMargins", lvBoolean},
    {"ExplicitHeight", lvInteger},
    {"ExplicitWidth", lvInteger},
    {"HelpType", lvIdent},
};
constexpr TLaterProperty kMargins[] = {
    {"Bottom", lvInteger}, {"Left", lvInteger}, {"Right", lvInteger}, {"Top", lvInteger}};
constexpr TLaterProperty kQuickRepLater[] = {
    {"IDReport", lvInteger},       {"PrevFormStyle", lvIdent},
    {"PrevInitialZoom", lvIdent},  {"PrevShowSearch", lvBoolean},
    {"PrevShowThumbs", lvBoolean}, {"PreviewDefaultSaveType", lvIdent},
    {"PreviewHeight", lvInteger},  {"PreviewInitialState", lvIdent},
    {"PreviewLeft", lvInteger},    {"PreviewTop", lvInteger},
    {"PreviewWidth", lvInteger},   {"ShowingPreview", lvBoolean},
};
// Lists of strings: the functions' definitions and their names.
constexpr TLaterProperty kFunctions[] = {{"DATA", lvList}, {"Strings", lvList}};
// Bands of later versions: page keeping, height calculation, transparency.
constexpr TLaterProperty kBandLater[] = {
    {"KeepOnOnePage", lvBoolean},
    {"PreCaluculateBandHeight", lvBoolean},
    {"TransparentBand", lvBoolean},
};
// Where a child band prints relative to its parent band.
constexpr TLaterProperty kChildBandLater[] = {{"PrintOrder", lvIdent}};
constexpr TLaterProperty kGroupLater[] = {{"ReprintOnNewPage", lvBoolean}};

}  // namespace

std::span<const TLaterProperty> QuickRepLaterProperties() { return kQuickRepLater; }
std::span<const TLaterProperty> QuickRepFunctionsProperties() { return kFunctions; }

// TQRBasePanel

TQRBasePanel::TQRBasePanel(TComponent* owner)
    : TCustomPanel(owner), margins_(std::make_unique<TLaterPart>(kMargins)) {}

const TClassInfo& TQRBasePanel::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TQRBasePanel, TCustomPanel>("TQRBasePanel")
          .Object<TQRFrame>("Frame", &TQRBasePanel::Frame, &TQRBasePanel::SetFrame)
          .Object<TLaterPart>("Margins", &TQRBasePanel::Margins, nullptr);
  return info;
}

void TQRBasePanel::DefineProperties(TFiler& filer) {
  TCustomPanel::DefineProperties(filer);
  DefineLaterProperties(filer, kPanelLater);
}

void TQRBasePanel::SetFrame(TQRFrame* frame) {
  if (frame != nullptr) frame_->Assign(*frame);
}

void TQRBasePanel::SetFont(TFont* font) {
  if (font != nullptr) font_->Assign(*font);
}

void TQRBasePanel::SetParent(TWinControl* parent) {
  TCustomPanel::SetParent(parent);
  fontLink_.Follow();
}

// TQuickRepBands

const TClassInfo& TQuickRepBands::StaticClassInfo() {
  using T = TQuickRepBands;
  static const TClassInfo info =
      TClassInfo::Derive<T, TPersistent>("TQuickRepBands")
          .Boolean("HasTitle", &T::HasTitle, nullptr, NoDefault)
          .Stored(false)
          .Boolean("HasPageHeader", &T::HasPageHeader, nullptr, NoDefault)
          .Stored(false)
          .Boolean("HasColumnHeader", &T::HasColumnHeader, nullptr, NoDefault)
          .Stored(false)
          .Boolean("HasDetail", &T::HasDetail, nullptr, NoDefault)
          .Stored(false)
          .Boolean("HasPageFooter", &T::HasPageFooter, nullptr, NoDefault)
          .Stored(false)
          .Boolean("HasSummary", &T::HasSummary, nullptr, NoDefault)
          .Stored(false);
  return info;
}

bool TQuickRepBands::Has(TQRBandType type) const {
  const auto& bands = report_.BandList();
  return std::any_of(bands.begin(), bands.end(),
                     [type](const TQRCustomBand* band) { return band->BandType() == type; });
}

// TQuickRep

TQuickRep::TQuickRep(TComponent* owner)
    : TQRBasePanel(owner), functions_(std::make_unique<TLaterPart>(kFunctions)) {
  Font()->SetName("Arial");
  Font()->SetSize(10);
  // The form must not rescale the report's controls while they are read.
  if (auto* form = dynamic_cast<TQRForm*>(owner)) form->SetScaled(false);
}

const TClassInfo& TQuickRep::StaticClassInfo() {
  using T = TQuickRep;
  // The order real forms are written in: PrinterSettings comes before PrintIfEmpty.
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRBasePanel>("TQuickRep")
          .Method("AfterPrint", &T::afterPrint_, &T::afterPrint_)
          .Method("AfterPreview", &T::afterPreview_, &T::afterPreview_)
          .Method("BeforePrint", &T::beforePrint_, &T::beforePrint_)
          .Object<TQuickRepBands>("Bands", &T::Bands, nullptr)
          .Object<TDataSet>("DataSet", &T::DataSet, &T::SetDataSet)
          .Object<TStrings>("Description", &T::Description, &T::SetDescription)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf(&T::IsFontStored)
          .Method("OnEndPage", &T::onEndPage_, &T::onEndPage_)
          .Method("OnNeedData", &T::onNeedData_, &T::onNeedData_)
          .Method("OnPreview", &T::onPreview_, &T::onPreview_)
          .Method("OnStartPage", &T::onStartPage_, &T::onStartPage_)
          .Set("Options", QuickReportOptionInfo(), &T::Options, &T::SetOptions, NoDefault)
          .Object<TQRPage>("Page", &T::Page, nullptr)
          .Object<TQuickRepPrinterSettings>("PrinterSettings", &T::PrinterSettings, nullptr)
          .Boolean("PrintIfEmpty", &T::PrintIfEmpty, &T::SetPrintIfEmpty, NoDefault)
          .String("ReportTitle", &T::ReportTitle, &T::SetReportTitle)
          .Boolean("ShowProgress", &T::ShowProgress, &T::SetShowProgress, true)
          .Boolean("SnapToGrid", &T::SnapToGrid, &T::SetSnapToGrid, NoDefault)
          .Enum("Units", QRUnitInfo(), &T::Units, &T::SetUnits, NoDefault)
          .Integer("Zoom", &T::Zoom, &T::SetZoom, NoDefault)
          .Object<TLaterPart>("Functions", &T::Functions, nullptr)
          .Creatable();
  return info;
}

void TQuickRep::DefineProperties(TFiler& filer) {
  TQRBasePanel::DefineProperties(filer);
  DefineLaterProperties(filer, kQuickRepLater);
}

void TQuickRep::SetDataSet(TDataSet* dataSet) { Retarget(*this, dataSet_, dataSet); }

void TQuickRep::SetDescription(TStrings* lines) {
  if (lines != nullptr) description_->Assign(*lines);
}

void TQuickRep::Loaded() {
  TQRBasePanel::Loaded();
  RebuildBandList();
}

void TQuickRep::Notification(TComponent* component, TOperation operation) {
  TQRBasePanel::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(dataSet_, component);
}

void TQuickRep::ControlInserted(TControl* control) {
  TQRBasePanel::ControlInserted(control);
  auto* band = dynamic_cast<TQRCustomBand*>(control);
  if (band == nullptr || std::find(bandList_.begin(), bandList_.end(), band) != bandList_.end()) {
    return;
  }
  bandList_.push_back(band);
  BandChanged();
}

void TQuickRep::ControlRemoved(TControl* control) {
  TQRBasePanel::ControlRemoved(control);
  // Compared as controls: a band leaving from its destructor is no longer a full band.
  const auto removed = std::erase_if(bandList_, [control](const TQRCustomBand* band) {
    return static_cast<const TControl*>(band) == control;
  });
  if (removed > 0) BandChanged();
}

void TQuickRep::BandChanged() {
  if (HasState(csLoading) || (Owner() != nullptr && Owner()->HasState(csDestroying))) return;
  RebuildBandList();
}

void TQuickRep::RebuildBandList() {
  const std::vector<TQRCustomBand*> previous = bandList_;
  const std::unordered_set<const TQRCustomBand*> listed(previous.begin(), previous.end());
  // The child bands of each listed band, in list order. A child band whose parent band is listed
  // is placed only through its parent.
  std::unordered_map<const TQRCustomBand*, std::vector<TQRCustomBand*>> children;
  std::unordered_set<const TQRCustomBand*> followers;
  for (TQRCustomBand* band : previous) {
    const auto* child = dynamic_cast<const TQRChildBand*>(band);
    if (child != nullptr && listed.contains(child->ParentBand())) {
      children[child->ParentBand()].push_back(band);
      followers.insert(band);
    }
  }

  std::vector<TQRCustomBand*> result;
  result.reserve(previous.size());
  std::unordered_set<const TQRCustomBand*> placed;
  // Places `band` and then its children, each followed by its own children (depth first).
  const auto place = [&](TQRCustomBand* band) {
    std::vector<TQRCustomBand*> pending{band};
    while (!pending.empty()) {
      TQRCustomBand* next = pending.back();
      pending.pop_back();
      if (!placed.insert(next).second) continue;
      result.push_back(next);
      const auto it = children.find(next);
      if (it != children.end())
        pending.insert(pending.end(), it->second.rbegin(), it->second.rend());
    }
  };
  for (const TQRBandType type : {rbPageHeader, rbTitle, rbColumnHeader, rbPageFooter}) {
    for (TQRCustomBand* band : previous) {
      if (band->BandType() == type && !followers.contains(band)) place(band);
    }
  }
  for (TQRCustomBand* band : previous) {
    if (!followers.contains(band)) place(band);
  }
  bandList_ = std::move(result);
}

// TQRCustomBand

TQRCustomBand::TQRCustomBand(TComponent* owner) : TQRBasePanel(owner) { SetHeight(40); }

TQRCustomBand::~TQRCustomBand() {
  IncludeState(csDestroying);
  SetParent(nullptr);
}

const TClassInfo& TQRCustomBand::StaticClassInfo() {
  using T = TQRCustomBand;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRBasePanel>("TQRCustomBand")
          .Method("AfterPrint", &T::afterPrint_, &T::afterPrint_)
          .Boolean("AlignToBottom", &T::AlignToBottom, &T::SetAlignToBottom, NoDefault)
          .Method("BeforePrint", &T::beforePrint_, &T::beforePrint_)
          .Integer("Color", &T::Color, &T::SetColor, clBtnFace, ColorType())
          .Boolean("Enabled", &T::Enabled, &T::SetEnabled, true)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf(&T::IsFontStored)
          .Boolean("ForceNewColumn", &T::ForceNewColumn, &T::SetForceNewColumn, NoDefault)
          .Boolean("ForceNewPage", &T::ForceNewPage, &T::SetForceNewPage, NoDefault)
          .Boolean("HasChild", &T::HasChild, nullptr, NoDefault)
          .Stored(false)
          .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont, true)
          .Object<TQRBandSize>("Size", &T::Size, nullptr);
  return info;
}

TQuickRep* TQRCustomBand::Report() const { return dynamic_cast<TQuickRep*>(Parent()); }

void TQRCustomBand::SetBandType(TQRBandType type) {
  if (type == bandType_) return;
  bandType_ = type;
  Changed();
}

void TQRCustomBand::Changed() const {
  if (TQuickRep* report = Report()) report->BandChanged();
}

bool TQRCustomBand::HasChild() const {
  if (Owner() == nullptr) return false;
  for (int i = 0; i < Owner()->ComponentCount(); ++i) {
    const auto* child = dynamic_cast<const TQRChildBand*>(Owner()->Components(i));
    if (child != nullptr && child->ParentBand() == this) return true;
  }
  return false;
}

void TQRCustomBand::DefineProperties(TFiler& filer) {
  TQRBasePanel::DefineProperties(filer);
  DropIdent(filer, "Align");
  DropIdent(filer, "Ruler");
  DropIdent(filer, "LinkBand");
  DefineLaterProperties(filer, kBandLater);
}

// TQRBand

const TClassInfo& TQRBand::StaticClassInfo() {
  using T = TQRBand;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRCustomBand>("TQRBand")
          .Enum("BandType", QRBandTypeInfo(), &T::BandType, &T::SetBandType, NoDefault)
          .Creatable();
  return info;
}

// TQRChildBand

TQRChildBand::TQRChildBand(TComponent* owner) : TQRCustomBand(owner) { SetBandType(rbChild); }

const TClassInfo& TQRChildBand::StaticClassInfo() {
  using T = TQRChildBand;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRCustomBand>("TQRChildBand")
          .Object<TQRCustomBand>("ParentBand", &T::ParentBand, &T::SetParentBand)
          .Creatable();
  return info;
}

void TQRChildBand::SetParentBand(TQRCustomBand* band) {
  // Walking up from `band` through the child bands must not meet this band. The existing
  // chains have no cycle, so the walk ends.
  for (const TQRCustomBand* ancestor = band; ancestor != nullptr;) {
    if (ancestor == this) return;
    const auto* child = dynamic_cast<const TQRChildBand*>(ancestor);
    ancestor = child != nullptr ? child->ParentBand() : nullptr;
  }
  if (Retarget(*this, parentBand_, band)) Changed();
}

void TQRChildBand::DefineProperties(TFiler& filer) {
  TQRCustomBand::DefineProperties(filer);
  DefineLaterProperties(filer, kChildBandLater);
}

void TQRChildBand::Notification(TComponent* component, TOperation operation) {
  TQRCustomBand::Notification(component, operation);
  if (operation == TOperation::opRemove && Forget(parentBand_, component)) Changed();
}

// TQRGroup

TQRGroup::TQRGroup(TComponent* owner) : TQRCustomBand(owner) { SetBandType(rbGroupHeader); }

const TClassInfo& TQRGroup::StaticClassInfo() {
  using T = TQRGroup;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRCustomBand>("TQRGroup")
          .String("Expression", &T::Expression, &T::SetExpression)
          .Object<TQRBand>("FooterBand", &T::FooterBand, &T::SetFooterBand)
          .Object<TComponent>("Master", &T::Master, &T::SetMaster)
          .Creatable();
  return info;
}

void TQRGroup::SetFooterBand(TQRBand* band) {
  const bool changed = Retarget(*this, footerBand_, band);
  if (band != nullptr) band->SetBandType(rbGroupFooter);
  if (changed) Changed();
}

void TQRGroup::SetMaster(TComponent* master) {
  if (Retarget(*this, master_, master)) Changed();
}

void TQRGroup::DefineProperties(TFiler& filer) {
  TQRCustomBand::DefineProperties(filer);
  DefineLaterProperties(filer, kGroupLater);
  filer.DefineProperty(
      "Level", [](TValueReader& reader) { reader.ReadInteger(); }, nullptr, false);
  DropIdent(filer, "DataSource");
  DropIdent(filer, "HeaderBand");
  DropIdent(filer, "OnNeedData");
  filer.DefineProperty(
      "DataField", [this](TValueReader& reader) { SetExpression(reader.ReadString()); }, nullptr,
      false);
}

void TQRGroup::Notification(TComponent* component, TOperation operation) {
  TQRCustomBand::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  const bool footerGone = Forget(footerBand_, component);
  if (Forget(master_, component) || footerGone) Changed();
}

// TQRControllerBand

const TClassInfo& TQRControllerBand::StaticClassInfo() {
  using T = TQRControllerBand;
  static const TClassInfo info = TClassInfo::Derive<T, TQRCustomBand>("TQRControllerBand")
                                     .Object<TComponent>("Master", &T::Master, &T::SetMaster);
  return info;
}

void TQRControllerBand::SetMaster(TComponent* master) { Retarget(*this, master_, master); }

void TQRControllerBand::Notification(TComponent* component, TOperation operation) {
  TQRCustomBand::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(master_, component);
}

// TQRSubDetailGroupBands

const TClassInfo& TQRSubDetailGroupBands::StaticClassInfo() {
  using T = TQRSubDetailGroupBands;
  static const TClassInfo info = TClassInfo::Derive<T, TPersistent>("TQRSubDetailGroupBands")
                                     .Boolean("HasFooter", &T::HasFooter, nullptr, NoDefault)
                                     .Stored(false)
                                     .Boolean("HasHeader", &T::HasHeader, nullptr, NoDefault)
                                     .Stored(false);
  return info;
}

bool TQRSubDetailGroupBands::HasFooter() const { return subDetail_.FooterBand() != nullptr; }

bool TQRSubDetailGroupBands::HasHeader() const { return subDetail_.HeaderBand() != nullptr; }

// TQRSubDetail

TQRSubDetail::TQRSubDetail(TComponent* owner) : TQRControllerBand(owner) {
  SetBandType(rbSubDetail);
}

const TClassInfo& TQRSubDetail::StaticClassInfo() {
  using T = TQRSubDetail;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRControllerBand>("TQRSubDetail")
          .Object<TQRSubDetailGroupBands>("Bands", &T::Bands, nullptr)
          .Object<TDataSet>("DataSet", &T::DataSet, &T::SetDataSet)
          .Object<TQRCustomBand>("FooterBand", &T::FooterBand, &T::SetFooterBand)
          .Object<TQRCustomBand>("HeaderBand", &T::HeaderBand, &T::SetHeaderBand)
          .Method("OnNeedData", &T::onNeedData_, &T::onNeedData_)
          .Boolean("PrintBefore", &T::PrintBefore, &T::SetPrintBefore, NoDefault)
          .Boolean("PrintIfEmpty", &T::PrintIfEmpty, &T::SetPrintIfEmpty, NoDefault)
          .Creatable();
  return info;
}

void TQRSubDetail::SetDataSet(TDataSet* dataSet) { Retarget(*this, dataSet_, dataSet); }

void TQRSubDetail::SetFooterBand(TQRCustomBand* band) {
  const bool changed = Retarget(*this, footerBand_, band);
  if (band != nullptr) band->SetBandType(rbGroupFooter);
  if (changed) Changed();
}

void TQRSubDetail::SetHeaderBand(TQRCustomBand* band) {
  const bool changed = Retarget(*this, headerBand_, band);
  if (band != nullptr) band->SetBandType(rbGroupHeader);
  if (changed) Changed();
}

void TQRSubDetail::SetPrintBefore(bool value) {
  if (value == printBefore_) return;
  printBefore_ = value;
  Changed();
}

void TQRSubDetail::Notification(TComponent* component, TOperation operation) {
  TQRControllerBand::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  Forget(dataSet_, component);
  const bool footerGone = Forget(footerBand_, component);
  if (Forget(headerBand_, component) || footerGone) Changed();
}

}  // namespace qr2vor
