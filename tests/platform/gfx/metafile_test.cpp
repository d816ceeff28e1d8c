#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/emf_player.h"
#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/raster_canvas.h"
#include "platform/gfx/wmf_writer.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;

std::vector<uint32_t> Types(const std::string& emf) {
  std::vector<uint32_t> types;
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  while (enumerator.Next(record)) types.push_back(record.Type());
  return types;
}

// A page: a red filled rectangle, a line, a text in Courier New.
std::string SamplePage() {
  TMetafileCanvas canvas(200, 100);
  canvas.Brush().SetColor(clRed);
  canvas.Rectangle(10, 10, 50, 50);
  canvas.MoveTo(60, 20);
  canvas.LineTo(120, 20);
  canvas.Font().SetName("Courier New");
  canvas.Font().SetHeight(-20);
  canvas.Brush().SetStyle(bsClear);
  canvas.TextOut(60, 40, "Hello");
  return canvas.Finish();
}

TEST(MetafileCanvasTest, RecordsEnumerateInOrder) {
  const std::string emf = SamplePage();
  const std::vector<uint32_t> expected{EMR_HEADER,
                                       EMR_SETMAPMODE,
                                       EMR_SETTEXTALIGN,
                                       EMR_CREATEPEN,
                                       EMR_SELECTOBJECT,
                                       EMR_CREATEBRUSHINDIRECT,
                                       EMR_SELECTOBJECT,
                                       EMR_RECTANGLE,
                                       EMR_MOVETOEX,
                                       EMR_LINETO,
                                       EMR_EXTCREATEFONTINDIRECTW,
                                       EMR_SELECTOBJECT,
                                       EMR_SETTEXTCOLOR,
                                       EMR_SETBKMODE,
                                       EMR_EXTTEXTOUTW,
                                       EMR_EOF};
  EXPECT_EQ(Types(emf), expected);
  TEmfEnumerator enumerator(emf);
  EXPECT_EQ(enumerator.Header().Bytes, emf.size());
  EXPECT_EQ(enumerator.Header().Records, expected.size());
  EXPECT_EQ(enumerator.Header().Handles, 4);  // pen 1, brush 2, font 3, and the reserved 0
  // 200 pixels at 96 per inch are 52.92 mm.
  EXPECT_EQ(enumerator.Header().Frame, (TRect{0, 0, 5292, 2646}));

  TMetafile metafile;
  metafile.LoadFromImage(emf);
  EXPECT_TRUE(metafile.Enhanced());
  EXPECT_EQ(metafile.Width(), 200);
  EXPECT_EQ(metafile.Height(), 100);
}

TEST(MetafileCanvasTest, TextAndFontRecordsCarryWhatWasMeasured) {
  const std::string emf = SamplePage();
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  bool sawText = false;
  while (enumerator.Next(record)) {
    if (record.Type() == EMR_EXTCREATEFONTINDIRECTW) {
      const TEmfLogFont font = ReadLogFont(record);
      EXPECT_EQ(font.FaceName, "Courier New");
      EXPECT_EQ(font.Height, -20);
      EXPECT_EQ(font.Weight, 400);
    }
    if (record.Type() == EMR_EXTTEXTOUTW) {
      const TEmfText text = ReadTextOut(record);
      EXPECT_EQ(text.Text, "Hello");
      EXPECT_EQ(text.X, 60);
      EXPECT_EQ(text.Y, 40);
      EXPECT_EQ(text.Advances, (std::vector<int32_t>{12, 12, 12, 12, 12}));
      EXPECT_EQ(text.Bounds.Left, 60);
      EXPECT_EQ(text.Bounds.Right, 60 + 60 - 1);
      sawText = true;
    }
    if (record.Type() == EMR_SETBKMODE) {
      EXPECT_EQ(record.U32(8), EMF_TRANSPARENT);
    }
  }
  EXPECT_TRUE(sawText);
}

TEST(MetafileCanvasTest, RecurringObjectsAreSelectedAgainNotCreated) {
  TMetafileCanvas canvas(100, 100);
  canvas.Rectangle(0, 0, 10, 10);
  canvas.Brush().SetColor(clRed);
  canvas.Rectangle(0, 0, 10, 10);
  canvas.Brush().SetColor(clWhite);
  canvas.Rectangle(0, 0, 10, 10);
  const std::vector<uint32_t> types = Types(canvas.Finish());
  EXPECT_EQ(std::count(types.begin(), types.end(), EMR_CREATEBRUSHINDIRECT), 2);
  EXPECT_EQ(std::count(types.begin(), types.end(), EMR_SELECTOBJECT), 4);
  EXPECT_THROW(canvas.Finish(), EWriteError);
}

TEST(MetafilePlayerTest, PlaysOntoARasterWithOffsetAndScale) {
  const std::string emf = SamplePage();
  TRasterCanvas canvas(400, 200);
  PlayEnhMetafile(canvas, emf, TRect{0, 0, 200, 100});
  TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(10, 10), kBlack);  // the outline
  EXPECT_EQ(image.Pixel(30, 30), kRed);
  EXPECT_EQ(image.Pixel(50, 30), kWhite);
  EXPECT_EQ(image.Pixel(60, 20), kBlack);
  EXPECT_EQ(image.Pixel(119, 20), kBlack);
  EXPECT_EQ(image.Pixel(120, 20), kWhite);
  bool textDrawn = false;
  for (int32_t x = 60; x < 120; ++x)
    for (int32_t y = 40; y < 60; ++y) textDrawn |= image.Pixel(x, y) != kWhite;
  EXPECT_TRUE(textDrawn);
  EXPECT_EQ(canvas.Brush().Color(), clWhite);  // the canvas's own brush is given back

  // Moved by (100, 50) and drawn at twice the size.
  TRasterCanvas large(500, 300);
  PlayEnhMetafile(large, emf, TRect{100, 50, 500, 250});
  image = large.Image();
  EXPECT_EQ(image.Pixel(100 + 60, 50 + 60), kRed);
  EXPECT_EQ(image.Pixel(100 + 101, 50 + 60), kWhite);
  EXPECT_EQ(image.Pixel(100 + 200, 50 + 40), kBlack);
}

TEST(MetafilePlayerTest, BitmapsAndClipsReplay) {
  TRasterImage picture(2, 2, 0xFF00FF00);
  picture.SetPixel(0, 0, 0xFFFF0000);
  TMetafileCanvas recorder(100, 100);
  recorder.StretchDrawImage(TRect{10, 10, 30, 30}, picture);
  recorder.SaveState();
  recorder.IntersectClipRect(TRect{0, 0, 60, 100});
  recorder.Brush().SetColor(clBlack);
  recorder.FillRect(TRect{50, 50, 80, 80});
  recorder.RestoreState();
  const std::string emf = recorder.Finish();
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  while (enumerator.Next(record)) {
    if (record.Type() == EMR_STRETCHDIBITS) {
      const TEmfBitmap bitmap = ReadBitmapRecord(record);
      EXPECT_EQ(bitmap.Dest, (TRect{10, 10, 30, 30}));
      EXPECT_EQ(bitmap.Image.Pixel(0, 0), 0xFFFF0000u);
    }
  }
  TRasterCanvas canvas(100, 100);
  PlayEnhMetafile(canvas, emf, TRect{0, 0, 100, 100});
  const TRasterImage image = canvas.Image();
  EXPECT_EQ(image.Pixel(15, 15), kRed);
  EXPECT_EQ(image.Pixel(25, 15), 0xFF00FF00u);
  EXPECT_EQ(image.Pixel(30, 30), kWhite);
  EXPECT_EQ(image.Pixel(55, 55), kBlack);
  EXPECT_EQ(image.Pixel(79, 79), kWhite);  // clipped at x = 60
  EXPECT_EQ(image.Pixel(61, 55), kWhite);
}

// The background mode in force at each record of the given type.
std::vector<uint32_t> BackModesAt(const std::string& emf, uint32_t type) {
  std::vector<uint32_t> modes;
  uint32_t mode = EMF_OPAQUE;  // a device context starts opaque
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  while (enumerator.Next(record)) {
    if (record.Type() == EMR_SETBKMODE) mode = record.U32(8);
    if (record.Type() == type) modes.push_back(mode);
  }
  return modes;
}

TEST(MetafileCanvasTest, PatternGapsStayTransparentAsOnTheRaster) {
  TMetafileCanvas canvas(100, 100);
  canvas.Pen().SetStyle(psDash);
  canvas.MoveTo(0, 5);
  canvas.LineTo(90, 5);
  canvas.Brush().SetColor(clYellow);
  canvas.TextOut(0, 10, "opaque");
  canvas.Brush().SetStyle(bsCross);
  canvas.Rectangle(10, 40, 60, 90);
  canvas.Brush().SetStyle(bsSolid);
  canvas.TextOut(0, 20, "again");
  const std::string emf = canvas.Finish();
  EXPECT_EQ(BackModesAt(emf, EMR_LINETO), (std::vector<uint32_t>{EMF_TRANSPARENT}));
  EXPECT_EQ(BackModesAt(emf, EMR_RECTANGLE), (std::vector<uint32_t>{EMF_TRANSPARENT}));
  EXPECT_EQ(BackModesAt(emf, EMR_EXTTEXTOUTW), (std::vector<uint32_t>{EMF_OPAQUE, EMF_OPAQUE}));
}

TEST(MetafileCanvasTest, HandleCountCoversHandlesUsedBeforeTheTableStartsOver) {
  TMetafileCanvas canvas(10, 10);
  // Every colour a new brush, until the handle table starts over and a few more.
  for (TColor color = 0; color < 0xFFF0 + 10; ++color) {
    canvas.Brush().SetColor(color);
    canvas.FillRect(TRect{0, 0, 5, 5});
  }
  const std::string emf = canvas.Finish();
  uint32_t highest = 0;
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  while (enumerator.Next(record))
    if (record.Type() == EMR_CREATEBRUSHINDIRECT) highest = std::max(highest, record.U32(8));
  EXPECT_GE(highest, 0xFFEFu);
  EXPECT_GT(enumerator.Header().Handles, highest);
}

TEST(MetafilePlayerTest, TheCanvasGetsBackItsClipAndPenPosition) {
  TMetafileCanvas recorder(100, 100);
  recorder.IntersectClipRect(TRect{0, 0, 20, 20});
  recorder.MoveTo(70, 70);
  recorder.SaveState();
  recorder.IntersectClipRect(TRect{0, 0, 10, 10});
  const std::string emf = recorder.Finish();  // one saved state left open

  TRasterCanvas canvas(100, 100);
  canvas.MoveTo(3, 4);
  PlayEnhMetafile(canvas, emf, TRect{0, 0, 100, 100});
  EXPECT_EQ(canvas.PenPos(), (TPoint{3, 4}));
  canvas.Brush().SetColor(clBlack);
  canvas.FillRect(TRect{50, 50, 60, 60});
  EXPECT_EQ(canvas.Image().Pixel(55, 55), kBlack);
  // The canvas's own saved state is still there to restore, and only it.
  canvas.SaveState();
  canvas.IntersectClipRect(TRect{0, 0, 1, 1});
  PlayEnhMetafile(canvas, emf, TRect{0, 0, 100, 100});
  canvas.RestoreState();
  canvas.FillRect(TRect{80, 80, 90, 90});
  EXPECT_EQ(canvas.Image().Pixel(85, 85), kBlack);
}

// The right edge of the ink in the image, or -1.
int32_t RightmostInk(const TRasterImage& image) {
  for (int32_t x = image.Width() - 1; x >= 0; --x)
    for (int32_t y = 0; y < image.Height(); ++y)
      if (image.Pixel(x, y) != kWhite) return x;
  return -1;
}

TEST(MetafilePlayerTest, TextPlaysAtItsRecordedAdvancesScaled) {
  TMetafileCanvas recorder(200, 40);
  recorder.Font().SetName("Arial");
  recorder.Font().SetHeight(-13);
  recorder.Brush().SetStyle(bsClear);
  TRect box{10, 10, 190, 30};
  recorder.DrawText("Right aligned total 1234567.89", box, DT_RIGHT | DT_SINGLELINE | DT_NOCLIP);
  const std::string emf = recorder.Finish();
  std::vector<int32_t> recorded;
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  while (enumerator.Next(record))
    if (record.Type() == EMR_EXTTEXTOUTW) recorded = ReadTextOut(record).Advances;
  ASSERT_EQ(recorded.size(), 30u);

  for (double scale : {0.5, 300.0 / 96, 600.0 / 96}) {
    const auto width = static_cast<int32_t>(std::lround(200 * scale));
    const auto height = static_cast<int32_t>(std::lround(40 * scale));
    // Onto a metafile: the advances are the recorded ones scaled, without drift (the frame's
    // hundredths of a millimetre make the scale a hair less than asked).
    TMetafileCanvas replay(width, height);
    PlayEnhMetafile(replay, emf, TRect{0, 0, width, height});
    const std::string played = replay.Finish();
    TEmfEnumerator again(played);
    std::vector<int32_t> advances;
    while (again.Next(record))
      if (record.Type() == EMR_EXTTEXTOUTW) advances = ReadTextOut(record).Advances;
    ASSERT_EQ(advances.size(), recorded.size()) << scale;
    int64_t sum = 0, scaledSum = 0;
    for (size_t i = 0; i < recorded.size(); ++i) {
      sum += recorded[i];
      scaledSum += advances[i];
      EXPECT_LE(std::abs(static_cast<double>(scaledSum) - sum * scale), 1.0)
          << scale << " at " << i;
    }
    // Onto a raster: the ink ends inside the scaled box.
    TRasterCanvas raster(width, height);
    PlayEnhMetafile(raster, emf, TRect{0, 0, width, height});
    EXPECT_LE(RightmostInk(raster.Image()), std::lround(190 * scale) + 1) << scale;
  }
}

TEST(EmfEnumeratorTest, DamagedMetafilesFailCleanly) {
  const std::string emf = SamplePage();
  // Every truncation either fails with the metafile message or enumerates fewer records.
  for (size_t length = 0; length < emf.size(); length += 3) {
    try {
      Types(emf.substr(0, length));
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Metafile is not valid");
    }
  }
  auto expectInvalid = [](std::string bytes) {
    try {
      Types(bytes);
      ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Metafile is not valid");
    }
  };
  expectInvalid("");
  std::string badSignature = emf;
  badSignature[40] = 'X';
  expectInvalid(badSignature);
  // The second record's size: 0, unaligned, and past the end.
  const size_t headerSize = static_cast<uint8_t>(emf[4]) | (static_cast<uint8_t>(emf[5]) << 8);
  for (uint32_t size : {0u, 6u, 0x7FFFFFF0u}) {
    std::string bad = emf;
    for (int i = 0; i < 4; ++i)
      bad[headerSize + 4 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    expectInvalid(bad);
  }
  // A text record whose string offset points past the record.
  std::string bad = emf;
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  size_t offset = 0;
  while (enumerator.Next(record)) {
    if (record.Type() == EMR_EXTTEXTOUTW) {
      bad[offset + 48] = '\x7F';
      bad[offset + 49] = '\x7F';
    }
    offset += record.Size();
  }
  // The record passes the size checks; reading its text fails.
  TRasterCanvas canvas(10, 10);
  EXPECT_THROW(PlayEnhMetafile(canvas, bad, TRect{0, 0, 10, 10}), EInvalidGraphic);
}

}  // namespace
}  // namespace qr2vor

namespace qr2vor {
namespace {

uint32_t Word(const std::string& bytes, size_t offset) {
  return static_cast<uint8_t>(bytes[offset]) | (static_cast<uint8_t>(bytes[offset + 1]) << 8);
}

TEST(WmfWriterTest, ConvertsThePageRecordByRecord) {
  const std::string wmf = EmfToWmf(SamplePage());
  // Placeable header: key, handle, box 0, 0, 200, 100, 96 units per inch, reserved, checksum.
  EXPECT_EQ(Word(wmf, 0) | (Word(wmf, 2) << 16), 0x9AC6CDD7u);
  EXPECT_EQ(Word(wmf, 10), 200u);
  EXPECT_EQ(Word(wmf, 12), 100u);
  EXPECT_EQ(Word(wmf, 14), 96u);
  uint32_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= Word(wmf, i);
  EXPECT_EQ(Word(wmf, 20), checksum);
  // Metafile header at 22: in memory, 9 words, version 3.0, the size in words.
  EXPECT_EQ(Word(wmf, 22), 1u);
  EXPECT_EQ(Word(wmf, 24), 9u);
  EXPECT_EQ(Word(wmf, 26), 0x0300u);
  EXPECT_EQ((Word(wmf, 28) | (Word(wmf, 30) << 16)) * 2, wmf.size() - 22);
  EXPECT_EQ(Word(wmf, 32), 3u);  // pen, brush and font objects

  std::vector<uint32_t> functions;
  for (size_t offset = 40; offset < wmf.size();) {
    const uint32_t words = Word(wmf, offset) | (Word(wmf, offset + 2) << 16);
    ASSERT_GE(words, 3u);
    functions.push_back(Word(wmf, offset + 4));
    offset += size_t{words} * 2;
  }
  const std::vector<uint32_t> expected{0x020B, 0x020C, 0x012E, 0x02FA, 0x012D, 0x02FC,
                                       0x012D, 0x041B, 0x0214, 0x0213, 0x02FB, 0x012D,
                                       0x0209, 0x0102, 0x0A32, 0x0000};
  EXPECT_EQ(functions, expected);

  TMetafile metafile;
  metafile.LoadFromImage(wmf);
  EXPECT_FALSE(metafile.Enhanced());
  EXPECT_EQ(metafile.Width(), 200);
  EXPECT_EQ(metafile.Height(), 100);
}

TEST(WmfWriterTest, TextIsInTheCodePageOfTheSelectedFont) {
  TMetafileCanvas canvas(100, 50);
  canvas.Font().SetCharset(RUSSIAN_CHARSET);
  canvas.TextOut(0, 0, "\xCF\xF0\xE8");  // "При" in Windows-1251
  canvas.Font().SetCharset(GB2312_CHARSET);
  canvas.TextOut(0, 20, "\xD6\xD0");  // "中" in code page 936
  const std::string wmf = EmfToWmf(canvas.Finish());
  EXPECT_NE(wmf.find("\xCF\xF0\xE8"), std::string::npos);
  EXPECT_NE(wmf.find("\xD6\xD0"), std::string::npos);
}

TEST(WmfWriterTest, CoordinatesBeyondSixteenBitsFail) {
  TMetafileCanvas canvas(100, 100);
  canvas.MoveTo(0, 0);
  canvas.LineTo(0, 40000);
  try {
    EmfToWmf(canvas.Finish());
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Picture is too large for a Windows metafile");
  }
}

}  // namespace
}  // namespace qr2vor
