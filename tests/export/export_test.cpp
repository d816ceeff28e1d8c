// The page driver's calling order, the attribute machinery (state records, items, the joining
// of texts, the grid), the registry and the page pictures.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>

#include "emf_pages.h"
#include "export/export.h"
#include "export/page_driver.h"
#include "export/registry.h"
#include "export/text_export.h"
#include "report/page_store.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

using test::TEmfPage;

// Writes down every call with the offsets it saw.
class TLoggingExport : public TVoRExportAttributes {
 public:
  explicit TLoggingExport(std::vector<std::string>& log)
      : TVoRExportAttributes(nullptr), log_(log) {
    SetCollect(ckText | ckLines | ckRectangles | ckEllipses | ckPictures);
  }
  void PrepareOutput(const std::string& name) override { log_.push_back("prepare " + name); }
  void BeginExport() override {
    log_.push_back("begin " + std::to_string(PageWidth()) + "x" + std::to_string(PageHeight()) +
                   " of " + std::to_string(DocumentHeight()));
    TVoRExportAttributes::BeginExport();
  }
  void NewPage(int number, bool continued) override {
    log_.push_back("page " + std::to_string(number) + (continued ? " continued" : ""));
    TVoRExportAttributes::NewPage(number, continued);
  }
  void ExportPage(std::string_view emf) override {
    log_.push_back("emf " + std::to_string(emf.size()) + " at " + std::to_string(OffsetX()) + "," +
                   std::to_string(OffsetY()));
  }
  void ProcessRecord(const TEmfRecord& record) override {
    log_.push_back("record " + std::to_string(record.Type()));
    TVoRExportAttributes::ProcessRecord(record);
  }
  void EndExport() override {
    log_.push_back("end");
    TVoRExportAttributes::EndExport();
  }
  void SaveToFile(const std::string& name) override {
    log_.push_back("save " + name);
    TVoRExportAttributes::SaveToFile(name);
  }

 private:
  std::vector<std::string>& log_;
};

TEST(PageDriverTest, CallsTheFilterInOrder) {
  TExportPageList pages;
  const std::string first = TEmfPage(300, 200).Text(1, 2, "x").Bytes();
  const std::string second = TEmfPage(300, 150).MoveTo(1, 1).Bytes();
  pages.Add(first, 300, 200);
  pages.Add(second, 300, 150);
  std::vector<std::string> log;
  TLoggingExport filter(log);
  int events = 0;
  filter.OnStartExecute = [&](TVoRExport& sender) { events += &sender == &filter ? 1 : 100; };
  filter.OnNewPage = [&](TVoRExport&) { events += 10; };
  filter.OnEndExecute = [&](TVoRExport&) { events += 1000; };
  int records = 0;
  filter.OnRecord = [&](TVoRExport&, const TEmfRecord&) { ++records; };
  ExportPages(filter, pages, "out.x");
  const std::vector<std::string> expected = {"prepare out.x",
                                             "begin 300x200 of 350",
                                             "page 0",
                                             "emf " + std::to_string(first.size()) + " at 0,0",
                                             "record 1",
                                             "record 84",
                                             "record 14",
                                             "page 1",
                                             "emf " + std::to_string(second.size()) + " at 0,200",
                                             "record 1",
                                             "record 27",
                                             "record 14",
                                             "end",
                                             "save out.x"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(events, 1021);
  EXPECT_EQ(records, 6);
  // SaveToFile leaves the offsets at 0.
  EXPECT_EQ(filter.OffsetY(), 0);
  ASSERT_EQ(filter.Items().size(), 1u);
  EXPECT_EQ(filter.Items()[0]->Top, 2);
}

TEST(PageDriverTest, BadMetafileStopsBeforeSaving) {
  TExportPageList pages;
  std::string broken = TEmfPage(100, 100).Text(0, 0, "x").Bytes();
  // The size of the record after the header runs past the end.
  uint32_t headerSize = 0;
  std::memcpy(&headerSize, broken.data() + 4, 4);
  broken.replace(headerSize + 4, 4, std::string("\x00\xff\xff\x00", 4));
  pages.Add(broken, 100, 100);
  std::vector<std::string> log;
  TLoggingExport filter(log);
  EXPECT_THROW(ExportPages(filter, pages, "never"), EInvalidGraphic);
  EXPECT_EQ(std::find(log.begin(), log.end(), "save never"), log.end());
}

TEST(ExportAttributesTest, ItemsFromRecords) {
  TExportPageList pages;
  TRasterImage image(2, 1);
  image.SetPixel(1, 0, 0xFF0000FF);
  pages.Add(TEmfPage(400, 300)
                .Font("Courier New", -13, 700, true, 1)
                .TextColor(0x0000FF)
                .TextAlign(24)
                .BackColor(0x00FF00)
                .Text(TRect{10, 20, 40, 34}, "ab")
                .Text(TRect{42, 20, 60, 36}, "c")  // right edge 40, left 42: joined
                .Text(TRect{65, 20, 80, 34}, "d")  // right edge 60 + 5 = 65: a new item
                .BackColor(0xFFFFFF)
                .Text(TRect{80, 20, 90, 34}, "e")  // touching, but another colour
                .MoveTo(5, 100)
                .LineTo(50, 90)
                .Rectangle(TRect{10, 10, 20, 30})
                .Picture(TRect{100, 120, 104, 122}, image)
                .Bytes(),
            400, 300);
  std::vector<std::string> log;
  TLoggingExport filter(log);
  ExportPages(filter, pages, "unused");
  const auto& items = filter.Items();
  ASSERT_EQ(items.size(), 6u);
  const TVoRMFERecord& joined = *items[0];
  EXPECT_EQ(joined.Kind, mkText);
  EXPECT_EQ(joined.Text, "abc");
  EXPECT_EQ((std::array{joined.Left, joined.Top, joined.Width, joined.Height}),
            (std::array{10, 20, 48, 30}));
  EXPECT_EQ(joined.Color, TColor{0x00FF00});
  EXPECT_EQ(joined.TextAlign, 24);
  EXPECT_EQ(joined.Font.Name(), "Courier New");
  EXPECT_EQ(joined.Font.Height(), -13);
  EXPECT_EQ(joined.Font.Style(), FontStyleBit(fsBold) | FontStyleBit(fsItalic));
  EXPECT_EQ(joined.Font.Pitch(), fpFixed);
  EXPECT_EQ(joined.Font.Color(), TColor{0x0000FF});
  EXPECT_EQ(items[1]->Text, "d");
  EXPECT_EQ(items[2]->Text, "e");
  EXPECT_EQ(items[2]->Color, clWhite);
  EXPECT_EQ(items[3]->Kind, mkLine);
  EXPECT_EQ((std::array{items[3]->Left, items[3]->Top, items[3]->Width, items[3]->Height}),
            (std::array{5, 100, 45, 10}));
  EXPECT_EQ(items[4]->Kind, mkRectangle);
  EXPECT_EQ((std::array{items[4]->Left, items[4]->Top, items[4]->Width, items[4]->Height}),
            (std::array{9, 9, 12, 22}));
  EXPECT_EQ(items[5]->Kind, mkPicture);
  EXPECT_EQ((std::array{items[5]->Left, items[5]->Top, items[5]->Width, items[5]->Height}),
            (std::array{100, 120, 4, 2}));
  const TRasterImage picture = items[5]->Picture();
  ASSERT_EQ(picture.Width(), 4);
  EXPECT_EQ(picture.Pixel(0, 1) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(picture.Pixel(3, 1) & 0xFFFFFF, 0x0000FFu);
}

TEST(ExportAttributesTest, CollectSetChoosesItems) {
  TExportPageList pages;
  pages.Add(
      TEmfPage(200, 100).Text(0, 0, "t").MoveTo(0, 0).LineTo(5, 5).Rectangle({1, 1, 5, 5}).Bytes(),
      200, 100);
  TVoRExportToCSV csv(nullptr);
  EXPECT_EQ(csv.Collect(), 17u);
  csv.SetCollect(ckLines);
  ExportPages(csv, pages, (std::filesystem::temp_directory_path() / "collect_set.csv").string());
  ASSERT_EQ(csv.Items().size(), 1u);
  EXPECT_EQ(csv.Items()[0]->Kind, mkLine);
  std::filesystem::remove(std::filesystem::temp_directory_path() / "collect_set.csv");
}

TEST(ExportRegistryTest, FiltersInOrderByKeyAndExtension) {
  RegisterExportFilters();
  RegisterExportFilters();
  const auto& filters = ExportFilters();
  ASSERT_GE(filters.size(), 2u);
  EXPECT_EQ(filters[0].ClassName, "TVoRExportToText");
  EXPECT_EQ(filters[0].Key, "TXT");
  EXPECT_EQ(filters[0].Description, "Text export filter");
  EXPECT_EQ(filters[0].Filter, "Text file (*.txt)");
  EXPECT_EQ(filters[1].ClassName, "TVoRExportToCSV");
  EXPECT_EQ(filters[1].Filter, "CSV file (*.csv)");
  EXPECT_EQ(FindExportFilter("csv"), &filters[1]);
  EXPECT_EQ(FindExportFilterForFile("dir.x/Report.TXT"), &filters[0]);
  EXPECT_EQ(FindExportFilterForFile("dir.txt/report"), nullptr);
  EXPECT_EQ(FindExportFilter("doc"), nullptr);
  EXPECT_NE(dynamic_cast<TVoRExportToCSV*>(filters[1].Create().get()), nullptr);

  TExportPageList pages;
  pages.Add(TEmfPage(200, 100).Text(0, 0, "hello").Bytes(), 200, 100);
  const auto folder = std::filesystem::temp_directory_path();
  const std::string path = (folder / "registry_export.dat").string();
  ExportToFile(pages, path, "txt");
  EXPECT_EQ(LoadFile(path), "hello\r\n");
  std::filesystem::remove(path);
  try {
    ExportToFile(pages, path, "DOC");
    FAIL();
  } catch (const EExportError& e) {
    EXPECT_STREQ(e.what(), "Unknown export format DOC");
  }
  try {
    ExportToFile(pages, path);
    FAIL();
  } catch (const EExportError& e) {
    EXPECT_EQ(e.what(), "No export format for the file name " + path);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PageDriverTest, PagesOfThePageStore) {
  TVoPageStore store;
  auto first = std::make_unique<TPageInfo>(200, 100, 0, 0);
  first->TopMargin = 7;
  first->SetEmf(TEmfPage(200, 100).Text(0, 0, "one").Bytes());
  store.Add(std::move(first));
  auto second = std::make_unique<TPageInfo>(200, 120, 0, 1);
  second->SetEmf(TEmfPage(200, 120).Text(0, 32, "two").Bytes());
  store.Add(std::move(second));
  const TPageStorePages pages(store);
  ASSERT_EQ(pages.Count(), 2u);
  EXPECT_EQ(pages.Geometry(0).TopMargin, 7);
  EXPECT_TRUE(pages.Geometry(0).Emf.empty());
  EXPECT_EQ(pages.Page(1).BarIndex, 1);
  EXPECT_EQ(pages.Page(1).Height, 120);
  TVoRExportToText filter(nullptr);
  const std::string path = (std::filesystem::temp_directory_path() / "page_store.txt").string();
  ExportPages(filter, pages, path);
  // The second page begins 100 units (6.25 lines) down: its text is on line round(132 / 16).
  EXPECT_EQ(LoadFile(path), "one\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\ntwo\r\n");
  std::filesystem::remove(path);
}

TEST(PagePictureTest, PagesBecomePngFiles) {
  TMetafileCanvas canvas(96, 48);
  canvas.Brush().SetColor(clBlack);
  canvas.Pen().SetStyle(psClear);
  canvas.FillRect(TRect{10, 10, 20, 20});
  TExportPageList pages;
  pages.Add(canvas.Finish(), 96, 48);
  pages.Add(TEmfPage(96, 48).Bytes(), 96, 48);

  const TRasterImage doubled = RenderPage(pages.Page(0), 192);
  ASSERT_EQ(doubled.Width(), 192);
  ASSERT_EQ(doubled.Height(), 96);
  EXPECT_EQ(doubled.Pixel(30, 30) & 0xFFFFFF, 0u);
  EXPECT_EQ(doubled.Pixel(50, 30) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_THROW(RenderPage(pages.Page(0), 0), EInvalidGraphic);

  const auto folder = std::filesystem::temp_directory_path() / "page_pictures_test";
  std::filesystem::create_directories(folder);
  const auto written = SavePagePictures(pages, folder.string());
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(std::filesystem::path(written[1]).filename(), "page-002.png");
  const TRasterImage first = ReadPng(LoadFile(written[0]));
  EXPECT_EQ(first.Width(), 96);
  EXPECT_EQ(first.Pixel(15, 15) & 0xFFFFFF, 0u);
  EXPECT_EQ(first.Pixel(25, 15) & 0xFFFFFF, 0xFFFFFFu);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qr2vor
