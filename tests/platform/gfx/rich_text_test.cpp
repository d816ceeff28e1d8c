#include <gtest/gtest.h>

#include <vector>

#include "platform/gfx/rich_text.h"

namespace qr2vor {
namespace {

TRichText Reader() {
  TRichText text;
  TFont font;
  font.SetName("Courier New");
  font.SetHeight(-20);
  font.SetColor(clGreen);
  text.SetDefaults(font, TRichAlignment::Left);
  return text;
}

TEST(RichTextTest, ReadsFormattingFontAndColourTables) {
  TRichText text = Reader();
  text.LoadFromRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
      "{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs24 Hello \\b bold\\b0\\par"
      "\\qc\\f1\\cf1\\i\\ul Centre\\ulnone\\i0\\par\\pard caf\\'e9 \\{x\\}}");
  const auto& paragraphs = text.Paragraphs();
  ASSERT_EQ(paragraphs.size(), 3u);
  ASSERT_EQ(paragraphs[0].Runs.size(), 2u);
  EXPECT_EQ(paragraphs[0].Runs[0].Text, "Hello ");
  EXPECT_EQ(paragraphs[0].Runs[0].FontName, "Arial");
  EXPECT_EQ(paragraphs[0].Runs[0].FontHeight, -16);  // 12 points at 96 pixels per inch
  EXPECT_EQ(paragraphs[0].Runs[0].Color, clGreen);   // \cf0: the default colour
  EXPECT_EQ(paragraphs[0].Runs[1].Text, "bold");
  EXPECT_EQ(paragraphs[0].Runs[1].Style, FontStyleBit(fsBold));
  EXPECT_EQ(paragraphs[0].Alignment, TRichAlignment::Left);
  EXPECT_EQ(paragraphs[1].Alignment, TRichAlignment::Center);
  EXPECT_EQ(paragraphs[1].Runs[0].Text, "Centre");
  EXPECT_EQ(paragraphs[1].Runs[0].FontName, "Times New Roman");
  EXPECT_EQ(paragraphs[1].Runs[0].Color, clRed);
  EXPECT_EQ(paragraphs[1].Runs[0].Style, FontStyleBit(fsItalic) | FontStyleBit(fsUnderline));
  EXPECT_EQ(paragraphs[2].Alignment, TRichAlignment::Left);
  EXPECT_EQ(paragraphs[2].Runs[0].Text, "caf\xE9 {x}");
}

TEST(RichTextTest, SkipsUnknownAndIgnorableGroups) {
  TRichText text = Reader();
  text.LoadFromRtf(
      "{\\rtf1{\\*\\generator Writer;}{\\info{\\title T}}{\\unknown kept }Body\\tab"
      " end{\\stylesheet{\\s0 Normal;}}}");
  ASSERT_EQ(text.Paragraphs().size(), 1u);
  EXPECT_EQ(text.Paragraphs()[0].Runs[0].Text, "kept Body\tend");
  // Text without the RTF mark is plain text.
  text.LoadFromRtf("one\r\ntwo");
  ASSERT_EQ(text.Paragraphs().size(), 2u);
  EXPECT_EQ(text.Paragraphs()[1].Runs[0].Text, "two");
  EXPECT_EQ(text.Paragraphs()[1].Runs[0].FontName, "Courier New");
}

TEST(RichTextTest, MalformedRtfFailsWithItsMessage) {
  TRichText text = Reader();
  const std::vector<std::string> bads{"{\\rtf1 a}}", "{\\rtf1 \\'zz}", "{\\rtf1 \\'4",
                                      "{\\rtf1" + std::string(600, '{')};
  for (const std::string& bad : bads) {
    try {
      text.LoadFromRtf(bad);
      ADD_FAILURE() << bad;
    } catch (const ERichTextError& e) {
      EXPECT_STREQ(e.what(), "Rich text is not valid");
    }
  }
  text.LoadFromRtf("{\\rtf1 unclosed");  // a missing closing brace ends the text
  EXPECT_EQ(text.Paragraphs()[0].Runs[0].Text, "unclosed");
}

// Courier New at 20 pixels: 12 pixels a character.
class TRecordingCanvas : public TMeasureCanvas {
 public:
  struct TPiece {
    int32_t x, y;
    std::string text;
    int32_t height;
  };
  std::vector<TPiece> pieces;

 protected:
  void DoTextOut(int32_t x, int32_t y, std::string_view text, int32_t) override {
    pieces.push_back({x, y, std::string(text), Font().Height()});
  }
};

TEST(RichTextTest, LayoutWrapsAlignsAndSharesTheBaseline) {
  TRichText text = Reader();
  text.SetPlainText("aaa bbb ccc");
  TRecordingCanvas canvas;
  const int32_t h = TFontEngine::Instance().Get("Courier New", -20, false, false).Metrics().Height;
  EXPECT_EQ(text.Render(canvas, TRect{0, 0, 90, 500}, true), 2 * h);
  EXPECT_TRUE(canvas.pieces.empty());
  EXPECT_EQ(text.Render(canvas, TRect{10, 5, 100, 500}, false), 2 * h);
  ASSERT_EQ(canvas.pieces.size(), 2u);
  EXPECT_EQ(canvas.pieces[0].text, "aaa bbb");
  EXPECT_EQ(canvas.pieces[1].text, "ccc");
  EXPECT_EQ(canvas.pieces[1].y, 5 + h);

  // Right-aligned: "ab" (24 pixels) ends at the right edge. A run twice the size sits on the
  // same baseline: the smaller run is lowered by the difference of the ascents.
  canvas.pieces.clear();
  text.LoadFromRtf("{\\rtf1\\qr ab\\fs60 CD}");
  const TFontMetrics& small =
      TFontEngine::Instance().Get("Courier New", -20, false, false).Metrics();
  const TFontMetrics& large =
      TFontEngine::Instance().Get("Courier New", -40, false, false).Metrics();
  EXPECT_EQ(text.Render(canvas, TRect{0, 0, 200, 500}, false), large.Height);
  ASSERT_EQ(canvas.pieces.size(), 2u);
  EXPECT_EQ(canvas.pieces[0].x, 200 - 24 - 48);
  EXPECT_EQ(canvas.pieces[0].y, large.Ascent - small.Ascent);
  EXPECT_EQ(canvas.pieces[1].x, 200 - 48);
  EXPECT_EQ(canvas.pieces[1].y, 0);
  EXPECT_EQ(canvas.pieces[1].height, -40);
  EXPECT_EQ(canvas.Font().Height(), -11);  // the canvas font is given back
}

}  // namespace
}  // namespace qr2vor
