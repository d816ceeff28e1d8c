#pragma once

// The system printer, replaced by a virtual one: one printer in the system's list, 600 dots per
// inch, its paper and settings held in a device-mode record that the printer settings read and
// write. Its unprintable margins are fixed: 150 dots (a quarter inch) on every side.

#include <cstdint>
#include <string>
#include <vector>

namespace qr2vor {

// Which fields of a device-mode record are present.
enum TDeviceModeField : uint32_t {
  dmOrientation = 0x0001,
  dmPaperSize = 0x0002,
  dmPaperLength = 0x0004,
  dmPaperWidth = 0x0008,
  dmCopies = 0x0100,
  dmDefaultSource = 0x0200,
  dmDuplex = 0x1000,
};

inline constexpr int16_t kDeviceOrientationPortrait = 1;
inline constexpr int16_t kDeviceOrientationLandscape = 2;
inline constexpr int16_t kDevicePaperCustom = 256;

// A printer's settings as the system hands them over. Paper width and length are tenths of a
// millimetre and, when both are present, override the paper code.
struct TDeviceMode {
  uint32_t fields = 0;
  int16_t orientation = kDeviceOrientationPortrait;
  int16_t paperSize = 1;
  int16_t paperLength = 0;
  int16_t paperWidth = 0;
  int16_t copies = 1;
  int16_t defaultSource = 7;
  int16_t duplex = 1;
  bool operator==(const TDeviceMode&) const = default;
};

struct TPrinterNames {
  std::string device;
  std::string driver;
  std::string port;
};

class TVirtualPrinter {
 public:
  static constexpr int32_t kDotsPerInch = 600;
  static constexpr int32_t kUnprintableDots = 150;
  static constexpr const char* kName = "qr2vor Virtual Printer";

  // The one printer of the process.
  static TVirtualPrinter& Instance();

  // Back to the state of a fresh process: one printer, current, letter, portrait.
  void Reset();

  // The names of the system's printers.
  const std::vector<std::string>& Printers() const { return printers_; }
  // The current printer's index; -1 when the system has no current printer.
  int32_t PrinterIndex() const { return printerIndex_; }
  // An index of the list makes that printer current; -1 keeps the current one; others are
  // ignored (a report file names printers of the machine it was made on).
  void SetPrinterIndex(int32_t index);
  // Takes the printer away (no current printer), for callers that must cope without one.
  void RemoveCurrentPrinter() { printerIndex_ = -1; }
  bool HasCurrentPrinter() const { return printerIndex_ >= 0; }

  // The current printer's names and settings; false without a current printer.
  bool GetPrinter(TPrinterNames& names, TDeviceMode& mode) const;
  // New settings for the current printer; ignored without one.
  void SetPrinter(const TPrinterNames& names, const TDeviceMode& mode);
  const TDeviceMode& DeviceMode() const { return mode_; }

  // The paper as the settings give it, oriented, in tenths of a millimetre.
  int32_t PaperWidthTenthsMm() const;
  int32_t PaperHeightTenthsMm() const;
  // Capabilities in dots.
  int32_t PhysicalWidth() const;
  int32_t PhysicalHeight() const;
  int32_t PhysicalOffsetX() const { return kUnprintableDots; }
  int32_t PhysicalOffsetY() const { return kUnprintableDots; }
  int32_t PrintableWidth() const { return PhysicalWidth() - 2 * kUnprintableDots; }
  int32_t PrintableHeight() const { return PhysicalHeight() - 2 * kUnprintableDots; }

 private:
  TVirtualPrinter() { Reset(); }
  // Unoriented paper size in tenths of a millimetre.
  void PaperTenthsMm(int32_t& width, int32_t& height) const;

  std::vector<std::string> printers_;
  int32_t printerIndex_ = 0;
  TDeviceMode mode_;
};

}  // namespace qr2vor
