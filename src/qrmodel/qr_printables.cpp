#include "qrmodel/qr_printables.h"

#include <algorithm>

#include "platform/data/dataset.h"
#include "qrmodel/qr_references.h"

namespace qr2vor {

namespace {

using enum TLaterValue;

// What later versions of the toolkit publish on every control that forms show on printables.
constexpr TLaterProperty kPrintableLater[] = {
    {"AlignWithMargins", lvBoolean}, {"ExplicitHeight", lvInteger}, {"ExplicitWidth", lvInteger},
    {"HelpType", lvIdent},           {"XLColumn", lvInteger},
};
constexpr TLaterProperty kMargins[] = {
    {"Bottom", lvInteger}, {"Left", lvInteger}, {"Right", lvInteger}, {"Top", lvInteger}};
// The text printables of later versions: bidirectional text, export and wrapping options.
constexpr TLaterProperty kLabelLater[] = {
    {"ActiveInPreview", lvBoolean}, {"BiDiMode", lvIdent},        {"ExportAs", lvIdent},
    {"FullJustify", lvBoolean},     {"MaxBreakChars", lvInteger}, {"ParentBiDiMode", lvBoolean},
    {"VerticalAlignment", lvIdent}, {"WrapStyle", lvIdent},       {"XLNumFormat", lvIdent},
};
// Shapes of later versions: rounded rectangles (with their rounding) and export options.
constexpr TLaterProperty kShapeLater[] = {
    {"ActiveInPreview", lvBoolean},
    {"RoundFactor", lvFloat},
    {"VertAdjust", lvInteger},
    {"XLNumFormat", lvIdent},
};

// The shapes forms name: the six of the model, then the rounded rectangle of later versions.
const TEnumInfo& ShapeTypeOfFormsInfo() {
  static const TEnumInfo info = [] {
    std::vector<std::string> names = QRShapeTypeInfo().Names();
    names.emplace_back("qrsRoundRect");
    return TEnumInfo(QRShapeTypeInfo().Name(), std::move(names));
  }();
  return info;
}

}  // namespace

// TQRPrintable

TQRPrintable::TQRPrintable(TComponent* owner)
    : TCustomControl(owner), margins_(std::make_unique<TLaterPart>(kMargins)) {
  SetWidth(10);
  SetHeight(10);
}

const TClassInfo& TQRPrintable::StaticClassInfo() {
  using T = TQRPrintable;
  static const TClassInfo info = TClassInfo::Derive<T, TCustomControl>("TQRPrintable")
                                     .Boolean("Enabled", &T::Enabled, &T::SetEnabled, true)
                                     .Object<TQRFrame>("Frame", &T::Frame, &T::SetFrame)
                                     .Object<TQRPrintableSize>("Size", &T::Size, nullptr)
                                     .Object<TLaterPart>("Margins", &T::Margins, nullptr);
  return info;
}

void TQRPrintable::DefineProperties(TFiler& filer) {
  TCustomControl::DefineProperties(filer);
  DefineLaterProperties(filer, kPrintableLater);
}

void TQRPrintable::SetFrame(TQRFrame* frame) {
  if (frame != nullptr) frame_->Assign(*frame);
}

void TQRPrintable::SetFont(TFont* font) {
  if (font != nullptr) Font()->Assign(*font);
}

void TQRPrintable::SetParent(TWinControl* parent) {
  TCustomControl::SetParent(parent);
  fontLink_.Follow();
}

void TQRPrintable::DefineVisible(TFiler& filer) {
  filer.DefineProperty(
      "Visible", [this](TValueReader& reader) { SetEnabled(reader.ReadBoolean()); }, nullptr,
      false);
}

// TQRCustomLabel

TQRCustomLabel::TQRCustomLabel(TComponent* owner) : TQRPrintable(owner) { SetTransparent(false); }

const TClassInfo& TQRCustomLabel::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TQRCustomLabel, TQRPrintable>("TQRCustomLabel");
  return info;
}

void TQRCustomLabel::SetLines(TStrings* lines) {
  if (lines != nullptr) lines_->Assign(*lines);
}

void TQRCustomLabel::DefineProperties(TFiler& filer) {
  TQRPrintable::DefineProperties(filer);
  filer.DefineProperty(
      "FontSize", [this](TValueReader& reader) { Font()->SetSize(reader.ReadInteger()); }, nullptr,
      false);
  DefineVisible(filer);
  DefineLaterProperties(filer, kLabelLater);
}

// The properties the five label classes publish, each class picking its own in its own order.
namespace {

template <class T>
TClassInfo::Builder<T> LabelBase(std::string name) {
  return TClassInfo::Derive<T, TQRCustomLabel>(std::move(name))
      .Enum("Alignment", AlignmentInfo(), &T::Alignment, &T::SetAlignment, NoDefault)
      .Boolean("AlignToBand", &T::AlignToBand, &T::SetAlignToBand, NoDefault)
      .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize, NoDefault);
}

}  // namespace

const TClassInfo& TQRLabel::StaticClassInfo() {
  using T = TQRLabel;
  static const TClassInfo info =
      LabelBase<T>("TQRLabel")
          .Boolean("AutoStretch", &T::AutoStretch, &T::SetAutoStretch, NoDefault)
          .String("Caption", &T::Caption, &T::SetCaption)
          .Integer("Color", &T::Color, &T::SetColor, clWindow, ColorType())
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf(&T::IsFontStored)
          .Method("OnPrint", &T::onPrint_, &T::onPrint_)
          .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont, true)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent, NoDefault)
          .Boolean("WordWrap", &T::WordWrap, &T::SetWordWrap, NoDefault)
          .Creatable();
  return info;
}

const TClassInfo& TQRMemo::StaticClassInfo() {
  using T = TQRMemo;
  static const TClassInfo info =
      LabelBase<T>("TQRMemo")
          .Boolean("AutoStretch", &T::AutoStretch, &T::SetAutoStretch, NoDefault)
          .Integer("Color", &T::Color, &T::SetColor, clWindow, ColorType())
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf(&T::IsFontStored)
          .Object<TStrings>("Lines", &T::Lines, &T::SetLines)
          .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont, true)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent, NoDefault)
          .Boolean("WordWrap", &T::WordWrap, &T::SetWordWrap, NoDefault)
          .Creatable();
  return info;
}

void TQRMemo::DefineProperties(TFiler& filer) {
  TQRCustomLabel::DefineProperties(filer);
  filer.DefineProperty(
      "TabStop", [](TValueReader& reader) { reader.ReadBoolean(); }, nullptr, false);
}

const TClassInfo& TQRDBText::StaticClassInfo() {
  using T = TQRDBText;
  static const TClassInfo info =
      LabelBase<T>("TQRDBText")
          .Boolean("AutoStretch", &T::AutoStretch, &T::SetAutoStretch, NoDefault)
          .Integer("Color", &T::Color, &T::SetColor, clWindow, ColorType())
          .Object<TDataSet>("DataSet", &T::DataSet, &T::SetDataSet)
          .String("DataField", &T::DataField, &T::SetDataField)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf(&T::IsFontStored)
          .String("Mask", &T::Mask, &T::SetMask)
          .Method("OnPrint", &T::onPrint_, &T::onPrint_)
          .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont, true)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent, NoDefault)
          .Boolean("WordWrap", &T::WordWrap, &T::SetWordWrap, NoDefault)
          .Creatable();
  return info;
}

void TQRDBText::SetDataSet(TDataSet* dataSet) { Retarget(*this, dataSet_, dataSet); }

void TQRDBText::SetDataField(const std::string& value) {
  dataField_ = value;
  SetCaption(value);
}

void TQRDBText::DefineProperties(TFiler& filer) {
  TQRCustomLabel::DefineProperties(filer);
  filer.DefineProperty(
      "DataSource",
      [this](TValueReader& reader) {
        dataSourceName_ = reader.ReadIdent().substr(0, kMaxDataSourceName);
      },
      nullptr, false);
}

void TQRDBText::Notification(TComponent* component, TOperation operation) {
  TQRCustomLabel::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(dataSet_, component);
}

const TClassInfo& TQRExpr::StaticClassInfo() {
  using T = TQRExpr;
  static const TClassInfo info =
      LabelBase<T>("TQRExpr")
          .Boolean("AutoStretch", &T::AutoStretch, &T::SetAutoStretch, NoDefault)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf(&T::IsFontStored)
          .Integer("Color", &T::Color, &T::SetColor, clWindow, ColorType())
          .Object<TComponent>("Master", &T::Master, &T::SetMaster)
          .Method("OnPrint", &T::onPrint_, &T::onPrint_)
          .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont, true)
          .Boolean("ResetAfterPrint", &T::ResetAfterPrint, &T::SetResetAfterPrint, NoDefault)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent, NoDefault)
          .Boolean("WordWrap", &T::WordWrap, &T::SetWordWrap, NoDefault)
          .String("Expression", &T::Expression, &T::SetExpression)
          .String("Mask", &T::Mask, &T::SetMask)
          .Creatable();
  return info;
}

void TQRExpr::SetExpression(const std::string& value) {
  expression_ = value;
  SetCaption(value.empty() ? "(none)" : value);
}

void TQRExpr::SetMask(const std::string& value) {
  mask_ = value;
  SetExpression(expression_);
}

void TQRExpr::SetMaster(TComponent* master) { Retarget(*this, master_, master); }

void TQRExpr::Notification(TComponent* component, TOperation operation) {
  TQRCustomLabel::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(master_, component);
}

const TClassInfo& TQRSysData::StaticClassInfo() {
  using T = TQRSysData;
  static const TClassInfo info =
      LabelBase<T>("TQRSysData")
          .Integer("Color", &T::Color, &T::SetColor, clWindow, ColorType())
          .Enum("Data", QRSysDataTypeInfo(), &T::Data, &T::SetData, NoDefault)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf(&T::IsFontStored)
          .Method("OnPrint", &T::onPrint_, &T::onPrint_)
          .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont, true)
          .String("Text", &T::Text, &T::SetText)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent, NoDefault)
          .Creatable();
  return info;
}

void TQRSysData::SetData(TQRSysDataType value) {
  data_ = value;
  UpdateCaption();
}

void TQRSysData::SetText(const std::string& value) {
  text_ = value;
  UpdateCaption();
}

void TQRSysData::UpdateCaption() {
  // The text, then what the data will be, named as the enumeration does without its prefix.
  std::string name = QRSysDataTypeInfo().NameOf(data_);
  name.erase(0, std::min<size_t>(name.size(), 3));
  SetCaption(text_ + "(" + name + ")");
}

// TQRShape

TQRShape::TQRShape(TComponent* owner) : TQRPrintable(owner) {
  SetWidth(65);
  SetHeight(65);
}

const TClassInfo& TQRShape::StaticClassInfo() {
  using T = TQRShape;
  // Width and Height keep their place among the toolkit's properties.
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRPrintable>("TQRShape")
          .Object<TBrush>("Brush", &T::Brush, &T::SetBrush)
          .Integer("Height", &T::Height, &T::SetHeight, 65)
          .Object<TPen>("Pen", &T::Pen, &T::SetPen)
          // A rounded rectangle reads as a rectangle; its shape is kept as a later property.
          .Enum(
              "Shape", ShapeTypeOfFormsInfo(), &T::Shape,
              [](T& shape, TQRShapeType value) {
                if (value > qrsRightAndLeft) {
                  shape.KeepLaterProperty("Shape", ShapeTypeOfFormsInfo().NameOf(value));
                  value = qrsRectangle;
                }
                shape.SetShape(value);
              },
              NoDefault)
          .Integer("Width", &T::Width, &T::SetWidth, 65)
          .Creatable();
  return info;
}

void TQRShape::SetBrush(TBrush* brush) {
  if (brush != nullptr) brush_->Assign(*brush);
}

void TQRShape::SetPen(TPen* pen) {
  if (pen != nullptr) pen_->Assign(*pen);
}

void TQRShape::DefineProperties(TFiler& filer) {
  TQRPrintable::DefineProperties(filer);
  DefineVisible(filer);
  DefineLaterProperties(filer, kShapeLater);
}

// TQRImage, TQRDBImage

TQRImage::TQRImage(TComponent* owner) : TQRPrintable(owner) {
  SetWidth(105);
  SetHeight(105);
}

const TClassInfo& TQRImage::StaticClassInfo() {
  using T = TQRImage;
  static const TClassInfo info = TClassInfo::Derive<T, TQRPrintable>("TQRImage")
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize, false)
                                     .Boolean("Center", &T::Center, &T::SetCenter, false)
                                     .Object<TPicture>("Picture", &T::Picture, &T::SetPicture)
                                     .Boolean("Stretch", &T::Stretch, &T::SetStretch, false)
                                     .Creatable();
  return info;
}

void TQRImage::SetPicture(TPicture* picture) {
  if (picture != nullptr) picture_->Assign(*picture);
}

TQRDBImage::TQRDBImage(TComponent* owner) : TQRPrintable(owner) {
  SetWidth(105);
  SetHeight(105);
  SetTransparent(false);
}

const TClassInfo& TQRDBImage::StaticClassInfo() {
  using T = TQRDBImage;
  static const TClassInfo info = TClassInfo::Derive<T, TQRPrintable>("TQRDBImage")
                                     .Boolean("Center", &T::Center, &T::SetCenter, true)
                                     .String("DataField", &T::DataField, &T::SetDataField)
                                     .Object<TDataSet>("DataSet", &T::DataSet, &T::SetDataSet)
                                     .Boolean("Stretch", &T::Stretch, &T::SetStretch, false)
                                     .Creatable();
  return info;
}

void TQRDBImage::SetDataSet(TDataSet* dataSet) { Retarget(*this, dataSet_, dataSet); }

void TQRDBImage::Notification(TComponent* component, TOperation operation) {
  TQRPrintable::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(dataSet_, component);
}

// Rich text

const TClassInfo& TQRRichEdit::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TQRRichEdit, TCustomControl>("TQRRichEdit");
  return info;
}

TQRCustomRichText::TQRCustomRichText(TComponent* owner) : TQRPrintable(owner) {
  SetWidth(100);
  SetHeight(100);
}

const TClassInfo& TQRCustomRichText::StaticClassInfo() {
  using T = TQRCustomRichText;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRPrintable>("TQRCustomRichText")
          .Enum("Alignment", AlignmentInfo(), &T::Alignment, &T::SetAlignment, NoDefault)
          .Boolean("AutoStretch", &T::AutoStretch, &T::SetAutoStretch, NoDefault)
          .Integer("Color", &T::Color, &T::SetColor, NoDefault, ColorType())
          .Object<TFont>("Font", &T::Font, &T::SetFont);
  return info;
}

void TQRCustomRichText::SetLines(TStrings* lines) {
  if (lines != nullptr) editor_->Lines().Assign(*lines);
}

const TClassInfo& TQRRichText::StaticClassInfo() {
  using T = TQRRichText;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRCustomRichText>("TQRRichText")
          .Object<TStrings>("Lines", &T::Lines, &T::SetLines)
          .Object<TQRRichEdit>("ParentRichEdit", &T::ParentRichEdit, &T::SetParentRichEdit)
          .Creatable();
  return info;
}

void TQRRichText::SetParentRichEdit(TQRRichEdit* editor) {
  Retarget(*this, parentRichEdit_, editor);
}

void TQRRichText::Notification(TComponent* component, TOperation operation) {
  TQRCustomRichText::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(parentRichEdit_, component);
}

const TClassInfo& TQRDBRichText::StaticClassInfo() {
  using T = TQRDBRichText;
  static const TClassInfo info = TClassInfo::Derive<T, TQRCustomRichText>("TQRDBRichText")
                                     .String("DataField", &T::DataField, &T::SetDataField)
                                     .Object<TDataSet>("DataSet", &T::DataSet, &T::SetDataSet)
                                     .Creatable();
  return info;
}

void TQRDBRichText::SetDataSet(TDataSet* dataSet) { Retarget(*this, dataSet_, dataSet); }

void TQRDBRichText::Notification(TComponent* component, TOperation operation) {
  TQRCustomRichText::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(dataSet_, component);
}

}  // namespace qr2vor
