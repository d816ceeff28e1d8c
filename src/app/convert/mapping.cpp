#include "app/convert/mapping.h"

#include <array>

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

// Labels, memos, data texts, expressions and system data are opaque unless Transparent is set;
// a data-bound image always is; shapes, images and rich text never are.
bool IsOpaque(const TQRPrintable& printable) {
  if (dynamic_cast<const TQRCustomLabel*>(&printable) != nullptr) return !printable.Transparent();
  return dynamic_cast<const TQRDBImage*>(&printable) != nullptr;
}

void CopyCommon(const TQRPrintable& source, TVoRControl& target) {
  target.SetLeft(source.Left());
  target.SetTop(source.Top());
  target.SetWidth(source.Width());
  target.SetHeight(source.Height());
  target.SetBackColor(source.Color());
  target.SetFont(source.Font());
  target.SetTransparent(!IsOpaque(source));
  CopyFrame(*source.Frame(), *target.Frame());
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

void CopyClassSpecific(const TQRPrintable& source, TVoRControl& target) {
  if (const auto* sysData = dynamic_cast<const TQRSysData*>(&source)) {
    if (const auto kind = MapSysDataType(sysData->Data())) {
      static_cast<TVoRSysData&>(target).SetSysData(*kind);
    }
  } else if (const auto* shape = dynamic_cast<const TQRShape*>(&source)) {
    ApplyShapeKind(shape->Shape(), target);
  } else if (const auto* image = dynamic_cast<const TQRImage*>(&source)) {
    auto& voImage = static_cast<TVoRImage&>(target);
    voImage.SetStretch(image->Stretch());
    voImage.SetCenter(image->Center());
  } else if (const auto* dbImage = dynamic_cast<const TQRDBImage*>(&source)) {
    auto& voImage = static_cast<TVoRImage&>(target);
    voImage.SetStretch(dbImage->Stretch());
    voImage.SetCenter(dbImage->Center());
    voImage.SetExpression(dbImage->DataField());
  } else if (const auto* dbRichText = dynamic_cast<const TQRDBRichText*>(&source)) {
    static_cast<TVoRichText&>(target).SetExpression(dbRichText->DataField());
  } else if (const auto* dbText = dynamic_cast<const TQRDBText*>(&source)) {
    auto& expression = static_cast<TVoRExpression&>(target);
    expression.SetDisplayName(dbText->Caption());
    expression.SetExpression(dbText->DataField());
    CopyLabelLayout(*dbText, expression);
  } else if (const auto* expr = dynamic_cast<const TQRExpr*>(&source)) {
    auto& expression = static_cast<TVoRExpression&>(target);
    expression.SetDisplayName(expr->Caption());
    expression.SetExpression(expr->Expression());
    CopyLabelLayout(*expr, expression);
  } else if (const auto* label = dynamic_cast<const TQRLabel*>(&source)) {
    auto& voLabel = static_cast<TVoRLabel&>(target);
    voLabel.SetDisplayName(label->Caption());
    CopyLabelLayout(*label, voLabel);
  } else if (const auto* memo = dynamic_cast<const TQRMemo*>(&source)) {
    auto& voLabel = static_cast<TVoRLabel&>(target);
    voLabel.SetDisplayName(MemoText(*memo->Lines()));
    CopyLabelLayout(*memo, voLabel);
  }
}

TMappedBand MapBand(const TQRCustomBand& source, TVoReport& report) {
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
  TMappedBand mapped{&source, &band, {}, {}};
  for (const TControl* child : source.ControlList()) {
    const auto* printable = dynamic_cast<const TQRPrintable*>(child);
    if (printable == nullptr) {
      mapped.skipped.push_back(child);
      continue;
    }
    auto& control = ControlAt<TVoRControl>(band, band.AddControl(PickControlClass(*printable)));
    CopyCommon(*printable, control);
    CopyClassSpecific(*printable, control);
    mapped.controls.push_back({printable, &control});
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

// The frame and font travel whole; the old "FontSize" sets the font.
bool IsFrameOrFont(std::string_view path) {
  return IsAnyOf(path, {"Frame.Color", "Frame.DrawTop", "Frame.DrawBottom", "Frame.DrawLeft",
                        "Frame.DrawRight", "Frame.Width", "Frame.Style", "FontSize"}) ||
         StartsWith(path, "Font.");
}

bool PrintableCarries(const TQRPrintable& source, std::string_view path) {
  if (IsFrameOrFont(path) ||
      IsAnyOf(path, {"Left", "Top", "Width", "Height", "Color", "Transparent"})) {
    return true;
  }
  const bool labelLayout = IsAnyOf(path, {"Alignment", "WordWrap", "AutoStretch"});
  if (dynamic_cast<const TQRSysData*>(&source) != nullptr) return SameText(path, "Data");
  if (dynamic_cast<const TQRShape*>(&source) != nullptr) return SameText(path, "Shape");
  if (dynamic_cast<const TQRImage*>(&source) != nullptr) {
    return IsAnyOf(path, {"Stretch", "Center"});
  }
  if (dynamic_cast<const TQRDBImage*>(&source) != nullptr) {
    return IsAnyOf(path, {"Stretch", "Center", "DataField"});
  }
  if (dynamic_cast<const TQRDBRichText*>(&source) != nullptr) return SameText(path, "DataField");
  if (dynamic_cast<const TQRDBText*>(&source) != nullptr) {
    return labelLayout || IsAnyOf(path, {"Caption", "DataField"});
  }
  if (dynamic_cast<const TQRExpr*>(&source) != nullptr) {
    return labelLayout || IsAnyOf(path, {"Caption", "Expression"});
  }
  if (dynamic_cast<const TQRLabel*>(&source) != nullptr) {
    return labelLayout || SameText(path, "Caption");
  }
  if (dynamic_cast<const TQRMemo*>(&source) != nullptr) {
    return labelLayout || SameText(path, "Lines.Strings");
  }
  return false;
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
  if (dynamic_cast<const TQRSysData*>(&printable) != nullptr) {
    return TVoRSysData::StaticClassInfo();
  }
  if (const auto* shape = dynamic_cast<const TQRShape*>(&printable)) {
    switch (shape->Shape()) {
      case qrsRectangle:
        return TVoRRectangle::StaticClassInfo();
      case qrsCircle:
        return TVoREllipse::StaticClassInfo();
      default:
        return TVoRLine::StaticClassInfo();
    }
  }
  if (dynamic_cast<const TQRImage*>(&printable) != nullptr ||
      dynamic_cast<const TQRDBImage*>(&printable) != nullptr) {
    return TVoRImage::StaticClassInfo();
  }
  if (dynamic_cast<const TQRRichText*>(&printable) != nullptr ||
      dynamic_cast<const TQRDBRichText*>(&printable) != nullptr) {
    return TVoRichText::StaticClassInfo();
  }
  if (dynamic_cast<const TQRDBText*>(&printable) != nullptr ||
      dynamic_cast<const TQRExpr*>(&printable) != nullptr) {
    return TVoRExpression::StaticClassInfo();
  }
  return TVoRLabel::StaticClassInfo();
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

std::vector<TMappedBand> MapQuickReport(const TQuickRep& quickRep, TVoReport& report) {
  std::vector<TMappedBand> bands;
  for (const TQRCustomBand* band : quickRep.BandList()) bands.push_back(MapBand(*band, report));
  return bands;
}

bool MappingCarries(const TComponent& source, std::string_view path) {
  if (dynamic_cast<const TQuickRep*>(&source) != nullptr) {
    return IsAnyOf(path, {"Left", "Top", "Width", "Height"});
  }
  if (dynamic_cast<const TQRCustomBand*>(&source) != nullptr) {
    return IsFrameOrFont(path) ||
           IsAnyOf(path, {"Left", "Top", "Width", "Height", "Color", "BandType"}) ||
           (dynamic_cast<const TQRGroup*>(&source) != nullptr && SameText(path, "Expression"));
  }
  if (const auto* printable = dynamic_cast<const TQRPrintable*>(&source)) {
    return PrintableCarries(*printable, path);
  }
  return false;
}

}  // namespace qr2vor
