#pragma once

// The printable controls of a report and their frame. Every control owns a frame, a print
// condition, highlight rules, a comment list and a font, and holds a current and a previous
// value during generation.

#include <cstdint>
#include <memory>
#include <string>

#include "report/auxiliary.h"
#include "report/events.h"
#include "rtl/alignment.h"
#include "rtl/component.h"
#include "rtl/constants.h"
#include "rtl/graphics.h"
#include "rtl/strings.h"
#include "rtl/variant.h"

namespace qr2vor {

class TVoRBand;
class TVoReport;

enum TVoRObjectPosition : uint8_t { opDesigned, opTopBand, opBottomBand, opCenterBand };
enum TVoFrameSide : uint8_t { ftTop, ftBottom, ftLeft, ftRight };
// A set of frame sides: bit 1 << side for each member.
using TVoFrameType = uint32_t;
// The frame's background picture placement; scoped, since the band types name btNone too.
enum class TVoPicType : uint8_t { btNone, btCenter, btStretch, btTile, btTileAsFrame, btCorners };
enum TVoRSysDataType : uint8_t {
  sdDate,
  sdTime,
  sdDateTime,
  sdAuthor,
  sdReportTitle,
  sdSubject,
  sdKeywords,
  sdPageNo,
  sdPageCount,
  sdBarNo,
  sdBarCount,
  sdColumnNo,
  sdColumnCount,
  sdDetailNo,
  sdBandLineNo
};
enum TShapeStretch : uint8_t { ssNoStretch, ssTallest, ssHeight };
enum TLineStyle : uint8_t { lsSingle, lsDouble };
enum TLineType : uint8_t {
  ltTop,
  ltBottom,
  ltLeft,
  ltRight,
  ltLeftDiagonal,
  ltRightDiagonal,
  ltHCenter,
  ltVCenter
};
enum TRectangleType : uint8_t { rtRectangle, rtRoundRect, rtSquare, rtRoundSquare };
enum TEllipseType : uint8_t { etEllipse, etCircle };
enum class TShapeKind : uint8_t { Line, Rectangle, Ellipse };

const TEnumInfo& ObjectPositionInfo();
const TEnumInfo& FrameSideInfo();
const TEnumInfo& PicTypeInfo();
const TEnumInfo& SysDataTypeInfo();
const TEnumInfo& ShapeStretchInfo();
const TEnumInfo& LineStyleInfo();
const TEnumInfo& LineTypeInfo();
const TEnumInfo& RectangleTypeInfo();
const TEnumInfo& EllipseTypeInfo();

// The format mask a system-data control of that kind starts with.
const char* DefaultSysDataMask(TVoRSysDataType kind);

// The frame of a control (or the page frame of a report): lines on chosen sides, a background
// colour and picture.
class TVoRFrame : public TPersistent {
 public:
  TVoRFrame();

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle value) { style_ = value; }
  int32_t Width() const { return width_; }
  void SetWidth(int32_t value) { width_ = value; }
  TVoFrameType FrameType() const { return frameType_; }
  // Bits outside the four sides are dropped.
  void SetFrameType(TVoFrameType value);
  bool HasSide(TVoFrameSide side) const { return (frameType_ & (1u << side)) != 0; }
  // White means no background.
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor value) { backColor_ = value; }
  TPicture* Picture() const { return picture_.get(); }
  // Copies the picture.
  void SetPicture(TPicture* picture);
  TVoPicType PicType() const { return picType_; }
  void SetPicType(TVoPicType value) { picType_ = value; }

  void Assign(const TPersistent& source) override;

 private:
  TColor color_ = clBlack;
  TPenStyle style_ = psSolid;
  int32_t width_ = 1;
  TVoFrameType frameType_ = 0;
  TColor backColor_ = clWhite;
  std::unique_ptr<TPicture> picture_;
  TVoPicType picType_ = TVoPicType::btNone;
};

// The base of everything printable on a report, bands included.
class TVoRControl : public TComponent {
 public:
  explicit TVoRControl(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The band that holds the control (nullptr for a band) and the report it belongs to.
  TVoRBand* Band() const { return band_; }
  TVoReport* Report() const { return report_; }

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value) { cursor_ = value; }
  const std::string& DisplayName() const { return displayName_; }
  // The hint follows the name while it is empty or equal to the old name.
  void SetDisplayName(const std::string& value);
  TVoRFrame* Frame() const { return frame_.get(); }
  // Copies the frame into the control's own.
  void SetFrame(TVoRFrame* frame);
  TAlignment Alignment() const { return alignment_; }
  virtual void SetAlignment(TAlignment value) { alignment_ = value; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }
  TBrushStyle BrushStyle() const { return brushStyle_; }
  void SetBrushStyle(TBrushStyle value) { brushStyle_ = value; }
  TStrings* Comments() const { return comments_.get(); }
  // Copies the lines.
  void SetComments(TStrings* comments);
  TVoRHighLights* HighLights() const { return highLights_.get(); }
  // Copies the rules.
  void SetHighLights(TVoRHighLights* highLights);
  TVoRObjectPosition ObjectPosition() const { return objectPosition_; }
  void SetObjectPosition(TVoRObjectPosition value) { objectPosition_ = value; }
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor value) { backColor_ = value; }
  TVoPrintWhen* VoPrintWhen() const { return printWhen_.get(); }
  // Copies the print condition.
  void SetVoPrintWhen(TVoPrintWhen* printWhen);
  int32_t Height() const { return height_; }
  void SetHeight(int32_t value) { height_ = value; }
  int32_t Width() const { return width_; }
  void SetWidth(int32_t value) { width_ = value; }
  int32_t Left() const { return left_; }
  void SetLeft(int32_t value) { left_ = value; }
  int32_t Top() const { return top_; }
  void SetTop(int32_t value) { top_ = value; }
  TFont* Font() const { return font_.get(); }
  // Copies the font; the control then no longer follows its parent's font.
  void SetFont(TFont* font);
  // True until the font is changed; such a font is not stored.
  bool ParentFont() const { return parentFont_; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  TComponent* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TComponent* menu);

  const TEventTable& Events() const { return events_; }
  TEventTable& Events() { return events_; }

  // The value pair of generation: what the control prints and what it printed last.
  const Variant& CurrentValue() const { return currentValue_; }
  void SetCurrentValue(const Variant& value) { currentValue_ = value; }
  const Variant& PreviousValue() const { return previousValue_; }
  void SetPreviousValue(const Variant& value) { previousValue_ = value; }
  // False only when both values are present (neither Empty nor Null) and compare equal.
  virtual bool ValueChanged() const;
  // Whether the control takes part in printing; run-time state, never stored.
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }

  // A text of the report's language, or of English for a control outside any report.
  std::string LanguageText(int n) const;

  // Reading: a control read inside a band joins that band's control list and report.
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  bool HasParent() const override { return true; }
  void Notification(TComponent* component, TOperation operation) override;
  // Controls publish their position; the design position of non-visual components is not theirs.
  void DefineProperties(TFiler&) override {}

 private:
  friend class TVoRBand;

  TVoRBand* band_ = nullptr;
  TVoReport* report_ = nullptr;
  TCursor cursor_ = crDefault;
  std::string displayName_;
  std::unique_ptr<TVoRFrame> frame_;
  TAlignment alignment_ = taLeftJustify;
  bool transparent_ = true;
  TBrushStyle brushStyle_ = bsSolid;
  std::unique_ptr<TStringList> comments_;
  std::unique_ptr<TVoRHighLights> highLights_;
  TVoRObjectPosition objectPosition_ = opDesigned;
  TColor backColor_ = clWhite;
  std::unique_ptr<TVoPrintWhen> printWhen_;
  int32_t height_ = 20;
  int32_t width_ = 50;
  int32_t left_ = 10;
  int32_t top_ = 40;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  std::string hint_;
  TComponent* popupMenu_ = nullptr;
  TEventTable events_;
  Variant currentValue_;
  Variant previousValue_ = Variant::Null();
  bool visible_ = true;
};

// Text; its display name is the text printed.
class TVoRLabel : public TVoRControl {
 public:
  explicit TVoRLabel(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t Angle() const { return angle_; }
  // Values outside 0..359 become 0.
  void SetAngle(int32_t value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value) { wordWrap_ = value; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }

 protected:
  // For descendants that name themselves.
  TVoRLabel(TComponent* owner, int displayNameText);

 private:
  int32_t angle_ = 0;
  bool wordWrap_ = true;
  bool stretch_ = true;
};

// The value of an expression, formatted by a mask, with an optional running calculation.
class TVoRExpression : public TVoRLabel {
 public:
  explicit TVoRExpression(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Expression() const { return expression_; }
  // An empty display name takes the expression.
  void SetExpression(const std::string& value);
  const std::string& Format() const { return format_; }
  void SetFormat(const std::string& value) { format_ = value; }
  TVoRCalculation* Calculation() const { return calculation_.get(); }
  // Copies the calculation.
  void SetCalculation(TVoRCalculation* calculation);

 private:
  std::string expression_;
  std::string format_;
  std::unique_ptr<TVoRCalculation> calculation_;
};

// A system value: date, time, document property, page or line number.
class TVoRSysData : public TVoRLabel {
 public:
  explicit TVoRSysData(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TVoRSysDataType SysData() const { return sysData_; }
  // A change of kind replaces an empty mask or the old kind's default mask by the new kind's
  // and renames the control after the new kind (not while it is being read).
  void SetSysData(TVoRSysDataType value);
  const std::string& Format() const { return format_; }
  void SetFormat(const std::string& value) { format_ = value; }

 private:
  TVoRSysDataType sysData_ = sdDateTime;
  std::string format_;
};

// The base of lines, rectangles and ellipses.
class TVoRShape : public TVoRControl {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TShapeStretch Stretch() const { return stretch_; }
  void SetStretch(TShapeStretch value) { stretch_ = value; }
  TLineStyle LineStyle() const { return lineStyle_; }
  void SetLineStyle(TLineStyle value) { lineStyle_ = value; }
  TShapeKind ShapeKind() const { return shapeKind_; }

 protected:
  TVoRShape(TComponent* owner, TShapeKind kind, int displayNameText);

 private:
  TShapeStretch stretch_ = ssNoStretch;
  TLineStyle lineStyle_ = lsSingle;
  TShapeKind shapeKind_;
};

class TVoRLine : public TVoRShape {
 public:
  explicit TVoRLine(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TLineType LineType() const { return lineType_; }
  void SetLineType(TLineType value) { lineType_ = value; }

 private:
  TLineType lineType_ = ltTop;
};

class TVoRRectangle : public TVoRShape {
 public:
  explicit TVoRRectangle(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TRectangleType RectangleType() const { return rectangleType_; }
  void SetRectangleType(TRectangleType value) { rectangleType_ = value; }

 private:
  TRectangleType rectangleType_ = rtRectangle;
};

class TVoREllipse : public TVoRShape {
 public:
  explicit TVoREllipse(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TEllipseType EllipseType() const { return ellipseType_; }
  void SetEllipseType(TEllipseType value) { ellipseType_ = value; }

 private:
  TEllipseType ellipseType_ = etEllipse;
};

// A picture from a file or from a data field or expression.
class TVoRImage : public TVoRControl {
 public:
  explicit TVoRImage(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }
  bool Center() const { return center_; }
  void SetCenter(bool value) { center_ = value; }
  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& value) { expression_ = value; }
  bool AspectRatio() const { return aspectRatio_; }
  void SetAspectRatio(bool value) { aspectRatio_ = value; }
  // The picture loaded when the control was last drawn.
  TPicture* Picture() const { return picture_.get(); }

 private:
  std::string fileName_;
  bool stretch_ = false;
  bool center_ = false;
  std::string expression_;
  bool aspectRatio_ = false;
  std::unique_ptr<TPicture> picture_ = std::make_unique<TPicture>();
};

// Formatted text from a file or from a data field or expression.
class TVoRichText : public TVoRControl {
 public:
  explicit TVoRichText(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }
  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& value) { expression_ = value; }

 private:
  std::string fileName_;
  bool stretch_ = true;
  std::string expression_;
};

}  // namespace qr2vor
