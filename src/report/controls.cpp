#include "report/controls.h"

#include <algorithm>
#include <iterator>

#include "report/band.h"
#include "report/language.h"
#include "report/report.h"

namespace qr2vor {

namespace {

constexpr TVoFrameType kAllFrameSides = 0x0F;

}  // namespace

const TEnumInfo& ObjectPositionInfo() {
  static const TEnumInfo info("TVoRObjectPosition",
                              {"opDesigned", "opTopBand", "opBottomBand", "opCenterBand"});
  return info;
}

const TEnumInfo& FrameSideInfo() {
  static const TEnumInfo info("TVoFrameSide", {"ftTop", "ftBottom", "ftLeft", "ftRight"});
  return info;
}

const TEnumInfo& PicTypeInfo() {
  static const TEnumInfo info(
      "TVoPicType", {"btNone", "btCenter", "btStretch", "btTile", "btTileAsFrame", "btCorners"});
  return info;
}

const TEnumInfo& SysDataTypeInfo() {
  static const TEnumInfo info(
      "TVoRSysDataType",
      {"sdDate", "sdTime", "sdDateTime", "sdAuthor", "sdReportTitle", "sdSubject", "sdKeywords",
       "sdPageNo", "sdPageCount", "sdBarNo", "sdBarCount", "sdColumnNo", "sdColumnCount",
       "sdDetailNo", "sdBandLineNo"});
  return info;
}

const TEnumInfo& ShapeStretchInfo() {
  static const TEnumInfo info("TShapeStretch", {"ssNoStretch", "ssTallest", "ssHeight"});
  return info;
}

const TEnumInfo& LineStyleInfo() {
  static const TEnumInfo info("TLineStyle", {"lsSingle", "lsDouble"});
  return info;
}

const TEnumInfo& LineTypeInfo() {
  static const TEnumInfo info(
      "TLineType", {"ltTop", "ltBottom", "ltLeft", "ltRight", "ltLeftDiagonal", "ltRightDiagonal",
                    "ltHCenter", "ltVCenter"});
  return info;
}

const TEnumInfo& RectangleTypeInfo() {
  static const TEnumInfo info("TRectangleType",
                              {"rtRectangle", "rtRoundRect", "rtSquare", "rtRoundSquare"});
  return info;
}

const TEnumInfo& EllipseTypeInfo() {
  static const TEnumInfo info("TEllipseType", {"etEllipse", "etCircle"});
  return info;
}

const char* DefaultSysDataMask(TVoRSysDataType kind) {
  switch (kind) {
    case sdDate:
      return "@D @DS ";
    case sdTime:
      return "@T @TS ";
    case sdDateTime:
      return "@D @DS @T @TS ";
    case sdAuthor:
    case sdReportTitle:
    case sdSubject:
    case sdKeywords:
      return "@C ";
    default:
      return "@N @ND0 @NR1 ";
  }
}

// TVoRFrame

TVoRFrame::TVoRFrame() : picture_(std::make_unique<TPicture>()) {}

const TClassInfo& TVoRFrame::StaticClassInfo() {
  using T = TVoRFrame;
  static const TClassInfo info =
      TClassInfo::Derive<T, TPersistent>("TVoRFrame")
          .Integer("Color", &T::Color, &T::SetColor, clBlack, ColorType())
          .Enum("Style", PenStyleInfo(), &T::Style, &T::SetStyle, psSolid)
          .Integer("Width", &T::Width, &T::SetWidth, 1)
          .Set("FrameType", FrameSideInfo(), &T::FrameType, &T::SetFrameType, 0)
          .Integer("BackColor", &T::BackColor, &T::SetBackColor, clWhite, ColorType())
          .Object<TPicture>("Picture", &T::Picture, &T::SetPicture)
          .Enum("PicType", PicTypeInfo(), &T::PicType, &T::SetPicType,
                static_cast<int64_t>(TVoPicType::btNone));
  return info;
}

void TVoRFrame::SetFrameType(TVoFrameType value) { frameType_ = value & kAllFrameSides; }

void TVoRFrame::SetPicture(TPicture* picture) {
  if (picture != nullptr) picture_->Assign(*picture);
}

void TVoRFrame::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRFrame*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  color_ = other->color_;
  style_ = other->style_;
  width_ = other->width_;
  frameType_ = other->frameType_;
  backColor_ = other->backColor_;
  picture_->Assign(*other->picture_);
  picType_ = other->picType_;
}

// TVoRControl

TVoRControl::TVoRControl(TComponent* owner)
    : TComponent(owner),
      frame_(std::make_unique<TVoRFrame>()),
      comments_(std::make_unique<TStringList>()),
      highLights_(std::make_unique<TVoRHighLights>(this)),
      printWhen_(std::make_unique<TVoPrintWhen>()),
      font_(std::make_unique<TFont>()) {
  highLights_->SetPropName("HighLights");
  font_->OnChange = [this] { parentFont_ = false; };
  band_ = dynamic_cast<TVoRBand*>(owner);
  if (band_ == nullptr) return;
  report_ = band_->Report();
  SetDisplayName(LanguageText(text::kNewVoRControl));
  if (report_ != nullptr) SetFont(report_->Font());
}

const TClassInfo& TVoRControl::StaticClassInfo() {
  using T = TVoRControl;
  static const TClassInfo info = WithEvents(
      TClassInfo::Derive<T, TComponent>("TVoRControl")
          .Integer("Cursor", &T::Cursor, &T::SetCursor, crDefault, CursorType())
          .String("DisplayName", &T::DisplayName, &T::SetDisplayName)
          .Object<TVoRFrame>("Frame", &T::Frame, &T::SetFrame)
          .Enum("Alignment", AlignmentInfo(), &T::Alignment, &T::SetAlignment, taLeftJustify)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent, true)
          .Enum("BrushStyle", BrushStyleInfo(), &T::BrushStyle, &T::SetBrushStyle, bsSolid)
          .Object<TStrings>("Comments", &T::Comments, &T::SetComments)
          .Object<TVoRHighLights>("HighLights", &T::HighLights, &T::SetHighLights)
          .Enum("ObjectPosition", ObjectPositionInfo(), &T::ObjectPosition, &T::SetObjectPosition,
                opDesigned)
          .Integer("BackColor", &T::BackColor, &T::SetBackColor, clWhite, ColorType())
          .Object<TVoPrintWhen>("VoPrintWhen", &T::VoPrintWhen, &T::SetVoPrintWhen)
          .Integer("Height", &T::Height, &T::SetHeight, 20)
          .Integer("Width", &T::Width, &T::SetWidth, 50)
          .Integer("Left", &T::Left, &T::SetLeft, 10)
          .Integer("Top", &T::Top, &T::SetTop, 40)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .StoredIf([](const T& control) { return !control.ParentFont(); })
          .String("Hint", &T::Hint, &T::SetHint)
          .Object<TComponent>("PopupMenu", &T::PopupMenu, &T::SetPopupMenu),
      {"OnClick", "OnDblClick", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnMouseDown",
       "OnMouseMove", "OnMouseUp", "OnStartDrag"});
  return info;
}

void TVoRControl::SetDisplayName(const std::string& value) {
  if (hint_.empty() || hint_ == displayName_) hint_ = value;
  displayName_ = value;
}

void TVoRControl::SetFrame(TVoRFrame* frame) {
  if (frame != nullptr) frame_->Assign(*frame);
}

void TVoRControl::SetComments(TStrings* comments) {
  if (comments != nullptr) comments_->Assign(*comments);
}

void TVoRControl::SetHighLights(TVoRHighLights* highLights) {
  if (highLights != nullptr) highLights_->Assign(*highLights);
}

void TVoRControl::SetVoPrintWhen(TVoPrintWhen* printWhen) {
  if (printWhen != nullptr) printWhen_->Assign(*printWhen);
}

void TVoRControl::SetFont(TFont* font) {
  if (font == nullptr) return;
  font_->Assign(*font);
  parentFont_ = false;
}

void TVoRControl::SetPopupMenu(TComponent* menu) {
  popupMenu_ = menu;
  if (menu != nullptr) FreeNotification(menu);
}

bool TVoRControl::ValueChanged() const {
  return IsMissing(currentValue_) || IsMissing(previousValue_) ||
         Compare(currentValue_, previousValue_) != vcEqual;
}

std::string TVoRControl::LanguageText(int n) const {
  return report_ != nullptr ? report_->Language()->Text(n) : EnglishText(n);
}

TComponent* TVoRControl::GetParentComponent() const { return band_; }

void TVoRControl::SetParentComponent(TComponent* parent) {
  auto* band = dynamic_cast<TVoRBand*>(parent);
  if (band == nullptr) return;
  band_ = band;
  report_ = band->Report();
  if (std::find(band->controls_.begin(), band->controls_.end(), this) == band->controls_.end()) {
    band->controls_.push_back(this);
  }
}

void TVoRControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

// TVoRLabel

TVoRLabel::TVoRLabel(TComponent* owner) : TVoRLabel(owner, text::kText) {}

TVoRLabel::TVoRLabel(TComponent* owner, int displayNameText) : TVoRControl(owner) {
  SetDisplayName(LanguageText(displayNameText));
  Font()->SetName("Arial");
}

const TClassInfo& TVoRLabel::StaticClassInfo() {
  using T = TVoRLabel;
  static const TClassInfo info = TClassInfo::Derive<T, TVoRControl>("TVoRLabel")
                                     .Integer("Angle", &T::Angle, &T::SetAngle, 0)
                                     .Boolean("WordWrap", &T::WordWrap, &T::SetWordWrap, true)
                                     .Boolean("Stretch", &T::Stretch, &T::SetStretch, true)
                                     .Creatable();
  return info;
}

void TVoRLabel::SetAngle(int32_t value) { angle_ = value >= 0 && value <= 359 ? value : 0; }

// TVoRExpression

TVoRExpression::TVoRExpression(TComponent* owner)
    : TVoRLabel(owner, text::kExpression), calculation_(std::make_unique<TVoRCalculation>()) {}

const TClassInfo& TVoRExpression::StaticClassInfo() {
  using T = TVoRExpression;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRLabel>("TVoRExpression")
          .String("Expression", &T::Expression, &T::SetExpression)
          .String("Format", &T::Format, &T::SetFormat)
          .Object<TVoRCalculation>("Calculation", &T::Calculation, &T::SetCalculation)
          .Creatable();
  return info;
}

void TVoRExpression::SetExpression(const std::string& value) {
  expression_ = value;
  if (DisplayName().empty()) SetDisplayName(value);
}

void TVoRExpression::SetCalculation(TVoRCalculation* calculation) {
  if (calculation != nullptr) calculation_->Assign(*calculation);
}

// TVoRSysData

TVoRSysData::TVoRSysData(TComponent* owner)
    : TVoRLabel(owner, text::kSysDataNames + sdDateTime), format_(DefaultSysDataMask(sdDateTime)) {}

const TClassInfo& TVoRSysData::StaticClassInfo() {
  using T = TVoRSysData;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRLabel>("TVoRSysData")
          .Enum("SysData", SysDataTypeInfo(), &T::SysData, &T::SetSysData, sdDateTime)
          .String("Format", &T::Format, &T::SetFormat)
          .Creatable();
  return info;
}

void TVoRSysData::SetSysData(TVoRSysDataType value) {
  if (value == sysData_) return;
  if (HasState(csLoading)) {
    // The stored mask and name follow in the stream and stand as they are.
    sysData_ = value;
    return;
  }
  if (format_.empty() || format_ == DefaultSysDataMask(sysData_)) {
    format_ = DefaultSysDataMask(value);
  }
  sysData_ = value;
  const std::string name = LanguageText(text::kSysDataNames + value);
  SetDisplayName(Report() != nullptr ? Report()->UniqueName(name) : name);
}

// Shapes

TVoRShape::TVoRShape(TComponent* owner, TShapeKind kind, int displayNameText)
    : TVoRControl(owner), shapeKind_(kind) {
  SetDisplayName(LanguageText(displayNameText));
}

// LineStyle is always written: a declared default of lsDouble against a constructor value of
// lsSingle would leave double lines out of the file and read them back as single lines.
const TClassInfo& TVoRShape::StaticClassInfo() {
  using T = TVoRShape;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRControl>("TVoRShape")
          .Enum("Stretch", ShapeStretchInfo(), &T::Stretch, &T::SetStretch, NoDefault)
          .Enum("LineStyle", LineStyleInfo(), &T::LineStyle, &T::SetLineStyle, NoDefault);
  return info;
}

TVoRLine::TVoRLine(TComponent* owner) : TVoRShape(owner, TShapeKind::Line, text::kLine) {}

const TClassInfo& TVoRLine::StaticClassInfo() {
  using T = TVoRLine;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRShape>("TVoRLine")
          .Enum("LineType", LineTypeInfo(), &T::LineType, &T::SetLineType, NoDefault)
          .Creatable();
  return info;
}

TVoRRectangle::TVoRRectangle(TComponent* owner)
    : TVoRShape(owner, TShapeKind::Rectangle, text::kRectangle) {}

const TClassInfo& TVoRRectangle::StaticClassInfo() {
  using T = TVoRRectangle;
  static const TClassInfo info = TClassInfo::Derive<T, TVoRShape>("TVoRRectangle")
                                     .Enum("RectangleType", RectangleTypeInfo(), &T::RectangleType,
                                           &T::SetRectangleType, NoDefault)
                                     .Creatable();
  return info;
}

TVoREllipse::TVoREllipse(TComponent* owner)
    : TVoRShape(owner, TShapeKind::Ellipse, text::kEllipse) {}

const TClassInfo& TVoREllipse::StaticClassInfo() {
  using T = TVoREllipse;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRShape>("TVoREllipse")
          .Enum("EllipseType", EllipseTypeInfo(), &T::EllipseType, &T::SetEllipseType, NoDefault)
          .Creatable();
  return info;
}

// TVoRImage

TVoRImage::TVoRImage(TComponent* owner) : TVoRControl(owner) {
  SetDisplayName(LanguageText(text::kImage));
}

const TClassInfo& TVoRImage::StaticClassInfo() {
  using T = TVoRImage;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRControl>("TVoRImage")
          .String("FileName", &T::FileName, &T::SetFileName)
          .Boolean("Stretch", &T::Stretch, &T::SetStretch, NoDefault)
          .Boolean("Center", &T::Center, &T::SetCenter, NoDefault)
          .String("Expression", &T::Expression, &T::SetExpression)
          .Boolean("AspectRatio", &T::AspectRatio, &T::SetAspectRatio, NoDefault)
          .Creatable();
  return info;
}

// TVoRichText

TVoRichText::TVoRichText(TComponent* owner) : TVoRControl(owner) {
  SetDisplayName(LanguageText(text::kRichText));
}

const TClassInfo& TVoRichText::StaticClassInfo() {
  using T = TVoRichText;
  static const TClassInfo info = TClassInfo::Derive<T, TVoRControl>("TVoRichText")
                                     .String("FileName", &T::FileName, &T::SetFileName)
                                     .Boolean("Stretch", &T::Stretch, &T::SetStretch, NoDefault)
                                     .String("Expression", &T::Expression, &T::SetExpression)
                                     .Creatable();
  return info;
}

}  // namespace qr2vor
