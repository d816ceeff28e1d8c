#pragma once

// The printer settings a report stores: paper, margins, orientation, bin, duplex and copies,
// with the paper and bin tables. The exchange with a printer comes with the report engine.

#include <cstdint>
#include <memory>
#include <string>

#include "report/page_geometry.h"
#include "rtl/persistent.h"

namespace qr2vor {

enum TVoRPaperSize : uint8_t {
  psDefault,
  psLetter,
  psLetterSmall,
  psTabloid,
  psLedger,
  psLegal,
  psStatement,
  psExecutive,
  psA2,
  psA3,
  psA3Transverse,
  psA4,
  psA4Small,
  psA4Transverse,
  psA5,
  psB4,
  psB5,
  psFolio,
  psQuarto,
  psQr10X14,
  psQr11X17,
  psNote,
  psEnv9,
  psEnv10,
  psEnv11,
  psEnv12,
  psEnv14,
  psCSheet,
  psDSheet,
  psESheet,
  psCustom
};
enum TVoRPrinterOrientation : uint8_t { spoDefault, spoPortrait, spoLandscape };
enum TVoRBin : uint8_t {
  sbDefault,
  sbFirst,
  sbUpper,
  sbLower,
  sbMiddle,
  sbManual,
  sbEnvelope,
  sbEnvManual,
  sbAuto,
  sbTractor,
  sbSmallFormat,
  sbLargeFormat,
  sbLargeCapacity,
  sbCassette,
  sbLast
};
enum TVoRDuplex : uint8_t { sdDefault, sdNone, sdHorizontal, sdVertical };

const TEnumInfo& PaperSizeInfo();
const TEnumInfo& PrinterOrientationInfo();
const TEnumInfo& BinInfo();
const TEnumInfo& DuplexInfo();

// A row of the paper table: the printer's paper code and the size in tenths of a millimetre
// (psDefault has no size of its own: it takes the printer's).
struct TPaperInfo {
  int16_t deviceCode;
  int32_t width;
  int32_t height;
};
const TPaperInfo& PaperInfo(TVoRPaperSize paperSize);
// The printer's paper-source code of a bin.
int16_t BinDeviceCode(TVoRBin bin);

// Page margins: the printer's own unprintable margins (ByDefault) or the four numbers given.
class TVoRPageMargins : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool ByDefault() const { return byDefault_; }
  void SetByDefault(bool value) { byDefault_ = value; }
  int32_t Left() const { return left_; }
  void SetLeft(int32_t value) { left_ = value; }
  int32_t Top() const { return top_; }
  void SetTop(int32_t value) { top_ = value; }
  int32_t Right() const { return right_; }
  void SetRight(int32_t value) { right_ = value; }
  int32_t Bottom() const { return bottom_; }
  void SetBottom(int32_t value) { bottom_ = value; }

  void Assign(const TPersistent& source) override;

 private:
  bool byDefault_ = true;
  int32_t left_ = 0;
  int32_t top_ = 0;
  int32_t right_ = 0;
  int32_t bottom_ = 0;
};

class TVoRPrinter : public TPersistent {
 public:
  TVoRPrinter();

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t PrinterIndex() const { return printerIndex_; }
  // A changed index is stored and makes that printer the system's current one.
  void SetPrinterIndex(int32_t value);
  const std::string& PrinterName() const { return printerName_; }
  // A new name is looked up among the system's printers: PrinterIndex becomes its position
  // there, -1 when absent.
  void SetPrinterName(const std::string& value);
  TVoRPageMargins* Margins() const { return margins_.get(); }
  // Copies all five values.
  void SetMargins(TVoRPageMargins* margins);
  TVoRPaperSize PaperSize() const { return paperSize_; }
  // Stores the paper's width and height in tenths of a millimetre (the current printer's paper
  // for psDefault, the table's size otherwise), then the value.
  void SetPaperSize(TVoRPaperSize value);
  // Below 1 the current paper size is applied again before the value is answered.
  int32_t PaperSizeWidth() const;
  void SetPaperSizeWidth(int32_t value) { paperWidth_ = value; }
  int32_t PaperSizeHeight() const;
  void SetPaperSizeHeight(int32_t value) { paperHeight_ = value; }
  TVoRPrinterOrientation Orientation() const { return orientation_; }
  // A change between portrait and landscape exchanges width and height.
  void SetOrientation(TVoRPrinterOrientation value);
  TVoRBin OutputBin() const { return outputBin_; }
  void SetOutputBin(TVoRBin value) { outputBin_ = value; }
  TVoRDuplex Duplex() const { return duplex_; }
  void SetDuplex(TVoRDuplex value) { duplex_ = value; }
  int32_t Copies() const { return copies_; }
  void SetCopies(int32_t value) { copies_ = value; }
  bool Collate() const { return collate_; }
  void SetCollate(bool value) { collate_ = value; }

  // Copies every setting as it is stored.
  void Assign(const TPersistent& source) override;

  // The page a page is made on, in page units: the stored paper size.
  int32_t PageWidth() const { return TenthsMmToPageUnits(PaperSizeWidth()); }
  int32_t PageHeight() const { return TenthsMmToPageUnits(PaperSizeHeight()); }
  // The current printer's physical paper in page units.
  int32_t PhysicalWidth() const;
  int32_t PhysicalHeight() const;
  // The margins in page units (0 at least): with ByDefault the printer's unprintable margins,
  // otherwise the four numbers as printer dots, the right and bottom ones raised to the
  // unprintable margin.
  int32_t LeftMargin() const;
  int32_t TopMargin() const;
  int32_t RightMargin() const;
  int32_t BottomMargin() const;
  // Takes the current printer's settings: paper (its size in tenths of a millimetre), bin,
  // orientation, duplex and, as printer dots, the left and top margins. Nothing without a
  // current printer.
  void ReadFromPrinter();
  // Gives the current printer these settings (not copies and collation). Nothing without a
  // current printer.
  void ApplyToPrinter() const;

 private:
  // Stores the size of `paperSize` (mutable: reading a size below 1 applies the paper again).
  void ApplyPaperSize(TVoRPaperSize paperSize) const;

  int32_t printerIndex_ = -1;
  std::string printerName_;
  std::unique_ptr<TVoRPageMargins> margins_;
  TVoRPaperSize paperSize_ = psDefault;
  mutable int32_t paperWidth_;
  mutable int32_t paperHeight_;
  TVoRPrinterOrientation orientation_ = spoDefault;
  TVoRBin outputBin_ = sbDefault;
  TVoRDuplex duplex_ = sdDefault;
  int32_t copies_ = 1;
  bool collate_ = false;
};

}  // namespace qr2vor
