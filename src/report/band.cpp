#include "report/band.h"

#include <algorithm>
#include <exception>

#include "platform/data/dataset.h"
#include "report/language.h"
#include "report/report.h"
#include "rtl/exceptions.h"

namespace qr2vor {

const TEnumInfo& BandTypeInfo() {
  static const TEnumInfo info(
      "TBandType",
      {"btNone", "btReportTitle", "btPageHeader", "btColumnHeader", "btGroupHeader", "btDetail",
       "btGroupFooter", "btColumnFooter", "btPageFooter", "btReportSummary", "btSubDetail"});
  return info;
}

int BandOrderKey(TBandType type) {
  static constexpr int kKeys[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 6};
  return kKeys[type];
}

TVoRBand::TVoRBand(TComponent* owner) : TVoRControl(owner) {
  report_ = dynamic_cast<TVoReport*>(owner);
  SetHeight(100);
}

TVoRBand::~TVoRBand() { ClearControls(); }

const TClassInfo& TVoRBand::StaticClassInfo() {
  using T = TVoRBand;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRControl>("TVoRBand")
          .Object<TDataSet>("Dataset", &T::Dataset, &T::SetDataset)
          .StoredIf(&T::IsDatasetStored)
          .Boolean("IsGroup", &T::IsGroup, nullptr, NoDefault)
          .Integer("LinkedBand", &T::LinkedBand, &T::SetLinkedBand, NoDefault)
          .Enum("BandType", BandTypeInfo(), &T::BandType, &T::SetBandType, btNone)
          .Boolean("Stretch", &T::Stretch, &T::SetStretch, false)
          .Boolean("NewPage", &T::NewPage, &T::SetNewPage, false)
          .Boolean("ReprintHeader", &T::ReprintHeader, &T::SetReprintHeader, false)
          .Float("LessThan", &T::LessThan, &T::SetLessThan)
          .Boolean("NewPageIfNotFit", &T::NewPageIfNotFit, &T::SetNewPageIfNotFit, false)
          .String("Expression", &T::Expression, &T::SetExpression)
          .Integer("LineNo", &T::LineNo, nullptr, NoDefault)
          .Integer("Height", &T::Height, &T::SetHeight, 100)
          .Creatable();
  return info;
}

TDataSet* TVoRBand::Dataset() const {
  if (ownDataset_ != nullptr || report_ == nullptr) return ownDataset_;
  return report_->DataSet();
}

void TVoRBand::SetDataset(TDataSet* dataset) {
  ownDataset_ = report_ != nullptr && dataset == report_->DataSet() ? nullptr : dataset;
  if (ownDataset_ != nullptr) FreeNotification(ownDataset_);
}

void TVoRBand::SetBandType(TBandType value) {
  if (value == bandType_) return;
  bandType_ = value;
  if (HasState(csLoading)) return;
  const std::string name = LanguageText(text::kBand) + LanguageText(text::kBandTypeNames + value);
  SetDisplayName(report_ != nullptr ? report_->UniqueName(name) : name);
}

TVoRControl* TVoRBand::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) return nullptr;
  return controls_[static_cast<size_t>(index)];
}

int TVoRBand::AddControl(const TClassInfo& controlClass) {
  if (!controlClass.InheritsFrom(TVoRControl::StaticClassInfo()) || !controlClass.Factory()) {
    throw EClassNotFound(fmt::runtime(msg::kClassNotFound), controlClass.Name());
  }
  auto* control = static_cast<TVoRControl*>(controlClass.Factory()(this));
  try {
    if (report_ != nullptr) control->SetDisplayName(report_->UniqueName(control->DisplayName()));
    controls_.push_back(control);
    if (report_ != nullptr && report_->OnHostMessage) report_->OnHostMessage(kMsgControlAdded, 0);
    return ControlCount() - 1;
  } catch (const std::exception&) {
    return -1;
  }
}

void TVoRBand::ClearControls() {
  while (!controls_.empty()) {
    TVoRControl* control = controls_.back();
    controls_.pop_back();
    delete control;
  }
}

int TVoRBand::IndexInReport() const {
  if (report_ == nullptr) return -1;
  const auto& bands = report_->bands_;
  const auto it = std::find(bands.begin(), bands.end(), this);
  return it == bands.end() ? -1 : static_cast<int>(it - bands.begin());
}

int TVoRBand::FindPairedBand() const {
  const int index = IndexInReport();
  if (index < 0) return -1;
  if (bandType_ == btGroupHeader) {
    for (int i = index + 1; i < report_->BandCount(); ++i) {
      const TVoRBand* band = report_->Bands(i);
      if (band->bandType_ == btGroupFooter && band->expression_ == expression_) return i;
    }
  } else if (bandType_ == btGroupFooter) {
    for (int i = index - 1; i >= 0; --i) {
      const TVoRBand* band = report_->Bands(i);
      if (band->bandType_ == btGroupHeader && band->expression_ == expression_) return i;
    }
  }
  return -1;
}

bool TVoRBand::ValueChanged() const {
  if (TVoRControl::ValueChanged()) return true;
  const int index = IndexInReport();
  if (bandType_ != btGroupFooter || index < 0) return false;
  const TVoRBand* next = report_->Bands(index + 1);
  return next != nullptr && next->IsGroup() && next->ValueChanged();
}

TComponent* TVoRBand::GetParentComponent() const { return report_; }

void TVoRBand::SetParentComponent(TComponent* parent) {
  auto* report = dynamic_cast<TVoReport*>(parent);
  if (report == nullptr) return;
  report_ = report;
  auto& bands = report->bands_;
  if (std::find(bands.begin(), bands.end(), this) == bands.end()) bands.push_back(this);
  if (report->HasState(csReading)) report->readBands_.push_back(this);
}

void TVoRBand::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const {
  // A copy: writing a child must not disturb the walk.
  const std::vector<TVoRControl*> controls = controls_;
  for (TVoRControl* control : controls) proc(control);
}

void TVoRBand::Notification(TComponent* component, TOperation operation) {
  TVoRControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  std::erase(controls_, component);
  if (component == ownDataset_) ownDataset_ = nullptr;
}

}  // namespace qr2vor
