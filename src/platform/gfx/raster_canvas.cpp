#include "platform/gfx/raster_canvas.h"

#include <cairo-ft.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <vector>

namespace qr2vor {

namespace {

// Cairo font faces over the font engine's FreeType faces; both live as long as the process.
cairo_font_face_t* CairoFace(const TScaledFont& font) {
  static auto* faces = new std::map<FT_Face, cairo_font_face_t*>;
  auto found = faces->find(font.Face());
  if (found != faces->end()) return found->second;
  cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(font.Face(), FT_LOAD_DEFAULT);
  faces->emplace(font.Face(), face);
  return face;
}

// An 8 by 8 hatch tile of a brush style in a colour, transparent between the lines.
cairo_pattern_t* CreateHatch(TBrushStyle style, TRgb rgb) {
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  cairo_t* cr = cairo_create(tile);
  cairo_set_source_rgb(cr, rgb.Red / 255.0, rgb.Green / 255.0, rgb.Blue / 255.0);
  for (int i = 0; i < 8; ++i) {
    const bool horizontal = style == bsHorizontal || style == bsCross;
    const bool vertical = style == bsVertical || style == bsCross;
    const bool forward = style == bsFDiagonal || style == bsDiagCross;
    const bool backward = style == bsBDiagonal || style == bsDiagCross;
    if (horizontal) cairo_rectangle(cr, i, 3, 1, 1);
    if (vertical) cairo_rectangle(cr, 3, i, 1, 1);
    if (forward) cairo_rectangle(cr, i, i, 1, 1);
    if (backward) cairo_rectangle(cr, 7 - i, i, 1, 1);
  }
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_surface_destroy(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  return pattern;
}

}  // namespace

TRasterCanvas::TRasterCanvas(int32_t width, int32_t height) : width_(width), height_(height) {
  CheckImageSize(width, height);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cr_ = cairo_create(surface_);
  cairo_set_source_rgb(cr_, 1, 1, 1);
  cairo_paint(cr_);
}

TRasterCanvas::~TRasterCanvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

TRasterImage TRasterCanvas::Image() const { return ImageFromCairoSurface(surface_); }

void TRasterCanvas::SetColor(TColor color) {
  const TRgb rgb = ColorToRgbBytes(color);
  cairo_set_source_rgb(cr_, rgb.Red / 255.0, rgb.Green / 255.0, rgb.Blue / 255.0);
}

bool TRasterCanvas::HasPen() const { return Pen().Style() != psClear; }

double TRasterCanvas::PenInset() const { return std::max(1, Pen().Width()) % 2 == 1 ? 0.5 : 0.0; }

void TRasterCanvas::FillAndStroke(bool fill, bool stroke) {
  if (fill && Brush().Style() != bsClear) {
    if (Brush().Style() == bsSolid) {
      SetColor(Brush().Color());
    } else {
      cairo_pattern_t* hatch = CreateHatch(Brush().Style(), ColorToRgbBytes(Brush().Color()));
      cairo_set_source(cr_, hatch);
      cairo_pattern_destroy(hatch);
    }
    cairo_fill_preserve(cr_);
  }
  if (stroke && HasPen()) {
    const int32_t width = std::max(1, Pen().Width());
    cairo_set_line_width(cr_, width);
    static const std::vector<double> kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6},
        kDashDotDot{9, 3, 3, 3, 3, 3};
    const std::vector<double>* dashes = nullptr;
    if (width == 1) {
      switch (Pen().Style()) {
        case psDash:
          dashes = &kDash;
          break;
        case psDot:
          dashes = &kDot;
          break;
        case psDashDot:
          dashes = &kDashDot;
          break;
        case psDashDotDot:
          dashes = &kDashDotDot;
          break;
        default:
          break;
      }
    }
    if (dashes != nullptr)
      cairo_set_dash(cr_, dashes->data(), static_cast<int>(dashes->size()), 0);
    else
      cairo_set_dash(cr_, nullptr, 0, 0);
    SetColor(Pen().Color());
    cairo_stroke(cr_);
  }
  cairo_new_path(cr_);
}

void TRasterCanvas::DoLine(TPoint from, TPoint to) {
  if (!HasPen() || from == to) return;
  const double dx = to.X - from.X;
  const double dy = to.Y - from.Y;
  const double length = std::hypot(dx, dy);
  // On pixel centres, moved back half a pixel so that the end point is left out.
  const double c = PenInset();
  const double backX = 0.5 * dx / length;
  const double backY = 0.5 * dy / length;
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  cairo_move_to(cr_, from.X + c - backX, from.Y + c - backY);
  cairo_line_to(cr_, to.X + c - backX, to.Y + c - backY);
  FillAndStroke(false, true);
}

void TRasterCanvas::DoRectangle(const TRect& rect) {
  if (HasPen()) {
    const double c = PenInset();
    cairo_rectangle(cr_, rect.Left + c, rect.Top + c, rect.Right - rect.Left - 1,
                    rect.Bottom - rect.Top - 1);
  } else {
    // Without a pen the fill stops one pixel short of the right and bottom edges.
    cairo_rectangle(cr_, rect.Left, rect.Top, rect.Right - rect.Left - 1,
                    rect.Bottom - rect.Top - 1);
  }
  FillAndStroke(true, true);
}

void TRasterCanvas::DoRoundRect(const TRect& rect, int32_t cornerWidth, int32_t cornerHeight) {
  const double c = HasPen() ? PenInset() : 0.0;
  const double shrink = HasPen() ? 1.0 : 0.0;
  const double left = rect.Left + c;
  const double top = rect.Top + c;
  const double width = rect.Right - rect.Left - shrink;
  const double height = rect.Bottom - rect.Top - shrink;
  const double rx = std::clamp(cornerWidth / 2.0, 0.0, std::abs(width) / 2);
  const double ry = std::clamp(cornerHeight / 2.0, 0.0, std::abs(height) / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr_, left, top, width, height);
  } else {
    constexpr double kPi = std::numbers::pi;
    auto corner = [this, rx, ry](double cx, double cy, double from, double to) {
      cairo_save(cr_);
      cairo_translate(cr_, cx, cy);
      cairo_scale(cr_, rx, ry);
      cairo_arc(cr_, 0, 0, 1, from, to);
      cairo_restore(cr_);
    };
    cairo_new_sub_path(cr_);
    corner(left + width - rx, top + ry, -kPi / 2, 0);
    corner(left + width - rx, top + height - ry, 0, kPi / 2);
    corner(left + rx, top + height - ry, kPi / 2, kPi);
    corner(left + rx, top + ry, kPi, 3 * kPi / 2);
    cairo_close_path(cr_);
  }
  FillAndStroke(true, true);
}

void TRasterCanvas::DoEllipse(const TRect& rect) {
  const double c = HasPen() ? PenInset() : 0.0;
  const double shrink = HasPen() ? 1.0 : 0.0;
  const double width = rect.Right - rect.Left - shrink;
  const double height = rect.Bottom - rect.Top - shrink;
  if (width == 0 || height == 0) return;
  cairo_save(cr_);
  cairo_translate(cr_, rect.Left + c + width / 2, rect.Top + c + height / 2);
  cairo_scale(cr_, width / 2, height / 2);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_restore(cr_);
  FillAndStroke(true, true);
}

void TRasterCanvas::DoFillRect(const TRect& rect) {
  if (Brush().Style() == bsClear) return;
  cairo_rectangle(cr_, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
  FillAndStroke(true, false);
}

void TRasterCanvas::DoTextOut(int32_t x, int32_t y, std::string_view text, int32_t escapement) {
  DoTextOutAdvances(x, y, text, escapement, {});
}

void TRasterCanvas::DoTextOutAdvances(int32_t x, int32_t y, std::string_view text,
                                      int32_t escapement, std::span<const int32_t> advances) {
  if (text.empty()) return;
  const TScaledFont& font = ScaledFont();
  const TFontMetrics& metrics = font.Metrics();
  const std::u16string characters = Characters(text);
  std::vector<cairo_glyph_t> glyphs;
  glyphs.reserve(characters.size());
  int32_t width = 0;
  size_t unit = 0;
  ForEachCodePoint(characters, [&](char32_t c, size_t units) {
    glyphs.push_back(cairo_glyph_t{font.GlyphIndex(c), static_cast<double>(width),
                                   static_cast<double>(metrics.Ascent)});
    for (size_t i = 0; i < units; ++i, ++unit)
      width += unit < advances.size() ? advances[unit] : (i == 0 ? font.CharWidth(c) : 0);
  });
  cairo_save(cr_);
  cairo_translate(cr_, x, y);
  if (escapement != 0) cairo_rotate(cr_, -escapement * std::numbers::pi / 1800.0);
  if (Brush().Style() != bsClear) {
    SetColor(Brush().Color());
    cairo_rectangle(cr_, 0, 0, width, metrics.Height);
    cairo_fill(cr_);
  }
  cairo_set_font_face(cr_, CairoFace(font));
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, font.EmPixels(), font.EmPixels());
  if (font.SyntheticItalic()) matrix.xy = -0.2 * font.EmPixels();
  cairo_set_font_matrix(cr_, &matrix);
  SetColor(Font().Color());
  cairo_show_glyphs(cr_, glyphs.data(), static_cast<int>(glyphs.size()));
  if (font.SyntheticBold()) {
    for (cairo_glyph_t& glyph : glyphs) glyph.x += 1;
    cairo_show_glyphs(cr_, glyphs.data(), static_cast<int>(glyphs.size()));
  }
  const TFontStyles style = Font().Style();
  const int32_t thickness = metrics.LineThickness;
  if ((style & FontStyleBit(fsUnderline)) != 0)
    cairo_rectangle(cr_, 0, metrics.Ascent + metrics.UnderlinePosition - thickness / 2, width,
                    thickness);
  if ((style & FontStyleBit(fsStrikeOut)) != 0)
    cairo_rectangle(cr_, 0, metrics.Ascent - metrics.StrikeOutPosition - thickness / 2, width,
                    thickness);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void TRasterCanvas::DoDrawImage(const TRect& dest, const TRasterImage& image, const TRect& source) {
  cairo_surface_t* surface = CreateCairoSurface(image);
  cairo_save(cr_);
  cairo_rectangle(cr_, std::min(dest.Left, dest.Right), std::min(dest.Top, dest.Bottom),
                  std::abs(dest.Right - dest.Left), std::abs(dest.Bottom - dest.Top));
  cairo_clip(cr_);
  cairo_translate(cr_, dest.Left, dest.Top);
  cairo_scale(cr_, static_cast<double>(dest.Right - dest.Left) / (source.Right - source.Left),
              static_cast<double>(dest.Bottom - dest.Top) / (source.Bottom - source.Top));
  cairo_set_source_surface(cr_, surface, -source.Left, -source.Top);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_paint(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(surface);
}

void TRasterCanvas::DoIntersectClipRect(const TRect& rect) {
  cairo_rectangle(cr_, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
  cairo_clip(cr_);
}

void TRasterCanvas::DoSaveState() { cairo_save(cr_); }

void TRasterCanvas::DoRestoreState() { cairo_restore(cr_); }

}  // namespace qr2vor
