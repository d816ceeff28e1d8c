#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/gfx/raster_image.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

std::string U16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

// A BMP file: file header, 40-byte info header, palette and bits.
std::string Bmp(int32_t width, int32_t height, int bitCount, const std::string& palette,
                const std::string& bits, uint32_t colors = 0) {
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
  return "BM" + U32(offset + static_cast<uint32_t>(bits.size())) + U32(0) + U32(offset) + U32(40) +
         U32(static_cast<uint32_t>(width)) + U32(static_cast<uint32_t>(height)) + U16(1) +
         U16(bitCount) + U32(0) + U32(static_cast<uint32_t>(bits.size())) + U32(0) + U32(0) +
         U32(colors) + U32(0) + palette + bits;
}

// 2 by 2, 24 bits: stored bottom row first (blue, green), then the top row (red, white); each
// row of 6 bytes padded to 8.
const std::string kBits24 = std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8) +
                            std::string("\x00\x00\xFF\xFF\xFF\xFF\x00\x00", 8);

TEST(BitmapTest, ReadsBottomUpAndTopDown24Bit) {
  TRasterImage image = ReadBmp(Bmp(2, 2, 24, "", kBits24));
  ASSERT_EQ(image.Width(), 2);
  ASSERT_EQ(image.Height(), 2);
  EXPECT_EQ(image.Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(image.Pixel(1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(image.Pixel(0, 1), 0xFF0000FFu);
  EXPECT_EQ(image.Pixel(1, 1), 0xFF00FF00u);
  image = ReadBmp(Bmp(2, -2, 24, "", kBits24));
  EXPECT_EQ(image.Pixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(image.Pixel(0, 1), 0xFFFF0000u);
}

TEST(BitmapTest, ReadsPalettedAnd32BitPictures) {
  const std::string blackWhite = U32(0x000000) + U32(0xFFFFFF);
  // 1 bit, 3 by 1: bits 1 0 1 in the top of the first byte.
  TRasterImage image = ReadBmp(Bmp(3, 1, 1, blackWhite, std::string("\xA0\x00\x00\x00", 4)));
  EXPECT_EQ(image.Pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(image.Pixel(1, 0), 0xFF000000u);
  EXPECT_EQ(image.Pixel(2, 0), 0xFFFFFFFFu);
  // 4 bits, two colours used: indexes 1 and 0.
  image =
      ReadBmp(Bmp(2, 1, 4, U32(0x0000FF) + U32(0xFF0000), std::string("\x10\x00\x00\x00", 4), 2));
  EXPECT_EQ(image.Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(image.Pixel(1, 0), 0xFF0000FFu);
  // 8 bits with three colours; an index past the palette reads as black.
  image = ReadBmp(Bmp(2, 1, 8, U32(0x112233) + U32(0x445566) + U32(0x778899),
                      std::string("\x02\x09\x00\x00", 4), 3));
  EXPECT_EQ(image.Pixel(0, 0), 0xFF778899u);
  EXPECT_EQ(image.Pixel(1, 0), 0xFF000000u);
  // 32 bits: blue, green, red, unused.
  image = ReadBmp(Bmp(1, 1, 32, "", std::string("\x10\x20\x30\x00", 4)));
  EXPECT_EQ(image.Pixel(0, 0), 0xFF302010u);
}

TEST(BitmapTest, WritesBytesWorkedOutByHand) {
  TRasterImage red(1, 1, 0xFFFF0000);
  const std::string expected = "BM" + U32(58) + U32(0) + U32(54) + U32(40) + U32(1) + U32(1) +
                               U16(1) + U16(24) + U32(0) + U32(4) + U32(3780) + U32(3780) + U32(0) +
                               U32(0) + std::string("\x00\x00\xFF\x00", 4);
  EXPECT_EQ(WriteBmp(red), expected);
  // 8 bits: a palette of the two colours found, top row stored last.
  TRasterImage twoColours(2, 2, 0xFFFFFFFF);
  twoColours.SetPixel(0, 0, 0xFF000000);
  const std::string bmp8 = WriteBmp(twoColours, 8);
  EXPECT_EQ(bmp8.substr(54, 8), U32(0x000000) + U32(0xFFFFFF));
  EXPECT_EQ(bmp8.substr(62), std::string("\x01\x01\x00\x00\x00\x01\x00\x00", 8));
  const TRasterImage back = ReadBmp(bmp8);
  EXPECT_EQ(back.Pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(back.Pixel(1, 1), 0xFFFFFFFFu);
}

TEST(BitmapTest, MalformedBitmapsFailCleanly) {
  const std::string valid = Bmp(2, 2, 24, "", kBits24);
  for (size_t length = 0; length < valid.size(); ++length)
    EXPECT_THROW(ReadBmp(valid.substr(0, length)), EInvalidGraphic) << length;
  auto expectInvalid = [](const std::string& bytes) {
    try {
      ReadBmp(bytes);
      ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
  };
  expectInvalid(Bmp(2, 2, 7, "", kBits24));          // no such bit count
  expectInvalid(Bmp(0, 2, 24, "", kBits24));         // no width
  expectInvalid(Bmp(100000, 1, 24, "", kBits24));    // past the size cap
  expectInvalid(Bmp(30000, 30000, 1, "", kBits24));  // past the pixel cap
  expectInvalid(Bmp(2, 2, 8, "", kBits24, 300));     // palette larger than 256
  std::string badOffset = valid;
  badOffset[10] = '\x7F';
  expectInvalid(badOffset);
}

TEST(BitmapTest, PngAndPictureLoading) {
  TRasterImage image(3, 2, 0xFF00FF00);
  image.SetPixel(2, 1, 0xFFFF0000);
  const std::string png = WritePng(image);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  const TRasterImage back = ReadPng(png);
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Pixel(2, 1), 0xFFFF0000u);
  EXPECT_EQ(back.Pixel(0, 0), 0xFF00FF00u);
  EXPECT_THROW(ReadPng(png.substr(0, 40)), EInvalidGraphic);

  const std::string path = ::testing::TempDir() + "gfx_picture.png";
  std::ofstream(path, std::ios::binary) << png;
  TPicture picture;
  LoadPictureFromFile(picture, path);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Graphic()->GraphicClassName(), "TPngImage");
  int32_t width = 0, height = 0;
  GraphicSize(*picture.Graphic(), width, height);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  std::remove(path.c_str());
  try {
    LoadPictureFromFile(picture, "picture.xyz");
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unknown picture file extension (.xyz)");
  }
}

}  // namespace
}  // namespace qr2vor
