#pragma once

// Report bands: horizontal strips of the page that own printable controls and have a type that
// decides when the engine prints them.

#include <cstdint>
#include <string>
#include <vector>

#include "report/controls.h"
#include "rtl/typinfo.h"

namespace qr2vor {

class TDataSet;

enum TBandType : uint8_t {
  btNone,
  btReportTitle,
  btPageHeader,
  btColumnHeader,
  btGroupHeader,
  btDetail,
  btGroupFooter,
  btColumnFooter,
  btPageFooter,
  btReportSummary,
  btSubDetail
};
const TEnumInfo& BandTypeInfo();
// The key that keeps a report's band list sorted: a sub-detail band follows the detail band and
// precedes the group footers.
int BandOrderKey(TBandType type);

// Message a band sends the window hosting its report when a control was added.
inline constexpr int32_t kMsgControlAdded = 11025;

class TVoRBand : public TVoRControl {
 public:
  // A band belongs to the report that owns it.
  explicit TVoRBand(TComponent* owner);
  ~TVoRBand() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The band's own data set, or the report's when it has none.
  TDataSet* Dataset() const;
  // The report's own data set is stored as none, so the band follows the report's.
  void SetDataset(TDataSet* dataset);
  bool IsGroup() const { return bandType_ == btGroupHeader || bandType_ == btGroupFooter; }
  // For a group header: the index of its paired footer, written by the engine.
  int32_t LinkedBand() const { return linkedBand_; }
  void SetLinkedBand(int32_t value) { linkedBand_ = value; }
  TBandType BandType() const { return bandType_; }
  // A new type renames the band "Band" + the type's name, made unique in its report (not while
  // the band is being read, when the stored name stands).
  void SetBandType(TBandType value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }
  bool NewPage() const { return newPage_; }
  void SetNewPage(bool value) { newPage_ = value; }
  bool ReprintHeader() const { return reprintHeader_; }
  void SetReprintHeader(bool value) { reprintHeader_ = value; }
  double LessThan() const { return lessThan_; }
  void SetLessThan(double value) { lessThan_ = value; }
  bool NewPageIfNotFit() const { return newPageIfNotFit_; }
  void SetNewPageIfNotFit(bool value) { newPageIfNotFit_ = value; }
  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& value) { expression_ = value; }
  // How often the band was measured for printing since the run began; kept by the engine.
  int32_t LineNo() const { return lineNo_; }
  void SetLineNo(int32_t value) { lineNo_ = value; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // The control at `index`, nullptr outside the list.
  TVoRControl* Controls(int index) const;
  // Creates a control of a report-control class owned by the band, names it uniquely in the
  // report, appends it and tells the hosting window. Answers its index, or -1 when naming,
  // appending or telling failed (the control then stays owned by the band). A failure of the
  // control's constructor passes to the caller; a class that is not a creatable report control
  // raises EClassNotFound.
  int AddControl(const TClassInfo& controlClass);
  // Frees every control, last first.
  void ClearControls();

  // The band's index in its report's band list, -1 when it is not there.
  int IndexInReport() const;
  // For a group header the first later group footer with the same Expression, for a group
  // footer the nearest earlier group header with it; -1 otherwise.
  int FindPairedBand() const;

  // A group footer whose own values are unchanged ends with the group band that follows it.
  bool ValueChanged() const override;

  // Reading: a band read inside a report joins that report's band list.
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
  TComponent* GetChildOwner() override { return this; }
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TVoRControl;
  bool IsDatasetStored() const { return ownDataset_ != nullptr; }

  std::vector<TVoRControl*> controls_;
  TDataSet* ownDataset_ = nullptr;
  int32_t linkedBand_ = 0;
  TBandType bandType_ = btNone;
  bool stretch_ = false;
  bool newPage_ = false;
  bool reprintHeader_ = false;
  double lessThan_ = 0.0;
  bool newPageIfNotFit_ = false;
  std::string expression_;
  int32_t lineNo_ = 0;
};

}  // namespace qr2vor
