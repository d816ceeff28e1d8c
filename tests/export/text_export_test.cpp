// The text and CSV filters through the page driver, checked as the bytes of the files written.

#include <gtest/gtest.h>

#include <filesystem>

#include "emf_pages.h"
#include "export/page_driver.h"
#include "export/text_export.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

using test::TEmfPage;

std::string Repeat(std::string_view text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

class TextExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("export_text_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Exports the pages (each 100 units high) with a fresh filter of type T; the file's bytes.
  template <class T>
  std::string Export(std::initializer_list<TEmfPage> pages) {
    TExportPageList list;
    for (const TEmfPage& page : pages) list.Add(page.Bytes(), 200, 100);
    T filter(nullptr);
    const std::string path = (folder_ / "out").string();
    ExportPages(filter, list, path);
    return LoadFile(path);
  }

  std::filesystem::path folder_;
};

TEST_F(TextExportTest, TextsOnOneLineGoToTheirColumns) {
  // Lefts 0 and 65: 65 / 6.5 = column 10, the tenth character.
  EXPECT_EQ(Export<TVoRExportToText>({TEmfPage(200, 100).Text(0, 0, "a").Text(65, 0, "b")}),
            "a        b\r\n");
  // Line 40 / 16 = 2.5 rounds to 2 (halves to even); a later text overwrites an earlier one;
  // blanks around a text are trimmed and a text of blanks is ignored.
  EXPECT_EQ(Export<TVoRExportToText>(
                {TEmfPage(200, 100).Text(0, 40, "  abcdef ").Text(13, 40, "XY").Text(0, 0, "   ")}),
            "\r\n\r\naXYdef\r\n");
}

TEST_F(TextExportTest, PagesFollowEachOtherWithFormFeeds) {
  // A blank page adds nothing but its height; the form feed is only written after a page
  // that left at least two lines.
  EXPECT_EQ(Export<TVoRExportToText>({TEmfPage(200, 100).Text(0, 0, "one"), TEmfPage(200, 100),
                                      TEmfPage(200, 100).Text(0, 0, "three")}),
            "one\r\n" + Repeat("\r\n", 11) + "three\r\n");
  EXPECT_EQ(Export<TVoRExportToText>({TEmfPage(200, 100).Text(0, 0, "x").Text(0, 16, "y"),
                                      TEmfPage(200, 100).Text(0, 0, "z")}),
            "x\r\ny\f\r\n\r\n\r\n\r\n\r\nz\r\n");
  EXPECT_EQ(Export<TVoRExportToText>({TEmfPage(200, 100), TEmfPage(200, 100)}), "");
}

TEST_F(TextExportTest, FailedSaveKeepsTheLines) {
  TExportPageList list;
  list.Add(TEmfPage(200, 100).Text(0, 0, "kept").Bytes(), 200, 100);
  TVoRExportToText filter(nullptr);
  const std::string missing = (folder_ / "no" / "such.txt").string();
  EXPECT_THROW(ExportPages(filter, list, missing), EFCreateError);
  EXPECT_EQ(filter.Lines(), std::vector<std::string>{"kept"});
  EXPECT_FALSE(std::filesystem::exists(missing));
  const std::string path = (folder_ / "again.txt").string();
  filter.SaveToFile(path);
  EXPECT_EQ(LoadFile(path), "kept\r\n");
  EXPECT_TRUE(filter.Lines().empty());
}

TEST_F(TextExportTest, TextFarOffThePageIsRefused) {
  TExportPageList list;
  list.Add(TEmfPage(200, 100).Text(0, 1 << 30, "far").Bytes(), 200, 100);
  TVoRExportToText filter(nullptr);
  EXPECT_THROW(ExportPages(filter, list, (folder_ / "far.txt").string()), EInvalidGraphic);
  EXPECT_TRUE(filter.Lines().empty());
}

TEST_F(TextExportTest, CsvRowsAndColumns) {
  struct Case {
    const char* name;
    TEmfPage page;
    std::string csv;
  };
  const Case cases[] = {
      {"three rows",
       TEmfPage(200, 100)
           .Text(10, 10, "a")
           .Text(60, 10, "b")
           .Text(10, 30, "c")
           .Text(60, 30, "d")
           .Text(10, 50, "e")
           .Text(60, 50, "f"),
       "a;b\r\nc;d\r\ne;f"},
      {"missing second column",
       TEmfPage(200, 100).Text(10, 10, "a").Text(10, 30, "c").Text(60, 30, "d"), "a;\r\nc;d"},
      {"arrival order does not matter",
       TEmfPage(200, 100).Text(60, 30, "d").Text(10, 30, "c").Text(60, 10, "b").Text(10, 10, "a"),
       "a;b\r\nc;d"},
      {"lefts 100 and 110 share a column", TEmfPage(200, 100).Text(100, 10, "a").Text(110, 30, "b"),
       "a\r\nb"},
      {"lefts 100 and 120 make two", TEmfPage(200, 100).Text(100, 10, "a").Text(120, 30, "b"),
       "a;\r\n;b"},
      {"a row at the very top", TEmfPage(200, 100).Text(10, 0, "a").Text(10, 30, "b"), "a\r\nb"},
      {"quoted fields",
       TEmfPage(200, 100)
           .Text(10, 10, "x;y")
           .Text(80, 10, "say \"hi\"")
           .Text(10, 30, "plain")
           .Text(80, 30, "two\r\nlines"),
       "\"x;y\";\"say \"\"hi\"\"\"\r\nplain;\"two\r\nlines\""},
  };
  for (const Case& c : cases) EXPECT_EQ(Export<TVoRExportToCSV>({c.page}), c.csv) << c.name;
}

TEST_F(TextExportTest, CsvGridOfScatteredTextsIsRefused) {
  // Every text in a row and a column of its own: 2100 rows by 2100 columns.
  TEmfPage page(200, 100);
  for (int i = 0; i < 2100; ++i) page.Text(i * 20, i * 10, "x");
  TExportPageList pages;
  pages.Add(page.Bytes(), 200, 100);
  TVoRExportToCSV filter(nullptr);
  try {
    ExportPages(filter, pages, (folder_ / "scattered.csv").string());
    FAIL();
  } catch (const EExportError& e) {
    EXPECT_STREQ(e.what(), "A grid of 2100 rows and 2100 columns is too large");
  }
  EXPECT_EQ(filter.Items().size(), 2100u);
  EXPECT_EQ(filter.RowCount(), 0);
  EXPECT_TRUE(filter.Columns().empty());
  EXPECT_FALSE(std::filesystem::exists(folder_ / "scattered.csv"));
}

TEST_F(TextExportTest, CsvGridSpansPages) {
  // The second page's rows lie 100 units further down.
  EXPECT_EQ(Export<TVoRExportToCSV>({TEmfPage(200, 100).Text(10, 10, "a").Text(60, 10, "b"),
                                     TEmfPage(200, 100).Text(10, 10, "c")}),
            "a;b\r\nc;");
}

}  // namespace
}  // namespace qr2vor
