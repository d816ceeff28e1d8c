#include "app/convert/mapping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include <fmt/format.h>

#include "app/convert/mask_translation.h"
#include "report/page_geometry.h"
#include "report/printer.h"
#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

template <class T>
T& ControlAt(TVoRBand& band, int index) {
  TVoRControl* control = band.Controls(index);
  if (control == nullptr) throw EListError(fmt::runtime(msg::kListIndex), index);
  return static_cast<T&>(*control);
}

TVoRBand& BandAt(TVoReport& report, int index) {
  TVoRBand* band = report.Bands(index);
  if (band == nullptr) throw EListError(fmt::runtime(msg::kListIndex), index);
  return *band;
}

// How opaque a class's controls are: labels, memos, data texts, expressions and system data
// unless Transparent is set; a data-bound image always; shapes, images and rich text never.
enum class TOpacity { Never, Always, UnlessTransparent };

// One QuickReport printable class: the report class it becomes, how the control is filled, and
// which of its stored properties that carries.
struct TPrintableClassRule {
  bool (*matches)(const TQRPrintable&);
  const TClassInfo& (*reportClass)(const TQRPrintable&);
  void (*fill)(const TQRPrintable&, TVoRControl&);
  std::initializer_list<std::string_view> carries;
  TOpacity opacity;
  // The Color and Font the form file stores are the control's own (rich text stores its
  // text's, which the report does not take).
  bool storesOwnLook;
};

template <class T>
bool Is(const TQRPrintable& printable) {
  return dynamic_cast<const T*>(&printable) != nullptr;
}

bool AnyPrintable(const TQRPrintable&) { return true; }

template <class T>
const TClassInfo& ReportClass(const TQRPrintable&) {
  return T::StaticClassInfo();
}

const TClassInfo& ShapeClass(const TQRPrintable& printable) {
  switch (static_cast<const TQRShape&>(printable).Shape()) {
    case qrsRectangle:
      return TVoRRectangle::StaticClassInfo();
    case qrsCircle:
      return TVoREllipse::StaticClassInfo();
    default:
      return TVoRLine::StaticClassInfo();
  }
}

// Alignment, word wrapping and stretching, as labels, memos, data texts and expressions copy
// them.
void CopyLabelLayout(const TQRCustomLabel& source, TVoRLabel& target) {
  target.SetAlignment(source.Alignment());
  target.SetWordWrap(source.WordWrap());
  target.SetStretch(source.AutoStretch());
}

// A memo's lines, each followed by a carriage return and a line feed, the last one included.
std::string MemoText(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) text += lines.Get(i) + "\r\n";
  return text;
}

void FillNothing(const TQRPrintable&, TVoRControl&) {}

void FillSysData(const TQRPrintable& source, TVoRControl& target) {
  if (const auto kind = MapSysDataType(static_cast<const TQRSysData&>(source).Data())) {
    static_cast<TVoRSysData&>(target).SetSysData(*kind);
  }
}

void FillShape(const TQRPrintable& source, TVoRControl& target) {
  ApplyShapeKind(static_cast<const TQRShape&>(source).Shape(), target);
}

void FillImage(const TQRPrintable& source, TVoRControl& target) {
  const auto& image = static_cast<const TQRImage&>(source);
  auto& voImage = static_cast<TVoRImage&>(target);
  voImage.SetStretch(image.Stretch());
  voImage.SetCenter(image.Center());
}

void FillDBImage(const TQRPrintable& source, TVoRControl& target) {
  const auto& image = static_cast<const TQRDBImage&>(source);
  auto& voImage = static_cast<TVoRImage&>(target);
  voImage.SetStretch(image.Stretch());
  voImage.SetCenter(image.Center());
  voImage.SetExpression(image.DataField());
}

void FillDBRichText(const TQRPrintable& source, TVoRControl& target) {
  static_cast<TVoRichText&>(target).SetExpression(
      static_cast<const TQRDBRichText&>(source).DataField());
}

void FillDBText(const TQRPrintable& source, TVoRControl& target) {
  const auto& dbText = static_cast<const TQRDBText&>(source);
  auto& expression = static_cast<TVoRExpression&>(target);
  expression.SetDisplayName(dbText.Caption());
  expression.SetExpression(dbText.DataField());
  CopyLabelLayout(dbText, expression);
}

void FillExpr(const TQRPrintable& source, TVoRControl& target) {
  const auto& expr = static_cast<const TQRExpr&>(source);
  auto& expression = static_cast<TVoRExpression&>(target);
  expression.SetDisplayName(expr.Caption());
  expression.SetExpression(expr.Expression());
  CopyLabelLayout(expr, expression);
}

void FillLabel(const TQRPrintable& source, TVoRControl& target) {
  const auto& label = static_cast<const TQRLabel&>(source);
  auto& voLabel = static_cast<TVoRLabel&>(target);
  voLabel.SetDisplayName(label.Caption());
  CopyLabelLayout(label, voLabel);
}

void FillMemo(const TQRPrintable& source, TVoRControl& target) {
  const auto& memo = static_cast<const TQRMemo&>(source);
  auto& voLabel = static_cast<TVoRLabel&>(target);
  voLabel.SetDisplayName(MemoText(*memo.Lines()));
  CopyLabelLayout(memo, voLabel);
}

// In the order of the control-class table: the first row that matches decides. The last two
// rows take printables of any other class.
const TPrintableClassRule kPrintableRules[] = {
    {Is<TQRSysData>,
     ReportClass<TVoRSysData>,
     FillSysData,
     {"Data"},
     TOpacity::UnlessTransparent,
     true},
    {Is<TQRShape>, ShapeClass, FillShape, {"Shape"}, TOpacity::Never, true},
    {Is<TQRImage>, ReportClass<TVoRImage>, FillImage, {"Stretch", "Center"}, TOpacity::Never, true},
    {Is<TQRDBImage>,
     ReportClass<TVoRImage>,
     FillDBImage,
     {"Stretch", "Center", "DataField"},
     TOpacity::Always,
     true},
    {Is<TQRRichText>, ReportClass<TVoRichText>, FillNothing, {}, TOpacity::Never, false},
    {Is<TQRDBRichText>,
     ReportClass<TVoRichText>,
     FillDBRichText,
     {"DataField"},
     TOpacity::Never,
     false},
    {Is<TQRDBText>,
     ReportClass<TVoRExpression>,
     FillDBText,
     {"Caption", "DataField", "Alignment", "WordWrap", "AutoStretch"},
     TOpacity::UnlessTransparent,
     true},
    {Is<TQRExpr>,
     ReportClass<TVoRExpression>,
     FillExpr,
     {"Caption", "Expression", "Alignment", "WordWrap", "AutoStretch"},
     TOpacity::UnlessTransparent,
     true},
    {Is<TQRLabel>,
     ReportClass<TVoRLabel>,
     FillLabel,
     {"Caption", "Alignment", "WordWrap", "AutoStretch"},
     TOpacity::UnlessTransparent,
     true},
    {Is<TQRMemo>,
     ReportClass<TVoRLabel>,
     FillMemo,
     {"Lines.Strings", "Alignment", "WordWrap", "AutoStretch"},
     TOpacity::UnlessTransparent,
     true},
    {Is<TQRCustomLabel>,
     ReportClass<TVoRLabel>,
     FillNothing,
     {},
     TOpacity::UnlessTransparent,
     true},
    {AnyPrintable, ReportClass<TVoRLabel>, FillNothing, {}, TOpacity::Never, true},
};

const TPrintableClassRule& RuleOf(const TQRPrintable& printable) {
  for (const TPrintableClassRule& rule : kPrintableRules) {
    if (rule.matches(printable)) return rule;
  }
  return std::end(kPrintableRules)[-1];
}

bool IsOpaque(const TQRPrintable& printable, TOpacity opacity) {
  switch (opacity) {
    case TOpacity::Never:
      return false;
    case TOpacity::Always:
      return true;
    case TOpacity::UnlessTransparent:
      return !printable.Transparent();
  }
  return false;
}

// The common properties. The colour and font are the control's own, also where the form file
// stores its text's (rich text).
void CopyCommon(const TQRPrintable& source, TVoRControl& target, TOpacity opacity) {
  target.SetLeft(source.Left());
  target.SetTop(source.Top());
  target.SetWidth(source.Width());
  target.SetHeight(source.Height());
  target.SetBackColor(source.ControlColor());
  target.SetFont(source.ControlFont());
  target.SetTransparent(!IsOpaque(source, opacity));
  CopyFrame(*source.Frame(), *target.Frame());
}

constexpr std::array<std::string_view, 7> kFrameProperties = {
    "Frame.Color",     "Frame.DrawTop", "Frame.DrawBottom", "Frame.DrawLeft",
    "Frame.DrawRight", "Frame.Width",   "Frame.Style"};

// --- extensions ---

constexpr std::string_view kNeverPrints = "False";

// A hidden or disabled object of the form prints never: the report file stores no visibility.
void HideIfHidden(bool enabled, TVoRControl& target, TExtensionLog& log) {
  if (enabled) return;
  target.VoPrintWhen()->SetShowIf(std::string(kNeverPrints));
  log.carried.push_back({"hidden", {"Enabled", "Visible"}, "VoPrintWhen.ShowIf = 'False'"});
}

// A printable aligned to its band is placed as it printed: flush left, flush right or centred
// by its alignment in the band's width.
void PlaceAlignedToBand(const TQRPrintable& source, const TQRCustomBand& band, TVoRControl& target,
                        TExtensionLog& log) {
  if (!source.AlignToBand()) {
    log.honoured.emplace_back("AlignToBand");
    return;
  }
  const int64_t room = int64_t{band.Width()} - source.Width();
  int64_t left = 0;
  if (source.Alignment() == taRightJustify) left = room;
  if (source.Alignment() == taCenter) left = room / 2;
  target.SetLeft(static_cast<int32_t>(std::clamp<int64_t>(left, INT32_MIN, INT32_MAX)));
  log.carried.push_back({"aligned", {"AlignToBand", "Alignment"}, fmt::format("Left = {}", left)});
}

void TranslateMask(const std::string& mask, TVoRControl& target, TExtensionLog& log) {
  if (mask.empty()) return;
  const TMaskTranslation translation = TranslateDisplayMask(mask);
  if (translation.format.empty()) {
    log.refused.push_back({"Mask", mask, translation.reason});
    return;
  }
  static_cast<TVoRExpression&>(target).SetFormat(translation.format);
  log.carried.push_back({"mask", {"Mask"}, "Format = '" + translation.format + "'"});
}

void ApplyControlExtensions(const TQRPrintable& source, const TQRCustomBand& band,
                            TVoRControl& target, TExtensionLog& log) {
  HideIfHidden(source.Enabled(), target, log);
  PlaceAlignedToBand(source, band, target, log);
  if (const auto* dbText = dynamic_cast<const TQRDBText*>(&source)) {
    TranslateMask(dbText->Mask(), target, log);
  } else if (const auto* expr = dynamic_cast<const TQRExpr*>(&source)) {
    TranslateMask(expr->Mask(), target, log);
  }
}

// A stored length in tenths of a millimetre, kept to what paper can be.
int32_t TenthsMm(double value) {
  constexpr double kLongest = 100000;  // ten metres
  if (!(value > 0)) return 0;
  return static_cast<int32_t>(std::lround(std::min(value, kLongest)));
}

// The paper, orientation, size and margins: the printer settings in the page geometry's units
// (paper in tenths of a millimetre, own margins in printer dots).
void MapPage(const TQRPage& page, TVoReport& report, TExtensionLog& log) {
  TVoRPrinter& printer = *report.PrinterSetting();
  const TVoRPaperSize paper = MapPaperSize(page.PaperSize());
  printer.SetPaperSize(paper);
  printer.SetOrientation(spoPortrait);
  if (page.Orientation() == poLandscape) printer.SetOrientation(spoLandscape);
  // The stored size is the page as it prints, already turned for landscape.
  const int32_t width = TenthsMm(page.Width());
  const int32_t length = TenthsMm(page.Length());
  if (width > 0 && length > 0) {
    printer.SetPaperSizeWidth(width);
    printer.SetPaperSizeHeight(length);
  }
  TVoRPageMargins margins;
  margins.SetByDefault(false);
  margins.SetLeft(TenthsMmToPrinterDots(TenthsMm(page.LeftMargin())));
  margins.SetTop(TenthsMmToPrinterDots(TenthsMm(page.TopMargin())));
  margins.SetRight(TenthsMmToPrinterDots(TenthsMm(page.RightMargin())));
  margins.SetBottom(TenthsMmToPrinterDots(TenthsMm(page.BottomMargin())));
  printer.SetMargins(&margins);
  log.carried.push_back(
      {"page",
       {"Page.PaperSize", "Page.Orientation", "Page.Values"},
       fmt::format("PrinterSetting: {} {}, {} x {} tenths of a millimetre, margins {} {} {} {} "
                   "dots",
                   PaperSizeInfo().NameOf(paper),
                   PrinterOrientationInfo().NameOf(printer.Orientation()), printer.PaperSizeWidth(),
                   printer.PaperSizeHeight(), margins.Left(), margins.Top(), margins.Right(),
                   margins.Bottom())});
  if (page.Columns() == 1) log.honoured.emplace_back("Page.Columns");
  if (page.Columns() > 1) {
    constexpr int32_t kMostColumns = 1000;
    report.SetColumnNumber(std::min(page.Columns(), kMostColumns));
    report.SetColumnSpace(TenthsMmToPageUnits(TenthsMm(page.ColumnSpace())));
    log.carried.push_back({"columns",
                           {"Page.Columns"},
                           fmt::format("ColumnNumber = {}, ColumnSpace = {}", report.ColumnNumber(),
                                       report.ColumnSpace())});
  }
}

void ApplyReportExtensions(const TQuickRep& quickRep, TVoReport& report, TExtensionLog& log) {
  MapPage(*quickRep.Page(), report, log);
  if (!quickRep.ReportTitle().empty()) {
    report.VoProperty()->SetTitle(quickRep.ReportTitle());
    log.carried.push_back({"title", {"ReportTitle"}, "VoProperty.Title"});
  }
  const TQRFrame& frame = *quickRep.Frame();
  CopyFrame(frame, *report.Frame());
  std::vector<std::string> frameProperties(kFrameProperties.begin(), kFrameProperties.end());
  if (frame.DrawTop() || frame.DrawBottom() || frame.DrawLeft() || frame.DrawRight()) {
    log.carried.push_back({"frame", std::move(frameProperties), "Frame"});
  } else {
    log.honoured.insert(log.honoured.end(), frameProperties.begin(), frameProperties.end());
  }
}

TMappedBand MapBand(const TQRCustomBand& source, TVoReport& report,
                    const TMappingOptions& options) {
  TVoRBand& band = BandAt(report, report.AddBand(MapBandType(source.BandType()), true));
  band.SetHeight(source.Height());
  band.SetBackColor(source.Color());
  band.SetFont(source.Font());
  CopyFrame(*source.Frame(), *band.Frame());
  const auto* group = dynamic_cast<const TQRGroup*>(&source);
  if (group != nullptr &&
      (source.BandType() == rbGroupHeader || source.BandType() == rbGroupFooter)) {
    band.SetExpression(group->Expression());
  }
  TMappedBand mapped{&source, &band, {}, {}, {}};
  if (options.extensions) HideIfHidden(source.Enabled(), band, mapped.extensions);
  for (const TControl* child : source.ControlList()) {
    const auto* printable = dynamic_cast<const TQRPrintable*>(child);
    if (printable == nullptr) {
      mapped.skipped.push_back(child);
      continue;
    }
    const TPrintableClassRule& rule = RuleOf(*printable);
    auto& control = ControlAt<TVoRControl>(band, band.AddControl(rule.reportClass(*printable)));
    CopyCommon(*printable, control, rule.opacity);
    rule.fill(*printable, control);
    TMappedControl& entry = mapped.controls.emplace_back(TMappedControl{printable, &control, {}});
    if (options.extensions) ApplyControlExtensions(*printable, source, control, entry.extensions);
  }
  return mapped;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsAnyOf(std::string_view path, std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    if (SameText(path, name)) return true;
  }
  return false;
}

bool IsFrame(std::string_view path) {
  return std::any_of(kFrameProperties.begin(), kFrameProperties.end(),
                     [path](std::string_view name) { return SameText(path, name); });
}

// The font travels whole; the old "FontSize" sets the font.
bool IsFont(std::string_view path) {
  return SameText(path, "FontSize") || StartsWith(path, "Font.");
}

bool PrintableCarries(const TQRPrintable& source, std::string_view path) {
  const TPrintableClassRule& rule = RuleOf(source);
  if (IsFrame(path) || IsAnyOf(path, {"Left", "Top", "Width", "Height", "Transparent"})) {
    return true;
  }
  if (rule.storesOwnLook && (IsFont(path) || SameText(path, "Color"))) return true;
  return IsAnyOf(path, rule.carries);
}

}  // namespace

TBandType MapBandType(TQRBandType type) {
  static constexpr std::array<TBandType, 11> kTable = {
      btReportTitle,    // rbTitle
      btPageHeader,     // rbPageHeader
      btDetail,         // rbDetail
      btPageFooter,     // rbPageFooter
      btReportSummary,  // rbSummary
      btGroupHeader,    // rbGroupHeader
      btGroupFooter,    // rbGroupFooter
      btSubDetail,      // rbSubDetail
      btColumnHeader,   // rbColumnHeader
      btNone,           // rbOverlay
      btNone,           // rbChild
  };
  return type < kTable.size() ? kTable[type] : btNone;
}

const TClassInfo& PickControlClass(const TQRPrintable& printable) {
  return RuleOf(printable).reportClass(printable);
}

std::optional<TVoRSysDataType> MapSysDataType(TQRSysDataType data) {
  switch (data) {
    case qrsTime:
      return sdTime;
    case qrsDate:
      return sdDate;
    case qrsDateTime:
      return sdDateTime;
    case qrsPageNumber:
      return sdPageNo;
    case qrsReportTitle:
      return sdReportTitle;
    case qrsDetailNo:
      return sdDetailNo;
    case qrsDetailCount:
      break;
  }
  return std::nullopt;
}

void ApplyShapeKind(TQRShapeType shape, TVoRControl& control) {
  switch (shape) {
    case qrsRectangle:
      break;
    case qrsCircle:
      static_cast<TVoREllipse&>(control).SetEllipseType(etCircle);
      break;
    case qrsVertLine:
    case qrsRightAndLeft:
      static_cast<TVoRLine&>(control).SetLineType(ltLeft);
      break;
    case qrsHorLine:
    case qrsTopAndBottom:
      static_cast<TVoRLine&>(control).SetLineType(ltTop);
      break;
  }
}

void CopyFrame(const TQRFrame& source, TVoRFrame& target) {
  const std::array<std::pair<bool, TVoFrameSide>, 4> sides = {{
      {source.DrawTop(), ftTop},
      {source.DrawBottom(), ftBottom},
      {source.DrawLeft(), ftLeft},
      {source.DrawRight(), ftRight},
  }};
  TVoFrameType frameType = target.FrameType();
  for (const auto& [drawn, side] : sides) {
    if (drawn) {
      frameType |= 1u << side;
    } else {
      frameType &= ~(1u << side);
    }
  }
  target.SetFrameType(frameType);
  target.SetColor(source.Color());
  target.SetWidth(source.Width());
  target.SetStyle(source.Style());
}

bool TExtensionLog::Carries(std::string_view path) const {
  const auto same = [path](std::string_view name) { return SameText(path, name); };
  return std::any_of(honoured.begin(), honoured.end(), same) ||
         std::any_of(carried.begin(), carried.end(), [&](const TCarriedValue& value) {
           return std::any_of(value.properties.begin(), value.properties.end(), same);
         });
}

TVoRPaperSize MapPaperSize(TQRPaperSize paper) {
  const int ordinal =
      PaperSizeInfo().Ordinal("ps" + QRPaperSizeInfo().NameOf(static_cast<int>(paper)));
  // The printer's own paper is no size a converted report can rely on.
  if (ordinal <= psDefault) return psCustom;
  return static_cast<TVoRPaperSize>(ordinal);
}

TMappedReport MapQuickReport(const TQuickRep& quickRep, TVoReport& report,
                             const TMappingOptions& options) {
  TMappedReport mapped;
  for (const TQRCustomBand* band : quickRep.BandList()) {
    mapped.bands.push_back(MapBand(*band, report, options));
  }
  if (options.extensions) ApplyReportExtensions(quickRep, report, mapped.extensions);
  return mapped;
}

bool MappingCarries(const TComponent& source, std::string_view path) {
  if (dynamic_cast<const TQuickRep*>(&source) != nullptr) {
    return IsAnyOf(path, {"Left", "Top", "Width", "Height"});
  }
  if (dynamic_cast<const TQRCustomBand*>(&source) != nullptr) {
    return IsFrame(path) || IsFont(path) ||
           IsAnyOf(path, {"Left", "Top", "Width", "Height", "Color", "BandType"}) ||
           (dynamic_cast<const TQRGroup*>(&source) != nullptr && SameText(path, "Expression"));
  }
  if (const auto* printable = dynamic_cast<const TQRPrintable*>(&source)) {
    return PrintableCarries(*printable, path);
  }
  return false;
}

}  // namespace qr2vor
