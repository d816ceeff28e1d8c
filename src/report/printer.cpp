#include "report/printer.h"

#include <iterator>
#include <utility>

#include "report/virtual_printer.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

constexpr TPaperInfo kPapers[] = {
    {0, 0, 0},        {1, 2159, 2794},  {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},
    {5, 2159, 3556},  {6, 1397, 2159},  {7, 1905, 2540},  {66, 4200, 5940}, {8, 2970, 4200},
    {67, 4200, 2970}, {9, 2100, 2970},  {10, 2100, 2970}, {55, 2970, 2100}, {11, 1480, 2100},
    {12, 2500, 3540}, {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750}, {16, 2540, 3556},
    {17, 2794, 4318}, {18, 2159, 2790}, {19, 984, 2254},  {20, 1048, 2413}, {21, 1143, 2635},
    {22, 1016, 2794}, {23, 1270, 2921}, {24, 1000, 1000}, {25, 1000, 1000}, {26, 1000, 1000},
    {256, 0, 1},
};
static_assert(std::size(kPapers) == psCustom + 1);

constexpr int16_t kBinCodes[] = {256, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15};
static_assert(std::size(kBinCodes) == sbLast + 1);

int32_t NotNegative(int32_t value) { return value < 0 ? 0 : value; }

}  // namespace

const TEnumInfo& PaperSizeInfo() {
  static const TEnumInfo info(
      "TVoRPaperSize",
      {"psDefault",   "psLetter",       "psLetterSmall", "psTabloid", "psLedger",       "psLegal",
       "psStatement", "psExecutive",    "psA2",          "psA3",      "psA3Transverse", "psA4",
       "psA4Small",   "psA4Transverse", "psA5",          "psB4",      "psB5",           "psFolio",
       "psQuarto",    "psQr10X14",      "psQr11X17",     "psNote",    "psEnv9",         "psEnv10",
       "psEnv11",     "psEnv12",        "psEnv14",       "psCSheet",  "psDSheet",       "psESheet",
       "psCustom"});
  return info;
}

const TEnumInfo& PrinterOrientationInfo() {
  static const TEnumInfo info("TVoRPrinterOrientation",
                              {"spoDefault", "spoPortrait", "spoLandscape"});
  return info;
}

const TEnumInfo& BinInfo() {
  static const TEnumInfo info("TVoRBin",
                              {"sbDefault", "sbFirst", "sbUpper", "sbLower", "sbMiddle", "sbManual",
                               "sbEnvelope", "sbEnvManual", "sbAuto", "sbTractor", "sbSmallFormat",
                               "sbLargeFormat", "sbLargeCapacity", "sbCassette", "sbLast"});
  return info;
}

const TEnumInfo& DuplexInfo() {
  static const TEnumInfo info("TVoRDuplex", {"sdDefault", "sdNone", "sdHorizontal", "sdVertical"});
  return info;
}

const TPaperInfo& PaperInfo(TVoRPaperSize paperSize) { return kPapers[paperSize]; }

int16_t BinDeviceCode(TVoRBin bin) { return kBinCodes[bin]; }

// TVoRPageMargins

const TClassInfo& TVoRPageMargins::StaticClassInfo() {
  using T = TVoRPageMargins;
  static const TClassInfo info = TClassInfo::Derive<T, TPersistent>("TVoRPageMargins")
                                     .Boolean("ByDefault", &T::ByDefault, &T::SetByDefault, true)
                                     .Integer("Left", &T::Left, &T::SetLeft, NoDefault)
                                     .Integer("Top", &T::Top, &T::SetTop, NoDefault)
                                     .Integer("Right", &T::Right, &T::SetRight, NoDefault)
                                     .Integer("Bottom", &T::Bottom, &T::SetBottom, NoDefault);
  return info;
}

void TVoRPageMargins::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRPageMargins*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  byDefault_ = other->byDefault_;
  left_ = other->left_;
  top_ = other->top_;
  right_ = other->right_;
  bottom_ = other->bottom_;
}

// TVoRPrinter

// A new object holds the letter size while PaperSize says psDefault.
TVoRPrinter::TVoRPrinter()
    : margins_(std::make_unique<TVoRPageMargins>()),
      paperWidth_(kPapers[psLetter].width),
      paperHeight_(kPapers[psLetter].height) {}

const TClassInfo& TVoRPrinter::StaticClassInfo() {
  using T = TVoRPrinter;
  static const TClassInfo info =
      TClassInfo::Derive<T, TPersistent>("TVoRPrinter")
          .Integer("PrinterIndex", &T::PrinterIndex, &T::SetPrinterIndex, -1)
          .String("PrinterName", &T::PrinterName, &T::SetPrinterName)
          .Object<TVoRPageMargins>("Margins", &T::Margins, &T::SetMargins)
          .Enum("PaperSize", PaperSizeInfo(), &T::PaperSize, &T::SetPaperSize, psDefault)
          .Integer("PaperSizeWidth", &T::PaperSizeWidth, &T::SetPaperSizeWidth, NoDefault)
          .Integer("PaperSizeHeight", &T::PaperSizeHeight, &T::SetPaperSizeHeight, NoDefault)
          .Enum("Orientation", PrinterOrientationInfo(), &T::Orientation, &T::SetOrientation,
                spoDefault)
          .Enum("OutputBin", BinInfo(), &T::OutputBin, &T::SetOutputBin, sbDefault)
          .Enum("Duplex", DuplexInfo(), &T::Duplex, &T::SetDuplex, sdDefault)
          .Integer("Copies", &T::Copies, &T::SetCopies, 1)
          .Boolean("Collate", &T::Collate, &T::SetCollate, NoDefault);
  return info;
}

void TVoRPrinter::SetPrinterIndex(int32_t value) {
  if (value == printerIndex_) return;
  printerIndex_ = value;
  TVirtualPrinter::Instance().SetPrinterIndex(value);
}

void TVoRPrinter::SetPrinterName(const std::string& value) {
  if (value == printerName_) return;
  printerName_ = value;
  const auto& printers = TVirtualPrinter::Instance().Printers();
  int32_t index = -1;
  for (size_t i = 0; i < printers.size(); ++i) {
    if (printers[i] == value) {
      index = static_cast<int32_t>(i);
      break;
    }
  }
  SetPrinterIndex(index);
}

void TVoRPrinter::SetMargins(TVoRPageMargins* margins) {
  if (margins != nullptr) margins_->Assign(*margins);
}

void TVoRPrinter::ApplyPaperSize(TVoRPaperSize paperSize) const {
  if (paperSize == psDefault) {
    paperWidth_ = TVirtualPrinter::Instance().PaperWidthTenthsMm();
    paperHeight_ = TVirtualPrinter::Instance().PaperHeightTenthsMm();
  } else {
    paperWidth_ = kPapers[paperSize].width;
    paperHeight_ = kPapers[paperSize].height;
  }
}

void TVoRPrinter::SetPaperSize(TVoRPaperSize value) {
  ApplyPaperSize(value);
  paperSize_ = value;
}

int32_t TVoRPrinter::PaperSizeWidth() const {
  if (paperWidth_ < 1) ApplyPaperSize(paperSize_);
  return paperWidth_;
}

int32_t TVoRPrinter::PaperSizeHeight() const {
  if (paperHeight_ < 1) ApplyPaperSize(paperSize_);
  return paperHeight_;
}

void TVoRPrinter::SetOrientation(TVoRPrinterOrientation value) {
  const bool turns = (orientation_ == spoPortrait && value == spoLandscape) ||
                     (orientation_ == spoLandscape && value == spoPortrait);
  if (turns) {
    const int32_t width = PaperSizeWidth();
    const int32_t height = PaperSizeHeight();
    paperWidth_ = height;
    paperHeight_ = width;
  }
  orientation_ = value;
}

void TVoRPrinter::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRPrinter*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  printerIndex_ = other->printerIndex_;
  printerName_ = other->printerName_;
  margins_->Assign(*other->margins_);
  paperSize_ = other->paperSize_;
  paperWidth_ = other->paperWidth_;
  paperHeight_ = other->paperHeight_;
  orientation_ = other->orientation_;
  outputBin_ = other->outputBin_;
  duplex_ = other->duplex_;
  copies_ = other->copies_;
  collate_ = other->collate_;
}

int32_t TVoRPrinter::PhysicalWidth() const {
  return PrinterDotsToPageUnits(TVirtualPrinter::Instance().PhysicalWidth());
}

int32_t TVoRPrinter::PhysicalHeight() const {
  return PrinterDotsToPageUnits(TVirtualPrinter::Instance().PhysicalHeight());
}

int32_t TVoRPrinter::LeftMargin() const {
  const int32_t dots =
      margins_->ByDefault() ? TVirtualPrinter::Instance().PhysicalOffsetX() : margins_->Left();
  return NotNegative(PrinterDotsToPageUnits(dots));
}

int32_t TVoRPrinter::TopMargin() const {
  const int32_t dots =
      margins_->ByDefault() ? TVirtualPrinter::Instance().PhysicalOffsetY() : margins_->Top();
  return NotNegative(PrinterDotsToPageUnits(dots));
}

int32_t TVoRPrinter::RightMargin() const {
  const int32_t unprintable = PhysicalWidth() - LeftMargin() -
                              PrinterDotsToPageUnits(TVirtualPrinter::Instance().PrintableWidth());
  if (margins_->ByDefault()) return NotNegative(unprintable);
  const int32_t right = PrinterDotsToPageUnits(margins_->Right());
  return NotNegative(right < unprintable ? unprintable : right);
}

int32_t TVoRPrinter::BottomMargin() const {
  const int32_t unprintable = PhysicalHeight() - TopMargin() -
                              PrinterDotsToPageUnits(TVirtualPrinter::Instance().PrintableHeight());
  if (margins_->ByDefault()) return NotNegative(unprintable);
  const int32_t bottom = PrinterDotsToPageUnits(margins_->Bottom());
  return NotNegative(bottom < unprintable ? unprintable : bottom);
}

void TVoRPrinter::ReadFromPrinter() {
  TVirtualPrinter& printer = TVirtualPrinter::Instance();
  TPrinterNames names;
  TDeviceMode mode;
  if (!printer.GetPrinter(names, mode)) return;
  TVoRPaperSize paper = psDefault;
  if ((mode.fields & dmPaperSize) != 0) {
    for (int row = psLetter; row <= psCustom; ++row) {
      if (kPapers[row].deviceCode == mode.paperSize) {
        paper = static_cast<TVoRPaperSize>(row);
        break;
      }
    }
  }
  SetPaperSize(paper);
  paperWidth_ = printer.PaperWidthTenthsMm();
  paperHeight_ = printer.PaperHeightTenthsMm();
  margins_->SetLeft(
      NotNegative(margins_->ByDefault() ? printer.PhysicalOffsetX() : margins_->Left()));
  margins_->SetTop(
      NotNegative(margins_->ByDefault() ? printer.PhysicalOffsetY() : margins_->Top()));
  outputBin_ = sbFirst;
  if ((mode.fields & dmDefaultSource) != 0) {
    for (int bin = sbFirst; bin <= sbLast; ++bin) {
      if (kBinCodes[bin] == mode.defaultSource) {
        outputBin_ = static_cast<TVoRBin>(bin);
        break;
      }
    }
  }
  const bool landscape =
      (mode.fields & dmOrientation) != 0 && mode.orientation == kDeviceOrientationLandscape;
  SetOrientation(landscape ? spoLandscape : spoPortrait);
  if ((mode.fields & dmDuplex) != 0 && mode.duplex >= sdNone && mode.duplex <= sdVertical) {
    duplex_ = static_cast<TVoRDuplex>(mode.duplex);
  }
}

void TVoRPrinter::ApplyToPrinter() const {
  TVirtualPrinter& printer = TVirtualPrinter::Instance();
  TPrinterNames names;
  TDeviceMode mode;
  if (!printer.GetPrinter(names, mode)) return;
  if (paperSize_ == psCustom) {
    mode.paperWidth = static_cast<int16_t>(PaperSizeWidth());
    mode.paperLength = static_cast<int16_t>(PaperSizeHeight());
    mode.fields |= dmPaperWidth | dmPaperLength;
  } else if (paperSize_ != psDefault && (mode.fields & dmPaperSize) != 0) {
    // A paper code replaces a custom size given before.
    mode.paperSize = kPapers[paperSize_].deviceCode;
    mode.fields &= ~static_cast<uint32_t>(dmPaperWidth | dmPaperLength);
  }
  if (outputBin_ != sbDefault && (mode.fields & dmDefaultSource) != 0) {
    mode.defaultSource = kBinCodes[outputBin_];
  }
  if (orientation_ != spoDefault && (mode.fields & dmOrientation) != 0) {
    mode.orientation =
        orientation_ == spoPortrait ? kDeviceOrientationPortrait : kDeviceOrientationLandscape;
  }
  if (duplex_ != sdDefault && (mode.fields & dmDuplex) != 0) mode.duplex = duplex_;
  printer.SetPrinter(names, mode);
}

}  // namespace qr2vor
