#include "rtl/graphics.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rtl/component.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"
#include "stream/reader.h"
#include "stream/registry.h"
#include "stream/writer.h"

namespace qr2vor {
namespace {

using ::testing::HasSubstr;

// A component publishing every kind of graphics object, to drive real stream round trips.
class TTestImage : public TComponent {
 public:
  explicit TTestImage(TComponent* owner) : TComponent(owner) {}

  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Derive<TTestImage, TComponent>("TTestImage")
            .Object<TFont>("Font", &TTestImage::Font, &TTestImage::SetFont)
            .Object<TPen>("Pen", &TTestImage::Pen, &TTestImage::SetPen)
            .Object<TBrush>("Brush", &TTestImage::Brush, &TTestImage::SetBrush)
            .Object<TPicture>("Picture", &TTestImage::Picture, &TTestImage::SetPicture)
            .Object<TBitmap>("Glyph", &TTestImage::Glyph, &TTestImage::SetGlyph);
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* font) { font_->Assign(*font); }
  TPen* Pen() const { return pen_.get(); }
  void SetPen(TPen* pen) { pen_->Assign(*pen); }
  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(TBrush* brush) { brush_->Assign(*brush); }
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* picture) { picture_->Assign(*picture); }
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* glyph) { glyph_->Assign(*glyph); }

 private:
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  std::unique_ptr<TPen> pen_ = std::make_unique<TPen>();
  std::unique_ptr<TBrush> brush_ = std::make_unique<TBrush>();
  std::unique_ptr<TPicture> picture_ = std::make_unique<TPicture>();
  std::unique_ptr<TBitmap> glyph_ = std::make_unique<TBitmap>();
};

// A short string: length byte, then the text.
std::string Str(const std::string& text) { return static_cast<char>(text.size()) + text; }
std::string U32(uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}
std::string U16(uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }

// 1 x 1 pixel, 24 bits: file header (size 58, bits at 54), 40-byte info header, one padded row.
const std::string kBitmap = std::string("BM") + U32(58) + U32(0) + U32(54) + U32(40) + U32(1) +
                            U32(1) + U16(1) + U16(24) + U32(0) + U32(4) + U32(0) + U32(0) + U32(0) +
                            U32(0) + std::string("\xFF\x00\x00\x00", 4);

// An enhanced metafile holding only its header: bounds (0,0)-(99,49) pixels, frame 25.4 x 12.7
// mm, signature " EMF", version 1.0, 88 bytes, one record.
const std::string kEmf = U32(1) + U32(88) + U32(0) + U32(0) + U32(99) + U32(49) + U32(0) + U32(0) +
                         U32(2540) + U32(1270) + std::string(" EMF") + U32(0x10000) + U32(88) +
                         U32(1) + U16(0) + U16(0) + U32(0) + U32(0) + U32(0) + U32(640) + U32(480) +
                         U32(169) + U32(127);

// A placeable metafile: box 1000 x 500 at 1000 units per inch, checksum 0x56E5 (XOR of the ten
// words before it), then a Windows metafile header of 9 words and the 3-word end record.
const std::string kWmf = U32(0x9AC6CDD7) + U16(0) + U16(0) + U16(0) + U16(1000) + U16(500) +
                         U16(1000) + U32(0) + U16(0x56E5) + U16(1) + U16(9) + U16(0x300) + U32(12) +
                         U16(0) + U32(3) + U16(0) + U32(3) + U16(0);

// One 16 x 16 image of 4 bytes at offset 22.
const std::string kIcon = U16(0) + U16(1) + U16(1) + std::string("\x10\x10\x00\x00", 4) + U16(1) +
                          U16(32) + U32(4) + U32(22) + std::string("abcd");

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterStandardIntegerConsts();
    RegisterGraphicClasses();
  }

  static std::string Write(TTestImage& image) {
    TMemoryStream stream;
    {
      TWriter writer(stream);
      writer.WriteDescendent(image);
      writer.FlushBuffer();
    }
    return stream.Bytes();
  }
  static void Read(const std::string& bytes, TTestImage& image) {
    TMemoryStream stream(bytes);
    TReader reader(stream);
    reader.ReadRootComponent(&image);
  }
  // The stream of a root TTestImage "Image1" holding `properties`.
  static std::string Stream(const std::string& properties) {
    return "TPF0" + Str("TTestImage") + Str("Image1") + properties + std::string(2, '\0');
  }
};

const std::string kDefaultFont =
    Str("Font.Charset") + "\x07" + Str("DEFAULT_CHARSET") + Str("Font.Color") + "\x07" +
    Str("clWindowText") + Str("Font.Height") + "\x02\xF5" + Str("Font.Name") + "\x06" +
    Str("MS Sans Serif") + Str("Font.Style") + "\x0B" + std::string(1, '\0');

TEST_F(GraphicsTest, FontAtDefaultsWritesCharsetColorHeightNameStyle) {
  TTestImage image(nullptr);
  image.SetName("Image1");
  EXPECT_EQ(Write(image), Stream(kDefaultFont));
}

struct FontRow {
  const char* what;
  std::function<void(TFont&)> change;
  std::string records;
  bool readsBack = true;  // an omitted name reads back as the default name
};

TEST_F(GraphicsTest, ChangedFontAttributesAndReadBack) {
  const std::string charset = Str("Font.Charset") + "\x07" + Str("DEFAULT_CHARSET");
  const std::string color = Str("Font.Color") + "\x07" + Str("clWindowText");
  const std::string height = Str("Font.Height") + "\x02\xF5";
  const std::string name = Str("Font.Name") + "\x06" + Str("MS Sans Serif");
  const std::string style = Str("Font.Style") + "\x0B" + std::string(1, '\0');
  const std::vector<FontRow> rows = {
      {"height", [](TFont& f) { f.SetHeight(-13); },
       charset + color + Str("Font.Height") + "\x02\xF3" + name + style},
      {"size 10 is height -13", [](TFont& f) { f.SetSize(10); },
       charset + color + Str("Font.Height") + "\x02\xF3" + name + style},
      {"large height as Int16", [](TFont& f) { f.SetHeight(-200); },
       charset + color + Str("Font.Height") + "\x03\x38\xFF" + name + style},
      {"named colour", [](TFont& f) { f.SetColor(clRed); },
       charset + Str("Font.Color") + "\x07" + Str("clRed") + height + name + style},
      {"unnamed colour", [](TFont& f) { f.SetColor(0x123456); },
       charset + Str("Font.Color") + "\x04\x56\x34\x12" + std::string(1, '\0') + height + name +
           style},
      {"charset", [](TFont& f) { f.SetCharset(RUSSIAN_CHARSET); },
       Str("Font.Charset") + "\x07" + Str("RUSSIAN_CHARSET") + color + height + name + style},
      {"name", [](TFont& f) { f.SetName("Arial"); },
       charset + color + height + Str("Font.Name") + "\x06" + Str("Arial") + style},
      {"empty name omitted", [](TFont& f) { f.SetName(""); }, charset + color + height + style,
       false},
      {"pitch before style", [](TFont& f) { f.SetPitch(fpFixed); },
       charset + color + height + name + Str("Font.Pitch") + "\x07" + Str("fpFixed") + style},
      {"bold and underline", [](TFont& f) { f.SetStyle(FontStyleBit(fsBold) | 0x04); },
       charset + color + height + name + Str("Font.Style") + "\x0B" + Str("fsBold") +
           Str("fsUnderline") + std::string(1, '\0')},
      {"bits beyond the styles dropped",
       [](TFont& f) { f.SetStyle(0x30 | FontStyleBit(fsItalic)); },
       charset + color + height + name + Str("Font.Style") + "\x0B" + Str("fsItalic") +
           std::string(1, '\0')},
  };
  for (const FontRow& row : rows) {
    SCOPED_TRACE(row.what);
    TTestImage image(nullptr);
    image.SetName("Image1");
    row.change(*image.Font());
    const std::string bytes = Write(image);
    EXPECT_EQ(bytes, Stream(row.records));
    TTestImage back(nullptr);
    Read(bytes, back);
    if (row.readsBack) {
      EXPECT_TRUE(*back.Font() == *image.Font());
    }
  }
}

TEST_F(GraphicsTest, FontSizeFollowsHeightAt96PixelsPerInch) {
  TFont font;
  EXPECT_EQ(font.Size(), 8);  // 11 * 72 / 96 = 8.25
  font.SetHeight(-16);
  EXPECT_EQ(font.Size(), 12);
  font.SetSize(9);  // 9 * 96 / 72 = 12
  EXPECT_EQ(font.Height(), -12);
  font.SetHeight(13);  // a positive height (cell height) gives a negative size
  EXPECT_EQ(font.Size(), -10);
}

TEST_F(GraphicsTest, ChangeNotificationsFireOncePerChange) {
  TFont font;
  int changes = 0;
  font.OnChange = [&] { ++changes; };
  font.SetHeight(-11);
  EXPECT_EQ(changes, 0);
  font.SetHeight(-12);
  font.SetStyle(FontStyleBit(fsBold));
  EXPECT_EQ(changes, 2);
  TFont other;
  other.SetName("Arial");
  other.SetColor(clBlue);
  font.Assign(other);
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(font == other);

  TPicture picture;
  int pictureChanges = 0;
  picture.OnChange = [&] { ++pictureChanges; };
  picture.Bitmap().LoadFromImage(kBitmap);
  EXPECT_EQ(pictureChanges, 2);  // the new bitmap, then its image
  EXPECT_EQ(picture.Width(), 1);
}

TEST_F(GraphicsTest, PenAndBrushWriteOnlyWhatDiffersFromTheirDefaults) {
  TTestImage image(nullptr);
  image.SetName("Image1");
  image.Pen()->SetWidth(2);
  image.Pen()->SetStyle(psDot);
  image.Brush()->SetColor(clBtnFace);
  image.Brush()->SetStyle(bsClear);
  const std::string bytes = Write(image);
  EXPECT_EQ(bytes, Stream(kDefaultFont + Str("Pen.Style") + "\x07" + Str("psDot") +
                          Str("Pen.Width") + "\x02\x02" + Str("Brush.Color") + "\x07" +
                          Str("clBtnFace") + Str("Brush.Style") + "\x07" + Str("bsClear")));
  TTestImage back(nullptr);
  back.Pen()->SetMode(pmXor);
  Read(Stream(Str("Pen.Color") + "\x07" + Str("clRed") + Str("Pen.Mode") + "\x07" +
              Str("pmNotXor") + Str("Brush.Style") + "\x07" + Str("bsDiagCross")),
       back);
  EXPECT_EQ(back.Pen()->Color(), clRed);
  EXPECT_EQ(back.Pen()->Mode(), pmNotXor);
  EXPECT_EQ(back.Brush()->Style(), bsDiagCross);
  EXPECT_EQ(back.Brush()->Color(), clWhite);
}

const std::string kPictureRecord =
    Str("Picture.Data") + "\x0A" + U32(70) + Str("TBitmap") + U32(58) + kBitmap;
const std::string kGlyphRecord = Str("Glyph.Data") + "\x0A" + U32(62) + U32(58) + kBitmap;

TEST_F(GraphicsTest, PictureAndGlyphBitmapsWriteTheirData) {
  TTestImage image(nullptr);
  image.SetName("Image1");
  image.Picture()->Bitmap().LoadFromImage(kBitmap);
  image.Glyph()->LoadFromImage(kBitmap);
  const std::string bytes = Write(image);
  EXPECT_EQ(bytes, Stream(kDefaultFont + kPictureRecord + kGlyphRecord));

  TTestImage back(nullptr);
  Read(bytes, back);
  auto* bitmap = dynamic_cast<TBitmap*>(back.Picture()->Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Image(), kBitmap);
  EXPECT_EQ(bitmap->BitCount(), 24);
  EXPECT_EQ(back.Picture()->Width(), 1);
  EXPECT_EQ(back.Glyph()->Image(), kBitmap);
}

TEST_F(GraphicsTest, PictureDataOfEachGraphicClass) {
  struct Row {
    const char* what;
    std::function<void(TPicture&)> fill;
    std::string data;
    int32_t width;
    int32_t height;
  };
  const std::vector<Row> rows = {
      {"enhanced metafile, length counts itself",
       [](TPicture& p) {
         TMetafile m;
         m.LoadFromImage(kEmf);
         p.SetGraphic(&m);
       },
       Str("TMetafile") + U32(92) + kEmf, 96, 48},
      {"placeable metafile",
       [](TPicture& p) {
         TMetafile m;
         m.LoadFromImage(kWmf);
         p.SetGraphic(&m);
       },
       Str("TMetafile") + U32(4 + 46) + kWmf, 96, 48},
      {"icon as it stands",
       [](TPicture& p) {
         TIcon i;
         i.LoadFromImage(kIcon);
         p.SetGraphic(&i);
       },
       Str("TIcon") + kIcon, 16, 16},
      // A picture holding an empty graphic still writes its class name, so it reads back the same.
      {"empty bitmap: its class name and a zero size",
       [](TPicture& p) {
         TBitmap b;
         p.SetGraphic(&b);
       },
       Str("TBitmap") + U32(0), 0, 0},
      {"empty metafile: its class name alone",
       [](TPicture& p) {
         TMetafile m;
         p.SetGraphic(&m);
       },
       Str("TMetafile"), 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TTestImage image(nullptr);
    image.SetName("Image1");
    row.fill(*image.Picture());
    const std::string record =
        Str("Picture.Data") + "\x0A" + U32(static_cast<uint32_t>(row.data.size())) + row.data;
    const std::string bytes = Write(image);
    EXPECT_EQ(bytes, Stream(kDefaultFont + record));
    TTestImage back(nullptr);
    Read(bytes, back);
    ASSERT_NE(back.Picture()->Graphic(), nullptr);
    EXPECT_EQ(back.Picture()->Graphic()->ClassName(), image.Picture()->Graphic()->ClassName());
    EXPECT_EQ(back.Picture()->Width(), row.width);
    EXPECT_EQ(back.Picture()->Height(), row.height);
  }
}

TEST_F(GraphicsTest, MetafileHeaders) {
  TMetafile emf;
  emf.LoadFromImage(kEmf);
  EXPECT_TRUE(emf.Enhanced());
  EXPECT_EQ(emf.Frame(), (TRect{0, 0, 2540, 1270}));
  EXPECT_EQ(emf.Bounds(), (TRect{0, 0, 99, 49}));
  EXPECT_EQ(emf.MMWidth(), 2540);
  TMetafile wmf;
  wmf.LoadFromImage(kWmf);
  EXPECT_FALSE(wmf.Enhanced());
  EXPECT_EQ(wmf.Bounds(), (TRect{0, 0, 1000, 500}));
  EXPECT_EQ(wmf.Inch(), 1000);
  EXPECT_EQ(wmf.MMHeight(), 1270);

  TMemoryStream stream;
  TMetafile().WriteData(stream);
  EXPECT_TRUE(stream.Bytes().empty());
}

TEST_F(GraphicsTest, OtherPictureFormatsAreKeptAsTheyWereRead) {
  const std::string data = Str("TJPEGImage") + U32(6) + std::string("\xFF\xD8\xFF\xE0\x00\x10", 6);
  const std::string bytes =
      Stream(kDefaultFont + Str("Picture.Data") + "\x0A" + U32(uint32_t(data.size())) + data);
  TTestImage image(nullptr);
  Read(bytes, image);
  ASSERT_NE(image.Picture()->Graphic(), nullptr);
  EXPECT_EQ(image.Picture()->Graphic()->GraphicClassName(), "TJPEGImage");
  EXPECT_EQ(image.Picture()->Width(), 0);
  EXPECT_EQ(Write(image), bytes);
}

TEST_F(GraphicsTest, UnknownPictureClassLeavesThePictureUnchanged) {
  TTestImage image(nullptr);
  image.Picture()->Bitmap().LoadFromImage(kBitmap);
  const std::string data = Str("TFancyImage") + "whatever";
  Read(Stream(Str("Picture.Data") + "\x0A" + U32(uint32_t(data.size())) + data + Str("Tag") +
              "\x02\x05"),
       image);
  ASSERT_NE(dynamic_cast<TBitmap*>(image.Picture()->Graphic()), nullptr);
  EXPECT_EQ(image.Picture()->Graphic()->Image(), kBitmap);
  EXPECT_EQ(image.Tag(), 5);  // the stream goes on behind the picture
}

// Corrupt copies of the valid bitmap; each must fail with the same message.
TEST_F(GraphicsTest, MalformedBitmapsRaiseInvalidGraphic) {
  const auto patch = [](size_t offset, const std::string& bytes) {
    std::string copy = kBitmap;
    copy.replace(offset, bytes.size(), bytes);
    return copy;
  };
  const std::vector<std::pair<const char*, std::string>> rows = {
      {"signature", patch(0, "BX")},
      {"core header size 13", patch(14, U32(13))},
      {"header larger than the image", patch(14, U32(0xFFFFFFF0))},
      {"zero width", patch(18, U32(0))},
      {"zero height", patch(22, U32(0))},
      {"two planes", patch(26, U16(2))},
      {"seven bits", patch(28, U16(7))},
      {"rows missing", patch(22, U32(2))},
      {"huge height", patch(22, U32(0x80000000))},
      {"huge width", patch(18, U32(0x7FFFFFFF))},
  };
  for (const auto& [what, bytes] : rows) {
    SCOPED_TRACE(what);
    TBitmap bitmap;
    bitmap.LoadFromImage(kBitmap);
    try {
      bitmap.LoadFromImage(bytes);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
    EXPECT_EQ(bitmap.Image(), kBitmap);  // left as it was
  }
}

TEST_F(GraphicsTest, TruncatedImagesFailAtEveryLength) {
  const auto check = [](TGraphic& graphic, const std::string& image, const char* message) {
    for (size_t n = 1; n < image.size(); ++n) {
      try {
        graphic.LoadFromImage(image.substr(0, n));
        ADD_FAILURE() << graphic.ClassName() << " accepted " << n << " bytes";
      } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), message);
      }
    }
  };
  TBitmap bitmap;
  check(bitmap, kBitmap, "Bitmap image is not valid");
  TMetafile metafile;
  check(metafile, kEmf, "Metafile is not valid");
  check(metafile, kWmf, "Metafile is not valid");
  TIcon icon;
  check(icon, kIcon, "Icon image is not valid");
}

TEST_F(GraphicsTest, MalformedMetafilesAndIcons) {
  const auto patch = [](std::string copy, size_t offset, const std::string& bytes) {
    copy.replace(offset, bytes.size(), bytes);
    return copy;
  };
  TMetafile metafile;
  for (const std::string& bytes :
       {patch(kEmf, 40, "XEMF"), patch(kEmf, 0, U32(2)), patch(kEmf, 48, U32(89)),
        patch(kEmf, 4, U32(87)), patch(kWmf, 20, U16(0x56E4)), patch(kWmf, 22, U16(3)),
        patch(kWmf, 28, U32(13)), std::string("junk")}) {
    EXPECT_THROW(metafile.LoadFromImage(bytes), EInvalidGraphic);
  }
  // Inch 0 with a checksum that matches it.
  EXPECT_THROW(metafile.LoadFromImage(patch(patch(kWmf, 14, U16(0)), 20, U16(0x56E5 ^ 1000))),
               EInvalidGraphic);
  TIcon icon;
  for (const std::string& bytes :
       {patch(kIcon, 2, U16(2)), patch(kIcon, 4, U16(0)), patch(kIcon, 4, U16(2)),
        patch(kIcon, 14, U32(5)), patch(kIcon, 18, U32(0xFFFFFFFF))}) {
    EXPECT_THROW(icon.LoadFromImage(bytes), EInvalidGraphic);
  }
  EXPECT_TRUE(metafile.Empty());
  EXPECT_TRUE(icon.Empty());
}

TEST_F(GraphicsTest, StoredLengthsBeyondTheDataRaiseInvalidGraphic) {
  struct Row {
    const char* what;
    std::function<std::unique_ptr<TGraphic>()> make;
    std::string data;
  };
  const std::vector<Row> rows = {
      {"bitmap size beyond the data", [] { return std::make_unique<TBitmap>(); },
       U32(59) + kBitmap},
      {"bitmap size field cut", [] { return std::make_unique<TBitmap>(); }, U16(58)},
      {"bitmap size 4 GB", [] { return std::make_unique<TBitmap>(); }, U32(0xFFFFFFFF)},
      {"metafile length beyond the data", [] { return std::make_unique<TMetafile>(); },
       U32(93) + kEmf},
      {"metafile length field cut", [] { return std::make_unique<TMetafile>(); }, U16(92)},
      {"metafile length 4 GB", [] { return std::make_unique<TMetafile>(); }, U32(0xFFFFFFFF)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TMemoryStream stream(row.data);
    EXPECT_THROW(row.make()->ReadData(stream), EInvalidGraphic);
  }
}

TEST_F(GraphicsTest, MalformedPictureDataInAStreamNamesTheProperty) {
  std::string bad = kBitmap;
  bad[1] = 'X';
  const std::string data = Str("TBitmap") + U32(58) + bad;
  TTestImage image(nullptr);
  try {
    Read(Stream(Str("Picture.Data") + "\x0A" + U32(uint32_t(data.size())) + data), image);
    ADD_FAILURE() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_THAT(e.what(), HasSubstr("Picture.Data"));
    EXPECT_THAT(e.what(), HasSubstr("Bitmap image is not valid"));
  }
  EXPECT_EQ(image.Picture()->Graphic(), nullptr);

  // A class name longer than the bytes that follow.
  TPicture picture;
  TMemoryStream cut(std::string("\x07TBit", 5));
  EXPECT_THROW(picture.ReadData(cut), EReadError);
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(GraphicsTest, PictureAssignAndBitmap) {
  TPicture source;
  TIcon icon;
  icon.LoadFromImage(kIcon);
  source.SetGraphic(&icon);
  ASSERT_NE(source.Graphic(), &icon);  // a copy is held

  TPicture copy;
  copy.Assign(source);
  ASSERT_NE(dynamic_cast<TIcon*>(copy.Graphic()), nullptr);
  EXPECT_EQ(copy.Graphic()->Image(), kIcon);

  TIcon target;
  target.Assign(copy);
  EXPECT_EQ(target.Image(), kIcon);
  TBitmap bitmap;
  EXPECT_THROW(bitmap.Assign(icon), EConvertError);

  TBitmap& replaced = copy.Bitmap();
  EXPECT_TRUE(replaced.Empty());
  EXPECT_EQ(copy.Graphic(), &replaced);
  copy.SetGraphic(nullptr);
  EXPECT_EQ(copy.Graphic(), nullptr);
  EXPECT_EQ(copy.Width(), 0);
}

TEST(MulDivTest, RoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(11, 72, 96), 8);
  EXPECT_EQ(MulDiv(-11, 72, 96), -8);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 1), -1);
}

}  // namespace
}  // namespace qr2vor
