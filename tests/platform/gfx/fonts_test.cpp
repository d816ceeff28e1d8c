#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cmath>

#include "platform/gfx/canvas.h"
#include "platform/gfx/emf_player.h"
#include "platform/gfx/fonts.h"
#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/raster_canvas.h"
#include "rtl/codepage.h"

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
  EXPECT_EQ(mono.TextWidth(u"abc"), 36);
  EXPECT_EQ(mono.TextWidth(u"WWi"), 36);
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

namespace qr2vor {
namespace {

// The box of a character's ink when its cell's top-left stands at (x, y), from the face itself.
TRect GlyphBox(const TScaledFont& font, char32_t codePoint, int32_t x, int32_t y) {
  FT_Face face = font.Face();
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(font.EmPixels() * 64)), 72, 72);
  EXPECT_EQ(FT_Load_Glyph(face, font.GlyphIndex(codePoint), FT_LOAD_DEFAULT), 0);
  const FT_Glyph_Metrics& m = face->glyph->metrics;
  const int32_t left = x + static_cast<int32_t>(m.horiBearingX >> 6);
  const int32_t top = y + font.Metrics().Ascent - static_cast<int32_t>(m.horiBearingY >> 6);
  return TRect{left, top, left + static_cast<int32_t>(m.width >> 6),
               top + static_cast<int32_t>(m.height >> 6)};
}

// The box of the pixels that are not white.
TRect InkBox(const TRasterImage& image) {
  TRect box{image.Width(), image.Height(), -1, -1};
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x)
      if (image.Pixel(x, y) != 0xFFFFFFFF) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box;
}

void ExpectNear(const TRect& ink, const TRect& glyph, const std::string& label) {
  EXPECT_NEAR(ink.Left, glyph.Left, 1) << label;
  EXPECT_NEAR(ink.Top, glyph.Top, 1) << label;
  EXPECT_NEAR(ink.Right, glyph.Right, 1) << label;
  EXPECT_NEAR(ink.Bottom, glyph.Bottom, 1) << label;
}

struct TScriptRow {
  const char* label;
  TFontCharset charset;
  int processCodePage;
  std::string bytes;     // in the font's code page
  char32_t codePoint;    // the one character they hold
  const char* language;  // of the face that must draw it
};

TEST(FontsTest, TextDecodesByItsFontsCharacterSet) {
  const TScriptRow rows[] = {
      {"Cyrillic", RUSSIAN_CHARSET, 1252, "\xC6", 0x0416, "ru"},
      {"Cyrillic in the process code page", DEFAULT_CHARSET, 1251, "\xC6", 0x0416, "ru"},
      {"Greek", GREEK_CHARSET, 1252, "\xD3", 0x03A3, "el"},
      {"Chinese", GB2312_CHARSET, 1252, "\xD6\xD0", 0x4E2D, "zh-cn"},
      {"Western", ANSI_CHARSET, 1252, "\xC6", 0x00C6, ""},
  };
  for (const TScriptRow& row : rows) {
    SetProcessCodePage(row.processCodePage);
    TRasterCanvas canvas(120, 80);
    canvas.Font().SetName("Arial");
    canvas.Font().SetHeight(-40);
    canvas.Font().SetCharset(row.charset);
    const TScaledFont& font = canvas.ScaledFont();
    EXPECT_EQ(&font, &TFontEngine::Instance().Get("Arial", -40, false, false, row.language))
        << row.label;
    EXPECT_NE(font.GlyphIndex(row.codePoint), 0u) << row.label << ": " << font.Family();
    EXPECT_EQ(canvas.TextWidth(row.bytes), font.CharWidth(row.codePoint)) << row.label;
    canvas.Brush().SetStyle(bsClear);
    canvas.TextOut(20, 10, row.bytes);
    ExpectNear(InkBox(canvas.Image()), GlyphBox(font, row.codePoint, 20, 10), row.label);

    // Through a page metafile: the wide text and its advance carry the character.
    TMetafileCanvas page(120, 80);
    page.Font().Assign(canvas.Font());
    page.Brush().SetStyle(bsClear);
    page.TextOut(20, 10, row.bytes);
    TRasterCanvas played(120, 80);
    PlayEnhMetafile(played, page.Finish(), TRect{0, 0, 120, 80});
    ExpectNear(InkBox(played.Image()), GlyphBox(font, row.codePoint, 20, 10),
               std::string(row.label) + " played");
  }
  SetProcessCodePage(kDefaultCodePage);
  // A CJK face draws the Chinese text, not the named Western one.
  EXPECT_NE(TFontEngine::Instance().Get("Arial", -40, false, false, "zh-cn").Family(),
            "Liberation Sans");
  EXPECT_EQ(TFontEngine::Instance().Get("Arial", -40, false, false, "ru").Family(),
            "Liberation Sans");
}

TEST(FontsTest, ChineseLabelsLayOutByCharacters) {
  TMeasureCanvas canvas;
  canvas.Font().SetName("Arial");
  canvas.Font().SetHeight(-20);
  canvas.Font().SetCharset(GB2312_CHARSET);
  const std::string text = "\xD6\xD0\xCE\xC4 \xB1\xA8\xB1\xED";  // "中文 报表"
  const TScaledFont& font = canvas.ScaledFont();
  const int32_t word = font.CharWidth(0x4E2D) + font.CharWidth(0x6587);
  EXPECT_EQ(canvas.TextWidth(text),
            word + font.CharWidth(' ') + font.CharWidth(0x62A5) + font.CharWidth(0x8868));
  // Broken at the blank, each line holds whole characters.
  TRect rect{0, 0, word + 2, 0};
  canvas.DrawText(text, rect, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(rect.Bottom, 2 * font.Metrics().Height);
  EXPECT_EQ(rect.Right, word + 2);
}

}  // namespace
}  // namespace qr2vor
