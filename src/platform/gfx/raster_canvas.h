#pragma once

// A canvas on a Cairo image surface: a white page of a given size in pixels. Lines and shape
// outlines of odd pen widths are placed on pixel centres so that one-pixel pens fill whole
// pixels; text is drawn glyph by glyph at the advances the font engine measures.

#include <string>

#include "platform/gfx/canvas.h"
#include "platform/gfx/raster_image.h"

typedef struct _cairo cairo_t;

namespace qr2vor {

class TRasterCanvas : public TCanvas {
 public:
  // Raises EInvalidGraphic beyond the image caps.
  TRasterCanvas(int32_t width, int32_t height);
  ~TRasterCanvas() override;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The pixels drawn so far.
  TRasterImage Image() const;

 protected:
  void DoLine(TPoint from, TPoint to) override;
  void DoRectangle(const TRect& rect) override;
  void DoRoundRect(const TRect& rect, int32_t cornerWidth, int32_t cornerHeight) override;
  void DoEllipse(const TRect& rect) override;
  void DoFillRect(const TRect& rect) override;
  void DoTextOut(int32_t x, int32_t y, std::string_view text, int32_t escapement) override;
  void DoTextOutAdvances(int32_t x, int32_t y, std::string_view text, int32_t escapement,
                         std::span<const int32_t> advances) override;
  void DoDrawImage(const TRect& dest, const TRasterImage& image, const TRect& source) override;
  void DoIntersectClipRect(const TRect& rect) override;
  void DoSaveState() override;
  void DoRestoreState() override;

 private:
  // Fills the current path with the brush (unless bsClear) and strokes it with the pen (unless
  // psClear), as asked; the path is cleared.
  void FillAndStroke(bool fill, bool stroke);
  void SetColor(TColor color);
  bool HasPen() const;
  // Half the pen width when it is odd: the offset that puts an outline on pixel centres.
  double PenInset() const;

  int32_t width_;
  int32_t height_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace qr2vor
