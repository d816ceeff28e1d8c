#include <gtest/gtest.h>

#include "platform/gfx/raster_canvas.h"

namespace qr2vor {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;

bool IsDark(uint32_t argb) {
  return ((argb >> 16) & 0xFF) < 128 && ((argb >> 8) & 0xFF) < 128 && (argb & 0xFF) < 128;
}

// The box of the pixels darker than mid-grey; empty (Left > Right) when there are none.
TRect DarkBox(const TRasterImage& image) {
  TRect box{image.Width(), image.Height(), -1, -1};
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x)
      if (IsDark(image.Pixel(x, y))) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x);
        box.Bottom = std::max(box.Bottom, y);
      }
  return box;
}

TEST(RasterCanvasTest, RectanglesFillInsideAndOutlineOnTheEdge) {
  TRasterCanvas canvas(100, 100);
  canvas.Brush().SetColor(clRed);
  canvas.Pen().SetStyle(psClear);
  canvas.Rectangle(10, 10, 50, 50);
  TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(20, 20), kRed);
  EXPECT_EQ(image.Pixel(10, 10), kRed);
  EXPECT_EQ(image.Pixel(48, 48), kRed);  // without a pen: one short of right and bottom
  EXPECT_EQ(image.Pixel(49, 49), kWhite);
  EXPECT_EQ(image.Pixel(9, 20), kWhite);

  TRasterCanvas outlined(100, 100);
  outlined.Brush().SetStyle(bsClear);
  outlined.Rectangle(10, 10, 50, 50);
  image = outlined.Image();
  EXPECT_EQ(image.Pixel(10, 30), kBlack);
  EXPECT_EQ(image.Pixel(49, 30), kBlack);
  EXPECT_EQ(image.Pixel(30, 10), kBlack);
  EXPECT_EQ(image.Pixel(30, 49), kBlack);
  EXPECT_EQ(image.Pixel(30, 30), kWhite);
  EXPECT_EQ(image.Pixel(50, 30), kWhite);
  EXPECT_EQ(image.Pixel(30, 9), kWhite);
}

TEST(RasterCanvasTest, FillRectCoversRightAndBottomExclusive) {
  TRasterCanvas canvas(20, 20);
  canvas.Brush().SetColor(clBlue);
  canvas.FillRect(TRect{0, 0, 10, 10});
  const TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(0, 0), kBlue);
  EXPECT_EQ(image.Pixel(9, 9), kBlue);
  EXPECT_EQ(image.Pixel(10, 9), kWhite);
  EXPECT_EQ(image.Pixel(9, 10), kWhite);
}

TEST(RasterCanvasTest, LinesLeaveOutTheEndPoint) {
  TRasterCanvas canvas(50, 50);
  canvas.MoveTo(10, 20);
  canvas.LineTo(30, 20);
  canvas.LineTo(30, 40);
  const TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(10, 20), kBlack);
  EXPECT_EQ(image.Pixel(29, 20), kBlack);
  EXPECT_EQ(image.Pixel(20, 19), kWhite);
  EXPECT_EQ(image.Pixel(20, 21), kWhite);
  EXPECT_EQ(image.Pixel(30, 20), kBlack);  // the second line starts there
  EXPECT_EQ(image.Pixel(30, 39), kBlack);
  EXPECT_EQ(image.Pixel(30, 40), kWhite);
  EXPECT_EQ(canvas.PenPos(), (TPoint{30, 40}));
  // A pen three pixels wide covers the rows above and below.
  TRasterCanvas wide(50, 50);
  wide.Pen().SetWidth(3);
  wide.MoveTo(5, 10);
  wide.LineTo(40, 10);
  const TRasterImage wideImage = wide.Image();
  EXPECT_EQ(wideImage.Pixel(20, 9), kBlack);
  EXPECT_EQ(wideImage.Pixel(20, 11), kBlack);
  EXPECT_EQ(wideImage.Pixel(20, 12), kWhite);
}

TEST(RasterCanvasTest, EllipsesAndRoundRectangles) {
  TRasterCanvas canvas(100, 50);
  canvas.Brush().SetColor(clBlue);
  canvas.Pen().SetStyle(psClear);
  canvas.Ellipse(0, 0, 100, 50);
  TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(50, 25), kBlue);
  EXPECT_EQ(image.Pixel(50, 2), kBlue);
  EXPECT_EQ(image.Pixel(3, 25), kBlue);
  // (5, 5) lies outside: ((5.5 - 49.5) / 49.5)^2 + ((5.5 - 24.5) / 24.5)^2 = 1.39 > 1.
  EXPECT_EQ(image.Pixel(5, 5), kWhite);
  EXPECT_EQ(image.Pixel(95, 45), kWhite);

  TRasterCanvas round(100, 100);
  round.Brush().SetColor(clRed);
  round.Pen().SetStyle(psClear);
  round.RoundRect(0, 0, 100, 100, 40, 40);
  image = round.Image();
  EXPECT_EQ(image.Pixel(1, 1), kWhite);  // cut off by the 20-pixel corner radius
  EXPECT_EQ(image.Pixel(1, 50), kRed);
  EXPECT_EQ(image.Pixel(50, 1), kRed);
  EXPECT_EQ(image.Pixel(10, 10), kRed);  // inside the corner arc: (10 - 20)^2 * 2 < 20^2
}

TEST(RasterCanvasTest, HatchedBrushLeavesGapsBetweenLines) {
  TRasterCanvas canvas(16, 16);
  canvas.Pen().SetStyle(psClear);
  canvas.Brush().SetColor(clBlack);
  canvas.Brush().SetStyle(bsHorizontal);
  canvas.FillRect(TRect{0, 0, 16, 16});
  const TRasterImage image = canvas.Image();
  int dark = 0;
  for (int32_t y = 0; y < 8; ++y) dark += IsDark(image.Pixel(4, y)) ? 1 : 0;
  EXPECT_EQ(dark, 1);  // one line in every eight rows
}

TEST(RasterCanvasTest, TextStaysInsideItsCell) {
  TRasterCanvas canvas(200, 100);
  canvas.Font().SetName("Courier New");
  canvas.Font().SetHeight(-20);
  canvas.Brush().SetStyle(bsClear);
  canvas.TextOut(10, 10, "XXXX");
  const TFontMetrics metrics = canvas.FontMetrics();
  const TRect box = DarkBox(canvas.Image());
  // Four 12-pixel cells from x = 10; capitals stand on the baseline at 10 + ascent.
  EXPECT_GE(box.Left, 10);
  EXPECT_LE(box.Left, 12);
  EXPECT_LE(box.Right, 10 + 48);
  EXPECT_GE(box.Right, 10 + 48 - 4);
  EXPECT_GE(box.Top, 10);
  EXPECT_LE(box.Bottom, 10 + metrics.Ascent);
  EXPECT_GE(box.Bottom, 10 + metrics.Ascent - 2);
  // Capitals are at least half the em tall.
  EXPECT_GE(box.Bottom - box.Top, 10);
}

TEST(RasterCanvasTest, OpaqueTextFillsTheCellAndUnderlineSitsBelowTheBaseline) {
  TRasterCanvas canvas(100, 50);
  canvas.Font().SetName("Arial");
  canvas.Font().SetHeight(-20);
  canvas.Font().SetColor(clBlack);
  canvas.Font().SetStyle(FontStyleBit(fsUnderline));
  canvas.Brush().SetColor(clRed);
  canvas.TextOut(0, 0, "  ");
  const TFontMetrics metrics = canvas.FontMetrics();
  const TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(1, 1), kRed);
  EXPECT_EQ(image.Pixel(1, metrics.Height - 1), kRed);
  EXPECT_EQ(image.Pixel(1, metrics.Height), kWhite);
  EXPECT_TRUE(IsDark(image.Pixel(2, metrics.Ascent + metrics.UnderlinePosition)));
}

TEST(RasterCanvasTest, TextAtNinetyDegreesRunsUpward) {
  TRasterCanvas canvas(100, 200);
  canvas.Font().SetName("Courier New");
  canvas.Font().SetHeight(-20);
  canvas.Brush().SetStyle(bsClear);
  canvas.TextOutAngle(20, 150, 900, "XXXX");
  const TRect box = DarkBox(canvas.Image());
  // The cell turns about (20, 150): it spans x 20 .. 20 + height, y 150 - 48 .. 150.
  EXPECT_GE(box.Left, 20);
  EXPECT_LE(box.Right, 20 + canvas.FontMetrics().Height);
  EXPECT_GE(box.Top, 150 - 48);
  EXPECT_LE(box.Top, 150 - 44);
  EXPECT_LE(box.Bottom, 150);
}

TEST(RasterCanvasTest, ClippingAndTheLayoutFunction) {
  TRasterCanvas canvas(100, 100);
  canvas.SaveState();
  canvas.IntersectClipRect(TRect{0, 0, 50, 100});
  canvas.Brush().SetColor(clRed);
  canvas.FillRect(TRect{0, 0, 100, 100});
  canvas.RestoreState();
  canvas.RestoreState();  // unbalanced: ignored
  canvas.Brush().SetColor(clBlue);
  canvas.FillRect(TRect{0, 90, 100, 100});
  TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(49, 50), kRed);
  EXPECT_EQ(image.Pixel(50, 50), kWhite);
  EXPECT_EQ(image.Pixel(80, 95), kBlue);

  // The layout function clips what does not fit: 20 characters in a 60-pixel rectangle.
  TRasterCanvas text(300, 60);
  text.Font().SetName("Courier New");
  text.Font().SetHeight(-20);
  text.Brush().SetStyle(bsClear);
  TRect rect{10, 10, 70, 50};
  text.DrawText("XXXXXXXXXXXXXXXXXXXX", rect, DT_NOPREFIX);
  const TRect box = DarkBox(text.Image());
  EXPECT_GE(box.Left, 10);
  EXPECT_LE(box.Right, 69);
  EXPECT_GE(box.Right, 60);
}

}  // namespace
}  // namespace qr2vor
