#pragma once

// TCanvas: one interface for every drawing surface (the metafile canvas of a page, the raster
// canvas of a picture export or preview, the measuring canvas). It owns the toolkit's font, pen
// and brush, keeps the pen position, measures text with the shared font engine and lays text out
// with the one text layout function (DrawText). Drawing surfaces implement the protected Do*
// primitives; everything else is written once here.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/gfx/fonts.h"
#include "rtl/graphics.h"

namespace qr2vor {

class TRasterImage;

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

// Flags of the text layout function, with the platform's values.
inline constexpr uint32_t DT_LEFT = 0x0000;
inline constexpr uint32_t DT_CENTER = 0x0001;
inline constexpr uint32_t DT_RIGHT = 0x0002;
inline constexpr uint32_t DT_VCENTER = 0x0004;
inline constexpr uint32_t DT_BOTTOM = 0x0008;
inline constexpr uint32_t DT_WORDBREAK = 0x0010;
inline constexpr uint32_t DT_SINGLELINE = 0x0020;
inline constexpr uint32_t DT_EXPANDTABS = 0x0040;
inline constexpr uint32_t DT_NOCLIP = 0x0100;
inline constexpr uint32_t DT_CALCRECT = 0x0400;
inline constexpr uint32_t DT_NOPREFIX = 0x0800;

// Colour as red, green, blue bytes (system colours resolved).
struct TRgb {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  bool operator==(const TRgb&) const = default;
};
TRgb ColorToRgbBytes(TColor color);

class TCanvas {
 public:
  TCanvas();
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TFont& Font() { return font_; }
  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  const TFont& Font() const { return font_; }
  const TPen& Pen() const { return pen_; }
  const TBrush& Brush() const { return brush_; }

  // The text as the current font reads it: its bytes decoded by the code page of the font's
  // character set (the process code page for DEFAULT_CHARSET and ANSI_CHARSET).
  std::u16string Characters(std::string_view text) const;

  // Measuring, in the current font.
  TScaledFont& ScaledFont() const;
  const TFontMetrics& FontMetrics() const { return ScaledFont().Metrics(); }
  int32_t TextWidth(std::string_view text) const;
  int32_t TextHeight(std::string_view text) const;
  TPoint TextExtent(std::string_view text) const;

  // Lines: the pen from the pen position to (x, y), the end point excluded.
  TPoint PenPos() const { return penPos_; }
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);
  // Shapes inside (left, top)-(right, bottom), right and bottom excluded: outlined with the pen,
  // filled with the brush.
  void Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
  // Corners are quarter ellipses of cornerWidth by cornerHeight.
  void RoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t cornerWidth,
                 int32_t cornerHeight);
  void Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
  // The brush over the rectangle, without the pen.
  void FillRect(const TRect& rect);

  // Text with the cell's top-left at (x, y), in the font colour; the cell is filled with the
  // brush first unless the brush style is bsClear. The escapement in tenths of a degree turns the
  // text counter-clockwise about (x, y).
  void TextOut(int32_t x, int32_t y, std::string_view text) { DoTextOut(x, y, text, 0); }
  void TextOutAngle(int32_t x, int32_t y, int32_t escapement, std::string_view text) {
    DoTextOut(x, y, text, escapement);
  }
  // Text whose characters stand at the given advances (pixels from one character to the next, one
  // per UTF-16 unit of Characters(text), as a metafile records them) rather than at the font's
  // own; characters past the end of `advances` take the font's.
  void TextOutAdvances(int32_t x, int32_t y, int32_t escapement, std::string_view text,
                       std::span<const int32_t> advances) {
    DoTextOutAdvances(x, y, text, escapement, advances);
  }
  // The text layout function: lays `text` out in `rect` by DT_* flags (word break at blanks,
  // hard breaks at CR, LF and CR LF, tab expansion, the '&' prefix unless DT_NOPREFIX) and draws
  // it clipped to the rectangle unless DT_NOCLIP. With DT_CALCRECT nothing is drawn and `rect`
  // is made to bound the text. Returns the height of the laid-out text (with DT_VCENTER or
  // DT_BOTTOM on a single line, the offset from rect's top to the text's bottom).
  int32_t DrawText(std::string_view text, TRect& rect, uint32_t flags);

  // Pictures. A bitmap or a decodable raw graphic (PNG, JPEG) is copied; a metafile is played.
  void Draw(int32_t x, int32_t y, const TGraphic& graphic);
  void StretchDraw(const TRect& dest, const TGraphic& graphic);
  // The part `source` of an image stretched into `dest`; parts of `source` outside the image are
  // cut off, and `dest` shrinks in proportion.
  void CopyRect(const TRect& dest, const TRasterImage& image, const TRect& source);
  void StretchDrawImage(const TRect& dest, const TRasterImage& image);

  // Clipping: drawing stays inside the intersection of the clip rectangles; SaveState and
  // RestoreState bracket a change of the clip.
  void IntersectClipRect(const TRect& rect) { DoIntersectClipRect(rect); }
  void SaveState();
  // Without a matching SaveState nothing happens.
  void RestoreState();

 protected:
  virtual void DoLine(TPoint from, TPoint to) = 0;
  virtual void DoRectangle(const TRect& rect) = 0;
  virtual void DoRoundRect(const TRect& rect, int32_t cornerWidth, int32_t cornerHeight) = 0;
  virtual void DoEllipse(const TRect& rect) = 0;
  virtual void DoFillRect(const TRect& rect) = 0;
  virtual void DoTextOut(int32_t x, int32_t y, std::string_view text, int32_t escapement) = 0;
  // `source` lies inside the image and is not empty.
  virtual void DoDrawImage(const TRect& dest, const TRasterImage& image, const TRect& source) = 0;
  virtual void DoIntersectClipRect(const TRect& rect) = 0;
  virtual void DoSaveState() = 0;
  virtual void DoRestoreState() = 0;
  // Surfaces that place glyphs themselves honour the advances; others draw at the font's own.
  virtual void DoTextOutAdvances(int32_t x, int32_t y, std::string_view text, int32_t escapement,
                                 std::span<const int32_t> /*advances*/) {
    DoTextOut(x, y, text, escapement);
  }
  // A move of the pen position, for surfaces that record it.
  virtual void DoMoveTo(TPoint) {}

 private:
  TFont font_;
  TPen pen_;
  TBrush brush_;
  TPoint penPos_;
  int32_t savedStates_ = 0;
};

// A canvas that draws nothing: for measuring.
class TMeasureCanvas : public TCanvas {
 protected:
  void DoLine(TPoint, TPoint) override {}
  void DoRectangle(const TRect&) override {}
  void DoRoundRect(const TRect&, int32_t, int32_t) override {}
  void DoEllipse(const TRect&) override {}
  void DoFillRect(const TRect&) override {}
  void DoTextOut(int32_t, int32_t, std::string_view, int32_t) override {}
  void DoDrawImage(const TRect&, const TRasterImage&, const TRect&) override {}
  void DoIntersectClipRect(const TRect&) override {}
  void DoSaveState() override {}
  void DoRestoreState() override {}
};

}  // namespace qr2vor
