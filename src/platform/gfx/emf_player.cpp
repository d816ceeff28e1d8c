#include "platform/gfx/emf_player.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <variant>
#include <vector>

#include "platform/gfx/emf_enumerator.h"

namespace qr2vor {

namespace {

// How far from its start text may reach, in pixels.
constexpr double kMaxTextReach = 1 << 24;

// Stock objects are 0x80000000 plus their index.
constexpr uint32_t kStockFlag = 0x80000000;
enum TStockObject : uint32_t {
  kWhiteBrush = 0,
  kLightGrayBrush = 1,
  kGrayBrush = 2,
  kDarkGrayBrush = 3,
  kBlackBrush = 4,
  kNullBrush = 5,
  kWhitePen = 6,
  kBlackPen = 7,
  kNullPen = 8,
};

struct TPenObject {
  TPenStyle style = psSolid;
  int32_t width = 1;
  TColor color = clBlack;
};
struct TBrushObject {
  TBrushStyle style = bsSolid;
  TColor color = clWhite;
};
struct TFontObject {
  TEmfLogFont font;
};
using TObject = std::variant<TPenObject, TBrushObject, TFontObject>;

// What a device context holds while records play.
struct TDeviceState {
  TPenObject pen;
  TBrushObject brush;
  TFontObject font;
  TColor textColor = clBlack;
  TColor backColor = clWhite;
  uint32_t backMode = EMF_OPAQUE;
  uint32_t textAlign = 0;
};

class TPlayer {
 public:
  TPlayer(TCanvas& canvas, const TEmfHeader& header, const TRect& dest)
      : canvas_(canvas), penPos_(canvas.PenPos()) {
    font_.Assign(canvas.Font());
    pen_.Assign(canvas.Pen());
    brush_.Assign(canvas.Brush());
    // Whatever clip the records set is undone by this state's restore when playing ends.
    canvas_.SaveState();
    // The frame (0.01 mm) in device units is the source rectangle.
    const double unitsX = header.MillimetersWidth > 0
                              ? header.DeviceWidth / (header.MillimetersWidth * 100.0)
                              : 96 / 2540.0;
    const double unitsY = header.MillimetersHeight > 0
                              ? header.DeviceHeight / (header.MillimetersHeight * 100.0)
                              : 96 / 2540.0;
    const double left = header.Frame.Left * unitsX;
    const double top = header.Frame.Top * unitsY;
    const double width = (header.Frame.Right - header.Frame.Left) * unitsX;
    const double height = (header.Frame.Bottom - header.Frame.Top) * unitsY;
    scaleX_ = width > 0 ? (dest.Right - dest.Left) / width : 1.0;
    scaleY_ = height > 0 ? (dest.Bottom - dest.Top) / height : 1.0;
    originX_ = dest.Left - left * scaleX_;
    originY_ = dest.Top - top * scaleY_;
  }

  ~TPlayer() {
    while (saved_.size() > 0) {
      saved_.pop_back();
      canvas_.RestoreState();
    }
    canvas_.RestoreState();
    if (canvas_.PenPos() != penPos_) canvas_.MoveTo(penPos_.X, penPos_.Y);
    canvas_.Font().Assign(font_);
    canvas_.Pen().Assign(pen_);
    canvas_.Brush().Assign(brush_);
  }

  void Play(const TEmfRecord& record) {
    using THandler = void (TPlayer::*)(const TEmfRecord&);
    static const std::array<THandler, 128> kHandlers = [] {
      std::array<THandler, 128> table{};
      table[EMR_SETBKMODE] = &TPlayer::SetBackMode;
      table[EMR_SETTEXTALIGN] = &TPlayer::SetTextAlign;
      table[EMR_SETTEXTCOLOR] = &TPlayer::SetTextColor;
      table[EMR_SETBKCOLOR] = &TPlayer::SetBackColor;
      table[EMR_MOVETOEX] = &TPlayer::MoveTo;
      table[EMR_LINETO] = &TPlayer::LineTo;
      table[EMR_RECTANGLE] = &TPlayer::Shape;
      table[EMR_ELLIPSE] = &TPlayer::Shape;
      table[EMR_ROUNDRECT] = &TPlayer::Shape;
      table[EMR_CREATEPEN] = &TPlayer::CreatePen;
      table[EMR_EXTCREATEPEN] = &TPlayer::CreateExtPen;
      table[EMR_CREATEBRUSHINDIRECT] = &TPlayer::CreateBrush;
      table[EMR_EXTCREATEFONTINDIRECTW] = &TPlayer::CreateFont;
      table[EMR_SELECTOBJECT] = &TPlayer::SelectObject;
      table[EMR_DELETEOBJECT] = &TPlayer::DeleteObject;
      table[EMR_EXTTEXTOUTA] = &TPlayer::TextOut;
      table[EMR_EXTTEXTOUTW] = &TPlayer::TextOut;
      table[EMR_BITBLT] = &TPlayer::Bitmap;
      table[EMR_STRETCHBLT] = &TPlayer::Bitmap;
      table[EMR_STRETCHDIBITS] = &TPlayer::Bitmap;
      table[EMR_INTERSECTCLIPRECT] = &TPlayer::IntersectClip;
      table[EMR_SAVEDC] = &TPlayer::SaveDC;
      table[EMR_RESTOREDC] = &TPlayer::RestoreDC;
      return table;
    }();
    if (record.Type() < kHandlers.size() && kHandlers[record.Type()] != nullptr)
      (this->*kHandlers[record.Type()])(record);
  }

 private:
  int32_t X(int64_t x) const { return static_cast<int32_t>(std::lround(originX_ + x * scaleX_)); }
  int32_t Y(int64_t y) const { return static_cast<int32_t>(std::lround(originY_ + y * scaleY_)); }
  TRect MapRect(const TRect& r) const {
    return TRect{X(r.Left), Y(r.Top), X(r.Right), Y(r.Bottom)};
  }
  int32_t Size(int64_t size) const { return static_cast<int32_t>(std::lround(size * scaleY_)); }

  void SetBackMode(const TEmfRecord& r) { state_.backMode = r.U32(8); }
  void SetTextAlign(const TEmfRecord& r) { state_.textAlign = r.U32(8); }
  void SetTextColor(const TEmfRecord& r) { state_.textColor = r.Color(8); }
  void SetBackColor(const TEmfRecord& r) { state_.backColor = r.Color(8); }
  void MoveTo(const TEmfRecord& r) { canvas_.MoveTo(X(r.I32(8)), Y(r.I32(12))); }

  void LineTo(const TEmfRecord& r) {
    ApplyPen();
    canvas_.LineTo(X(r.I32(8)), Y(r.I32(12)));
  }

  void Shape(const TEmfRecord& r) {
    ApplyPen();
    ApplyBrush();
    const TRect rect = MapRect(r.Rect(8));
    if (r.Type() == EMR_RECTANGLE)
      canvas_.Rectangle(rect);
    else if (r.Type() == EMR_ELLIPSE)
      canvas_.Ellipse(rect);
    else
      canvas_.RoundRect(rect.Left, rect.Top, rect.Right, rect.Bottom,
                        static_cast<int32_t>(std::lround(r.I32(24) * scaleX_)), Size(r.I32(28)));
  }

  static TPenStyle PenStyle(uint32_t style) {
    switch (style & 0x0F) {
      case 1:
        return psDash;
      case 2:
        return psDot;
      case 3:
        return psDashDot;
      case 4:
        return psDashDotDot;
      case 5:
        return psClear;
      case 6:
        return psInsideFrame;
      default:
        return psSolid;
    }
  }

  void CreatePen(const TEmfRecord& r) {
    objects_[r.U32(8)] = TPenObject{PenStyle(r.U32(12)), Size(r.I32(16)), r.Color(24)};
  }

  void CreateExtPen(const TEmfRecord& r) {
    objects_[r.U32(8)] = TPenObject{PenStyle(r.U32(28)), Size(r.I32(32)), r.Color(40)};
  }

  void CreateBrush(const TEmfRecord& r) {
    const uint32_t style = r.U32(12);
    TBrushObject brush{bsSolid, r.Color(16)};
    if (style == 1) {
      brush.style = bsClear;
    } else if (style == 2) {
      const uint32_t hatch = r.U32(20);
      brush.style = hatch <= 5 ? static_cast<TBrushStyle>(bsHorizontal + hatch) : bsSolid;
    }
    objects_[r.U32(8)] = brush;
  }

  void CreateFont(const TEmfRecord& r) {
    TEmfLogFont font = ReadLogFont(r);
    objects_[font.Handle] = TFontObject{font};
  }

  void SelectObject(const TEmfRecord& r) {
    const uint32_t handle = r.U32(8);
    if ((handle & kStockFlag) != 0) {
      switch (handle & ~kStockFlag) {
        case kWhiteBrush:
          state_.brush = TBrushObject{bsSolid, clWhite};
          break;
        case kLightGrayBrush:
          state_.brush = TBrushObject{bsSolid, 0xC0C0C0};
          break;
        case kGrayBrush:
          state_.brush = TBrushObject{bsSolid, 0x808080};
          break;
        case kDarkGrayBrush:
          state_.brush = TBrushObject{bsSolid, 0x404040};
          break;
        case kBlackBrush:
          state_.brush = TBrushObject{bsSolid, clBlack};
          break;
        case kNullBrush:
          state_.brush = TBrushObject{bsClear, clWhite};
          break;
        case kWhitePen:
          state_.pen = TPenObject{psSolid, 1, clWhite};
          break;
        case kBlackPen:
          state_.pen = TPenObject{psSolid, 1, clBlack};
          break;
        case kNullPen:
          state_.pen = TPenObject{psClear, 1, clBlack};
          break;
        default:
          break;
      }
      return;
    }
    auto found = objects_.find(handle);
    if (found == objects_.end()) return;
    if (const auto* pen = std::get_if<TPenObject>(&found->second)) state_.pen = *pen;
    if (const auto* brush = std::get_if<TBrushObject>(&found->second)) state_.brush = *brush;
    if (const auto* font = std::get_if<TFontObject>(&found->second)) state_.font = *font;
  }

  void DeleteObject(const TEmfRecord& r) { objects_.erase(r.U32(8)); }

  void ApplyPen() {
    TPen& pen = canvas_.Pen();
    pen.SetStyle(state_.pen.style);
    pen.SetWidth(state_.pen.width);
    pen.SetColor(state_.pen.color);
  }

  void ApplyBrush() {
    TBrush& brush = canvas_.Brush();
    brush.SetStyle(state_.brush.style);
    brush.SetColor(state_.brush.color);
  }

  void TextOut(const TEmfRecord& r) {
    const TEmfLogFont& logFont = state_.font.font;
    const TEmfText text = ReadTextOut(r, CharsetCodePage(logFont.Charset));
    TFont& font = canvas_.Font();
    font.SetName(logFont.FaceName.empty() ? "Arial" : logFont.FaceName);
    font.SetHeight(logFont.Height == 0 ? -13 : Size(logFont.Height));
    TFontStyles style = 0;
    if (logFont.Weight >= 600) style |= FontStyleBit(fsBold);
    if (logFont.Italic) style |= FontStyleBit(fsItalic);
    if (logFont.Underline) style |= FontStyleBit(fsUnderline);
    if (logFont.StrikeOut) style |= FontStyleBit(fsStrikeOut);
    font.SetStyle(style);
    font.SetCharset(logFont.Charset);
    font.SetColor(state_.textColor);
    canvas_.Brush().SetStyle(state_.backMode == EMF_OPAQUE ? bsSolid : bsClear);
    canvas_.Brush().SetColor(state_.backColor);
    // The recorded advances, scaled from the text's start without drift; without them the font
    // measures.
    std::vector<int32_t> advances;
    advances.reserve(text.Advances.size());
    int64_t recorded = 0;
    int32_t placed = 0;
    for (int32_t advance : text.Advances) {
      recorded += advance;
      // Positions stay within reach of any page, whatever a damaged record says.
      const auto next = static_cast<int32_t>(std::lround(
          std::clamp(static_cast<double>(recorded) * scaleX_, -kMaxTextReach, kMaxTextReach)));
      advances.push_back(next - placed);
      placed = next;
    }
    const int32_t width = advances.empty() ? canvas_.TextWidth(text.Text) : placed;
    int32_t x = X(text.X);
    int32_t y = Y(text.Y);
    if (logFont.Escapement == 0) {
      const uint32_t horizontal = state_.textAlign & EMF_TA_CENTER;
      if (horizontal == EMF_TA_CENTER)
        x -= width / 2;
      else if (horizontal == EMF_TA_RIGHT)
        x -= width;
      const uint32_t vertical = state_.textAlign & EMF_TA_BASELINE;
      if (vertical == EMF_TA_BASELINE)
        y -= canvas_.FontMetrics().Ascent;
      else if (vertical == EMF_TA_BOTTOM)
        y -= canvas_.FontMetrics().Height;
    }
    canvas_.TextOutAdvances(x, y, logFont.Escapement, text.Text, advances);
  }

  void Bitmap(const TEmfRecord& r) {
    const TEmfBitmap bitmap = ReadBitmapRecord(r);
    const TRect dest = MapRect(bitmap.Dest);
    if (bitmap.Image.Empty()) {
      ApplyBrush();
      canvas_.FillRect(dest);
      return;
    }
    canvas_.StretchDrawImage(dest, bitmap.Image);
  }

  void IntersectClip(const TEmfRecord& r) { canvas_.IntersectClipRect(MapRect(r.Rect(8))); }

  void SaveDC(const TEmfRecord&) {
    saved_.push_back(state_);
    canvas_.SaveState();
  }

  void RestoreDC(const TEmfRecord& r) {
    const int32_t relative = r.I32(8);
    for (int32_t i = 0; i > relative && !saved_.empty(); --i) {
      state_ = saved_.back();
      saved_.pop_back();
      canvas_.RestoreState();
    }
  }

  TCanvas& canvas_;
  TPoint penPos_;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  double scaleX_ = 1;
  double scaleY_ = 1;
  double originX_ = 0;
  double originY_ = 0;
  TDeviceState state_;
  std::vector<TDeviceState> saved_;
  std::map<uint32_t, TObject> objects_;
};

}  // namespace

void PlayEnhMetafile(TCanvas& canvas, std::string_view emf, const TRect& dest) {
  TEmfEnumerator enumerator(emf);
  TPlayer player(canvas, enumerator.Header(), dest);
  TEmfRecord record(0, {});
  while (enumerator.Next(record)) player.Play(record);
}

void PlayMetafile(TCanvas& canvas, const TMetafile& metafile, const TRect& dest) {
  if (metafile.Empty() || !metafile.Enhanced()) return;
  PlayEnhMetafile(canvas, metafile.Image(), dest);
}

}  // namespace qr2vor
