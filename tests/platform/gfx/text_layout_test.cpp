#include <gtest/gtest.h>

#include <vector>

#include "platform/gfx/canvas.h"

namespace qr2vor {
namespace {

// Records the text pieces the layout function writes. Courier New at a 20-pixel em advances 12
// pixels a character, so positions and breaks are worked out by counting characters.
class TRecordingCanvas : public TMeasureCanvas {
 public:
  struct TPiece {
    int32_t x;
    int32_t y;
    std::string text;
  };
  TRecordingCanvas() {
    Font().SetName("Courier New");
    Font().SetHeight(-20);
  }
  std::vector<TPiece> pieces;
  int clips = 0;

 protected:
  void DoTextOut(int32_t x, int32_t y, std::string_view text, int32_t) override {
    pieces.push_back({x, y, std::string(text)});
  }
  void DoIntersectClipRect(const TRect&) override { ++clips; }
};

int32_t Measure(std::string_view text, int32_t width, uint32_t flags, TRect* out = nullptr) {
  TRecordingCanvas canvas;
  TRect rect{10, 20, 10 + width, 1000};
  const int32_t height = canvas.DrawText(text, rect, flags | DT_CALCRECT);
  EXPECT_TRUE(canvas.pieces.empty());
  if (out != nullptr) *out = rect;
  return height;
}

int32_t LineHeight() { return TRecordingCanvas().FontMetrics().Height; }

TEST(TextLayoutTest, WordBreakAtBlanks) {
  const int32_t h = LineHeight();
  const uint32_t flags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
  // "aaa bbb ccc": 36 + 12 + 36 = 84 pixels for two words.
  EXPECT_EQ(Measure("aaa bbb ccc", 60, flags), 3 * h);
  EXPECT_EQ(Measure("aaa bbb ccc", 84, flags), 2 * h);
  EXPECT_EQ(Measure("aaa bbb ccc", 83, flags), 3 * h);
  EXPECT_EQ(Measure("aaa bbb ccc", 132, flags), h);
  // Without DT_WORDBREAK the line stays whole whatever the width.
  EXPECT_EQ(Measure("aaa bbb ccc", 60, DT_NOPREFIX), h);
  // A word wider than the rectangle stays whole and widens the rectangle.
  TRect rect;
  EXPECT_EQ(Measure("abcdefghij x", 60, flags, &rect), 2 * h);
  EXPECT_EQ(rect.Right, 10 + 120);
  EXPECT_EQ(rect.Bottom, 20 + 2 * h);
  // Blanks at a break disappear, blanks leading a paragraph stay.
  TRecordingCanvas canvas;
  TRect draw{0, 0, 60, 1000};
  canvas.DrawText("  aa    bbbb", draw, flags);
  ASSERT_EQ(canvas.pieces.size(), 2u);
  EXPECT_EQ(canvas.pieces[0].text, "  aa");
  EXPECT_EQ(canvas.pieces[1].text, "bbbb");
  EXPECT_EQ(canvas.pieces[1].x, 0);
  EXPECT_EQ(canvas.pieces[1].y, h);
}

TEST(TextLayoutTest, HardBreaksAndEmptyText) {
  const int32_t h = LineHeight();
  EXPECT_EQ(Measure("a\r\nb\nc\rd", 500, DT_NOPREFIX), 4 * h);
  EXPECT_EQ(Measure("a\r\n\r\nb", 500, DT_NOPREFIX), 3 * h);
  EXPECT_EQ(Measure("abc\r\n", 500, DT_NOPREFIX), h);
  EXPECT_EQ(Measure("", 500, DT_NOPREFIX), 0);
  EXPECT_EQ(Measure(" ", 500, DT_NOPREFIX), h);
  EXPECT_EQ(Measure("a\r\nb", 500, DT_NOPREFIX | DT_SINGLELINE), h);
}

TEST(TextLayoutTest, TabsAndPrefixes) {
  TRect rect;
  // Tab stops every 8 average character widths: 96 pixels.
  Measure("a\tb", 500, DT_EXPANDTABS | DT_NOPREFIX, &rect);
  EXPECT_EQ(rect.Right - rect.Left, 96 + 12);
  Measure("abcdefghi\tb", 500, DT_EXPANDTABS | DT_NOPREFIX, &rect);
  EXPECT_EQ(rect.Right - rect.Left, 192 + 12);
  // Single '&' marks vanish, "&&" is one '&'; DT_NOPREFIX keeps them all.
  Measure("&File", 500, 0, &rect);
  EXPECT_EQ(rect.Right - rect.Left, 48);
  Measure("a&&b", 500, 0, &rect);
  EXPECT_EQ(rect.Right - rect.Left, 36);
  Measure("&File", 500, DT_NOPREFIX, &rect);
  EXPECT_EQ(rect.Right - rect.Left, 60);

  TRecordingCanvas canvas;
  TRect draw{100, 0, 600, 100};
  canvas.DrawText("ab\tc", draw, DT_EXPANDTABS | DT_NOPREFIX);
  ASSERT_EQ(canvas.pieces.size(), 2u);
  EXPECT_EQ(canvas.pieces[0].x, 100);
  EXPECT_EQ(canvas.pieces[1].x, 196);
  EXPECT_EQ(canvas.pieces[1].text, "c");
}

TEST(TextLayoutTest, AlignmentAndReturnedHeight) {
  const int32_t h = LineHeight();
  TRecordingCanvas canvas;
  TRect rect{0, 10, 100, 110};
  // "abcd" is 48 wide: centred at (100 - 48) / 2 = 26, right-aligned at 52.
  EXPECT_EQ(canvas.DrawText("abcd\nab", rect, DT_CENTER | DT_NOPREFIX), 2 * h);
  EXPECT_EQ(canvas.pieces[0].x, 26);
  EXPECT_EQ(canvas.pieces[1].x, 38);
  EXPECT_EQ(canvas.pieces[1].y, 10 + h);
  EXPECT_EQ(canvas.clips, 1);
  canvas.pieces.clear();
  canvas.DrawText("abcd", rect, DT_RIGHT | DT_NOPREFIX | DT_NOCLIP);
  EXPECT_EQ(canvas.pieces[0].x, 52);
  EXPECT_EQ(canvas.clips, 1);
  // A single line centred vertically: the returned height reaches the text's bottom.
  canvas.pieces.clear();
  const int32_t top = (100 - h) / 2;
  EXPECT_EQ(canvas.DrawText("abcd", rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX), top + h);
  EXPECT_EQ(canvas.pieces[0].y, 10 + top);
  EXPECT_EQ(canvas.DrawText("abcd", rect, DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX), 100);
}

}  // namespace
}  // namespace qr2vor
