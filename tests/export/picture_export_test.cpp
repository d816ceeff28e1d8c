#include "export/picture_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/page_driver.h"
#include "export/registry.h"
#include "platform/gfx/emf_player.h"
#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/raster_canvas.h"
#include "platform/gfx/raster_image.h"

namespace qr2vor {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A page of `width` x `height` pixels with filled rectangles and texts.
struct TBox {
  TRect Rect;
  TColor Color;
};
std::string Page(int32_t width, int32_t height, const std::vector<TBox>& boxes,
                 const std::vector<std::string>& texts = {}) {
  TMetafileCanvas canvas(width, height);
  for (const TBox& box : boxes) {
    canvas.Brush().SetColor(box.Color);
    canvas.FillRect(box.Rect);
  }
  int32_t y = 10;
  for (const std::string& text : texts) {
    canvas.TextOut(10, y, text);
    y += 30;
  }
  return canvas.Finish();
}

class TTempDir {
 public:
  TTempDir() {
    std::string pattern = (fs::temp_directory_path() / "picture-export-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TTempDir() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

void Export(TVoRExport& filter, const TExportPages& pages, const fs::path& file) {
  ExportPages(filter, pages, file.string());
}

// Three pages of 120 x 90 with a box of their own colour at a place of their own.
constexpr TColor kPageColors[] = {0x0000FF, 0x00C000, 0xFF0000};  // red, green, blue (BGR)
TExportPageList ThreePages() {
  TExportPageList pages;
  for (int i = 0; i < 3; ++i)
    pages.Add(Page(120, 90, {{TRect{10 + 30 * i, 10, 40 + 30 * i, 40}, kPageColors[i]}}), 120, 90);
  return pages;
}

// The whole document drawn into one bitmap and written with the platform's writer.
std::string OneBitmap(const TExportPageList& pages, int bitCount) {
  int32_t height = 0;
  for (size_t i = 0; i < pages.Count(); ++i) height += pages.Geometry(i).Height;
  TRasterCanvas canvas(pages.Geometry(0).Width, height);
  int32_t top = 0;
  for (size_t i = 0; i < pages.Count(); ++i) {
    const TExportPage page = pages.Page(i);
    PlayEnhMetafile(canvas, page.Emf, TRect{0, top, page.Width, top + page.Height});
    top += page.Height;
  }
  return WriteBmp(canvas.Image(), bitCount);
}

TEST(BmpExportTest, ThreePagesStackedAtTheirOffsets) {
  TTempDir dir;
  const TExportPageList pages = ThreePages();
  RegisterExportFilters();
  ExportToFile(pages, (dir / "report.bmp").string());
  const TRasterImage image = ReadBmp(ReadAll(dir / "report.bmp"));
  ASSERT_EQ(image.Width(), 120);
  ASSERT_EQ(image.Height(), 270);
  for (int page = 0; page < 3; ++page) {
    for (int box = 0; box < 3; ++box) {
      const uint32_t rgb = image.Pixel(25 + 30 * box, 90 * page + 25) & 0xFFFFFF;
      const TColor bgr = kPageColors[page];
      const uint32_t expected =
          box == page ? ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | (bgr >> 16) : 0xFFFFFF;
      EXPECT_EQ(rgb, expected) << "page " << page << " box " << box;
    }
  }
}

TEST(BmpExportTest, PageAtATimeGivesTheBytesOfOneBitmap) {
  TTempDir dir;
  const TExportPageList pages = ThreePages();
  const struct {
    TPixelFormat format;
    bool monochrome;
    int bits;
  } rows[] = {{pfDevice, false, 24}, {pf32bit, false, 32}, {pf8bit, false, 8},
              {pf4bit, false, 4},    {pf24bit, true, 1},   {pf16bit, false, 24}};
  for (const auto& row : rows) {
    TVoRExportToBMP filter(nullptr);
    filter.SetPixelFormat(row.format);
    filter.SetMonochrome(row.monochrome);
    EXPECT_EQ(filter.BitCount(), row.bits);
    Export(filter, pages, dir / "out.bmp");
    EXPECT_EQ(ReadAll(dir / "out.bmp"), OneBitmap(pages, row.bits)) << row.bits << " bits";
  }
}

TEST(PictureExportTest, DocumentsBeyondAFormatFailNamingTheLimit) {
  TTempDir dir;
  // Pages far too large for the format; nothing is drawn before the check.
  TExportPageList huge;
  for (int i = 0; i < 3; ++i) huge.Add(Page(10, 10, {}), 30000, 30000);
  TExportPageList tall;
  for (int i = 0; i < 3; ++i) tall.Add(Page(10, 10, {}), 100, 12000);
  const struct {
    const char* key;
    const TExportPageList* pages;
    const char* limit;
  } rows[] = {{"BMP", &huge, "a BMP file holds at most 4294967295 bytes"},
              {"TIFF", &huge, "a TIFF file holds at most 4294967295 bytes"},
              {"WMF", &tall, "beyond the 32767 units a Windows metafile holds"}};
  RegisterExportFilters();
  for (const auto& row : rows) {
    const fs::path file = dir / "kept.out";
    std::ofstream(file) << "old";
    try {
      ExportToFile(*row.pages, file.string(), row.key);
      ADD_FAILURE() << row.key << " did not fail";
    } catch (const EExportError& error) {
      EXPECT_NE(std::string(error.what()).find(row.limit), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadAll(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  }
}

// Little-endian TIFF pieces for the hand-worked files.
struct TBytes {
  std::string s;
  TBytes& U16(uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
    return *this;
  }
  TBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  TBytes& Raw(std::string_view raw) {
    s += raw;
    return *this;
  }
  TBytes& Entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
    return U16(tag).U16(type).U32(count).U32(value);
  }
};

std::string Tiff(const TExportPageList& pages, TPixelFormat format, const fs::path& file) {
  TVoRExportToTIFF filter(nullptr);
  filter.SetPixelFormat(format);
  Export(filter, pages, file);
  EXPECT_TRUE(filter.WroteImage());
  return ReadAll(file);
}

TEST(TiffExportTest, FourBitPaletteLayoutThirteenPixelsWide) {
  TTempDir dir;
  TExportPageList pages;
  pages.Add(Page(13, 2, {{TRect{0, 0, 1, 1}, clBlack}}), 13, 2);
  const std::string bytes = Tiff(pages, pf4bit, dir / "p4.tif");

  TBytes expected;
  expected.Raw("II").U16(42).U32(143);
  for (int channel = 0; channel < 3; ++channel) {
    expected.U16(0).U16(0xFF00);  // black, then white: the colours in the order found
    for (int i = 2; i < 16; ++i) expected.U16(0);
  }
  expected.U32(877).U32(10).U32(877).U32(10);      // at 104
  expected.Raw(std::string("Parlixwerk") + '\0');  // at 120
  // The strip at 131: 12 of the 13 pixels, 6 bytes a row.
  expected.Raw("\x01\x11\x11\x11\x11\x11").Raw("\x11\x11\x11\x11\x11\x11");
  expected.U16(15)
      .Entry(254, 4, 1, 0)
      .Entry(256, 3, 1, 12)
      .Entry(257, 3, 1, 2)
      .Entry(258, 3, 1, 4)
      .Entry(259, 3, 1, 1)
      .Entry(262, 3, 1, 3)
      .Entry(273, 4, 1, 131)
      .Entry(277, 3, 1, 1)
      .Entry(278, 4, 1, 2)
      .Entry(279, 4, 1, 12)
      .Entry(282, 5, 1, 104)
      .Entry(283, 5, 1, 112)
      .Entry(296, 3, 1, 2)
      .Entry(305, 2, 11, 120)
      .Entry(320, 3, 48, 8)
      .U32(0);
  EXPECT_EQ(bytes, expected.s);
}

TEST(TiffExportTest, EightBitColourMapOf768ValuesAtOffset8) {
  TTempDir dir;
  TExportPageList pages;
  pages.Add(Page(8, 3, {{TRect{0, 1, 8, 2}, 0x336699}}), 8, 3);
  const std::string bytes = Tiff(pages, pf8bit, dir / "p8.tif");
  // white (first row), then 0x996633 as red-green-blue; 254 entries of 0 after them.
  TBytes map;
  const uint32_t reds[] = {0xFF, 0x99}, greens[] = {0xFF, 0x66}, blues[] = {0xFF, 0x33};
  for (const uint32_t* channel : {reds, greens, blues}) {
    map.U16(channel[0] * 256).U16(channel[1] * 256);
    for (int i = 2; i < 256; ++i) map.U16(0);
  }
  ASSERT_EQ(map.s.size(), 1536u);
  EXPECT_EQ(bytes.substr(8, 1536), map.s);
  const uint32_t strip = 8 + 1536 + 16 + 11;
  EXPECT_EQ(bytes.substr(strip, 24),
            std::string(8, '\0') + std::string(8, '\1') + std::string(8, '\0'));
  TBytes tail;
  tail.Entry(305, 2, 11, 8 + 1536 + 16).Entry(320, 3, 768, 8).U32(0);
  EXPECT_EQ(bytes.substr(bytes.size() - tail.s.size()), tail.s);
}

TEST(TiffExportTest, RgbLayoutWithSortedDirectory) {
  TTempDir dir;
  TExportPageList pages;
  pages.Add(Page(3, 2, {{TRect{0, 0, 1, 1}, 0x0000FF}, {TRect{2, 1, 3, 2}, 0xFF0000}}), 3, 2);
  const std::string bytes = Tiff(pages, pf24bit, dir / "rgb.tif");
  TBytes expected;
  expected.Raw("II").U16(42).U32(59);
  expected.U32(877).U32(10).U32(877).U32(10);      // at 8
  expected.U16(8).U16(8).U16(8);                   // at 24
  expected.Raw(std::string("Parlixwerk") + '\0');  // at 30
  // At 41, red-green-blue: red, white, white; white, white, blue.
  expected.Raw(
      std::string("\xFF\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF"
                  "\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\xFF",
                  18));
  expected.U16(15)
      .Entry(254, 4, 1, 0)
      .Entry(256, 3, 1, 3)
      .Entry(257, 3, 1, 2)
      .Entry(258, 3, 3, 24)
      .Entry(259, 3, 1, 1)
      .Entry(262, 3, 1, 2)
      .Entry(273, 4, 1, 41)
      .Entry(277, 3, 1, 3)
      .Entry(278, 4, 1, 2)
      .Entry(279, 4, 1, 18)
      .Entry(282, 5, 1, 8)
      .Entry(283, 5, 1, 16)
      .Entry(284, 3, 1, 1)
      .Entry(296, 3, 1, 2)
      .Entry(305, 2, 11, 30)
      .U32(0);
  EXPECT_EQ(bytes, expected.s);
}

// Sizes beyond 16 bits go into LONG entries; the second page's first row is red.
TEST(TiffExportTest, HeightBeyond16BitsIsALongEntry) {
  TTempDir dir;
  TExportPageList pages;
  for (int i = 0; i < 3; ++i) pages.Add(Page(4, 30000, {{TRect{0, 0, 4, 1}, 0x0000FF}}), 4, 30000);
  const std::string bytes = Tiff(pages, pf24bit, dir / "tall.tif");
  const size_t strip = 41;
  const size_t row = 3 * 4;
  TBytes sizes;
  sizes.Entry(256, 3, 1, 4).Entry(257, 4, 1, 90000);
  ASSERT_EQ(bytes.size(), strip + row * 90000 + 2 + 15 * 12 + 4);
  EXPECT_EQ(bytes.substr(strip + row * 90000 + 2 + 12, 24), sizes.s);
  std::string red;
  for (int x = 0; x < 4; ++x) red += std::string("\xFF\0\0", 3);
  EXPECT_EQ(bytes.substr(strip + row * 30000, row), red);
  EXPECT_EQ(bytes.substr(strip + row * 30001, row), std::string(row, '\xFF'));
}

TEST(TiffExportTest, OneBitGivesAnEmptyFileAndSaysSo) {
  TTempDir dir;
  TVoRExportToTIFF filter(nullptr);
  filter.SetMonochrome(true);
  Export(filter, ThreePages(), dir / "mono.tif");
  EXPECT_FALSE(filter.WroteImage());
  EXPECT_TRUE(fs::exists(dir / "mono.tif"));
  EXPECT_EQ(fs::file_size(dir / "mono.tif"), 0u);
}

// Runs a command; its standard output and error together, and its exit status.
int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  return ::pclose(pipe);
}

bool HasTool(const std::string& tool) {
  std::string output;
  return RunCommand("command -v " + tool, output) == 0;
}

TEST(TiffExportTest, ReadersFindNoFault) {
  const bool tiffinfo = HasTool("tiffinfo");
  const bool identify = HasTool("identify");
  if (!tiffinfo && !identify) GTEST_SKIP() << "neither tiffinfo nor identify is installed";
  TTempDir dir;
  for (TPixelFormat format : {pf4bit, pf8bit, pf24bit, pf32bit}) {
    const fs::path file = dir / ("f" + std::to_string(format) + ".tif");
    Tiff(ThreePages(), format, file);
    std::string output;
    if (tiffinfo) {
      EXPECT_EQ(RunCommand("tiffinfo '" + file.string() + "'", output), 0) << output;
      EXPECT_EQ(output.find("Warning"), std::string::npos) << output;
      EXPECT_NE(output.find("Image Width: 120 Image Length: 270"), std::string::npos) << output;
    }
    if (identify) {
      EXPECT_EQ(RunCommand("identify '" + file.string() + "'", output), 0) << output;
      EXPECT_NE(output.find("TIFF 120x270"), std::string::npos) << output;
      EXPECT_EQ(output.find("warning"), std::string::npos) << output;
      EXPECT_EQ(output.find("Warning"), std::string::npos) << output;
    }
  }
}

// LibreOffice's writer (also without its drawing program) shows the picture inside a web page and
// prints it to PDF, where pdftotext finds the metafile's texts. The page needs some text of its own
// before the picture: a page holding the picture alone comes out blank.
TEST(MetafileExportTest, EmfAndWmfOpenInLibreOffice) {
  if (!HasTool("soffice") || !HasTool("pdftotext")) GTEST_SKIP() << "LibreOffice is not installed";
  TTempDir dir;
  TExportPageList pages;
  pages.Add(Page(300, 200, {{TRect{10, 150, 60, 180}, 0x0000FF}}, {"Northwind", "Invoice"}), 300,
            200);
  pages.Add(Page(300, 200, {}, {"Totals"}), 300, 200);
  RegisterExportFilters();
  for (const std::string extension : {"emf", "wmf"}) {
    const fs::path file = dir / ("report." + extension);
    ExportToFile(pages, file.string());
    const fs::path html = dir / ("show-" + extension + ".html");
    std::ofstream(html) << "<html><body><p>Picture</p><img src=\"" << file.filename().string()
                        << "\" width=\"300\" height=\"400\"></body></html>";
    std::string output;
    const std::string profile = "-env:UserInstallation=file://" + (dir / "profile").string();
    ASSERT_EQ(RunCommand("soffice " + profile +
                             " --headless --convert-to pdf:writer_pdf_Export --outdir '" +
                             dir.Path().string() + "' '" + html.string() + "'",
                         output),
              0)
        << output;
    const fs::path pdf = dir / ("show-" + extension + ".pdf");
    ASSERT_EQ(RunCommand("pdftotext '" + pdf.string() + "' -", output), 0) << output;
    for (const char* text : {"Northwind", "Invoice", "Totals"})
      EXPECT_NE(output.find(text), std::string::npos) << extension << ": " << output;
  }
}

TEST(PictureExportTest, RegisteredByKeyAndExtension) {
  RegisterExportFilters();
  const struct {
    const char* key;
    const char* file;
    const char* className;
  } rows[] = {{"EMF", "a.emf", "TVoRExportToEMF"},
              {"WMF", "a.WMF", "TVoRExportToWMF"},
              {"BMP", "a.bmp", "TVoRExportToBMP"},
              {"TIFF", "a.tif", "TVoRExportToTIFF"}};
  for (const auto& row : rows) {
    const TExportFilterEntry* entry = FindExportFilter(row.key);
    ASSERT_NE(entry, nullptr) << row.key;
    EXPECT_EQ(FindExportFilterForFile(row.file), entry);
    EXPECT_EQ(entry->ClassName, row.className);
  }
  const auto& filters = ExportFilters();
  std::vector<std::string> keys;
  for (const auto& entry : filters) keys.push_back(entry.Key);
  const auto at = [&](const char* key) { return std::find(keys.begin(), keys.end(), key); };
  EXPECT_LT(at("CSV"), at("EMF"));
  EXPECT_LT(at("EMF"), at("WMF"));
  EXPECT_LT(at("WMF"), at("BMP"));
  EXPECT_LT(at("PDF"), at("TIFF"));
  EXPECT_EQ(at("TIFF") + 1, keys.end());
}

}  // namespace
}  // namespace qr2vor
