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

// A product in page units, truncated toward zero.
int32_t Truncated(double value) { return static_cast<int32_t>(std::trunc(value)); }

// Halves go to the even neighbour (the floating-point environment's default rounding).
int32_t RoundedHalfEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

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
    if (!IsLine(control)) {
      rect.Left += frameWidth;
      rect.Top += frameWidth;
      rect.Right -= frameWidth;
      rect.Bottom -= frameWidth;
    }
  }
  return 2 * frameWidth + control.Height();
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
      if (label.Stretch()) result = height + 2 * label.Frame()->Width();
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

TRect Inset(const TRect& rect, int32_t by) {
  return {rect.Left + by, rect.Top + by, rect.Right - by, rect.Bottom - by};
}

int32_t PrintShape(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                   const TRenderContext& context) {
  auto& shape = dynamic_cast<TVoRShape&>(control);
  const int32_t result = PrintBase(shape, canvas, rect, flags, context);
  if (Measuring(flags)) return result;
  canvas.Pen().SetStyle(shape.Frame()->Style());
  if (!shape.Transparent()) canvas.Brush().SetColor(shape.BackColor());

  const int32_t p = canvas.Pen().Width();
  const int32_t frameWidth = shape.Frame()->Width();
  int32_t x = p / 2;
  int32_t y = x;
  int32_t w = shape.Width() - p - 2 * frameWidth + 1;
  int32_t h = (shape.Stretch() == ssHeight ? rect.Bottom - rect.Top : shape.Height()) - p -
              2 * frameWidth + 1;
  if (p == 0) {
    --w;
    --h;
  }
  const int32_t s = std::min(w, h);
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
  const TRect box{x, y, x + w, y + h};
  const bool twice = shape.LineStyle() == lsDouble;

  if (const auto* line = dynamic_cast<const TVoRLine*>(&shape)) {
    DrawLineSegment(canvas, line->LineType(), rect);
    if (twice) DrawLineSegment(canvas, line->LineType(), Inset(rect, 2 * p));
  } else if (rectangle != nullptr) {
    const bool round =
        rectangle->RectangleType() == rtRoundRect || rectangle->RectangleType() == rtRoundSquare;
    for (const TRect& r : {box, Inset(box, 2 * p)}) {
      if (round)
        canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, s / 4, s / 4);
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
  const int32_t W = rect.Right - rect.Left;
  const int32_t H = rect.Bottom - rect.Top;
  int32_t pw = 0;
  int32_t ph = 0;
  GraphicSize(*picture.Graphic(), pw, ph);
  int32_t w = pw;
  int32_t h = ph;
  if (image.FileName().empty() || image.Stretch() || (image.AspectRatio() && (pw > W || ph > H)))
    AspectSize(image.AspectRatio(), pw, ph, W, H, w, h);
  TRect target{rect.Left, rect.Top, rect.Left + w, rect.Top + h};
  if (image.Center()) {
    const int32_t dx = (W - w) / 2;
    const int32_t dy = (H - h) / 2;
    target = {target.Left + dx, target.Top + dy, target.Right + dx, target.Bottom + dy};
  }
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
  if (richText.Stretch()) result = height + 2 * richText.Frame()->Width();
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

// One tile of a frame picture: the cell at (x, y) relative to the rectangle, the size of the
// picture, clipped to the rectangle.
class TTileWriter {
 public:
  TTileWriter(TCanvas& canvas, const TGraphic& graphic, const TRect& rect, int32_t pw, int32_t ph)
      : canvas_(canvas), graphic_(graphic), rect_(rect), pw_(pw), ph_(ph) {
    try {
      image_ = DecodeGraphic(graphic);
    } catch (const EInvalidGraphic&) {
      // Metafiles and icons are drawn whole under a clip instead of copied in parts.
    }
  }

  void Tile(int32_t x, int32_t y) {
    const int32_t W = rect_.Right - rect_.Left;
    const int32_t H = rect_.Bottom - rect_.Top;
    const int32_t left = std::max(x, 0);
    const int32_t top = std::max(y, 0);
    const int32_t right = std::min(x + pw_, W);
    const int32_t bottom = std::min(y + ph_, H);
    if (right <= left || bottom <= top) return;
    const TRect dest{rect_.Left + left, rect_.Top + top, rect_.Left + right, rect_.Top + bottom};
    if (!image_.Empty()) {
      canvas_.CopyRect(dest, image_, {left - x, top - y, right - x, bottom - y});
      return;
    }
    canvas_.SaveState();
    canvas_.IntersectClipRect(dest);
    canvas_.Draw(rect_.Left + x, rect_.Top + y, graphic_);
    canvas_.RestoreState();
  }

 private:
  TCanvas& canvas_;
  const TGraphic& graphic_;
  TRect rect_;
  int32_t pw_;
  int32_t ph_;
  TRasterImage image_;
};

void DrawFramePicture(const TVoRFrame& frame, TCanvas& canvas, const TRect& rect) {
  const TGraphic& graphic = *frame.Picture()->Graphic();
  int32_t pw = 0;
  int32_t ph = 0;
  GraphicSize(graphic, pw, ph);
  if (pw <= 0 || ph <= 0) return;
  const int32_t W = rect.Right - rect.Left;
  const int32_t H = rect.Bottom - rect.Top;
  switch (frame.PicType()) {
    case TVoPicType::btNone:
      break;
    case TVoPicType::btCenter:
      canvas.Draw(rect.Left + (W - pw) / 2, rect.Top + (H - ph) / 2, graphic);
      break;
    case TVoPicType::btStretch:
      canvas.StretchDraw(rect, graphic);
      break;
    case TVoPicType::btTile: {
      TTileWriter writer(canvas, graphic, rect, pw, ph);
      const int32_t columns = RoundedHalfEven(static_cast<double>(W) / pw);
      const int32_t rows = RoundedHalfEven(static_cast<double>(H) / ph);
      for (int32_t j = 0; j <= rows; ++j)
        for (int32_t i = 0; i <= columns; ++i) writer.Tile(i * pw, j * ph);
      break;
    }
    case TVoPicType::btTileAsFrame: {
      TTileWriter writer(canvas, graphic, rect, pw, ph);
      const int32_t columns = RoundedHalfEven(static_cast<double>(W) / pw);
      const int32_t rows = RoundedHalfEven(static_cast<double>(H) / ph);
      for (int32_t i = 0; i <= columns; ++i) {
        writer.Tile(i * pw, 0);
        writer.Tile(i * pw, H - ph);
      }
      for (int32_t j = 1; j <= rows; ++j) {
        writer.Tile(0, j * ph);
        writer.Tile(W - pw, j * ph);
      }
      break;
    }
    case TVoPicType::btCorners:
      canvas.Draw(rect.Left, rect.Top, graphic);
      canvas.Draw(rect.Right - pw, rect.Top, graphic);
      canvas.Draw(rect.Left, rect.Bottom - ph, graphic);
      canvas.Draw(rect.Right - pw, rect.Bottom - ph, graphic);
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
  return FindPrintFunction(control)(control, canvas, rect, flags, context);
}

void DrawFrame(const TVoRFrame& frame, TCanvas& canvas, const TRect& rect) {
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
                 uint32_t flags, const TRect& rect) {
  const bool removeBlank = control.VoPrintWhen()->RemoveBlankLine();
  const std::string_view shown = text.empty() && !removeBlank ? std::string_view(" ") : text;
  canvas.Brush().SetStyle(bsClear);
  const int32_t a = angle;
  const double radians = a * std::acos(-1.0) / 180;
  const double s = std::sin(radians);
  const double c = std::cos(radians);
  const int32_t tw = canvas.TextWidth(shown);
  const int32_t th = canvas.TextHeight(shown);
  const int32_t frameWidth = control.Frame()->Width();
  const int32_t iw = control.Width() - 2 * frameWidth;
  const int32_t ih = control.Height() - 2 * frameWidth;

  int32_t x = 0;
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
      x = std::max(x, 0);
      break;
    case taCenter:
      x = iw / 2 - Truncated(tw * 0.5 * c) - Truncated(th * 0.5 * s);
      break;
  }
  int32_t y = 0;
  if (a <= 90)
    y = Truncated(tw * s);
  else if (a <= 180)
    y = Truncated(tw * s) - Truncated(th * c);
  else if (a <= 270)
    y = -Truncated(th * c);
  y = std::min(y, ih);

  TRect output{rect.Left + x, rect.Top + y, rect.Right, rect.Bottom};
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
  const int32_t inner = label.Width() - label.Frame()->Width() - 2;
  const int width = zeroWidth > 0 ? RoundedHalfEven(static_cast<double>(inner) / zeroWidth) : 0;
  return FormatByMask(text, *mask, width);
}

}  // namespace qr2vor
