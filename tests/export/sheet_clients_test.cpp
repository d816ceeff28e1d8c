// The spreadsheet and document files opened by the programs that read them: LibreOffice turns
// the worksheets, the HTML table and the RTF table of a known report into CSV, xmllint reads the
// XML. Each test is skipped when its program is not installed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "export/page_driver.h"
#include "export/registry.h"
#include "platform/gfx/metafile_canvas.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

namespace fs = std::filesystem;

using TTable = std::vector<std::vector<std::string>>;

// The known report: a heading row and three rows of three columns.
const TTable kReport = {{"Item", "Quantity", "Price"},
                        {"Apples", "3", "1.20 EUR"},
                        {"Fish & Chips", "12", "4.50 EUR"},
                        {"Pears (ripe)", "100", "0.80 EUR"}};

bool Installed(const char* program) {
  return std::system(fmt::format("command -v {} >/dev/null 2>&1", program).c_str()) == 0;
}

std::string Quoted(const fs::path& path) {
  std::string out = "'";
  for (const char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Rows of a CSV file as LibreOffice writes it: "," between fields, fields with a comma or a
// quote in double quotes, quotes doubled.
TTable ReadCsv(const std::string& text) {
  TTable rows(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(field);
      field.clear();
    } else if (c == '\n') {
      rows.back().push_back(field);
      field.clear();
      rows.emplace_back();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (!field.empty() || !rows.back().empty()) rows.back().push_back(field);
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

class SheetClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("export_clients_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
    RegisterExportFilters();
  }
  void TearDown() override { fs::remove_all(folder_); }

  // The report drawn on one page as a report page would be: texts in 10-point Arial.
  static TExportPageList ReportPages(const TTable& table) {
    TMetafileCanvas canvas(794, 40 + 20 * static_cast<int32_t>(table.size()) + 40);
    canvas.Font().SetName("Arial");
    canvas.Font().SetSize(10);
    for (size_t row = 0; row < table.size(); ++row)
      for (size_t column = 0; column < table[row].size(); ++column)
        canvas.TextOut(48 + 200 * static_cast<int32_t>(column), 40 + 20 * static_cast<int32_t>(row),
                       table[row][column]);
    TExportPageList pages;
    pages.Add(canvas.Finish(), 794, 40 + 20 * static_cast<int32_t>(table.size()) + 40);
    return pages;
  }

  // Exports the table into report.EXTENSION and has LibreOffice convert it to CSV through the
  // spreadsheet import filter `filter` (its default one when empty); the CSV's rows.
  TTable ThroughLibreOffice(const TTable& table, const std::string& extension,
                            const std::string& filter = {}) {
    const fs::path file = folder_ / ("report." + extension);
    ExportToFile(ReportPages(table), file.string());
    const std::string command = fmt::format(
        "cd {} && soffice --headless --norestore -env:UserInstallation=file://{} {} "
        "--convert-to csv --outdir {} {} >/dev/null 2>&1",
        Quoted(folder_), (folder_ / "profile").string(),
        filter.empty() ? std::string() : "--infilter=" + Quoted(filter), Quoted(folder_ / "csv"),
        Quoted(file));
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const fs::path csv = folder_ / "csv" / "report.csv";
    if (!fs::exists(csv)) {
      ADD_FAILURE() << "LibreOffice wrote no CSV for " << file;
      return {};
    }
    return ReadCsv(LoadFile(csv.string()));
  }

  // Every cell of the table at its row and column, counted from the given first row and column.
  static void ExpectCells(const TTable& got, const TTable& table, size_t firstRow,
                          size_t firstColumn) {
    std::string rows;
    for (const auto& line : got) rows += fmt::format("{}\n", fmt::join(line, "|"));
    ASSERT_EQ(got.size(), firstRow + table.size()) << rows;
    for (size_t row = 0; row < table.size(); ++row) {
      const auto& line = got[firstRow + row];
      ASSERT_GE(line.size(), firstColumn + table[row].size()) << "row " << row;
      for (size_t column = 0; column < table[row].size(); ++column)
        EXPECT_EQ(line[firstColumn + column], table[row][column])
            << "row " << row << ", column " << column;
    }
  }

  fs::path folder_;
};

TEST_F(SheetClientTest, LibreOfficeReadsTheWorksheets) {
  if (!Installed("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  // The first grid column is the worksheets' column B (index 1).
  for (const char* extension : {"xls", "wk1", "wq1"}) {
    SCOPED_TRACE(extension);
    ExpectCells(ThroughLibreOffice(kReport, extension), kReport, 0, 1);
    fs::remove_all(folder_ / "csv");
  }
}

TEST_F(SheetClientTest, LibreOfficeReadsTheHtmlAndRtfTables) {
  if (!Installed("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  ExpectCells(ThroughLibreOffice(kReport, "html", "HTML (StarCalc)"), kReport, 0, 0);
  fs::remove_all(folder_ / "csv");
  // The document's empty paragraph before the table takes the first row.
  ExpectCells(ThroughLibreOffice(kReport, "rtf", "Rich Text Format (StarCalc)"), kReport, 1, 0);
}

TEST_F(SheetClientTest, LibreOfficeWriterDrawsTheRtfBorders) {
  if (!Installed("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  const fs::path file = folder_ / "report.rtf";
  ExportToFile(ReportPages(kReport), file.string());
  const std::string command = fmt::format(
      "cd {} && soffice --headless --norestore -env:UserInstallation=file://{} --convert-to fodt "
      "--outdir {} {} >/dev/null 2>&1",
      Quoted(folder_), (folder_ / "profile").string(), Quoted(folder_ / "odt"), Quoted(file));
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const fs::path document = folder_ / "odt" / "report.fodt";
  if (!fs::exists(document)) GTEST_SKIP() << "LibreOffice Writer is not installed";
  const std::string xml = LoadFile(document.string());
  EXPECT_NE(xml.find("fo:border=\"0.75pt solid #000000\""), std::string::npos);
  for (const auto& row : kReport)
    for (const auto& text : row)
      EXPECT_NE(xml.find(">" + (text == "Fish & Chips" ? "Fish &amp; Chips" : text) + "<"),
                std::string::npos)
          << text;
}

TEST_F(SheetClientTest, LibreOfficeOpensQuattroProOf200Rows) {
  if (!Installed("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  TTable table;
  for (int row = 0; row < 200; ++row)
    table.push_back({"row " + std::to_string(row), "x", std::to_string(row * 2)});
  ExpectCells(ThroughLibreOffice(table, "wq1"), table, 0, 1);
}

TEST_F(SheetClientTest, XmllintReadsTheXml) {
  if (!Installed("xmllint")) GTEST_SKIP() << "xmllint is not installed";
  const fs::path file = folder_ / "report.xml";
  ExportToFile(ReportPages(kReport), file.string());
  // Each row is a RECORD whose ROW holds the texts as Column2, Column3, Column4.
  for (size_t row = 0; row < kReport.size(); ++row) {
    for (size_t column = 0; column < kReport[row].size(); ++column) {
      const fs::path out = folder_ / "value.txt";
      const std::string command =
          fmt::format("xmllint --xpath 'string(/RECORDS/RECORD[{}]/ROW/@Column{})' {} > {}",
                      row + 1, column + 2, Quoted(file), Quoted(out));
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
      EXPECT_EQ(LoadFile(out.string()), kReport[row][column] + "\n") << row << ", " << column;
    }
  }
}

}  // namespace
}  // namespace qr2vor
