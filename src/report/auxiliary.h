#pragma once

// The small persistent objects that hang off reports and controls: running calculations,
// highlight rules, variables, parameters, print conditions and the list of data sets a report
// may use. They hold values; the report engine and the expression evaluator interpret them.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "expr/calc_type.h"
#include "rtl/collection.h"
#include "rtl/component.h"
#include "rtl/constants.h"
#include "rtl/graphics.h"
#include "rtl/strings.h"
#include "rtl/variant.h"

namespace qr2vor {

class TDataSet;

enum TResetType : uint8_t { rtEndReport, rtEndPage, rtEndGroup };
enum TVoRCalculate : uint8_t { rcOnEveryRow, rcGroupChange, rcVariableChange };
enum TVoRParameterEditor : uint8_t { peEdit, peMemo, peCheckBox, peCombobox, peListBox };
enum TVoRParameterMode : uint8_t { pmAskAlways, pmAskUndefined };

const TEnumInfo& ResetTypeInfo();
const TEnumInfo& CalcTypeInfo();
const TEnumInfo& CalculateInfo();
const TEnumInfo& ParameterEditorInfo();
const TEnumInfo& ParameterModeInfo();

// True when a value counts as missing: Empty or Null.
bool IsMissing(const Variant& value);

// A running calculation: how successive values combine, when it restarts and what triggers it.
class TVoRCalculation : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& ResetGroup() const { return resetGroup_; }
  void SetResetGroup(const std::string& value) { resetGroup_ = value; }
  TResetType ResetType() const { return resetType_; }
  void SetResetType(TResetType value) { resetType_ = value; }
  TCalcType CalcType() const { return calcType_; }
  void SetCalcType(TCalcType value) { calcType_ = value; }
  TVoRCalculate Calculate() const { return calculate_; }
  void SetCalculate(TVoRCalculate value) { calculate_ = value; }
  const std::string& GroupChange() const { return groupChange_; }
  void SetGroupChange(const std::string& value) { groupChange_ = value; }
  const std::string& VariableChange() const { return variableChange_; }
  void SetVariableChange(const std::string& value) { variableChange_ = value; }

  // Whether an event fires this calculation: the per-row event (both names empty) for
  // rcOnEveryRow, a group change of GroupChange or a change of the variable VariableChange
  // (names compared without regard to case).
  bool IsTriggered(std::string_view groupName, std::string_view variableName) const;

  void Assign(const TPersistent& source) override;

 private:
  std::string resetGroup_;
  TResetType resetType_ = rtEndReport;
  TCalcType calcType_ = ctNothing;
  TVoRCalculate calculate_ = rcOnEveryRow;
  std::string groupChange_;
  std::string variableChange_;
};

// Copies a collection item under its collection's update bracket, so that one change
// notification follows.
template <class F>
void AssignInUpdate(TCollectionItem& item, F&& copy) {
  TCollection* collection = item.Collection();
  if (collection != nullptr) collection->BeginUpdate();
  try {
    copy();
  } catch (...) {
    if (collection != nullptr) collection->EndUpdate();
    throw;
  }
  if (collection != nullptr) collection->EndUpdate();
}

// A highlight rule: while Expression holds, the control prints with this font and colour.
class TVoRHighLight : public TCollectionItem {
 public:
  explicit TVoRHighLight(TCollection* collection);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& value) { expression_ = value; }
  TFont* Font() const { return font_.get(); }
  // Copies the font.
  void SetFont(TFont* font);
  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }

  void Assign(const TPersistent& source) override;

 private:
  std::string expression_;
  std::unique_ptr<TFont> font_;
  TColor color_ = clWhite;
};

class TVoRHighLights : public TOwnedCollection<TVoRHighLight> {
 public:
  using TOwnedCollection::TOwnedCollection;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// A report variable: an expression recalculated on its triggers. Its values are run-time state
// and never reach a stream.
class TVoRVariable : public TCollectionItem {
 public:
  explicit TVoRVariable(TCollection* collection);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& value) { expression_ = value; }
  TVoRCalculation* Calculation() const { return calculation_.get(); }
  // Copies the calculation.
  void SetCalculation(TVoRCalculation* calculation);
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  const Variant& PrevValue() const { return prevValue_; }
  void SetPrevValue(const Variant& value) { prevValue_ = value; }
  const Variant& CurValue() const { return curValue_; }
  void SetCurValue(const Variant& value) { curValue_ = value; }

  // False only when both values are present and compare equal.
  bool ValueChanged() const;

  // Copies Expression, the calculation and Name, not the values.
  void Assign(const TPersistent& source) override;

 private:
  std::string expression_;
  std::unique_ptr<TVoRCalculation> calculation_;
  std::string name_;
  Variant prevValue_ = Variant::Null();
  Variant curValue_ = Variant::Null();
};

class TVoRVariables : public TOwnedCollection<TVoRVariable> {
 public:
  using TOwnedCollection::TOwnedCollection;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// A report parameter asked of the user before a run. Its value never reaches a stream.
class TVoRParameter : public TCollectionItem {
 public:
  explicit TVoRParameter(TCollection* collection);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& DisplayLabel() const { return displayLabel_; }
  void SetDisplayLabel(const std::string& value) { displayLabel_ = value; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& value) { value_ = value; }
  TStrings* ParamPromptValues() const { return promptValues_.get(); }
  // Copies the list.
  void SetParamPromptValues(TStrings* values);
  TVoRParameterEditor ParameterEditor() const { return editor_; }
  void SetParameterEditor(TVoRParameterEditor value) { editor_ = value; }
  TVoRParameterMode ParameterMode() const { return mode_; }
  void SetParameterMode(TVoRParameterMode value) { mode_ = value; }

  void Assign(const TPersistent& source) override;

 private:
  std::string displayLabel_;
  std::string name_;
  Variant value_ = Variant::Null();
  std::unique_ptr<TStringList> promptValues_;
  TVoRParameterEditor editor_ = peEdit;
  TVoRParameterMode mode_ = pmAskAlways;
};

class TVoRParameters : public TOwnedCollection<TVoRParameter> {
 public:
  using TOwnedCollection::TOwnedCollection;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// When a control prints: repeated values, reprinting, and the ShowIf/HideWhen expressions.
class TVoPrintWhen : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool RepeatedValues() const { return repeatedValues_; }
  void SetRepeatedValues(bool value) { repeatedValues_ = value; }
  bool RePrintOnNewPage() const { return rePrintOnNewPage_; }
  void SetRePrintOnNewPage(bool value) { rePrintOnNewPage_ = value; }
  bool OnGroupChange() const { return onGroupChange_; }
  void SetOnGroupChange(bool value) { onGroupChange_ = value; }
  const std::string& GroupName() const { return groupName_; }
  void SetGroupName(const std::string& value) { groupName_ = value; }
  bool OnOverflow() const { return onOverflow_; }
  void SetOnOverflow(bool value) { onOverflow_ = value; }
  bool RemoveBlankLine() const { return removeBlankLine_; }
  void SetRemoveBlankLine(bool value) { removeBlankLine_ = value; }
  const std::string& ShowIf() const { return showIf_; }
  void SetShowIf(const std::string& value) { showIf_ = value; }
  const std::string& HideWhen() const { return hideWhen_; }
  void SetHideWhen(const std::string& value) { hideWhen_ = value; }

  void Assign(const TPersistent& source) override;

 private:
  bool repeatedValues_ = true;
  bool rePrintOnNewPage_ = false;
  bool onGroupChange_ = false;
  std::string groupName_;
  bool onOverflow_ = false;
  bool removeBlankLine_ = false;
  std::string showIf_;
  std::string hideWhen_;
};

// One data set a report may use, with the name shown for it. The data set is not owned; the
// data manager that holds the item forgets it when it is destroyed.
class TVoRDataset : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TDataSet* Dataset() const { return dataset_; }
  // Clearing the data set empties Caption; setting one names an empty Caption after it.
  void SetDataset(TDataSet* dataset);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value) { caption_ = value; }

  void Assign(const TPersistent& source) override;

 private:
  friend class TVoRDataManager;
  TDataSet* dataset_ = nullptr;
  std::string caption_;
};

class TVoRDatasets : public TOwnedCollection<TVoRDataset> {
 public:
  using TOwnedCollection::TOwnedCollection;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

// The list of data sets a report may use.
class TVoRDataManager : public TComponent {
 public:
  explicit TVoRDataManager(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TVoRDatasets* Datasets() const { return datasets_.get(); }
  // Copies the collection.
  void SetDatasets(TVoRDatasets* datasets);

  // Lists `primary` (when given) first, then every data set owned by `root` in index order;
  // where the walk meets `primary` it walks the data sets `primary` owns instead.
  void Fill(const TComponent& root, TDataSet* primary = nullptr);

  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::unique_ptr<TVoRDatasets> datasets_;
};

}  // namespace qr2vor
