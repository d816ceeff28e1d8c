// The spreadsheet and document filters through the page driver, checked as the bytes of the
// files written, worked out by hand from the file formats.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "emf_pages.h"
#include "export/markup_export.h"
#include "export/page_driver.h"
#include "export/registry.h"
#include "export/rtf_export.h"
#include "export/sheet_export.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

using test::TEmfPage;

// Hexadecimal digits, blanks between them ignored, as bytes.
std::string Hex(std::string_view digits) {
  std::string out;
  std::string pair;
  for (const char c : digits) {
    if (c == ' ') continue;
    pair += c;
    if (pair.size() == 2) {
      out += static_cast<char>(std::stoi(pair, nullptr, 16));
      pair.clear();
    }
  }
  return out;
}

// Gives tests the cell writer and the bytes it produced.
template <class T>
class TCellProbe : public T {
 public:
  TCellProbe() : T(nullptr) {}
  std::string Cell(TVoRCellType type, uint8_t alignment, const std::string& text) {
    this->Output().clear();
    this->WriteCell(type, nullptr, clWhite, alignment, text, 1, 2);
    return this->Output();
  }
};

// An RTF filter whose document is always made at the same moment.
class TFixedTimeRTF : public TVoRExportToRTF {
 public:
  explicit TFixedTimeRTF(TComponent* owner = nullptr) : TVoRExportToRTF(owner) {}
  std::tm Time{0, 6, 5, 4, 2, 126, 0, 0, 0, 0, nullptr};

 protected:
  std::tm CreationTime() const override { return Time; }
};

class SheetExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("export_sheet_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Exports one page of 200 by 100 units with `filter` into folder/name; the file's bytes.
  std::string Export(TVoRExport& filter, const TEmfPage& page, const std::string& name = "out") {
    TExportPageList list;
    list.Add(page.Bytes(), 200, 100);
    const std::string path = (folder_ / name).string();
    ExportPages(filter, list, path);
    return LoadFile(path);
  }
  template <class T>
  std::string Export(const TEmfPage& page) {
    T filter(nullptr);
    return Export(filter, page);
  }

  std::filesystem::path folder_;
};

// Two rows of three columns, the last cell missing.
TEmfPage TwoByThree() {
  return TEmfPage(200, 100)
      .Text(0, 0, "a")
      .Text(50, 0, "b")
      .Text(100, 0, "c")
      .Text(0, 20, "d")
      .Text(50, 20, "e");
}

TEST_F(SheetExportTest, ExcelRecordByRecord) {
  EXPECT_EQ(Export<TVoRExportToExcel>(TwoByThree()),
            Hex("0908 0600 0000 1000 0000"            // BOF
                "0002 0A00 0000 0200 0000 0300 0000"  // DIMENSIONS: 2 rows, 3 columns
                "0400 0900 0000 0100 000001 01 61"    // LABEL row 0, column 1, left: "a"
                "0400 0900 0000 0200 000001 01 62"    //
                "0400 0900 0000 0300 000001 01 63"    //
                "0400 0900 0100 0100 000001 01 64"    // row 1
                "0400 0900 0100 0200 000001 01 65"    //
                "0100 0700 0100 0300 000001"          // BLANK row 1, column 3
                "0A00 0000"));                        // EOF
}

TEST_F(SheetExportTest, LotusAndQuattroPro) {
  // Header version word, range (last column 2, last row 1), labels with the "'" prefix of
  // alignment 0 and a zero byte (Quattro Pro: and the text's length after the prefix), a blank,
  // the end.
  EXPECT_EQ(Export<TVoRExportToLotus>(TwoByThree()), Hex("0000 0200 0404"
                                                         "0600 0800 0000 0000 0200 0100"
                                                         "0F00 0800 F1 0100 0000 27 61 00"
                                                         "0F00 0800 F1 0200 0000 27 62 00"
                                                         "0F00 0800 F1 0300 0000 27 63 00"
                                                         "0F00 0800 F1 0100 0100 27 64 00"
                                                         "0F00 0800 F1 0200 0100 27 65 00"
                                                         "0C00 0500 22 0300 0100"
                                                         "0100 0000"));
  EXPECT_EQ(Export<TVoRExportToQuattroPro>(TwoByThree()), Hex("0000 0200 2051"
                                                              "0600 0800 0000 0000 0200 0100"
                                                              "0F00 0900 00 0100 0000 27 01 61 00"
                                                              "0F00 0900 00 0200 0000 27 01 62 00"
                                                              "0F00 0900 00 0300 0000 27 01 63 00"
                                                              "0F00 0900 00 0100 0100 27 01 64 00"
                                                              "0F00 0900 00 0200 0100 27 01 65 00"
                                                              "0C00 0500 00 0300 0100"
                                                              "0100 0000"));
}

TEST_F(SheetExportTest, QuattroProRangeOfManyRows) {
  // 200 rows: the last row 199 (C7) as a little-endian word, as Lotus writes it.
  TEmfPage page(200, 100);
  for (int row = 0; row < 200; ++row) page.Text(0, row * 20, "r");
  const std::string bytes = Export<TVoRExportToQuattroPro>(page);
  EXPECT_EQ(bytes.substr(6, 12), Hex("0600 0800 0000 0000 0000 C700"));
  EXPECT_EQ(bytes.substr(bytes.size() - 17), Hex("0F00 0900 00 0100 C700 27 01 72 00 0100 0000"));
}

TEST_F(SheetExportTest, CellTypesOfTheBinaryFormats) {
  TCellProbe<TVoRExportToExcel> excel;
  TCellProbe<TVoRExportToLotus> lotus;
  TCellProbe<TVoRExportToQuattroPro> quattro;
  struct Row {
    std::string got;
    std::string bytes;
  };
  const Row rows[] = {
      // Excel: row 2, column 1; alignment 1 is right (3), 2 centre (2).
      {excel.Cell(ctLabel, 1, "x"), Hex("0400 0900 0200 0100 000003 01 78")},
      {excel.Cell(ctLabel, 2, "x"), Hex("0400 0900 0200 0100 000002 01 78")},
      {excel.Cell(ctInteger, 0, "255"), Hex("0200 0900 0200 0100 000001 FF00")},
      {excel.Cell(ctInteger, 0, "256"), Hex("0300 0F00 0200 0100 000001 0000000000007040")},
      {excel.Cell(ctFloat, 0, "1.5"), Hex("0300 0F00 0200 0100 000001 000000000000F83F")},
      // Lotus: column 1, row 2; "\"" right, "^" centred; integers within +-32767.
      {lotus.Cell(ctLabel, 1, "x"), Hex("0F00 0800 F1 0100 0200 22 78 00")},
      {lotus.Cell(ctLabel, 2, "x"), Hex("0F00 0800 F1 0100 0200 5E 78 00")},
      {lotus.Cell(ctInteger, 0, "-32767"), Hex("0D00 0700 82 0100 0200 0180")},
      {lotus.Cell(ctInteger, 0, "40000"), Hex("0E00 0D00 F1 0100 0200 000000000088E340")},
      {lotus.Cell(ctNumber, 0, ""), Hex("0E00 0D00 F1 0100 0200 0000000000000000")},
      // Quattro Pro: the label's length between prefix and text.
      {quattro.Cell(ctLabel, 2, "xy"), Hex("0F00 0A00 00 0100 0200 5E 02 7879 00")},
      {quattro.Cell(ctInteger, 0, "7"), Hex("0D00 0700 00 0100 0200 0700")},
      {quattro.Cell(ctNumber, 0, "-2"), Hex("0E00 0D00 00 0100 0200 00000000000000C0")},
  };
  for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].got, rows[i].bytes) << "row " << i;
}

// Texts of 12 and 8 points, entities, a coloured cell and a blank one. The page's colour is the
// background colour the records leave set, so the cells of other colours name theirs.
TEmfPage MarkupPage() {
  return TEmfPage(200, 100)
      .Font("Arial", -16, 400)
      .Text(0, 0, "Fish & Chips")
      .Font("Arial", -11, 700)
      .Text(100, 0, "|")
      .BackColor(0x0000FF)
      .TextColor(0xFF0000)
      .Text(0, 20, "x");
}

TEST_F(SheetExportTest, HtmlTable) {
  TVoRExportToHTML filter(nullptr);
  filter.Properties()->SetTitle("T<1>");
  filter.Properties()->SetAuthor("A");
  filter.Properties()->SetKeywords("K");
  EXPECT_EQ(Export(filter, MarkupPage()),
            "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\n"
            "content=\"text/html; charset=windows-1252\">\r\n"
            "<meta name=\"AUTHOR\" content=\"A\">\r\n"
            "<meta name=\"KEYWORDS\" content=\"K\">\r\n"
            "<meta name=\"GENERATOR\" content=\"Quorvanta VoReport\">\r\n"
            "<title>T&lt;1&gt;</title>\r\n</head>\r\n\r\n"
            "<body bgcolor=\"#FF0000\">\r\n<table border=1>\r\n"
            "  <TR>\r\n"
            "    <TD bgcolor=\"#FFFFFF\"><font face=\"Arial\" >Fish &amp; Chips</font></TD>\r\n"
            "    <TD bgcolor=\"#FFFFFF\"><b><font face=\"Arial\" size=2>&brvbar</font></b></TD>\r\n"
            "  </TR>\r\n"
            "  <TR>\r\n"
            "    <TD><b><font face=\"Arial\" size=2 color=\"#0000FF\">x</font></b></TD>\r\n"
            "    <TD bgcolor=\"#FFFFFF\">&nbsp</TD>\r\n"
            "  </TR>\r\n"
            "</table>\r\n</body>\r\n</html>\r\n");
}

TEST(MarkupTest, SizesColoursAndEntities) {
  const std::pair<int, std::string> sizes[] = {
      {5, "-1"}, {6, "1"},  {7, "1"},  {8, "2"},  {9, "2"},  {10, "-1"}, {12, "-1"}, {13, "-1"},
      {14, "4"}, {17, "4"}, {18, "5"}, {23, "5"}, {24, "6"}, {35, "6"},  {36, "-1"}};
  for (const auto& [points, size] : sizes) EXPECT_EQ(HtmlFontSize(points), size) << points;
  EXPECT_EQ(HtmlColorAttribute(clBlack, true), "");
  EXPECT_EQ(HtmlColorAttribute(clWindowText, false), "");
  EXPECT_EQ(HtmlColorAttribute(0x123456, true), "bgcolor=\"#563412\"");
  EXPECT_EQ(EscapeEntities("\"&'<>|\x99\xA9\xB0\xB1\xB6\xE9"),
            "&quot;&amp;&apos;&lt;&gt;&brvbar&trade;&copy;&deg&plusmn&para\xE9");
}

TEST_F(SheetExportTest, XmlRecords) {
  EXPECT_EQ(Export<TVoRExportToXML>(MarkupPage()),
            "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>"
            "<!-- Generated by Quorvanta Metafile export 1.95-->  \r\n<RECORDS>\r\n"
            "  <RECORD>\r\n    <ROW\r\n     Column2=\"Fish &amp; Chips\"\r\n"
            "     Column3=\"&brvbar\"\r\n    />\r\n  </RECORD>\r\n"
            "  <RECORD>\r\n    <ROW\r\n     Column2=\"x\"\r\n    />\r\n  </RECORD>\r\n"
            "\r\n</RECORDS>");
}

TEST_F(SheetExportTest, HtmlPicturesGoBesideThePage) {
  TRasterImage image(2, 1);
  image.SetPixel(0, 0, 0xFFFF0000);
  const TEmfPage page = TEmfPage(200, 100).Text(0, 0, "a").Picture(TRect{0, 20, 4, 22}, image);
  TVoRExportToHTML filter(nullptr);
  const std::string html = Export(filter, page, "my page.html");
  EXPECT_NE(html.find("    <TD><img src=\"my%20page_files/VOR1.bmp\" width=\"4\" height=\"2\">"
                      "</TD>\r\n"),
            std::string::npos);
  const TRasterImage saved = ReadBmp(LoadFile((folder_ / "my page_files" / "VOR1.bmp").string()));
  ASSERT_EQ(saved.Width(), 4);
  EXPECT_EQ(saved.Pixel(1, 1) & 0xFFFFFF, 0xFF0000u);

  // When the page cannot be written, its pictures go too.
  std::filesystem::create_directory(folder_ / "blocked.html");
  TVoRExportToHTML again(nullptr);
  EXPECT_THROW(Export(again, page, "blocked.html"), EFCreateError);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "blocked_files"));
}

TEST_F(SheetExportTest, RtfTable) {
  TFixedTimeRTF filter;
  filter.Properties()->SetTitle("T");
  const TEmfPage page = TEmfPage(200, 100)
                            .Font("Arial", -16, 700, true)
                            .TextColor(0x0000FF)
                            .Text(10, 0, "a{b")
                            .Font("Courier New", -11, 400)
                            .TextColor(0)
                            .Text(110, 0, "c");
  // Cell right edges: the second column's left (110 * 14.4 = 1584), then the page's width
  // (200 * 14.4 = 2880).
  const std::string borders =
      "\\clbrdrl\\brdrs \\clbrdrr\\brdrs \\clbrdrt\\brdrs \\clbrdrb\\brdrs ";
  EXPECT_EQ(Export(filter, page),
            "{\\rtf1\\ansi\\ansicpg1252\\uc1\r\n"
            "{\\fonttbl{\\f0 Arial}{\\f1 Courier New}}\r\n"
            "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}\r\n"
            "{\\*\\generator VoReport Designer;}{\\info{\\operator Quorvanta Metafile export "
            "1.95}{\\*\\company Quorvanta Software}{\\creatim\\yr2026\\mo3\\dy4\\hr5\\min6}"
            "{\\title T}}\r\n"
            "{\\header \\pard\\plain {T \\par }}\r\n"
            "\\par\r\n\\paperw2880\\paperh1440\r\n"
            "\\trowd\\irow\\trautofit1\\trql\\trgaph0\\trleft0\r\n" +
                borders + "\\cellx1584\r\n" + borders +
                "\\cellx2880\r\n"
                "\\pard\\intbl\\li30\\ri30{\\f0\\fs24\\i\\b\\cf1 a\\{b}\\cell "
                "\\pard\\intbl\\li30\\ri30{\\f1\\fs16\\cf2 c}\\cell "
                "\\row\r\n"
                "\\pard\\par}");
}

TEST_F(SheetExportTest, RtfTablesOnlyWhenUsed) {
  // No text: no font table and no colour table; at midnight the time has no hour and minute.
  TFixedTimeRTF empty;
  empty.Time = std::tm{0, 0, 0, 4, 2, 126, 0, 0, 0, 0, nullptr};
  EXPECT_EQ(Export(empty, TEmfPage(200, 100)),
            "{\\rtf1\\ansi\\ansicpg1252\\uc1\r\n"
            "{\\*\\generator VoReport Designer;}{\\info{\\operator Quorvanta Metafile export "
            "1.95}{\\*\\company Quorvanta Software}{\\creatim\\yr2026\\mo3\\dy4}}\r\n"
            "\\par\r\n\\paperw2880\\paperh1440\r\n"
            "\\trowd\\irow\\trautofit1\\trql\\trgaph0\\trleft0\r\n"
            "\\pard\\par}");
  // White text: a font table, no colour table.
  TFixedTimeRTF white;
  const std::string bytes =
      Export(white, TEmfPage(200, 100).Font("Arial", -16, 400).TextColor(0xFFFFFF).Text(0, 0, "w"));
  const std::string start =
      "{\\rtf1\\ansi\\ansicpg1252\\uc1\r\n{\\fonttbl{\\f0 Arial}}\r\n{\\*\\generator";
  EXPECT_EQ(bytes.substr(0, start.size()), start);
  EXPECT_NE(bytes.find("{\\f0\\fs24 w}\\cell "), std::string::npos);
}

TEST_F(SheetExportTest, EveryFilterByExtensionWritesOneWholeFile) {
  RegisterExportFilters();
  TExportPageList pages;
  pages.Add(TwoByThree().Bytes(), 200, 100);
  for (const char* extension : {"html", "htm", "xml", "xls", "wk1", "wq1", "rtf"}) {
    SCOPED_TRACE(extension);
    const std::string name = std::string("report.") + extension;
    // A folder that does not exist: an error naming the file, nothing written anywhere.
    const std::string missing = (folder_ / "missing" / name).string();
    try {
      ExportToFile(pages, missing);
      ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.what(), "Cannot create file " + missing);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
    // Written: the file alone, no temporary or body file beside it.
    ExportToFile(pages, (folder_ / name).string());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{name});
    std::filesystem::remove(folder_ / name);
  }
}

TEST(SheetRegistryTest, FiltersInTheirOrder) {
  RegisterExportFilters();
  std::vector<std::string> keys;
  for (const auto& entry : ExportFilters()) keys.push_back(entry.Key);
  const std::vector<std::string> ours = {"HTML", "XML", "XLS", "WK1", "WQ1", "RTF"};
  const auto first = std::find(keys.begin(), keys.end(), "HTML");
  ASSERT_LE(first - keys.begin() + 6, static_cast<ptrdiff_t>(keys.size()));
  EXPECT_EQ(std::vector<std::string>(first, first + 6), ours);
  EXPECT_LT(std::find(keys.begin(), keys.end(), "CSV"), first);
  EXPECT_GT(std::find(keys.begin(), keys.end(), "PDF"), first + 5);
  const TExportFilterEntry* rtf = FindExportFilter("rtf");
  ASSERT_NE(rtf, nullptr);
  EXPECT_EQ(rtf->ClassName, "TVoRExportToRTF");
  EXPECT_EQ(rtf->Description, "RichText export filter");
  EXPECT_EQ(rtf->Filter, "Richtext document (*.rtf)");
  EXPECT_EQ(FindExportFilterForFile("a.HTML"), FindExportFilter("html"));
  EXPECT_EQ(FindExportFilter("WQ1")->Filter, "QuattroPro spreadsheet (*.wq1)");
  EXPECT_NE(dynamic_cast<TVoRExportToQuattroPro*>(FindExportFilter("WQ1")->Create().get()),
            nullptr);
}

}  // namespace
}  // namespace qr2vor
