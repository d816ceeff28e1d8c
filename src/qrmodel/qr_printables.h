#pragma once

// The printable controls placed on bands: labels and their relatives, shapes, images and rich
// text.

#include <memory>
#include <string>

#include "qrmodel/qr_font.h"
#include "qrmodel/qr_parts.h"
#include "qrmodel/qr_types.h"
#include "rtl/controls.h"
#include "rtl/graphics.h"
#include "rtl/strings.h"
#include "stream/later_properties.h"

namespace qr2vor {

class TDataSet;

// The base of everything printed on a band: frame, size in report units, colour, font (followed
// from the band while ParentFont is set), alignment. Keeps the properties of later versions it
// reads (LaterProperties; the margins' in Margins()).
class TQRPrintable : public TCustomControl, public TQRFontControl, public TLaterProperties {
 public:
  explicit TQRPrintable(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  TQRFrame* Frame() const { return frame_.get(); }
  void SetFrame(TQRFrame* frame);
  TQRPrintableSize* Size() const { return size_.get(); }
  // The margins later versions of the toolkit publish.
  TLaterPart* Margins() const { return margins_.get(); }

  // The colour and font a form file stores as Color and Font: the control's own here, its
  // text's for rich text.
  virtual TColor Color() const { return color_; }
  virtual void SetColor(TColor color) { color_ = color; }
  TFont* Font() const override { return font_.get(); }
  // The control's own colour and font, whatever a descendant stores as Color and Font.
  TColor ControlColor() const { return color_; }
  TFont* ControlFont() const { return font_.get(); }
  void SetFont(TFont* font);
  bool ParentFont() const { return fontLink_.ParentFont(); }
  void SetParentFont(bool value) { fontLink_.SetParentFont(value); }
  bool IsFontStored() const { return !ParentFont(); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }
  bool AlignToBand() const { return alignToBand_; }
  void SetAlignToBand(bool value) { alignToBand_ = value; }
  bool AutoStretch() const { return autoStretch_; }
  void SetAutoStretch(bool value) { autoStretch_ = value; }
  // Not opaque: the band shows through.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }

  void SetParent(TWinControl* parent) override;
  void ParentFontChanged() override { fontLink_.Follow(); }
  void DefineProperties(TFiler& filer) override;

 protected:
  // "Visible" of older forms, read into Enabled.
  void DefineVisible(TFiler& filer);

 private:
  bool enabled_ = true;
  const std::unique_ptr<TQRFrame> frame_ = std::make_unique<TQRFrame>();
  const std::unique_ptr<TQRPrintableSize> size_ = std::make_unique<TQRPrintableSize>();
  const std::unique_ptr<TLaterPart> margins_;
  TColor color_ = clWhite;
  const std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  TParentFontLink fontLink_{*this, *font_};
  TAlignment alignment_ = taLeftJustify;
  bool alignToBand_ = false;
  bool autoStretch_ = false;
  bool transparent_ = true;
};

// Text printables. The caption is what the label shows: its own Caption, or derived from the
// data field, the expression or the system data.
class TQRCustomLabel : public TQRPrintable {
 public:
  explicit TQRCustomLabel(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value) { caption_ = value; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value) { autoSize_ = value; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value) { wordWrap_ = value; }
  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* lines);

  // Older forms: "FontSize" sets the font's size, "Visible" sets Enabled.
  void DefineProperties(TFiler& filer) override;

 protected:
  TMethod onPrint_;

 private:
  std::string caption_;
  bool autoSize_ = true;
  bool wordWrap_ = true;
  const std::unique_ptr<TStringList> lines_ = std::make_unique<TStringList>();
};

class TQRLabel : public TQRCustomLabel {
 public:
  using TQRCustomLabel::TQRCustomLabel;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TQRMemo : public TQRCustomLabel {
 public:
  using TQRCustomLabel::TQRCustomLabel;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Older forms: "TabStop" is read and dropped.
  void DefineProperties(TFiler& filer) override;
};

// A data field's value; the caption is the field name.
class TQRDBText : public TQRCustomLabel {
 public:
  using TQRCustomLabel::TQRCustomLabel;
  // The longest old data-source name kept.
  static constexpr size_t kMaxDataSourceName = 30;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  const std::string& DataField() const { return dataField_; }
  void SetDataField(const std::string& value);
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& value) { mask_ = value; }
  // The data source an older form named ("DataSource"), at most 30 characters.
  const std::string& DataSourceName() const { return dataSourceName_; }

  void DefineProperties(TFiler& filer) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSet* dataSet_ = nullptr;
  std::string dataField_;
  std::string mask_;
  std::string dataSourceName_;
};

// An expression's value; the caption is the expression, "(none)" when it is empty.
class TQRExpr : public TQRCustomLabel {
 public:
  using TQRCustomLabel::TQRCustomLabel;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& Expression() const { return expression_; }
  void SetExpression(const std::string& value);
  // Setting the mask applies the current expression again.
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& value);
  TComponent* Master() const { return master_; }
  void SetMaster(TComponent* master);
  bool ResetAfterPrint() const { return resetAfterPrint_; }
  void SetResetAfterPrint(bool value) { resetAfterPrint_ = value; }

  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::string expression_;
  std::string mask_;
  TComponent* master_ = nullptr;
  bool resetAfterPrint_ = false;
};

// System data (time, date, page number, ...) after an optional text; the caption shows both.
class TQRSysData : public TQRCustomLabel {
 public:
  using TQRCustomLabel::TQRCustomLabel;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TQRSysDataType Data() const { return data_; }
  void SetData(TQRSysDataType value);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);

 private:
  void UpdateCaption();

  TQRSysDataType data_ = qrsTime;
  std::string text_;
};

class TQRShape : public TQRPrintable {
 public:
  explicit TQRShape(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(TBrush* brush);
  TPen* Pen() const { return pen_.get(); }
  void SetPen(TPen* pen);
  TQRShapeType Shape() const { return shape_; }
  void SetShape(TQRShapeType value) { shape_ = value; }

  // Older forms: "Visible" sets Enabled. Later versions: see TQRPrintable.
  void DefineProperties(TFiler& filer) override;

 private:
  const std::unique_ptr<TBrush> brush_ = std::make_unique<TBrush>();
  const std::unique_ptr<TPen> pen_ = std::make_unique<TPen>();
  TQRShapeType shape_ = qrsRectangle;
};

class TQRImage : public TQRPrintable {
 public:
  explicit TQRImage(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value) { autoSize_ = value; }
  bool Center() const { return center_; }
  void SetCenter(bool value) { center_ = value; }
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* picture);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }

 private:
  bool autoSize_ = false;
  bool center_ = false;
  const std::unique_ptr<TPicture> picture_ = std::make_unique<TPicture>();
  bool stretch_ = false;
};

class TQRDBImage : public TQRPrintable {
 public:
  explicit TQRDBImage(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool Center() const { return center_; }
  void SetCenter(bool value) { center_ = value; }
  const std::string& DataField() const { return dataField_; }
  void SetDataField(const std::string& value) { dataField_ = value; }
  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value) { stretch_ = value; }

  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool center_ = true;
  std::string dataField_;
  TDataSet* dataSet_ = nullptr;
  bool stretch_ = false;
};

// The rich-text editor control a rich-text printable embeds: it holds the text, its font and its
// colour. A form's own rich-edit controls are referenced through this class as well.
class TQRRichEdit : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TStringList& Lines() { return lines_; }
  TFont& Font() { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

 private:
  TStringList lines_;
  TFont font_;
  TColor color_ = clWindow;
};

class TQRCustomRichText : public TQRPrintable {
 public:
  explicit TQRCustomRichText(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Color and Font are the text's, held by the embedded editor; ControlColor() and
  // ControlFont() stay the control's own.
  TColor Color() const override { return TextColor(); }
  void SetColor(TColor color) override { editor_->SetColor(color); }
  TFont* Font() const override { return TextFont(); }
  TColor TextColor() const { return editor_->Color(); }
  TFont* TextFont() const { return &editor_->Font(); }
  TStrings* Lines() const { return &editor_->Lines(); }
  void SetLines(TStrings* lines);

 private:
  const std::unique_ptr<TQRRichEdit> editor_ = std::make_unique<TQRRichEdit>(nullptr);
};

class TQRRichText : public TQRCustomRichText {
 public:
  using TQRCustomRichText::TQRCustomRichText;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TQRRichEdit* ParentRichEdit() const { return parentRichEdit_; }
  void SetParentRichEdit(TQRRichEdit* editor);

  void Notification(TComponent* component, TOperation operation) override;

 private:
  TQRRichEdit* parentRichEdit_ = nullptr;
};

class TQRDBRichText : public TQRCustomRichText {
 public:
  using TQRCustomRichText::TQRCustomRichText;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& DataField() const { return dataField_; }
  void SetDataField(const std::string& value) { dataField_ = value; }
  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);

  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::string dataField_;
  TDataSet* dataSet_ = nullptr;
};

}  // namespace qr2vor
