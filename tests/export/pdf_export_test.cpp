// The PDF filter: a whole one-page document worked out by hand, the page tree, object numbers,
// fonts, colours, page breaks, pictures, the mends (escaping, empty stream length, positions on
// later pages, Flate), writing as items arrive, and a property test over random pages.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <locale>
#include <random>

#include "emf_pages.h"
#include "export/page_driver.h"
#include "export/pdf_export.h"
#include "pdf_check.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

using test::CheckPdfStructure;
using test::ExpectQpdfClean;
using test::PdfText;
using test::TEmfPage;

// 2023-11-14 22:13:20 UTC.
constexpr std::time_t kCreated = 1700000000;

class PdfExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const std::filesystem::path shm("/dev/shm");
    folder_ = (std::filesystem::exists(shm) ? shm : std::filesystem::temp_directory_path()) /
              ("export_pdf_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // Exports pages of 200 by 100 through the driver; the file's bytes, checked by the reader.
  std::string Export(const std::vector<TEmfPage>& pages, const std::string& name = "out.pdf",
                     const std::function<void(TVoRExportToPDF&)>& setup = {}) {
    TExportPageList list;
    for (const TEmfPage& page : pages) list.Add(page.Bytes(), 200, 100);
    TVoRExportToPDF filter(nullptr);
    filter.SetCreationTime(kCreated);
    if (setup) setup(filter);
    ExportPages(filter, list, Path(name));
    const std::string pdf = LoadFile(Path(name));
    EXPECT_EQ(CheckPdfStructure(pdf), "");
    ExpectQpdfClean(Path(name));
    return pdf;
  }

  std::filesystem::path folder_;
};

// The cross-reference table and trailer of a body whose objects 1 .. count-1 all begin a line.
std::string XrefFor(const std::string& body, int count) {
  std::string out = "xref\r\n0 " + std::to_string(count) + "\r\n0000000000 65535 f\r\n";
  for (int object = 1; object < count; ++object) {
    const size_t at = body.find("\r\n" + std::to_string(object) + " 0 obj\r\n") + 2;
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", at);
    out += entry;
  }
  return out + "trailer\r\n<< /Root 1 0 R \r\n/Info 2 0 R \r\n/Size " + std::to_string(count) +
         " >> \r\nstartxref\r\n" + std::to_string(body.size()) + "\r\n%%EOF\r\n";
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

TEST_F(PdfExportTest, OnePageDocumentByHand) {
  const std::string pdf =
      Export({TEmfPage(200, 100).Text(20, 30, "Hi")}, "one.pdf",
             [](TVoRExportToPDF& filter) { filter.Properties()->SetTitle("a (b) c\\"); });
  const std::string body = Lines({
      "%PDF-1.2",
      "1 0 obj",
      "<< /Type /Catalog ",
      "/Pages 3 0 R >> ",
      "endobj",
      // page 5 in group 4; contents 6, length 7, procedure set 8, resources 9; font 10
      "5 0 obj",
      "<< /Type /Page ",
      "/Parent 4 0 R ",
      "/MediaBox [0 0 200 100] ",
      "/Resources 9 0 R",
      "/Contents 6 0 R >> ",
      "endobj",
      "9 0 obj",
      "<<",
      "/Font << /F0 10 0 R >>",
      "/ProcSet 8 0 R",
      ">>",
      "endobj",
      "6 0 obj",
      "<< /Length 7 0 R >> ",
      "stream",
      "BT",
      "0.000 0.000 0.000 rg",
      "/F0 8 Tf",
      "10 TL",
      "30 60 Td (Hi) Tj ",
      "0.000 0.000 0.000 RG",
      "ET",
      "endstream",
      "endobj",
      "7 0 obj",
      "87",
      "endobj",
      "8 0 obj",
      "[ /PDF /Text ] ",
      "endobj",
      "10 0 obj",
      "<< /Type /Font ",
      "/Subtype /Type1 ",
      "/Name /F0 ",
      "/BaseFont /Times-Roman ",
      "/FirstChar 32 ",
      "/LastChar 255 ",
      "/Encoding /WinAnsiEncoding >> ",
      "endobj",
      "2 0 obj",
      "<< /Creator (Quorvanta Metafile export 1.95)",
      "/CreationDate (D:20231114221320)",
      "/Title (a \\(b\\) c\\\\)",
      "/Author ()",
      "/Producer (Quorvanta VoReport)",
      "/Keywords ()",
      "/Subject () >>",
      "endobj",
      "3 0 obj",
      "<< /Type /Pages ",
      "/Kids [ 4 0 R  ] ",
      "/Count 1 >> ",
      "endobj",
      "4 0 obj",
      "<< /Type /Pages ",
      "/Kids [ 5 0 R  ] ",
      "/Count 1 ",
      "/Parent 3 0 R >> ",
      "endobj",
  });
  EXPECT_EQ(pdf, body + XrefFor(body, 11));
  EXPECT_EQ(PdfText(Path("one.pdf")), "Hi\n\n\f");
}

TEST_F(PdfExportTest, EmptyDocumentHasAnEmptyStreamOfLengthZero) {
  const std::string pdf = Export({TEmfPage(200, 100)});
  EXPECT_NE(pdf.find(Lines({"stream", "endstream", "endobj", "7 0 obj", "0", "endobj"})),
            std::string::npos);
  EXPECT_NE(pdf.find("/Count 1 >> "), std::string::npos);
}

TEST_F(PdfExportTest, TwentyFivePagesMakeThreeGroups) {
  std::vector<TEmfPage> pages;
  for (int i = 0; i < 25; ++i)
    pages.push_back(TEmfPage(200, 100).Text(10, 10, "page" + std::to_string(i + 1)));
  const std::string pdf = Export(pages);
  // Group 4 holds pages 5, 11, 16, ... 51; group 56 pages 57 ... 102; group 107 the last five.
  EXPECT_NE(pdf.find(Lines({"3 0 obj", "<< /Type /Pages ", "/Kids [ 4 0 R 56 0 R 107 0 R  ] ",
                            "/Count 25 >> "})),
            std::string::npos);
  EXPECT_NE(pdf.find(Lines({"4 0 obj", "<< /Type /Pages ",
                            "/Kids [ 5 0 R 11 0 R 16 0 R 21 0 R 26 0 R 31 0 R 36 0 R 41 0 R "
                            "46 0 R 51 0 R  ] ",
                            "/Count 10 ", "/Parent 3 0 R >> "})),
            std::string::npos);
  EXPECT_NE(pdf.find(Lines({"56 0 obj", "<< /Type /Pages ",
                            "/Kids [ 57 0 R 62 0 R 67 0 R 72 0 R 77 0 R 82 0 R 87 0 R 92 0 R "
                            "97 0 R 102 0 R  ] ",
                            "/Count 10 "})),
            std::string::npos);
  EXPECT_NE(pdf.find(Lines({"107 0 obj", "<< /Type /Pages ",
                            "/Kids [ 108 0 R 113 0 R 118 0 R 123 0 R 128 0 R  ] ", "/Count 5 "})),
            std::string::npos);
  // Every page's text sits at the same place on its own page.
  EXPECT_EQ(pdf.find("20 80 Td (page25) Tj "), pdf.rfind("20 80 Td"));
  const std::string text = PdfText(Path("out.pdf"));
  EXPECT_EQ(text.substr(0, 15), "page1\n\n\fpage2\n\n");
  EXPECT_NE(text.find("page25\n\n\f"), std::string::npos);
}

TEST_F(PdfExportTest, BaseFonts) {
  struct Case {
    const char* name;
    TFontStyles style;
    const char* base;
  };
  const Case cases[] = {
      {"Courier New", FontStyleBit(fsBold), "Courier-Bold"},
      {"courier", 0, "Courier"},
      {"Arial", FontStyleBit(fsItalic), "Helvetica"},
      {"Arial Black", FontStyleBit(fsBold), "Helvetica-Bold"},
      {"Times New Roman", FontStyleBit(fsBold), "Times-Bold"},
      {"Courier Arial Times", 0, "Times-Roman"},
      {"Tahoma", FontStyleBit(fsBold), "Times-Roman"},
  };
  for (const Case& c : cases) {
    TFont font;
    font.SetName(c.name);
    font.SetStyle(c.style);
    EXPECT_EQ(PdfBaseFont(font), c.base) << c.name;
  }
  // Fonts are listed in order of first use and every page's resources list all so far.
  const std::string pdf = Export({TEmfPage(200, 100)
                                      .Font("Arial", -16, 400)
                                      .Text(10, 10, "a")
                                      .Font("Courier New", -16, 700, false, 0, 2)
                                      .Text(10, 40, "b"),
                                  TEmfPage(200, 100).Font("Arial", -16, 400).Text(10, 10, "c")});
  EXPECT_NE(pdf.find("/F0 12 Tf\r\n14 TL\r\n20 80 Td (a) Tj "), std::string::npos);
  EXPECT_NE(pdf.find("/F1 12 Tf\r\n14 TL\r\n20 50 Td (b) Tj "), std::string::npos);
  EXPECT_NE(pdf.find("/F0 12 Tf\r\n14 TL\r\n20 80 Td (c) Tj "), std::string::npos);
  EXPECT_EQ(Count(pdf, "/Font << /F0 10 0 R /F1 11 0 R >>\r\n"), 2u);
  EXPECT_NE(pdf.find("/BaseFont /Helvetica "), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /Courier-Bold "), std::string::npos);
  const std::string text = PdfText(Path("out.pdf"));
  EXPECT_LT(text.find('a'), text.find('b'));
  EXPECT_LT(text.find('b'), text.find('\f'));
  EXPECT_EQ(text.find('c'), text.find('\f') + 1);
}

// A decimal comma in the program's locale does not reach the file.
struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST_F(PdfExportTest, ColoursAndLines) {
  const std::locale previous = std::locale::global(std::locale(std::locale(), new CommaDecimal));
  const std::string pdf = Export({TEmfPage(200, 100)
                                      .TextColor(0x000080)
                                      .Text(10, 10, "red")
                                      .MoveTo(10, 50)
                                      .LineTo(110, 50)
                                      .BackColor(0xFF0000)
                                      .MoveTo(10, 60)
                                      .LineTo(10, 90)});
  std::locale::global(previous);
  EXPECT_NE(pdf.find("BT\r\n0.502 0.000 0.000 rg\r\n"), std::string::npos);
  // The font colour fills, the background colour strokes; both are set back afterwards.
  EXPECT_NE(pdf.find(Lines({"0.502 0.000 0.000 rg", "10 50 99 -1 re", "B", "0.000 0.000 0.000 rg",
                            "0.502 0.000 0.000 rg", "0.000 0.000 1.000 RG", "10 40 -1 29 re", "B",
                            "1.000 1.000 1.000 RG", "0.000 0.000 0.000 rg"})),
            std::string::npos);
}

TEST_F(PdfExportTest, PageBreaksFollowTheTexts) {
  // The second text lies two pages down: one new page, and the text at its place within its
  // own page (250 is 50 into the third page).
  const std::string pdf =
      Export({TEmfPage(200, 100).Text(10, 10, "first"), TEmfPage(200, 100),
              TEmfPage(200, 100).Text(10, 50, "(third)").MoveTo(0, 70).LineTo(50, 70)});
  EXPECT_NE(pdf.find("/Count 2 >> "), std::string::npos);
  EXPECT_NE(pdf.find("20 40 Td (\\(third\\)) Tj "), std::string::npos);
  EXPECT_NE(pdf.find("0 30 49 -1 re"), std::string::npos);
  EXPECT_EQ(PdfText(Path("out.pdf")), "first\n\n\f(third)\n\n\f");
}

TEST_F(PdfExportTest, PicturesAsHexOrFlate) {
  TRasterImage image(14, 2, 0xFF102030);
  image.SetPixel(13, 1, 0xFFABCDEF);
  const TEmfPage page = TEmfPage(200, 100).Picture(TRect{30, 20, 44, 22}, image);
  const std::string hex = Export({page}, "hex.pdf");
  EXPECT_NE(hex.find(Lines({"q", "14 0 0 2 40 78 cm", "/Im1 Do", "Q"})), std::string::npos);
  EXPECT_NE(hex.find("/XObject << /Im1 10 0 R >>"), std::string::npos);
  EXPECT_NE(hex.find("[ /PDF /Text /ImageC ] "), std::string::npos);
  // 13 pixels make a line of 78 characters, the limit being 77; 28 pixels make three lines.
  std::string row;
  for (int i = 0; i < 13; ++i) row += "102030";
  EXPECT_NE(hex.find(Lines({"10 0 obj",
                            "<< ",
                            "/Type /XObject",
                            "/Subtype /Image",
                            "/Name /Im1",
                            "/Width 14",
                            "/Height 2",
                            "/BitsPerComponent 8",
                            "/ColorSpace /DeviceRGB",
                            "/Filter /ASCIIHexDecode ",
                            "/Length 11 0 R >> ",
                            "stream",
                            row,
                            row,
                            "102030ABCDEF>",
                            "endstream",
                            "endobj",
                            "11 0 obj",
                            "175",
                            "endobj"})),
            std::string::npos);

  const std::string flate = Export({page}, "flate.pdf", [](TVoRExportToPDF& filter) {
    filter.SetCompression(seFlate);
    filter.SetCompressionMethod(cmMaxCompress);
  });
  const std::string head = "/Filter /FlateDecode \r\n/Length 11 0 R >> \r\nstream\r\n";
  const size_t start = flate.find(head) + head.size();
  const size_t end = flate.find("\r\nendstream", start);
  const std::string compressed = flate.substr(start, end - start);
  EXPECT_NE(flate.find("11 0 obj\r\n" + std::to_string(compressed.size()) + "\r\n"),
            std::string::npos);
  std::string pixels(14 * 2 * 3, '\0');
  uLongf size = pixels.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(pixels.data()), &size,
                       reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()),
            Z_OK);
  EXPECT_EQ(size, pixels.size());
  EXPECT_EQ(pixels.substr(0, 3), "\x10\x20\x30");
  EXPECT_EQ(pixels.substr(pixels.size() - 3), "\xAB\xCD\xEF");
}

// The pages of a document with texts, lines and pictures on every page.
TExportPageList SamplePages(int count) {
  TExportPageList pages;
  TRasterImage image(3, 2, 0xFF336699);
  for (int i = 0; i < count; ++i) {
    TEmfPage page(200, 100);
    // The second text begins where the first ends: the two make one item.
    const std::string title = "Title " + std::to_string(i);
    page.Font("Arial", -13, i % 2 == 0 ? 400 : 700)
        .Text(10, 10, title)
        .Text(10 + 6 * static_cast<int32_t>(title.size()) + 2, 10, "joined")
        .MoveTo(5, 30)
        .LineTo(150, 30)
        .Picture(TRect{100, 40, 106, 44}, image)
        .Text(10, 60, "row " + std::to_string(i));
    pages.Add(page.Bytes(), 200, 100);
  }
  return pages;
}

TEST_F(PdfExportTest, WritingAsItemsArriveGivesTheSameBytes) {
  const TExportPageList pages = SamplePages(23);
  TVoRExportToPDF streaming(nullptr);
  streaming.SetCreationTime(kCreated);
  size_t mostItems = 0;
  streaming.OnNewPage = [&](TVoRExport&) {
    mostItems = std::max(mostItems, streaming.Items().size());
  };
  ExportPages(streaming, pages, Path("streamed.pdf"));
  EXPECT_LE(mostItems, 1u);
  EXPECT_TRUE(streaming.Items().empty());

  // The same steps without naming the file first: everything is collected, then written.
  TVoRExportToPDF collecting(nullptr);
  collecting.SetCreationTime(kCreated);
  collecting.SetPageWidth(200);
  collecting.SetPageHeight(100);
  collecting.BeginExport();
  for (size_t i = 0; i < pages.Count(); ++i) {
    collecting.NewPage(static_cast<int>(i), false);
    collecting.SetOffsetY(static_cast<int32_t>(100 * i));
    TEmfEnumerator records(pages.Page(i).Emf);
    TEmfRecord record(0, {});
    while (records.Next(record)) collecting.ProcessRecord(record);
  }
  collecting.EndExport();
  EXPECT_EQ(collecting.Items().size(), 23u * 4);
  collecting.SaveToFile(Path("collected.pdf"));

  const std::string pdf = LoadFile(Path("streamed.pdf"));
  EXPECT_EQ(pdf, LoadFile(Path("collected.pdf")));
  EXPECT_EQ(CheckPdfStructure(pdf), "");
  ExpectQpdfClean(Path("streamed.pdf"));
  const std::string text = PdfText(Path("streamed.pdf"));
  EXPECT_EQ(Count(text, "\f"), 23u);
  EXPECT_NE(text.find("Title 22joined"), std::string::npos);
  EXPECT_NE(text.find("row 22"), std::string::npos);
}

TEST_F(PdfExportTest, FailedExportLeavesNoFile) {
  TExportPageList pages = SamplePages(2);
  std::string broken = TEmfPage(200, 100).Text(10, 10, "x").Bytes();
  broken.resize(broken.size() - 24);  // the end-of-file record and part of the text
  pages.Add(broken, 200, 100);
  {
    TVoRExportToPDF filter(nullptr);
    EXPECT_THROW(ExportPages(filter, pages, Path("broken.pdf")), EInvalidGraphic);
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

// Random pages: texts with every byte value, lines, pictures; every file read back by the
// reader, a sample also by qpdf.
TEST_F(PdfExportTest, RandomDocumentsAreSound) {
  std::mt19937 random(20261207);
  const auto below = [&](int n) {
    return static_cast<int32_t>(random() % static_cast<unsigned>(n));
  };
  for (int round = 0; round < 1000; ++round) {
    TExportPageList pages;
    const int pageCount = 1 + below(3);
    for (int p = 0; p < pageCount; ++p) {
      TEmfPage page(200, 100);
      const int records = below(8);
      for (int r = 0; r < records; ++r) {
        const int32_t left = below(220) - 10;
        const int32_t top = below(120) - 10;
        switch (below(5)) {
          case 0:
          case 1: {
            std::string text;
            for (int c = 1 + below(12); c > 0; --c) text += static_cast<char>(below(256));
            page.Text(TRect{left, top, left + 6 * static_cast<int32_t>(text.size()) + 2, top + 14},
                      text, below(2) == 0 ? EMR_EXTTEXTOUTA : EMR_EXTTEXTOUTW);
            break;
          }
          case 2:
            page.MoveTo(left, top).LineTo(below(200), below(100));
            break;
          case 3: {
            TRasterImage image(1 + below(4), 1 + below(4),
                               0xFF000000u | static_cast<uint32_t>(random() & 0xFFFFFF));
            page.Picture(TRect{left, top, left + 1 + below(20), top + 1 + below(20)}, image);
            break;
          }
          default:
            page.TextColor(random() & 0xFFFFFF).BackColor(random() & 0xFFFFFF);
            page.Font(below(2) == 0 ? "Courier New" : "Arial", -8 - below(20), 100 * below(10));
            break;
        }
      }
      pages.Add(page.Bytes(), 200, 100);
    }
    TVoRExportToPDF filter(nullptr);
    if (below(4) == 0) filter.SetCompression(seFlate);
    filter.Properties()->SetTitle(std::string(1, static_cast<char>(below(256))) + "()\\");
    const std::string path = Path("random.pdf");
    ExportPages(filter, pages, path);
    const std::string problem = CheckPdfStructure(LoadFile(path));
    ASSERT_EQ(problem, "") << "round " << round;
    if (round % 100 == 0) ExpectQpdfClean(path);
  }
}

}  // namespace
}  // namespace qr2vor
