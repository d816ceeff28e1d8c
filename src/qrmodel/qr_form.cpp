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

using enum TLaterValue;

// What later versions of the toolkit publish on forms and the controls that are forms' roots.
constexpr TLaterProperty kFormLater[] = {
    {"Align", lvIdent},
    {"Anchors", lvSet},
    {"AutoScroll", lvBoolean},
    {"AutoSize", lvBoolean},
    {"BackImageControl", lvString},
    {"BiDiMode", lvIdent},
    {"DesignSize", lvList},
    {"ExplicitHeight", lvInteger},
    {"ExplicitWidth", lvInteger},
    {"HelpType", lvIdent},
    {"Menu", lvIdent},
    {"OnCanResize", lvIdent},
    {"OnClick", lvIdent},
    {"OnCloseQuery", lvIdent},
    {"OnKeyDown", lvIdent},
    {"ParentBiDiMode", lvBoolean},
    {"PrintScale", lvIdent},
    {"UseDockManager", lvBoolean},
};
constexpr TLaterProperty kConstraints[] = {
    {"MaxHeight", lvInteger},
    {"MaxWidth", lvInteger},
    {"MinHeight", lvInteger},
    {"MinWidth", lvInteger},
};
constexpr TLaterProperty kScrollBar[] = {
    {"Position", lvInteger}, {"Range", lvInteger}, {"Size", lvInteger}};
constexpr TLaterProperty kIcon[] = {{"Data", lvBinary}};

// A root that is itself a report carries the report's own properties; the report is not built
// from them (the converter finds the report it converts among the components).
constexpr TLaterProperty kReportRoot[] = {
    {"AfterPreview", lvIdent},   {"AfterPrint", lvIdent},   {"BeforePrint", lvIdent},
    {"DataSet", lvIdent},        {"OnEndPage", lvIdent},    {"OnNeedData", lvIdent},
    {"OnPreview", lvIdent},      {"OnStartPage", lvIdent},  {"Options", lvSet},
    {"PrintIfEmpty", lvBoolean}, {"ReportTitle", lvString}, {"ShowProgress", lvBoolean},
    {"SnapToGrid", lvBoolean},   {"Units", lvIdent},        {"Zoom", lvInteger},
};
constexpr TLaterProperty kReportDescription[] = {{"Strings", lvList}};
constexpr TLaterProperty kReportFrame[] = {
    {"Color", lvOrdinal},     {"DrawBottom", lvBoolean}, {"DrawLeft", lvBoolean},
    {"DrawRight", lvBoolean}, {"DrawTop", lvBoolean},    {"Style", lvIdent},
    {"Width", lvInteger},
};
constexpr TLaterProperty kReportPage[] = {
    {"Columns", lvInteger}, {"Orientation", lvIdent}, {"PaperSize", lvIdent},
    {"Ruler", lvBoolean},   {"Values", lvList},
};
constexpr TLaterProperty kReportPrinterSettings[] = {
    {"Copies", lvInteger},   {"Duplex", lvBoolean},  {"FirstPage", lvInteger},
    {"LastPage", lvInteger}, {"OutputBin", lvIdent},
};

}  // namespace

TQRForm::TQRForm(TComponent* owner)
    : TWinControl(owner),
      constraints_(std::make_unique<TLaterPart>(kConstraints)),
      horzScrollBar_(std::make_unique<TLaterPart>(kScrollBar)),
      vertScrollBar_(std::make_unique<TLaterPart>(kScrollBar)),
      icon_(std::make_unique<TLaterPart>(kIcon)),
      description_(std::make_unique<TLaterPart>(kReportDescription)),
      frame_(std::make_unique<TLaterPart>(kReportFrame)),
      functions_(std::make_unique<TLaterPart>(QuickRepFunctionsProperties())),
      page_(std::make_unique<TLaterPart>(kReportPage, PageLaterProperties())),
      printerSettings_(
          std::make_unique<TLaterPart>(kReportPrinterSettings, PrinterSettingsLaterProperties())) {
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
          .Object<TLaterPart>("Constraints", &T::Constraints, nullptr)
          .Object<TLaterPart>("HorzScrollBar", &T::HorzScrollBar, nullptr)
          .Object<TLaterPart>("VertScrollBar", &T::VertScrollBar, nullptr)
          .Object<TLaterPart>("Icon", &T::Icon, nullptr)
          .Object<TLaterPart>("Description", &T::ReportDescription, nullptr)
          .Object<TLaterPart>("Frame", &T::ReportFrame, nullptr)
          .Object<TLaterPart>("Functions", &T::ReportFunctions, nullptr)
          .Object<TLaterPart>("Page", &T::ReportPage, nullptr)
          .Object<TLaterPart>("PrinterSettings", &T::ReportPrinterSettings, nullptr)
          .Creatable();
  return info;
}

void TQRForm::DefineProperties(TFiler& filer) {
  TWinControl::DefineProperties(filer);
  DefineLaterProperties(filer, kFormLater);
  DefineLaterProperties(filer, kReportRoot);
  DefineLaterProperties(filer, QuickRepLaterProperties());
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
