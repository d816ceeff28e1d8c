#include "report/virtual_printer.h"

#include <utility>

#include "report/page_geometry.h"
#include "report/printer.h"

namespace qr2vor {

TVirtualPrinter& TVirtualPrinter::Instance() {
  static TVirtualPrinter printer;
  return printer;
}

void TVirtualPrinter::Reset() {
  printers_ = {kName};
  printerIndex_ = 0;
  mode_ = TDeviceMode{};
  mode_.fields = dmOrientation | dmPaperSize | dmCopies | dmDefaultSource | dmDuplex;
}

void TVirtualPrinter::SetPrinterIndex(int32_t index) {
  if (index >= 0 && index < static_cast<int32_t>(printers_.size())) printerIndex_ = index;
}

bool TVirtualPrinter::GetPrinter(TPrinterNames& names, TDeviceMode& mode) const {
  if (!HasCurrentPrinter()) return false;
  names = {printers_[printerIndex_], "qr2vor", "FILE:"};
  mode = mode_;
  return true;
}

void TVirtualPrinter::SetPrinter(const TPrinterNames&, const TDeviceMode& mode) {
  if (HasCurrentPrinter()) mode_ = mode;
}

void TVirtualPrinter::PaperTenthsMm(int32_t& width, int32_t& height) const {
  if ((mode_.fields & dmPaperWidth) != 0 && (mode_.fields & dmPaperLength) != 0 &&
      mode_.paperWidth > 0 && mode_.paperLength > 0) {
    width = mode_.paperWidth;
    height = mode_.paperLength;
    return;
  }
  width = PaperInfo(psLetter).width;
  height = PaperInfo(psLetter).height;
  if ((mode_.fields & dmPaperSize) == 0) return;
  for (int paper = psLetter; paper < psCustom; ++paper) {
    const TPaperInfo& info = PaperInfo(static_cast<TVoRPaperSize>(paper));
    if (info.deviceCode == mode_.paperSize) {
      width = info.width;
      height = info.height;
      return;
    }
  }
}

int32_t TVirtualPrinter::PaperWidthTenthsMm() const {
  int32_t width = 0;
  int32_t height = 0;
  PaperTenthsMm(width, height);
  const bool landscape =
      (mode_.fields & dmOrientation) != 0 && mode_.orientation == kDeviceOrientationLandscape;
  return landscape ? height : width;
}

int32_t TVirtualPrinter::PaperHeightTenthsMm() const {
  int32_t width = 0;
  int32_t height = 0;
  PaperTenthsMm(width, height);
  const bool landscape =
      (mode_.fields & dmOrientation) != 0 && mode_.orientation == kDeviceOrientationLandscape;
  return landscape ? width : height;
}

int32_t TVirtualPrinter::PhysicalWidth() const {
  return TenthsMmToPrinterDots(PaperWidthTenthsMm());
}

int32_t TVirtualPrinter::PhysicalHeight() const {
  return TenthsMmToPrinterDots(PaperHeightTenthsMm());
}

}  // namespace qr2vor
