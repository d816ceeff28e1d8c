#include "platform/gfx/metafile_canvas.h"

#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/gfx/byte_reader.h"
#include "platform/gfx/raster_image.h"

namespace qr2vor {

namespace {

// The reference device: 4800 pixels at 96 per inch are 1270 mm.
constexpr int32_t kReferencePixels = 4800;
constexpr int32_t kReferenceMillimeters = 1270;

[[noreturn]] void FailWrite() { throw EWriteError(msg::kStreamWrite); }

U_COLORREF ColorRef(TColor color) {
  const TRgb rgb = ColorToRgbBytes(color);
  return colorref3_set(rgb.Red, rgb.Green, rgb.Blue);
}

uint32_t ColorKey(TColor color) {
  const TRgb rgb = ColorToRgbBytes(color);
  return rgb.Red | (uint32_t{rgb.Green} << 8) | (uint32_t{rgb.Blue} << 16);
}

U_RECTL RectL(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return U_RECTL{left, top, right, bottom};
}

// Bounds of a record (inclusive), ordered.
U_RECTL Bounds(const TRect& rect) {
  return RectL(std::min(rect.Left, rect.Right), std::min(rect.Top, rect.Bottom),
               std::max(rect.Left, rect.Right) - 1, std::max(rect.Top, rect.Bottom) - 1);
}

}  // namespace

TMetafileCanvas::TMetafileCanvas(int32_t width, int32_t height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
  const U_RECTL bounds = RectL(0, 0, width_ - 1, height_ - 1);
  const U_RECTL frame = RectL(0, 0, static_cast<int32_t>(std::lround(width_ * 2540.0 / 96)),
                              static_cast<int32_t>(std::lround(height_ * 2540.0 / 96)));
  Append(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr,
                         U_SIZEL{kReferencePixels, kReferencePixels},
                         U_SIZEL{kReferenceMillimeters, kReferenceMillimeters}, 0));
  Append(U_EMRSETMAPMODE_set(U_MM_TEXT));
  Append(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT | U_TA_NOUPDATECP));
}

TMetafileCanvas::~TMetafileCanvas() = default;

void TMetafileCanvas::CheckOpen() const {
  if (finished_) FailWrite();
}

void TMetafileCanvas::Append(char* record) {
  CheckOpen();
  if (record == nullptr) FailWrite();
  const auto* emr = reinterpret_cast<const U_EMR*>(record);
  bytes_.append(record, emr->nSize);
  std::free(record);
  ++records_;
}

std::string TMetafileCanvas::Finish() {
  CheckOpen();
  EMFTRACK track{};
  Append(U_EMREOF_set(0, nullptr, &track));
  finished_ = true;
  auto* header = reinterpret_cast<U_EMRHEADER*>(bytes_.data());
  header->nBytes = static_cast<uint32_t>(bytes_.size());
  header->nRecords = static_cast<uint32_t>(records_);
  header->nHandles = static_cast<uint16_t>(handleCount_);
  return std::move(bytes_);
}

void TMetafileCanvas::SaveTo(TMetafile& metafile) { metafile.LoadFromImage(Finish()); }

uint32_t TMetafileCanvas::ObjectHandle(const std::string& key,
                                       const std::function<char*(uint32_t)>& create) {
  auto found = objects_.find(key);
  if (found != objects_.end()) return found->second;
  // The handle table is 16 bits wide; a page that runs out starts over, which is safe only
  // outside saved states (a restore reselects what was saved).
  if (nextHandle_ >= 0xFFF0 && saved_.empty()) {
    SelectObject(&TState::pen, U_BLACK_PEN);
    SelectObject(&TState::brush, U_WHITE_BRUSH);
    SelectObject(&TState::font, U_SYSTEM_FONT);
    for (const auto& [objectKey, handle] : objects_) Append(U_EMRDELETEOBJECT_set(handle));
    objects_.clear();
    nextHandle_ = 1;
  }
  if (nextHandle_ >= 0xFFFF) FailWrite();
  const uint32_t handle = nextHandle_++;
  handleCount_ = std::max(handleCount_, nextHandle_);
  Append(create(handle));
  objects_.emplace(key, handle);
  return handle;
}

void TMetafileCanvas::SelectObject(uint32_t TState::*slot, uint32_t handle) {
  if (state_.*slot == handle) return;
  Append(U_EMRSELECTOBJECT_set(handle));
  state_.*slot = handle;
}

void TMetafileCanvas::SelectPen() {
  const TPen& pen = Pen();
  if (pen.Style() == psClear) {
    SelectObject(&TState::pen, U_NULL_PEN);
    return;
  }
  const uint32_t style = pen.Style() == psInsideFrame ? U_PS_INSIDEFRAME : pen.Style();
  const int32_t width = std::max(0, pen.Width());
  const TColor color = pen.Color();
  const std::string key = fmt::format("pen {} {} {}", style, width, ColorKey(color));
  SelectObject(&TState::pen, ObjectHandle(key, [&](uint32_t handle) {
    return U_EMRCREATEPEN_set(handle, logpen_set(style, U_POINT{width, 0}, ColorRef(color)));
  }));
}

void TMetafileCanvas::SelectNullPen() { SelectObject(&TState::pen, U_NULL_PEN); }

void TMetafileCanvas::SelectBrush() {
  const TBrush& brush = Brush();
  if (brush.Style() == bsClear) {
    SelectObject(&TState::brush, U_NULL_BRUSH);
    return;
  }
  const uint32_t style = brush.Style() == bsSolid ? U_BS_SOLID : U_BS_HATCHED;
  const int32_t hatch = brush.Style() == bsSolid ? 0 : brush.Style() - bsHorizontal;
  const TColor color = brush.Color();
  const std::string key = fmt::format("brush {} {} {}", style, hatch, ColorKey(color));
  SelectObject(&TState::brush, ObjectHandle(key, [&](uint32_t handle) {
    return U_EMRCREATEBRUSHINDIRECT_set(handle, logbrush_set(style, ColorRef(color), hatch));
  }));
}

void TMetafileCanvas::SelectFont(int32_t escapement) {
  const TFont& font = Font();
  const TFontStyles style = font.Style();
  const std::string key = fmt::format("font {} {} {} {} {} {}", font.Name(), font.Height(), style,
                                      font.Charset(), static_cast<int>(font.Pitch()), escapement);
  SelectObject(&TState::font, ObjectHandle(key, [&](uint32_t handle) {
    std::u16string face = Characters(font.Name()).substr(0, U_LF_FACESIZE - 1);
    face.resize(U_LF_FACESIZE, u'\0');
    const uint8_t pitch = font.Pitch() == fpFixed      ? U_FIXED_PITCH
                          : font.Pitch() == fpVariable ? U_VARIABLE_PITCH
                                                       : U_DEFAULT_PITCH;
    U_LOGFONT logFont = logfont_set(
        font.Height(), 0, escapement, escapement,
        (style & FontStyleBit(fsBold)) != 0 ? U_FW_BOLD : U_FW_NORMAL,
        (style & FontStyleBit(fsItalic)) != 0, (style & FontStyleBit(fsUnderline)) != 0,
        (style & FontStyleBit(fsStrikeOut)) != 0, font.Charset(), U_OUT_DEFAULT_PRECIS,
        U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, pitch, reinterpret_cast<uint16_t*>(face.data()));
    return U_EMREXTCREATEFONTINDIRECTW_set(handle, reinterpret_cast<char*>(&logFont), nullptr);
  }));
}

void TMetafileCanvas::SetBackMode(uint32_t mode) {
  if (state_.backMode == mode) return;
  Append(U_EMRSETBKMODE_set(mode));
  state_.backMode = mode;
}

void TMetafileCanvas::KeepPatternGapsClear(bool withPen, bool withBrush) {
  const TPenStyle pen = Pen().Style();
  // Wider pens draw solid whatever their style.
  const bool dashed = withPen && Pen().Width() <= 1 &&
                      (pen == psDash || pen == psDot || pen == psDashDot || pen == psDashDotDot);
  const TBrushStyle brush = Brush().Style();
  const bool hatched = withBrush && brush != bsSolid && brush != bsClear;
  if (dashed || hatched) SetBackMode(U_TRANSPARENT);
}

void TMetafileCanvas::DoMoveTo(TPoint point) {
  Append(U_EMRMOVETOEX_set(U_POINTL{point.X, point.Y}));
  state_.position = point;
}

void TMetafileCanvas::DoLine(TPoint from, TPoint to) {
  SelectPen();
  KeepPatternGapsClear(true, false);
  if (state_.position != from) DoMoveTo(from);
  Append(U_EMRLINETO_set(U_POINTL{to.X, to.Y}));
  state_.position = to;
}

void TMetafileCanvas::DoRectangle(const TRect& rect) {
  SelectPen();
  KeepPatternGapsClear(true, true);
  SelectBrush();
  Append(U_EMRRECTANGLE_set(RectL(rect.Left, rect.Top, rect.Right, rect.Bottom)));
}

void TMetafileCanvas::DoRoundRect(const TRect& rect, int32_t cornerWidth, int32_t cornerHeight) {
  SelectPen();
  KeepPatternGapsClear(true, true);
  SelectBrush();
  Append(U_EMRROUNDRECT_set(RectL(rect.Left, rect.Top, rect.Right, rect.Bottom),
                            U_SIZEL{cornerWidth, cornerHeight}));
}

void TMetafileCanvas::DoEllipse(const TRect& rect) {
  SelectPen();
  KeepPatternGapsClear(true, true);
  SelectBrush();
  Append(U_EMRELLIPSE_set(RectL(rect.Left, rect.Top, rect.Right, rect.Bottom)));
}

void TMetafileCanvas::DoFillRect(const TRect& rect) {
  if (Brush().Style() == bsClear) return;
  // A rectangle without a pen fills one pixel short of right and bottom.
  SelectNullPen();
  SelectBrush();
  KeepPatternGapsClear(false, true);
  Append(U_EMRRECTANGLE_set(RectL(rect.Left, rect.Top, rect.Right + 1, rect.Bottom + 1)));
}

void TMetafileCanvas::DoTextOut(int32_t x, int32_t y, std::string_view text, int32_t escapement) {
  DoTextOutAdvances(x, y, text, escapement, {});
}

void TMetafileCanvas::DoTextOutAdvances(int32_t x, int32_t y, std::string_view text,
                                        int32_t escapement, std::span<const int32_t> given) {
  if (text.empty()) return;
  SelectFont(escapement);
  const uint32_t textColor = ColorKey(Font().Color());
  if (state_.textColor != textColor) {
    Append(U_EMRSETTEXTCOLOR_set(ColorRef(Font().Color())));
    state_.textColor = textColor;
  }
  const bool opaque = Brush().Style() != bsClear;
  SetBackMode(opaque ? U_OPAQUE : U_TRANSPARENT);
  if (opaque && state_.backColor != ColorKey(Brush().Color())) {
    Append(U_EMRSETBKCOLOR_set(ColorRef(Brush().Color())));
    state_.backColor = ColorKey(Brush().Color());
  }
  const TScaledFont& font = ScaledFont();
  // Wide text in Unicode, whatever the font's code page, with one advance per UTF-16 unit.
  std::u16string wide = Characters(text);
  const std::vector<int32_t> measured = font.Advances(wide);
  std::vector<uint32_t> advances;
  advances.reserve(wide.size());
  int32_t width = 0;
  for (size_t i = 0; i < wide.size(); ++i) {
    const int32_t advance = i < given.size() ? given[i] : measured[i];
    advances.push_back(static_cast<uint32_t>(advance));
    width += advance;
  }
  const int32_t height = font.Metrics().Height;
  // The bounds of the text cell, turned with the text.
  TRect cell{x, y, x + width, y + height};
  if (escapement != 0) {
    const double angle = escapement * std::numbers::pi / 1800.0;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    double minX = x, maxX = x, minY = y, maxY = y;
    for (auto [dx, dy] : {std::pair{width, 0}, std::pair{0, height}, std::pair{width, height}}) {
      const double px = x + dx * c + dy * s;
      const double py = y - dx * s + dy * c;
      minX = std::min(minX, px);
      maxX = std::max(maxX, px);
      minY = std::min(minY, py);
      maxY = std::max(maxY, py);
    }
    cell = TRect{static_cast<int32_t>(std::floor(minX)), static_cast<int32_t>(std::floor(minY)),
                 static_cast<int32_t>(std::ceil(maxX)), static_cast<int32_t>(std::ceil(maxY))};
  }
  char* emrText = emrtext_set(U_POINTL{x, y}, static_cast<U_NUM_STR>(wide.size()), 2, wide.data(),
                              0, Bounds(cell), advances.data());
  if (emrText == nullptr) FailWrite();
  char* record = U_EMREXTTEXTOUTW_set(Bounds(cell), U_GM_COMPATIBLE, 0, 0,
                                      reinterpret_cast<PU_EMRTEXT>(emrText));
  std::free(emrText);
  Append(record);
}

void TMetafileCanvas::DoDrawImage(const TRect& dest, const TRasterImage& image,
                                  const TRect& source) {
  TRasterImage part(source.Right - source.Left, source.Bottom - source.Top);
  for (int32_t y = 0; y < part.Height(); ++y)
    for (int32_t x = 0; x < part.Width(); ++x)
      part.SetPixel(x, y, image.Pixel(source.Left + x, source.Top + y));
  TDib dib = MakeDib(part);
  Append(U_EMRSTRETCHDIBITS_set(Bounds(dest), U_POINTL{dest.Left, dest.Top},
                                U_POINTL{dest.Right - dest.Left, dest.Bottom - dest.Top},
                                U_POINTL{0, 0}, U_POINTL{part.Width(), part.Height()},
                                U_DIB_RGB_COLORS, U_SRCCOPY,
                                reinterpret_cast<PU_BITMAPINFO>(dib.Info.data()),
                                static_cast<uint32_t>(dib.Bits.size()), dib.Bits.data()));
}

void TMetafileCanvas::DoIntersectClipRect(const TRect& rect) {
  Append(U_EMRINTERSECTCLIPRECT_set(RectL(rect.Left, rect.Top, rect.Right, rect.Bottom)));
}

void TMetafileCanvas::DoSaveState() {
  Append(U_EMRSAVEDC_set());
  saved_.push_back(state_);
}

void TMetafileCanvas::DoRestoreState() {
  Append(U_EMRRESTOREDC_set(-1));
  state_ = saved_.back();
  saved_.pop_back();
}

}  // namespace qr2vor
