#include "qrmodel/qr_parts.h"

#include "qrmodel/qr_references.h"
#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

using enum TLaterValue;

// Whether the report prints as one continuous page.
constexpr TLaterProperty kPageLater[] = {{"Continuous", lvBoolean}};
// Printer codes, collation, colour and quality, and how the pages reach the printer.
constexpr TLaterProperty kPrinterSettingsLater[] = {
    {"Collate", lvInteger},
    {"ColorOption", lvInteger},
    {"CustomBinCode", lvInteger},
    {"CustomPaperCode", lvInteger},
    {"ExtendedDuplex", lvInteger},
    {"MemoryLimit", lvInteger},
    {"PrintMetaFile", lvBoolean},
    {"PrintQuality", lvInteger},
    {"UseCustomBinCode", lvBoolean},
    {"UseCustomPaperCode", lvBoolean},
    {"UseStandardprinter", lvBoolean},
};

}  // namespace

const TClassInfo& TQRFrame::StaticClassInfo() {
  using T = TQRFrame;
  static const TClassInfo info =
      TClassInfo::Derive<T, TPersistent>("TQRFrame")
          .Integer("Color", &T::Color, &T::SetColor, NoDefault, ColorType())
          .Boolean("DrawTop", &T::DrawTop, &T::SetDrawTop, NoDefault)
          .Boolean("DrawBottom", &T::DrawBottom, &T::SetDrawBottom, NoDefault)
          .Boolean("DrawLeft", &T::DrawLeft, &T::SetDrawLeft, NoDefault)
          .Boolean("DrawRight", &T::DrawRight, &T::SetDrawRight, NoDefault)
          .Enum("Style", PenStyleInfo(), &T::Style, &T::SetStyle, psSolid)
          .Integer("Width", &T::Width, &T::SetWidth, 1);
  return info;
}

void TQRFrame::DefineProperties(TFiler& filer) { DropIdent(filer, "Mode"); }

const TClassInfo& TQRUnitBase::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TQRUnitBase, TPersistent>("TQRUnitBase");
  return info;
}

void TQRUnitBase::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Values",
      [this](TValueReader& reader) {
        // The whole list is consumed before judging it, so that a bad list leaves the stream on
        // the next property record.
        const std::span<double* const> measures = Measures();
        std::array<double, 8> values{};
        size_t count = 0;
        bool valid = true;
        reader.ReadListBegin();
        while (!reader.EndOfList()) {
          try {
            const double value = reader.ReadFloat();
            if (count < values.size()) values[count] = value;
            ++count;
          } catch (const EReadError& e) {
            // A value of another kind has been skipped as a whole; anything else is fatal.
            if (e.Message() != msg::kInvalidPropertyValue) throw;
            valid = false;
          }
        }
        reader.ReadListEnd();
        if (!valid || count != measures.size()) throw EReadError(msg::kInvalidPropertyValue);
        for (size_t i = 0; i < count; ++i) *measures[i] = values[i];
      },
      nullptr, false);
}

const TClassInfo& TQRBandSize::StaticClassInfo() {
  using T = TQRBandSize;
  static const TClassInfo info = TClassInfo::Derive<T, TQRUnitBase>("TQRBandSize")
                                     .Float("Height", &T::Height, &T::SetHeight)
                                     .Stored(false)
                                     .Float("Width", &T::Width, &T::SetWidth)
                                     .Stored(false);
  return info;
}

const TClassInfo& TQRPrintableSize::StaticClassInfo() {
  using T = TQRPrintableSize;
  static const TClassInfo info = TClassInfo::Derive<T, TQRUnitBase>("TQRPrintableSize")
                                     .Float("Height", &T::Height, &T::SetHeight)
                                     .Stored(false)
                                     .Float("Left", &T::Left, &T::SetLeft)
                                     .Stored(false)
                                     .Float("Top", &T::Top, &T::SetTop)
                                     .Stored(false)
                                     .Float("Width", &T::Width, &T::SetWidth)
                                     .Stored(false);
  return info;
}

const TClassInfo& TQRPage::StaticClassInfo() {
  using T = TQRPage;
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRUnitBase>("TQRPage")
          .Float("BottomMargin", &T::BottomMargin, &T::SetBottomMargin)
          .Stored(false)
          .Float("ColumnSpace", &T::ColumnSpace, &T::SetColumnSpace)
          .Stored(false)
          .Float("LeftMargin", &T::LeftMargin, &T::SetLeftMargin)
          .Stored(false)
          .Float("Length", &T::Length, &T::SetLength)
          .Stored(false)
          .Float("RightMargin", &T::RightMargin, &T::SetRightMargin)
          .Stored(false)
          .Float("TopMargin", &T::TopMargin, &T::SetTopMargin)
          .Stored(false)
          .Float("Width", &T::Width, &T::SetWidth)
          .Stored(false)
          .Integer("Columns", &T::Columns, &T::SetColumns, NoDefault)
          .Enum("Orientation", QRPrinterOrientationInfo(), &T::Orientation, &T::SetOrientation,
                NoDefault)
          .Enum("PaperSize", QRPaperSizeInfo(), &T::PaperSize, &T::SetPaperSize, NoDefault)
          .Boolean("Ruler", &T::Ruler, &T::SetRuler, true);
  return info;
}

const TClassInfo& TQRPrinterSettings::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TQRPrinterSettings, TPersistent>("TQRPrinterSettings");
  return info;
}

void TQRPage::DefineProperties(TFiler& filer) {
  TQRUnitBase::DefineProperties(filer);
  DefineLaterProperties(filer, kPageLater);
}

const TClassInfo& TQuickRepPrinterSettings::StaticClassInfo() {
  using T = TQuickRepPrinterSettings;
  // The order real forms are written in.
  static const TClassInfo info =
      TClassInfo::Derive<T, TQRPrinterSettings>("TQuickRepPrinterSettings")
          .Integer("Copies", &T::Copies, &T::SetCopies, NoDefault)
          .Enum("OutputBin", QRBinInfo(), &T::OutputBin, &T::SetOutputBin, NoDefault)
          .Boolean("Duplex", &T::Duplex, &T::SetDuplex, NoDefault)
          .Integer("FirstPage", &T::FirstPage, &T::SetFirstPage, NoDefault)
          .Integer("LastPage", &T::LastPage, &T::SetLastPage, NoDefault);
  return info;
}

void TQuickRepPrinterSettings::DefineProperties(TFiler& filer) {
  TQRPrinterSettings::DefineProperties(filer);
  DefineLaterProperties(filer, kPrinterSettingsLater);
}

std::span<const TLaterProperty> PageLaterProperties() { return kPageLater; }
std::span<const TLaterProperty> PrinterSettingsLaterProperties() { return kPrinterSettingsLater; }

}  // namespace qr2vor
