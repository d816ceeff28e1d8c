#include "platform/gfx/canvas.h"

#include <algorithm>

#include "platform/gfx/emf_player.h"
#include "platform/gfx/raster_image.h"
#include "rtl/codepage.h"

namespace qr2vor {

TRgb ColorToRgbBytes(TColor color) {
  const auto rgb = static_cast<uint32_t>(ColorToRgb(color));
  return TRgb{static_cast<uint8_t>(rgb & 0xFF), static_cast<uint8_t>((rgb >> 8) & 0xFF),
              static_cast<uint8_t>((rgb >> 16) & 0xFF)};
}

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

TScaledFont& TCanvas::ScaledFont() const { return TFontEngine::Instance().Get(font_); }

std::u16string TCanvas::Characters(std::string_view text) const {
  // ASCII reads alike in every code page: the common case skips the conversion.
  if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
    return std::u16string(text.begin(), text.end());
  return CodePageToUtf16(text, CharsetCodePage(font_.Charset()));
}

int32_t TCanvas::TextWidth(std::string_view text) const {
  return ScaledFont().TextWidth(Characters(text));
}

int32_t TCanvas::TextHeight(std::string_view) const { return FontMetrics().Height; }

TPoint TCanvas::TextExtent(std::string_view text) const {
  return TPoint{TextWidth(text), TextHeight(text)};
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
  penPos_ = TPoint{x, y};
  DoMoveTo(penPos_);
}

void TCanvas::LineTo(int32_t x, int32_t y) {
  const TPoint to{x, y};
  DoLine(penPos_, to);
  penPos_ = to;
}

void TCanvas::Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  DoRectangle(TRect{left, top, right, bottom});
}

void TCanvas::RoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                        int32_t cornerWidth, int32_t cornerHeight) {
  DoRoundRect(TRect{left, top, right, bottom}, cornerWidth, cornerHeight);
}

void TCanvas::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  DoEllipse(TRect{left, top, right, bottom});
}

void TCanvas::FillRect(const TRect& rect) { DoFillRect(rect); }

void TCanvas::SaveState() {
  ++savedStates_;
  DoSaveState();
}

void TCanvas::RestoreState() {
  if (savedStates_ == 0) return;
  --savedStates_;
  DoRestoreState();
}

void TCanvas::Draw(int32_t x, int32_t y, const TGraphic& graphic) {
  if (graphic.Empty()) return;
  if (const auto* metafile = dynamic_cast<const TMetafile*>(&graphic)) {
    PlayMetafile(*this, *metafile, TRect{x, y, x + metafile->Width(), y + metafile->Height()});
    return;
  }
  const TRasterImage image = DecodeGraphic(graphic);
  CopyRect(TRect{x, y, x + image.Width(), y + image.Height()}, image,
           TRect{0, 0, image.Width(), image.Height()});
}

void TCanvas::StretchDraw(const TRect& dest, const TGraphic& graphic) {
  if (graphic.Empty()) return;
  if (const auto* metafile = dynamic_cast<const TMetafile*>(&graphic)) {
    PlayMetafile(*this, *metafile, dest);
    return;
  }
  StretchDrawImage(dest, DecodeGraphic(graphic));
}

void TCanvas::StretchDrawImage(const TRect& dest, const TRasterImage& image) {
  CopyRect(dest, image, TRect{0, 0, image.Width(), image.Height()});
}

void TCanvas::CopyRect(const TRect& dest, const TRasterImage& image, const TRect& source) {
  const int64_t sourceWidth = int64_t{source.Right} - source.Left;
  const int64_t sourceHeight = int64_t{source.Bottom} - source.Top;
  if (sourceWidth <= 0 || sourceHeight <= 0 || image.Width() <= 0 || image.Height() <= 0) return;
  const TRect cut{std::max(source.Left, 0), std::max(source.Top, 0),
                  std::min(source.Right, image.Width()), std::min(source.Bottom, image.Height())};
  if (cut.Right <= cut.Left || cut.Bottom <= cut.Top) return;
  // The destination shrinks by the same share as the source.
  const int64_t destWidth = int64_t{dest.Right} - dest.Left;
  const int64_t destHeight = int64_t{dest.Bottom} - dest.Top;
  auto scaleX = [&](int64_t x) {
    return static_cast<int32_t>(dest.Left + (x - source.Left) * destWidth / sourceWidth);
  };
  auto scaleY = [&](int64_t y) {
    return static_cast<int32_t>(dest.Top + (y - source.Top) * destHeight / sourceHeight);
  };
  const TRect target{scaleX(cut.Left), scaleY(cut.Top), scaleX(cut.Right), scaleY(cut.Bottom)};
  if (target.Right == target.Left || target.Bottom == target.Top) return;
  DoDrawImage(target, image, cut);
}

}  // namespace qr2vor
