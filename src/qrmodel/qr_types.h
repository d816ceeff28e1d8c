#pragma once

// The enumerations of the QuickReport classes, with their ordinal values and stream names.

#include <cstdint>

#include "rtl/alignment.h"
#include "rtl/typinfo.h"

namespace qr2vor {

enum TQRBandType : uint8_t {
  rbTitle,
  rbPageHeader,
  rbDetail,
  rbPageFooter,
  rbSummary,
  rbGroupHeader,
  rbGroupFooter,
  rbSubDetail,
  rbColumnHeader,
  rbOverlay,
  rbChild
};

enum TQRSysDataType : uint8_t {
  qrsTime,
  qrsDate,
  qrsDateTime,
  qrsPageNumber,
  qrsReportTitle,
  qrsDetailCount,
  qrsDetailNo
};

enum TQRShapeType : uint8_t {
  qrsRectangle,
  qrsCircle,
  qrsVertLine,
  qrsHorLine,
  qrsTopAndBottom,
  qrsRightAndLeft
};

// Stream names without a prefix ("MM", "Inches").
enum TQRUnit : uint8_t { MM, Inches, Pixels, Characters, Native };

enum TQuickReportOption : uint8_t { FirstPageHeader, LastPageFooter, Compression };
// A set of TQuickReportOption: bit n stands for the option of ordinal n.
using TQuickReportOptions = uint32_t;

// Paper sizes and bins are scoped: their stream names ("A4", "Default", "Auto") would clash.
enum class TQRPaperSize : uint8_t {
  Default,
  Letter,
  LetterSmall,
  Tabloid,
  Ledger,
  Legal,
  Statement,
  Executive,
  A3,
  A4,
  A4Small,
  A5,
  B4,
  B5,
  Folio,
  Quarto,
  qr10X14,
  qr11X17,
  Note,
  Env9,
  Env10,
  Env11,
  Env12,
  Env14,
  CSheet,
  DSheet,
  ESheet,
  Custom
};

enum class TQRBin : uint8_t {
  First,
  Upper,
  Lower,
  Middle,
  Manual,
  Envelope,
  EnvManual,
  Auto,
  Tractor,
  SmallFormat,
  LargeFormat,
  LargeCapacity,
  Cassette,
  Last
};

// From the windowing toolkit.
enum TPrinterOrientation : uint8_t { poPortrait, poLandscape };

const TEnumInfo& QRBandTypeInfo();
const TEnumInfo& QRSysDataTypeInfo();
const TEnumInfo& QRShapeTypeInfo();
const TEnumInfo& QRUnitInfo();
const TEnumInfo& QuickReportOptionInfo();
const TEnumInfo& QRPaperSizeInfo();
const TEnumInfo& QRBinInfo();
// Not the report printer's orientation, which has other values.
const TEnumInfo& QRPrinterOrientationInfo();

}  // namespace qr2vor
