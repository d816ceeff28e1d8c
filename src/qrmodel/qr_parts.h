#pragma once

// The persistent parts of the QuickReport controls: frames, sizes in report units, the page and
// the printer settings. Each is owned by its control and streamed as dotted properties
// ("Frame.DrawTop", "Page.Values").

#include <array>
#include <cstdint>
#include <span>

#include "qrmodel/qr_types.h"
#include "rtl/constants.h"
#include "rtl/graphics.h"
#include "rtl/persistent.h"
#include "stream/later_properties.h"

namespace qr2vor {

// The lines drawn around a band or a printable.
class TQRFrame : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  bool DrawTop() const { return drawTop_; }
  void SetDrawTop(bool value) { drawTop_ = value; }
  bool DrawBottom() const { return drawBottom_; }
  void SetDrawBottom(bool value) { drawBottom_ = value; }
  bool DrawLeft() const { return drawLeft_; }
  void SetDrawLeft(bool value) { drawLeft_ = value; }
  bool DrawRight() const { return drawRight_; }
  void SetDrawRight(bool value) { drawRight_ = value; }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle value) { style_ = value; }
  int32_t Width() const { return width_; }
  void SetWidth(int32_t value) { width_ = value; }

  // Older forms carry "Mode" (an identifier), which is read and dropped.
  void DefineProperties(TFiler& filer) override;

 private:
  TColor color_ = clBlack;
  bool drawTop_ = false;
  bool drawBottom_ = false;
  bool drawLeft_ = false;
  bool drawRight_ = false;
  TPenStyle style_ = psSolid;
  int32_t width_ = 1;
};

// Measures in report units. The published measures are never stored; forms carry them as the
// list "Values", read here into the measures in the order of `Measures()`.
class TQRUnitBase : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void DefineProperties(TFiler& filer) override;

 protected:
  // The measures that "Values" fills, in list order.
  virtual std::span<double* const> Measures() = 0;
};

// A band's height and width.
class TQRBandSize : public TQRUnitBase {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  double Height() const { return height_; }
  void SetHeight(double value) { height_ = value; }
  double Width() const { return width_; }
  void SetWidth(double value) { width_ = value; }

 protected:
  std::span<double* const> Measures() override { return measures_; }

 private:
  double height_ = 0;
  double width_ = 0;
  const std::array<double*, 2> measures_{&height_, &width_};
};

// A printable's position and size.
class TQRPrintableSize : public TQRUnitBase {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  double Height() const { return height_; }
  void SetHeight(double value) { height_ = value; }
  double Left() const { return left_; }
  void SetLeft(double value) { left_ = value; }
  double Top() const { return top_; }
  void SetTop(double value) { top_ = value; }
  double Width() const { return width_; }
  void SetWidth(double value) { width_ = value; }

 protected:
  std::span<double* const> Measures() override { return measures_; }

 private:
  double height_ = 0;
  double left_ = 0;
  double top_ = 0;
  double width_ = 0;
  const std::array<double*, 4> measures_{&height_, &left_, &top_, &width_};
};

// The report's paper: its size, margins, columns and orientation. "Values" holds, as real forms
// show, the top margin, the length, the bottom margin, the width, the left and right margins and
// the column space. Keeps the page options of later versions (LaterProperties).
class TQRPage : public TQRUnitBase, public TLaterProperties {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void DefineProperties(TFiler& filer) override;

  double BottomMargin() const { return bottomMargin_; }
  void SetBottomMargin(double value) { bottomMargin_ = value; }
  double ColumnSpace() const { return columnSpace_; }
  void SetColumnSpace(double value) { columnSpace_ = value; }
  double LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(double value) { leftMargin_ = value; }
  double Length() const { return length_; }
  void SetLength(double value) { length_ = value; }
  double RightMargin() const { return rightMargin_; }
  void SetRightMargin(double value) { rightMargin_ = value; }
  double TopMargin() const { return topMargin_; }
  void SetTopMargin(double value) { topMargin_ = value; }
  double Width() const { return width_; }
  void SetWidth(double value) { width_ = value; }
  int32_t Columns() const { return columns_; }
  void SetColumns(int32_t value) { columns_ = value; }
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation value) { orientation_ = value; }
  TQRPaperSize PaperSize() const { return paperSize_; }
  void SetPaperSize(TQRPaperSize value) { paperSize_ = value; }
  bool Ruler() const { return ruler_; }
  void SetRuler(bool value) { ruler_ = value; }

 protected:
  std::span<double* const> Measures() override { return measures_; }

 private:
  double bottomMargin_ = 0;
  double columnSpace_ = 0;
  double leftMargin_ = 0;
  double length_ = 0;
  double rightMargin_ = 0;
  double topMargin_ = 0;
  double width_ = 0;
  int32_t columns_ = 1;
  TPrinterOrientation orientation_ = poPortrait;
  // The virtual printer's paper.
  TQRPaperSize paperSize_ = TQRPaperSize::A4;
  bool ruler_ = true;
  const std::array<double*, 7> measures_{&topMargin_,  &length_,      &bottomMargin_, &width_,
                                         &leftMargin_, &rightMargin_, &columnSpace_};
};

class TQRPrinterSettings : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t Copies() const { return copies_; }
  void SetCopies(int32_t value) { copies_ = value; }
  TQRBin OutputBin() const { return outputBin_; }
  void SetOutputBin(TQRBin value) { outputBin_ = value; }
  bool Duplex() const { return duplex_; }
  void SetDuplex(bool value) { duplex_ = value; }
  int32_t FirstPage() const { return firstPage_; }
  void SetFirstPage(int32_t value) { firstPage_ = value; }
  int32_t LastPage() const { return lastPage_; }
  void SetLastPage(int32_t value) { lastPage_ = value; }

 private:
  int32_t copies_ = 1;
  TQRBin outputBin_ = TQRBin::Auto;
  bool duplex_ = false;
  int32_t firstPage_ = 0;
  int32_t lastPage_ = 0;
};

// The printer settings a report publishes. Keeps the settings of later versions
// (LaterProperties).
class TQuickRepPrinterSettings : public TQRPrinterSettings, public TLaterProperties {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void DefineProperties(TFiler& filer) override;
};

// What later versions publish on a report's page and printer settings.
std::span<const TLaterProperty> PageLaterProperties();
std::span<const TLaterProperty> PrinterSettingsLaterProperties();

}  // namespace qr2vor
