#include <gtest/gtest.h>

#include "platform/gfx/canvas.h"
#include "platform/gfx/fonts.h"

namespace qr2vor {
namespace {

TEST(FontsTest, WindowsFacesResolveToMetricCompatibleFamilies) {
  TFontEngine& engine = TFontEngine::Instance();
  EXPECT_EQ(engine.Get("Arial", -13, false, false).Family(), "Liberation Sans");
  EXPECT_EQ(engine.Get("times new roman", -13, false, false).Family(), "Liberation Serif");
  EXPECT_EQ(engine.Get("Courier New", -13, false, false).Family(), "Liberation Mono");
  EXPECT_EQ(engine.Get("MS Sans Serif", -13, false, false).Family(), "Liberation Sans");
  // An unknown face falls back to a sans face rather than failing.
  EXPECT_FALSE(engine.Get("No Such Face 123", -13, false, false).Family().empty());
}

TEST(FontsTest, MetricsFollowTheFaceTables) {
  // Arial's (and Liberation Sans') Windows ascent and descent are 1854 and 434 of 2048 units:
  // at a 20-pixel em, 18.1 and 4.24 pixels.
  const TFontMetrics& arial = TFontEngine::Instance().Get("Arial", -20, false, false).Metrics();
  EXPECT_EQ(arial.Ascent, 18);
  EXPECT_EQ(arial.Descent, 4);
  EXPECT_EQ(arial.Height, 22);
  EXPECT_EQ(arial.InternalLeading, 2);
  // A positive height is the cell: 22 pixels of cell are a 22 * 2048 / 2288 = 19.7 pixel em.
  const TScaledFont& cell = TFontEngine::Instance().Get("Arial", 22, false, false);
  EXPECT_DOUBLE_EQ(cell.EmPixels(), 20);
}

TEST(FontsTest, MonospacedAdvancesAreSixtyPercentOfTheEm) {
  // Courier New advances are 1229 of 2048 units: 12 pixels at a 20-pixel em.
  const TScaledFont& mono = TFontEngine::Instance().Get("Courier New", -20, false, false);
  EXPECT_EQ(mono.CharWidth('i'), 12);
  EXPECT_EQ(mono.TextWidth("abc"), 36);
  EXPECT_EQ(mono.TextWidth("WWi"), 36);
  EXPECT_EQ(mono.Metrics().AveCharWidth, 12);
}

TEST(FontsTest, CanvasMeasuresInItsFont) {
  TMeasureCanvas canvas;
  canvas.Font().SetName("Courier New");
  canvas.Font().SetSize(15);  // 15 points are 20 pixels at 96 per inch
  EXPECT_EQ(canvas.Font().Height(), -20);
  EXPECT_EQ(canvas.TextWidth("hello"), 60);
  EXPECT_EQ(canvas.TextHeight("hello"), canvas.FontMetrics().Height);
  canvas.Font().SetStyle(FontStyleBit(fsBold));
  EXPECT_EQ(canvas.TextWidth("hello"), 60);  // the bold mono face keeps the advance
  canvas.Font().SetName("Arial");
  canvas.Font().SetStyle(0);
  const int32_t regular = canvas.TextWidth("Hello world");
  canvas.Font().SetStyle(FontStyleBit(fsBold));
  EXPECT_GT(canvas.TextWidth("Hello world"), regular);
}

}  // namespace
}  // namespace qr2vor
