#include "qrmodel/qr_types.h"

namespace qr2vor {

const TEnumInfo& QRBandTypeInfo() {
  static const TEnumInfo info(
      "TQRBandType",
      {"rbTitle", "rbPageHeader", "rbDetail", "rbPageFooter", "rbSummary", "rbGroupHeader",
       "rbGroupFooter", "rbSubDetail", "rbColumnHeader", "rbOverlay", "rbChild"});
  return info;
}

const TEnumInfo& QRSysDataTypeInfo() {
  static const TEnumInfo info(
      "TQRSysDataType", {"qrsTime", "qrsDate", "qrsDateTime", "qrsPageNumber", "qrsReportTitle",
                         "qrsDetailCount", "qrsDetailNo"});
  return info;
}

const TEnumInfo& QRShapeTypeInfo() {
  static const TEnumInfo info("TQRShapeType", {"qrsRectangle", "qrsCircle", "qrsVertLine",
                                               "qrsHorLine", "qrsTopAndBottom", "qrsRightAndLeft"});
  return info;
}

const TEnumInfo& QRUnitInfo() {
  static const TEnumInfo info("TQRUnit", {"MM", "Inches", "Pixels", "Characters", "Native"});
  return info;
}

const TEnumInfo& QuickReportOptionInfo() {
  static const TEnumInfo info("TQuickReportOption",
                              {"FirstPageHeader", "LastPageFooter", "Compression"});
  return info;
}

const TEnumInfo& QRPaperSizeInfo() {
  static const TEnumInfo info(
      "TQRPaperSize",
      {"Default",   "Letter", "LetterSmall", "Tabloid", "Ledger", "Legal",  "Statement",
       "Executive", "A3",     "A4",          "A4Small", "A5",     "B4",     "B5",
       "Folio",     "Quarto", "qr10X14",     "qr11X17", "Note",   "Env9",   "Env10",
       "Env11",     "Env12",  "Env14",       "CSheet",  "DSheet", "ESheet", "Custom"});
  return info;
}

const TEnumInfo& QRBinInfo() {
  static const TEnumInfo info(
      "TQRBin", {"First", "Upper", "Lower", "Middle", "Manual", "Envelope", "EnvManual", "Auto",
                 "Tractor", "SmallFormat", "LargeFormat", "LargeCapacity", "Cassette", "Last"});
  return info;
}

const TEnumInfo& QRPrinterOrientationInfo() {
  static const TEnumInfo info("TPrinterOrientation", {"poPortrait", "poLandscape"});
  return info;
}

}  // namespace qr2vor
