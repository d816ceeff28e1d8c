#pragma once

// The root form that a QuickReport form file is read into, the class registrations, and the
// reading of a form file as the converter does it.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "qrmodel/qr_font.h"
#include "rtl/controls.h"
#include "rtl/graphics.h"
#include "rtl/streams.h"
#include "stream/later_properties.h"

namespace qr2vor {

enum class TFormBorderStyle : uint8_t {
  bsNone,
  bsSingle,
  bsSizeable,
  bsDialog,
  bsToolWindow,
  bsSizeToolWin
};
enum TBorderIcon : uint8_t { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = uint32_t;
enum class TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TPosition : uint8_t {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };

// A plain form, never shown: the root that owns every component read from a form file and
// parents its top-level controls. It takes the root object's name and the usual form properties.
// What later versions of the toolkit publish on a form, and what a root that is itself a report
// carries as the report's own properties (Page, Frame, PrinterSettings, Units, Zoom...), is
// accepted and kept, not interpreted: LaterProperties, and the parts' own (AllLaterProperties
// names them all). Whatever else the root carries reaches the reader's error hook.
class TQRForm : public TWinControl, public TQRFontControl, public TLaterProperties {
 public:
  explicit TQRForm(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons value) { borderIcons_ = value; }
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value) { borderStyle_ = value; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value) { caption_ = value; }
  int32_t ClientHeight() const { return clientHeight_; }
  void SetClientHeight(int32_t value) { clientHeight_ = value; }
  int32_t ClientWidth() const { return clientWidth_; }
  void SetClientWidth(int32_t value) { clientWidth_ = value; }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value) { ctl3D_ = value; }
  TFont* Font() const override { return font_.get(); }
  void SetFont(TFont* font);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle value) { formStyle_ = value; }
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }
  bool OldCreateOrder() const { return oldCreateOrder_; }
  void SetOldCreateOrder(bool value) { oldCreateOrder_ = value; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  // A report created on the form turns this off, so that nothing is rescaled while reading.
  bool Scaled() const { return scaled_; }
  void SetScaled(bool value) { scaled_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value) { windowState_ = value; }
  int32_t PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int32_t value) { pixelsPerInch_ = value; }
  int32_t TextHeight() const { return textHeight_; }
  void SetTextHeight(int32_t value) { textHeight_ = value; }

  // Parts of later versions and of a report at the root, each keeping what it reads.
  TLaterPart* Constraints() const { return constraints_.get(); }
  TLaterPart* HorzScrollBar() const { return horzScrollBar_.get(); }
  TLaterPart* VertScrollBar() const { return vertScrollBar_.get(); }
  TLaterPart* Icon() const { return icon_.get(); }
  TLaterPart* ReportDescription() const { return description_.get(); }
  TLaterPart* ReportFrame() const { return frame_.get(); }
  TLaterPart* ReportFunctions() const { return functions_.get(); }
  TLaterPart* ReportPage() const { return page_.get(); }
  TLaterPart* ReportPrinterSettings() const { return printerSettings_.get(); }

  void DefineProperties(TFiler& filer) override;

  // Non-visual components first, then the controls placed on the form.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TWinControl* activeControl_ = nullptr;
  TBorderIcons borderIcons_ = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  std::string caption_;
  int32_t clientHeight_ = 0;
  int32_t clientWidth_ = 0;
  TColor color_ = clBtnFace;
  bool ctl3D_ = true;
  const std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  TFormStyle formStyle_ = TFormStyle::fsNormal;
  bool keyPreview_ = false;
  bool oldCreateOrder_ = false;
  TPosition position_ = TPosition::poDesigned;
  bool scaled_ = true;
  bool visible_ = false;
  TWindowState windowState_ = TWindowState::wsNormal;
  int32_t pixelsPerInch_ = TFont::kPixelsPerInch;
  int32_t textHeight_ = 13;
  const std::unique_ptr<TLaterPart> constraints_;
  const std::unique_ptr<TLaterPart> horzScrollBar_;
  const std::unique_ptr<TLaterPart> vertScrollBar_;
  const std::unique_ptr<TLaterPart> icon_;
  const std::unique_ptr<TLaterPart> description_;
  const std::unique_ptr<TLaterPart> frame_;
  const std::unique_ptr<TLaterPart> functions_;
  const std::unique_ptr<TLaterPart> page_;
  const std::unique_ptr<TLaterPart> printerSettings_;
  TMethod onActivate_, onClose_, onCreate_, onDestroy_, onShow_;
};

// What the QuickReport library registers for itself: TQuickRep, TQRBand, TQRGroup, TQRSubDetail,
// TQRExpr and the data sets TTable and TQuery.
void RegisterQuickReportClasses();
// What the converter registers: the fifteen QuickReport component classes, in the converter's
// order.
void RegisterConverterClasses();

// The errors a form file's reading handled through the error hook, in the order they came.
struct ReadLog {
  // Messages kept; a hostile file cannot make the log grow beyond this.
  static constexpr size_t kMaxMessages = 100000;
  std::vector<std::string> messages;
  // Messages beyond kMaxMessages, counted only.
  size_t dropped = 0;
};

// Reads a binary form file as the converter does: the resource header (else EInvalidImage
// "Invalid stream format"), then the component stream into a new root form, every recoverable
// error handled (and recorded in `log` when given), every event handler left unassigned.
// Unregistered classes are skipped with everything inside them. The classes must be registered.
std::unique_ptr<TQRForm> ReadQuickReportForm(TStream& stream, ReadLog* log = nullptr);

}  // namespace qr2vor
