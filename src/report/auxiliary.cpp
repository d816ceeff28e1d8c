#include "report/auxiliary.h"

#include "platform/data/dataset.h"

namespace qr2vor {

const TEnumInfo& ResetTypeInfo() {
  static const TEnumInfo info("TResetType", {"rtEndReport", "rtEndPage", "rtEndGroup"});
  return info;
}

const TEnumInfo& CalcTypeInfo() {
  static const TEnumInfo info(
      "TCalcType", {"ctNothing", "ctCount", "ctSum", "ctAverage", "ctLowest", "ctHighest"});
  return info;
}

const TEnumInfo& CalculateInfo() {
  static const TEnumInfo info("TVoRCalculate",
                              {"rcOnEveryRow", "rcGroupChange", "rcVariableChange"});
  return info;
}

const TEnumInfo& ParameterEditorInfo() {
  static const TEnumInfo info("TVoRParameterEditor",
                              {"peEdit", "peMemo", "peCheckBox", "peCombobox", "peListBox"});
  return info;
}

const TEnumInfo& ParameterModeInfo() {
  static const TEnumInfo info("TVoRParameterMode", {"pmAskAlways", "pmAskUndefined"});
  return info;
}

bool IsMissing(const Variant& value) { return value.IsEmpty() || value.IsNull(); }

// TVoRCalculation

const TClassInfo& TVoRCalculation::StaticClassInfo() {
  using T = TVoRCalculation;
  static const TClassInfo info =
      TClassInfo::Derive<T, TPersistent>("TVoRCalculation")
          .String("ResetGroup", &T::ResetGroup, &T::SetResetGroup)
          .Enum("ResetType", ResetTypeInfo(), &T::ResetType, &T::SetResetType, NoDefault)
          .Enum("CalcType", CalcTypeInfo(), &T::CalcType, &T::SetCalcType, NoDefault)
          .Enum("Calculate", CalculateInfo(), &T::Calculate, &T::SetCalculate, rcOnEveryRow)
          .String("GroupChange", &T::GroupChange, &T::SetGroupChange)
          .String("VariableChange", &T::VariableChange, &T::SetVariableChange);
  return info;
}

bool TVoRCalculation::IsTriggered(std::string_view groupName, std::string_view variableName) const {
  switch (calculate_) {
    case rcOnEveryRow:
      return groupName.empty() && variableName.empty();
    case rcGroupChange:
      return !groupName.empty() && SameText(groupChange_, groupName);
    case rcVariableChange:
      return !variableName.empty() && SameText(variableChange_, variableName);
  }
  return false;
}

void TVoRCalculation::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRCalculation*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  resetGroup_ = other->resetGroup_;
  calcType_ = other->calcType_;
  resetType_ = other->resetType_;
  calculate_ = other->calculate_;
  groupChange_ = other->groupChange_;
  variableChange_ = other->variableChange_;
}

// TVoRHighLight

TVoRHighLight::TVoRHighLight(TCollection* collection)
    : TCollectionItem(collection), font_(std::make_unique<TFont>()) {
  font_->SetName("Arial");
}

const TClassInfo& TVoRHighLight::StaticClassInfo() {
  using T = TVoRHighLight;
  static const TClassInfo info =
      TClassInfo::Derive<T, TCollectionItem>("TVoRHighLight")
          .String("Expression", &T::Expression, &T::SetExpression)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .Integer("Color", &T::Color, &T::SetColor, NoDefault, ColorType());
  return info;
}

void TVoRHighLight::SetFont(TFont* font) {
  if (font != nullptr) font_->Assign(*font);
}

void TVoRHighLight::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRHighLight*>(&source);
  if (other == nullptr) return TCollectionItem::Assign(source);
  AssignInUpdate(*this, [&] {
    expression_ = other->expression_;
    font_->Assign(*other->font_);
    color_ = other->color_;
  });
}

const TClassInfo& TVoRHighLights::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TVoRHighLights, TCollection>("TVoRHighLights");
  return info;
}

// TVoRVariable

TVoRVariable::TVoRVariable(TCollection* collection)
    : TCollectionItem(collection), calculation_(std::make_unique<TVoRCalculation>()) {}

// PrevValue and CurValue are variants, which never reach a stream; they are not described.
const TClassInfo& TVoRVariable::StaticClassInfo() {
  using T = TVoRVariable;
  static const TClassInfo info =
      TClassInfo::Derive<T, TCollectionItem>("TVoRVariable")
          .String("Expression", &T::Expression, &T::SetExpression)
          .Object<TVoRCalculation>("Calculation", &T::Calculation, &T::SetCalculation)
          .String("Name", &T::Name, &T::SetName);
  return info;
}

void TVoRVariable::SetCalculation(TVoRCalculation* calculation) {
  if (calculation != nullptr) calculation_->Assign(*calculation);
}

bool TVoRVariable::ValueChanged() const {
  return IsMissing(curValue_) || IsMissing(prevValue_) || Compare(curValue_, prevValue_) != vcEqual;
}

void TVoRVariable::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRVariable*>(&source);
  if (other == nullptr) return TCollectionItem::Assign(source);
  AssignInUpdate(*this, [&] {
    expression_ = other->expression_;
    calculation_->Assign(*other->calculation_);
    name_ = other->name_;
  });
}

const TClassInfo& TVoRVariables::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TVoRVariables, TCollection>("TVoRVariables");
  return info;
}

// TVoRParameter

TVoRParameter::TVoRParameter(TCollection* collection)
    : TCollectionItem(collection), promptValues_(std::make_unique<TStringList>()) {}

// Value is a variant, which never reaches a stream; it is not described.
const TClassInfo& TVoRParameter::StaticClassInfo() {
  using T = TVoRParameter;
  static const TClassInfo info =
      TClassInfo::Derive<T, TCollectionItem>("TVoRParameter")
          .String("DisplayLabel", &T::DisplayLabel, &T::SetDisplayLabel)
          .String("Name", &T::Name, &T::SetName)
          .Object<TStrings>("ParamPromptValues", &T::ParamPromptValues, &T::SetParamPromptValues)
          .Enum("ParameterEditor", ParameterEditorInfo(), &T::ParameterEditor,
                &T::SetParameterEditor, peEdit)
          .Enum("ParameterMode", ParameterModeInfo(), &T::ParameterMode, &T::SetParameterMode,
                pmAskAlways);
  return info;
}

void TVoRParameter::SetParamPromptValues(TStrings* values) {
  if (values != nullptr) promptValues_->Assign(*values);
}

void TVoRParameter::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRParameter*>(&source);
  if (other == nullptr) return TCollectionItem::Assign(source);
  AssignInUpdate(*this, [&] {
    name_ = other->name_;
    displayLabel_ = other->displayLabel_;
    value_ = other->value_;
    promptValues_->Assign(*other->promptValues_);
    editor_ = other->editor_;
    mode_ = other->mode_;
  });
}

const TClassInfo& TVoRParameters::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TVoRParameters, TCollection>("TVoRParameters");
  return info;
}

// TVoPrintWhen

const TClassInfo& TVoPrintWhen::StaticClassInfo() {
  using T = TVoPrintWhen;
  static const TClassInfo info =
      TClassInfo::Derive<T, TPersistent>("TVoPrintWhen")
          .Boolean("RepeatedValues", &T::RepeatedValues, &T::SetRepeatedValues, true)
          .Boolean("RePrintOnNewPage", &T::RePrintOnNewPage, &T::SetRePrintOnNewPage, false)
          .Boolean("OnGroupChange", &T::OnGroupChange, &T::SetOnGroupChange, false)
          .String("GroupName", &T::GroupName, &T::SetGroupName)
          .Boolean("OnOverflow", &T::OnOverflow, &T::SetOnOverflow, false)
          .Boolean("RemoveBlankLine", &T::RemoveBlankLine, &T::SetRemoveBlankLine, false)
          .String("ShowIf", &T::ShowIf, &T::SetShowIf)
          .String("HideWhen", &T::HideWhen, &T::SetHideWhen);
  return info;
}

void TVoPrintWhen::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoPrintWhen*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  repeatedValues_ = other->repeatedValues_;
  rePrintOnNewPage_ = other->rePrintOnNewPage_;
  onGroupChange_ = other->onGroupChange_;
  groupName_ = other->groupName_;
  onOverflow_ = other->onOverflow_;
  removeBlankLine_ = other->removeBlankLine_;
  showIf_ = other->showIf_;
  hideWhen_ = other->hideWhen_;
}

// TVoRDataset

const TClassInfo& TVoRDataset::StaticClassInfo() {
  using T = TVoRDataset;
  static const TClassInfo info = TClassInfo::Derive<T, TCollectionItem>("TVoRDataset")
                                     .Object<TDataSet>("Dataset", &T::Dataset, &T::SetDataset)
                                     .String("Caption", &T::Caption, &T::SetCaption);
  return info;
}

void TVoRDataset::SetDataset(TDataSet* dataset) {
  dataset_ = dataset;
  if (dataset == nullptr) {
    caption_.clear();
    return;
  }
  if (caption_.empty()) caption_ = dataset->Name();
  // The manager that holds the item hears of the data set's end and clears the reference.
  if (Collection() != nullptr) {
    if (auto* manager = dynamic_cast<TVoRDataManager*>(Collection()->Owner())) {
      manager->FreeNotification(dataset);
    }
  }
}

void TVoRDataset::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRDataset*>(&source);
  if (other == nullptr) return TCollectionItem::Assign(source);
  AssignInUpdate(*this, [&] {
    caption_ = other->caption_;
    SetDataset(other->dataset_);
  });
}

const TClassInfo& TVoRDatasets::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TVoRDatasets, TCollection>("TVoRDatasets");
  return info;
}

// TVoRDataManager

TVoRDataManager::TVoRDataManager(TComponent* owner)
    : TComponent(owner), datasets_(std::make_unique<TVoRDatasets>(this)) {
  datasets_->SetPropName("Datasets");
}

const TClassInfo& TVoRDataManager::StaticClassInfo() {
  using T = TVoRDataManager;
  static const TClassInfo info =
      TClassInfo::Derive<T, TComponent>("TVoRDataManager")
          .Object<TVoRDatasets>("Datasets", &T::Datasets, &T::SetDatasets)
          .Creatable();
  return info;
}

void TVoRDataManager::SetDatasets(TVoRDatasets* datasets) {
  if (datasets != nullptr) datasets_->Assign(*datasets);
}

void TVoRDataManager::Fill(const TComponent& root, TDataSet* primary) {
  datasets_->BeginUpdate();
  try {
    datasets_->Clear();
    if (primary != nullptr) datasets_->Add()->SetDataset(primary);
    const auto walk = [&](const TComponent& parent, const auto& self) -> void {
      for (int i = 0; i < parent.ComponentCount(); ++i) {
        auto* dataset = dynamic_cast<TDataSet*>(parent.Components(i));
        if (dataset == nullptr) continue;
        if (dataset == primary) {
          self(*dataset, self);
        } else {
          datasets_->Add()->SetDataset(dataset);
        }
      }
    };
    walk(root, walk);
  } catch (...) {
    datasets_->EndUpdate();
    throw;
  }
  datasets_->EndUpdate();
}

void TVoRDataManager::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  for (int i = 0; i < datasets_->Count(); ++i) {
    TVoRDataset* item = datasets_->Items(i);
    if (item->dataset_ == component) item->dataset_ = nullptr;
  }
}

}  // namespace qr2vor
