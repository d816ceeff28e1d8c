// Control rendering: the base control (suppression, background, highlights, frame) and the
// content of labels, shapes, pictures and rich text, chosen by class through one table.

#include "engine/render/render.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>

#include "expr/expr_data.h"
#include "expr/expr_parser.h"
#include "expr/format_mask.h"
#include "platform/data/dataset.h"
#include "platform/gfx/raster_image.h"
#include "platform/gfx/rich_text.h"
#include "rtl/format_settings.h"
#include "rtl/number_text.h"
#include "rtl/streams.h"

namespace qr2vor {

namespace {

bool Measuring(uint32_t flags) { return (flags & kMeasureFlag) != 0; }

// Sizes and positions come from report files: sums are worked out in 64 bits, and every
// coordinate and height is kept within +-2^29 page units (over five million inches), so that no
// size or sum of sizes leaves the 32-bit range here or on the canvas.
constexpr int64_t kMaxCoordinate = int64_t{1} << 29;

int32_t Saturated(int64_t value) {
  return static_cast<int32_t>(std::clamp(value, -kMaxCoordinate, kMaxCoordinate));
}

TRect Saturated(const TRect& rect) {
  return {Saturated(rect.Left), Saturated(rect.Top), Saturated(rect.Right), Saturated(rect.Bottom)};
}

// A product in page units, truncated toward zero.
int32_t Truncated(double value) {
  return Saturated(static_cast<int64_t>(std::clamp(std::trunc(value), -1e18, 1e18)));
}

// Halves go to the even neighbour (the floating-point environment's default rounding).
int32_t RoundedHalfEven(double value) {
  return Saturated(static_cast<int64_t>(std::clamp(std::nearbyint(value), -1e18, 1e18)));
}

TRect Inset(const TRect& rect, int64_t by) {
  return {Saturated(rect.Left + by), Saturated(rect.Top + by), Saturated(rect.Right - by),
          Saturated(rect.Bottom - by)};
}

int64_t RectWidth(const TRect& rect) { return int64_t{rect.Right} - rect.Left; }
int64_t RectHeight(const TRect& rect) { return int64_t{rect.Bottom} - rect.Top; }

// Text layout flags of labels and of the display names written on the design surface.
uint32_t TextFlags(uint32_t flags, bool wordWrap) {
  return flags | DT_EXPANDTABS | DT_NOPREFIX | (wordWrap ? DT_WORDBREAK : 0);
}

void FillBackground(TVoRControl& control, TCanvas& canvas, const TRect& rect,
                    const TRenderContext& context) {
  canvas.Font().Assign(*control.Font());
  TColor fill = control.BackColor();
  bool ruleHolds = false;
  if (context.Generating && context.EvaluateHighLight) {
    TVoRHighLights& rules = *control.HighLights();
    for (int i = 0; i < rules.Count(); ++i) {
      TVoRHighLight& rule = *rules.Items(i);
      if (rule.Expression().empty() || !context.EvaluateHighLight(rule.Expression())) continue;
      canvas.Font().Assign(*rule.Font());
      fill = rule.Color();
      ruleHolds = true;
      break;
    }
  }
  if (control.Transparent() && !ruleHolds) {
    canvas.Brush().SetStyle(bsClear);
    return;
  }
  canvas.Brush().SetColor(fill);
  canvas.Brush().SetStyle(control.BrushStyle());
  canvas.FillRect(rect);
  canvas.Brush().SetStyle(bsClear);
}

bool IsLine(const TVoRControl& control) {
  const auto* shape = dynamic_cast<const TVoRShape*>(&control);
  return shape != nullptr && shape->ShapeKind() == TShapeKind::Line;
}

int32_t PrintBase(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                  const TRenderContext& context) {
  if (!control.VoPrintWhen()->RepeatedValues() && !control.ValueChanged() && context.Generating)
    return 0;
  const int32_t frameWidth = control.Frame()->Width();
  if (Measuring(flags)) {
    canvas.Font().Assign(*control.Font());
    if (!control.Transparent()) canvas.Brush().SetColor(control.BackColor());
  } else {
    FillBackground(control, canvas, rect, context);
    DrawFrame(*control.Frame(), canvas, rect);
    if (!IsLine(control)) rect = Inset(rect, frameWidth);
  }
  return Saturated(2 * int64_t{frameWidth} + control.Height());
}

int32_t PrintLabel(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                   const TRenderContext& context) {
  auto& label = dynamic_cast<TVoRLabel&>(control);
  int32_t result = PrintBase(label, canvas, rect, flags, context);
  // A value that cannot be formatted or laid out leaves the height computed so far.
  try {
    const uint32_t textFlags = TextFlags(flags, label.WordWrap());
    const Variant value = context.Generating ? label.CurrentValue() : Variant(label.DisplayName());
    if (label.VoPrintWhen()->RepeatedValues() || label.ValueChanged() || !context.Generating) {
      const std::string text = FormatValue(label, canvas, value, context.Generating);
      const int32_t height = DrawText(canvas, label, text, label.Angle(), textFlags, rect);
      if (label.Stretch()) result = Saturated(height + 2 * int64_t{label.Frame()->Width()});
    } else if (label.Stretch()) {
      result = 0;
    }
    if (!Measuring(flags)) label.SetPreviousValue(label.CurrentValue());
  } catch (const std::exception&) {
  }
  return result;
}

// Draws one line-control segment of the line type on `rect`.
void DrawLineSegment(TCanvas& canvas, TLineType type, const TRect& rect) {
  TPoint from;
  TPoint to;
  switch (type) {
    case ltTop:
      from = {rect.Left, rect.Top};
      to = {rect.Right, rect.Top};
      break;
    case ltBottom:
      from = {rect.Left, rect.Bottom};
      to = {rect.Right, rect.Bottom};
      break;
    case ltLeft:
      from = {rect.Left, rect.Top};
      to = {rect.Left, rect.Bottom};
      break;
    case ltRight:
      from = {rect.Right, rect.Top};
      to = {rect.Right, rect.Bottom};
      break;
    case ltLeftDiagonal:
      from = {rect.Left, rect.Top};
      to = {rect.Right, rect.Bottom};
      break;
    case ltRightDiagonal:
      from = {rect.Left, rect.Bottom};
      to = {rect.Right, rect.Top};
      break;
    case ltHCenter:
      from = {(rect.Left + rect.Right) / 2, rect.Top};
      to = {(rect.Left + rect.Right) / 2, rect.Bottom};
      break;
    case ltVCenter:
      from = {rect.Left, (rect.Top + rect.Bottom) / 2};
      to = {rect.Right, (rect.Top + rect.Bottom) / 2};
      break;
  }
  canvas.MoveTo(from.X, from.Y);
  canvas.LineTo(to.X, to.Y);
}

int32_t PrintShape(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                   const TRenderContext& context) {
  auto& shape = dynamic_cast<TVoRShape&>(control);
  const int32_t result = PrintBase(shape, canvas, rect, flags, context);
  if (Measuring(flags)) return result;
  canvas.Pen().SetStyle(shape.Frame()->Style());
  if (!shape.Transparent()) canvas.Brush().SetColor(shape.BackColor());

  const int64_t p = canvas.Pen().Width();
  const int64_t frameWidth = shape.Frame()->Width();
  int64_t x = p / 2;
  int64_t y = x;
  int64_t w = shape.Width() - p - 2 * frameWidth + 1;
  int64_t h =
      (shape.Stretch() == ssHeight ? RectHeight(rect) : shape.Height()) - p - 2 * frameWidth + 1;
  if (p == 0) {
    --w;
    --h;
  }
  const int64_t s = std::min(w, h);
  const auto* rectangle = dynamic_cast<const TVoRRectangle*>(&shape);
  const auto* ellipse = dynamic_cast<const TVoREllipse*>(&shape);
  const bool square = (rectangle != nullptr && (rectangle->RectangleType() == rtSquare ||
                                                rectangle->RectangleType() == rtRoundSquare)) ||
                      (ellipse != nullptr && ellipse->EllipseType() == etCircle);
  if (square) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = s;
    h = s;
  }
  x += rect.Left;
  y += rect.Top;
  const TRect box{Saturated(x), Saturated(y), Saturated(x + w), Saturated(y + h)};
  const int32_t corner = Saturated(s / 4);
  const bool twice = shape.LineStyle() == lsDouble;

  if (const auto* line = dynamic_cast<const TVoRLine*>(&shape)) {
    DrawLineSegment(canvas, line->LineType(), rect);
    if (twice) DrawLineSegment(canvas, line->LineType(), Inset(rect, 2 * p));
  } else if (rectangle != nullptr) {
    const bool round =
        rectangle->RectangleType() == rtRoundRect || rectangle->RectangleType() == rtRoundSquare;
    for (const TRect& r : {box, Inset(box, 2 * p)}) {
      if (round)
        canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, corner, corner);
      else
        canvas.Rectangle(r);
      if (!twice) break;
    }
  } else if (ellipse != nullptr) {
    canvas.Ellipse(box);
    if (twice) canvas.Ellipse(Inset(box, 2 * p));
  }
  return result;
}

// The graphic a binary field holds, recognised by its leading bytes: BMP, EMF, PNG or JPEG.
void LoadPictureFromBytes(TPicture& picture, std::string bytes) {
  std::unique_ptr<TGraphic> graphic;
  if (bytes.starts_with("BM")) {
    graphic = std::make_unique<TBitmap>();
  } else if (bytes.size() >= 44 && bytes[0] == 1 && bytes.compare(40, 4, " EMF") == 0) {
    graphic = std::make_unique<TMetafile>();
  } else if (bytes.starts_with("\x89PNG")) {
    ReadPng(bytes);
    graphic = std::make_unique<TRawGraphic>("TPngImage");
  } else if (bytes.starts_with("\xFF\xD8")) {
    ReadJpeg(bytes);
    graphic = std::make_unique<TRawGraphic>("TJPEGImage");
  } else {
    return;
  }
  graphic->LoadFromImage(std::move(bytes));
  picture.SetGraphic(graphic.get());
}

// The field an image's or rich text's expression names, or nullptr.
TField* SourceField(const std::string& expression, const TRenderContext& context) {
  if (context.DataManager == nullptr) return nullptr;
  return FindExprField(context.DataManager, expression);
}

std::string FieldBytes(const TField& field) {
  return field.IsNull() ? std::string() : field.AsString();
}

// The display name in the rectangle, as the design surface shows an empty picture or text.
void DrawDisplayName(TVoRControl& control, TCanvas& canvas, const TRect& rect, uint32_t flags) {
  DrawText(canvas, control, control.DisplayName(), 0, TextFlags(flags, true), rect);
}

// The size of a picture stretched into W x H, keeping its proportions when asked.
void AspectSize(bool aspectRatio, int32_t pw, int32_t ph, int32_t W, int32_t H, int32_t& w,
                int32_t& h) {
  if (!aspectRatio || pw <= 0 || ph <= 0) {
    w = W;
    h = H;
    return;
  }
  const double r = static_cast<double>(pw) / ph;
  if (pw > ph) {
    w = W;
    h = Truncated(W / r);
    if (h > H) {
      h = H;
      w = Truncated(H * r);
    }
  } else {
    h = H;
    w = Truncated(H * r);
    if (w > W) {
      w = W;
      h = Truncated(W / r);
    }
  }
}

int32_t PrintImage(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                   const TRenderContext& context) {
  auto& image = dynamic_cast<TVoRImage&>(control);
  const int32_t result = PrintBase(image, canvas, rect, flags, context);
  if (Measuring(flags)) return result;
  if (!context.Generating) {
    canvas.Pen().SetStyle(psDash);
    canvas.Brush().SetStyle(bsClear);
    canvas.Rectangle(rect);
  }
  TPicture& picture = *image.Picture();
  picture.SetGraphic(nullptr);
  if (!context.Generating && image.FileName().empty()) {
    DrawDisplayName(image, canvas, rect, flags);
    return result;
  }

  std::string fileName = image.FileName();
  if (!image.Expression().empty()) {
    fileName.clear();
    // A field that is missing or holds no picture leaves the control empty.
    try {
      if (TField* field = SourceField(image.Expression(), context)) {
        if (IsBlobType(field->DataType()))
          LoadPictureFromBytes(picture, FieldBytes(*field));
        else
          fileName = field->AsString();
      }
    } catch (const std::exception&) {
      picture.SetGraphic(nullptr);
    }
  }
  std::error_code error;
  if (!fileName.empty() && std::filesystem::is_regular_file(fileName, error))
    LoadPictureFromFile(picture, fileName);

  canvas.Brush().SetColor(image.BackColor());
  if (picture.Graphic() == nullptr || picture.Graphic()->Empty()) return result;
  const int32_t W = Saturated(RectWidth(rect));
  const int32_t H = Saturated(RectHeight(rect));
  int32_t pw = 0;
  int32_t ph = 0;
  GraphicSize(*picture.Graphic(), pw, ph);
  int32_t w = pw;
  int32_t h = ph;
  if (image.FileName().empty() || image.Stretch() || (image.AspectRatio() && (pw > W || ph > H)))
    AspectSize(image.AspectRatio(), pw, ph, W, H, w, h);
  int64_t left = rect.Left;
  int64_t top = rect.Top;
  if (image.Center()) {
    left += (int64_t{W} - w) / 2;
    top += (int64_t{H} - h) / 2;
  }
  const TRect target{Saturated(left), Saturated(top), Saturated(left + w), Saturated(top + h)};
  canvas.StretchDraw(target, *picture.Graphic());
  return result;
}

TRichAlignment RichAlignment(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return TRichAlignment::Right;
    case taCenter:
      return TRichAlignment::Center;
    default:
      return TRichAlignment::Left;
  }
}

int32_t PrintRichText(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                      const TRenderContext& context) {
  auto& richText = dynamic_cast<TVoRichText&>(control);
  int32_t result = PrintBase(richText, canvas, rect, flags, context);
  if (!context.Generating && richText.FileName().empty()) {
    DrawDisplayName(richText, canvas, rect, flags);
    return result;
  }
  TRichText content;
  content.SetDefaults(*richText.Font(), RichAlignment(richText.Alignment()));
  if (!richText.FileName().empty()) {
    content.LoadFromRtf(LoadFile(richText.FileName()));
  } else if (!richText.Expression().empty()) {
    // A field that is missing or holds no valid text leaves the control empty.
    try {
      if (TField* field = SourceField(richText.Expression(), context)) {
        if (IsBlobType(field->DataType()))
          content.LoadFromRtf(FieldBytes(*field));
        else
          content.SetPlainText(field->AsString());
      }
    } catch (const std::exception&) {
      content.SetPlainText({});
    }
  }
  const bool measuring = Measuring(flags);
  if (!measuring) {
    canvas.SaveState();
    canvas.IntersectClipRect(rect);
  }
  const int32_t height = content.Render(canvas, rect, measuring);
  if (!measuring) canvas.RestoreState();
  if (richText.Stretch()) result = Saturated(height + 2 * int64_t{richText.Frame()->Width()});
  return result;
}

using TPrintFunction = int32_t (*)(TVoRControl&, TCanvas&, TRect&, uint32_t, const TRenderContext&);

struct TPrintEntry {
  const TClassInfo* classInfo;
  TPrintFunction print;
};

// The print operation of the nearest class in the control's ancestry that has one.
TPrintFunction FindPrintFunction(const TVoRControl& control) {
  static const TPrintEntry table[] = {
      {&TVoRLabel::StaticClassInfo(), PrintLabel},
      {&TVoRShape::StaticClassInfo(), PrintShape},
      {&TVoRImage::StaticClassInfo(), PrintImage},
      {&TVoRichText::StaticClassInfo(), PrintRichText},
  };
  for (const TClassInfo* info = &control.ClassInfo(); info != nullptr; info = info->Parent()) {
    for (const TPrintEntry& entry : table)
      if (entry.classInfo == info) return entry.print;
  }
  return PrintBase;
}

// Most tiles one frame picture draws: a tiny picture tiled over a huge control stops here
// instead of writing records without end.
constexpr int64_t kMaxFrameTiles = 65536;

// Tiles of a frame picture: cells of the picture's size at (x, y) relative to the rectangle,
// clipped to the rectangle.
class TTileWriter {
 public:
  TTileWriter(TCanvas& canvas, const TGraphic& graphic, const TRect& rect, int64_t pw, int64_t ph)
      : canvas_(canvas), graphic_(graphic), rect_(rect), pw_(pw), ph_(ph) {
    try {
      image_ = DecodeGraphic(graphic);
    } catch (const EInvalidGraphic&) {
      // Metafiles and icons are drawn whole under a clip instead of copied in parts.
    }
  }

  // False once the tile budget is spent.
  bool Tile(int64_t x, int64_t y) {
    if (tiles_ >= kMaxFrameTiles) return false;
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min(x + pw_, RectWidth(rect_));
    const int64_t bottom = std::min(y + ph_, RectHeight(rect_));
    if (right <= left || bottom <= top) return true;
    ++tiles_;
    const TRect dest{Saturated(rect_.Left + left), Saturated(rect_.Top + top),
                     Saturated(rect_.Left + right), Saturated(rect_.Top + bottom)};
    if (!image_.Empty()) {
      canvas_.CopyRect(
          dest, image_,
          {Saturated(left - x), Saturated(top - y), Saturated(right - x), Saturated(bottom - y)});
      return true;
    }
    canvas_.SaveState();
    canvas_.IntersectClipRect(dest);
    canvas_.Draw(Saturated(rect_.Left + x), Saturated(rect_.Top + y), graphic_);
    canvas_.RestoreState();
    return true;
  }

 private:
  TCanvas& canvas_;
  const TGraphic& graphic_;
  TRect rect_;
  int64_t pw_;
  int64_t ph_;
  TRasterImage image_;
  int64_t tiles_ = 0;
};

void DrawFramePicture(const TVoRFrame& frame, TCanvas& canvas, const TRect& rect) {
  const TGraphic& graphic = *frame.Picture()->Graphic();
  int32_t pw = 0;
  int32_t ph = 0;
  GraphicSize(graphic, pw, ph);
  if (pw <= 0 || ph <= 0) return;
  const int64_t W = RectWidth(rect);
  const int64_t H = RectHeight(rect);
  const int64_t columns = RoundedHalfEven(static_cast<double>(W) / pw);
  const int64_t rows = RoundedHalfEven(static_cast<double>(H) / ph);
  switch (frame.PicType()) {
    case TVoPicType::btNone:
      break;
    case TVoPicType::btCenter:
      canvas.Draw(Saturated(rect.Left + (W - pw) / 2), Saturated(rect.Top + (H - ph) / 2), graphic);
      break;
    case TVoPicType::btStretch:
      canvas.StretchDraw(rect, graphic);
      break;
    case TVoPicType::btTile: {
      TTileWriter writer(canvas, graphic, rect, pw, ph);
      for (int64_t j = 0; j <= rows; ++j)
        for (int64_t i = 0; i <= columns; ++i)
          if (!writer.Tile(i * pw, j * ph)) return;
      break;
    }
    case TVoPicType::btTileAsFrame: {
      TTileWriter writer(canvas, graphic, rect, pw, ph);
      for (int64_t i = 0; i <= columns; ++i)
        if (!writer.Tile(i * pw, 0) || !writer.Tile(i * pw, H - ph)) return;
      for (int64_t j = 1; j <= rows; ++j)
        if (!writer.Tile(0, j * ph) || !writer.Tile(W - pw, j * ph)) return;
      break;
    }
    case TVoPicType::btCorners:
      canvas.Draw(rect.Left, rect.Top, graphic);
      canvas.Draw(Saturated(int64_t{rect.Right} - pw), rect.Top, graphic);
      canvas.Draw(rect.Left, Saturated(int64_t{rect.Bottom} - ph), graphic);
      canvas.Draw(Saturated(int64_t{rect.Right} - pw), Saturated(int64_t{rect.Bottom} - ph),
                  graphic);
      break;
  }
}

// The decimal text of a value as masks expect it: numbers and date-times as floating-point
// text, Empty and Null as nothing, everything else as its text.
std::string ValueText(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return {};
  if (value.IsNumeric() || value.Type() == varDate)
    return FloatToStr(value.AsDouble(), FormatSettings());
  return value.AsString();
}

const std::string* MaskOf(const TVoRLabel& label) {
  if (const auto* expression = dynamic_cast<const TVoRExpression*>(&label))
    return &expression->Format();
  if (const auto* sysData = dynamic_cast<const TVoRSysData*>(&label)) return &sysData->Format();
  return nullptr;
}

}  // namespace

int32_t PrintControl(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                     const TRenderContext& context) {
  rect = Saturated(rect);
  return FindPrintFunction(control)(control, canvas, rect, flags, context);
}

void DrawFrame(const TVoRFrame& frame, TCanvas& canvas, const TRect& frameRect) {
  const TRect rect = Saturated(frameRect);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Pen().SetWidth(frame.Width());
  canvas.Pen().SetStyle(frame.Style());
  canvas.Pen().SetColor(frame.Color());
  const TColor brushColor = canvas.Brush().Color();
  if (frame.BackColor() != clWhite) {
    canvas.Brush().SetColor(frame.BackColor());
    canvas.FillRect(rect);
  }
  const TGraphic* graphic = frame.Picture()->Graphic();
  if (frame.PicType() != TVoPicType::btNone && graphic != nullptr && !graphic->Empty())
    DrawFramePicture(frame, canvas, rect);
  const auto line = [&canvas](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
  };
  if (frame.HasSide(ftTop)) line(rect.Left, rect.Top, rect.Right, rect.Top);
  if (frame.HasSide(ftBottom)) line(rect.Left, rect.Bottom, rect.Right, rect.Bottom);
  if (frame.HasSide(ftLeft)) line(rect.Left, rect.Top, rect.Left, rect.Bottom);
  if (frame.HasSide(ftRight)) line(rect.Right, rect.Top, rect.Right, rect.Bottom);
  canvas.Brush().SetColor(brushColor);
  canvas.Brush().SetStyle(bsClear);
}

int32_t DrawText(TCanvas& canvas, const TVoRControl& control, std::string_view text, int32_t angle,
                 uint32_t flags, const TRect& textRect) {
  const TRect rect = Saturated(textRect);
  const bool removeBlank = control.VoPrintWhen()->RemoveBlankLine();
  const std::string_view shown = text.empty() && !removeBlank ? std::string_view(" ") : text;
  canvas.Brush().SetStyle(bsClear);
  // Angles outside a turn count as 0, as a label's Angle does.
  const int32_t a = angle >= 0 && angle <= 359 ? angle : 0;
  const double radians = a * std::acos(-1.0) / 180;
  const double s = std::sin(radians);
  const double c = std::cos(radians);
  const int32_t tw = canvas.TextWidth(shown);
  const int32_t th = canvas.TextHeight(shown);
  const int64_t frameWidth = control.Frame()->Width();
  const int64_t iw = control.Width() - 2 * frameWidth;
  const int64_t ih = control.Height() - 2 * frameWidth;

  int64_t x = 0;
  switch (control.Alignment()) {
    case taLeftJustify:
      if (a > 90 && a <= 180)
        x = -Truncated(tw * c);
      else if (a > 180 && a <= 270)
        x = -Truncated(tw * c) - Truncated(th * s);
      else if (a > 270)
        x = -Truncated(th * s);
      x = std::min(x, iw);
      break;
    case taRightJustify:
      x = iw;
      if (a <= 90)
        x = iw - Truncated(tw * c) - Truncated(th * s);
      else if (a <= 180)
        x = iw - Truncated(th * s);
      else if (a > 270)
        x = iw - Truncated(tw * c);
      x = std::max<int64_t>(x, 0);
      break;
    case taCenter:
      x = iw / 2 - Truncated(tw * 0.5 * c) - Truncated(th * 0.5 * s);
      break;
  }
  int64_t y = 0;
  if (a <= 90)
    y = Truncated(tw * s);
  else if (a <= 180)
    y = Truncated(tw * s) - Truncated(th * c);
  else if (a <= 270)
    y = -Truncated(th * c);
  y = std::min(y, ih);

  TRect output{Saturated(rect.Left + x), Saturated(rect.Top + y), rect.Right, rect.Bottom};
  if (a != 0) {
    if (!Measuring(flags)) canvas.TextOutAngle(output.Left, output.Top, 10 * a, shown);
    return th;
  }
  return canvas.DrawText(shown, output, flags);
}

std::string FormatValue(const TVoRLabel& label, const TCanvas& canvas, const Variant& value,
                        bool generating) {
  const std::string text = ValueText(value);
  const std::string* mask = MaskOf(label);
  if (!generating || mask == nullptr) return text;
  const int32_t zeroWidth = canvas.TextWidth("0");
  const int64_t inner = int64_t{label.Width()} - label.Frame()->Width() - 2;
  const int width = zeroWidth > 0 ? RoundedHalfEven(static_cast<double>(inner) / zeroWidth) : 0;
  return FormatByMask(text, *mask, width);
}

}  // namespace qr2vor
