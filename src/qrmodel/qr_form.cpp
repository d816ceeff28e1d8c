#include "qrmodel/qr_form.h"

#include "platform/data/tables.h"
#include "qrmodel/qr_bands.h"
#include "qrmodel/qr_printables.h"
#include "qrmodel/qr_references.h"
#include "stream/format.h"
#include "stream/reader.h"
#include "stream/registry.h"
#include "stream/resource.h"

namespace qr2vor {

namespace {

const TEnumInfo& BorderIconInfo() {
  static const TEnumInfo info("TBorderIcon",
                              {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
  return info;
}
const TEnumInfo& FormBorderStyleInfo() {
  static const TEnumInfo info("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog",
                                                   "bsToolWindow", "bsSizeToolWin"});
  return info;
}
const TEnumInfo& FormStyleInfo() {
  static const TEnumInfo info("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
  return info;
}
const TEnumInfo& PositionInfo() {
  static const TEnumInfo info(
      "TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                    "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"});
  return info;
}
const TEnumInfo& WindowStateInfo() {
  static const TEnumInfo info("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
  return info;
}

}  // namespace

TQRForm::TQRForm(TComponent* owner) : TWinControl(owner) {
  // Controls that follow the form's font hear of its changes.
  font_->OnChange = [this] {
    for (TControl* control : ControlList()) {
      if (auto* fontControl = dynamic_cast<TQRFontControl*>(control)) {
        fontControl->ParentFontChanged();
      }
    }
  };
}

const TClassInfo& TQRForm::StaticClassInfo() {
  using T = TQRForm;
  static const TClassInfo info =
      TClassInfo::Derive<T, TWinControl>("TQRForm")
          .Object<TWinControl>("ActiveControl", &T::ActiveControl, &T::SetActiveControl)
          .Set("BorderIcons", BorderIconInfo(), &T::BorderIcons, &T::SetBorderIcons, 0b111)
          .Enum("BorderStyle", FormBorderStyleInfo(), &T::BorderStyle, &T::SetBorderStyle,
                static_cast<int64_t>(TFormBorderStyle::bsSizeable))
          .String("Caption", &T::Caption, &T::SetCaption)
          .Integer("ClientHeight", &T::ClientHeight, &T::SetClientHeight, NoDefault)
          .Integer("ClientWidth", &T::ClientWidth, &T::SetClientWidth, NoDefault)
          .Integer("Color", &T::Color, &T::SetColor, clBtnFace, ColorType())
          .Boolean("Ctl3D", &T::Ctl3D, &T::SetCtl3D, true)
          .Object<TFont>("Font", &T::Font, &T::SetFont)
          .Enum("FormStyle", FormStyleInfo(), &T::FormStyle, &T::SetFormStyle,
                static_cast<int64_t>(TFormStyle::fsNormal))
          .Boolean("KeyPreview", &T::KeyPreview, &T::SetKeyPreview, false)
          .Boolean("OldCreateOrder", &T::OldCreateOrder, &T::SetOldCreateOrder, NoDefault)
          .Enum("Position", PositionInfo(), &T::Position, &T::SetPosition,
                static_cast<int64_t>(TPosition::poDesigned))
          .Boolean("Scaled", &T::Scaled, &T::SetScaled, true)
          .Boolean("Visible", &T::Visible, &T::SetVisible, false)
          .Enum("WindowState", WindowStateInfo(), &T::WindowState, &T::SetWindowState,
                static_cast<int64_t>(TWindowState::wsNormal))
          .Method("OnActivate", &T::onActivate_, &T::onActivate_)
          .Method("OnClose", &T::onClose_, &T::onClose_)
          .Method("OnCreate", &T::onCreate_, &T::onCreate_)
          .Method("OnDestroy", &T::onDestroy_, &T::onDestroy_)
          .Method("OnShow", &T::onShow_, &T::onShow_)
          .Integer("PixelsPerInch", &T::PixelsPerInch, &T::SetPixelsPerInch, NoDefault)
          .Integer("TextHeight", &T::TextHeight, &T::SetTextHeight, NoDefault)
          .Creatable();
  return info;
}

void TQRForm::SetActiveControl(TWinControl* control) { Retarget(*this, activeControl_, control); }

void TQRForm::SetFont(TFont* font) {
  if (font != nullptr) font_->Assign(*font);
}

void TQRForm::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* component = Components(i);
    if (!component->HasParent()) proc(component);
  }
  TWinControl::GetChildren(proc, root);
}

void TQRForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove) Forget(activeControl_, component);
}

void RegisterQuickReportClasses() {
  RegisterClass(TQuickRep::StaticClassInfo());
  RegisterClass(TQRBand::StaticClassInfo());
  RegisterClass(TQRGroup::StaticClassInfo());
  RegisterClass(TQRSubDetail::StaticClassInfo());
  RegisterClass(TQRExpr::StaticClassInfo());
  RegisterClass(TTable::StaticClassInfo());
  RegisterClass(TQuery::StaticClassInfo());
}

void RegisterConverterClasses() {
  for (const TClassInfo* type : {
           &TQuickRep::StaticClassInfo(),
           &TQRSubDetail::StaticClassInfo(),
           &TQRBand::StaticClassInfo(),
           &TQRChildBand::StaticClassInfo(),
           &TQRGroup::StaticClassInfo(),
           &TQRLabel::StaticClassInfo(),
           &TQRDBText::StaticClassInfo(),
           &TQRExpr::StaticClassInfo(),
           &TQRSysData::StaticClassInfo(),
           &TQRMemo::StaticClassInfo(),
           &TQRRichText::StaticClassInfo(),
           &TQRDBRichText::StaticClassInfo(),
           &TQRShape::StaticClassInfo(),
           &TQRImage::StaticClassInfo(),
           &TQRDBImage::StaticClassInfo(),
       }) {
    RegisterClass(*type);
  }
}

std::unique_ptr<TQRForm> ReadQuickReportForm(TStream& stream, ReadLog* log) {
  auto form = std::make_unique<TQRForm>(nullptr);
  ReadResHeader(stream);
  TReader reader(stream, kFilerBufferSize);
  reader.OnError = [log](TReader&, const std::string& message, bool& handled) {
    handled = true;
    if (log == nullptr) return;
    if (log->messages.size() < ReadLog::kMaxMessages) {
      log->messages.push_back(message);
    } else {
      ++log->dropped;
    }
  };
  reader.OnFindMethod = [](TReader&, const std::string&, bool& found, bool& error) {
    found = false;
    error = false;
  };
  reader.ReadRootComponent(form.get());
  return form;
}

}  // namespace qr2vor
