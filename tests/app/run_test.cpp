// The "run" and "fields" commands end to end: the bundled invoice form converted and run over
// its CSV file to text, page pictures and PDF; failures that leave no output.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <sqlite3.h>
#include "tool_run.h"

#include "platform/gfx/raster_image.h"
#include "report/report.h"

namespace qr2vor {
namespace {

namespace fs = std::filesystem;
using test::Quote;
using test::ReadAll;
using test::RunResult;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The line holding every one of `parts` in this order, or "" when there is none.
std::string LineWith(const std::vector<std::string>& lines, const std::vector<std::string>& parts) {
  for (const std::string& line : lines) {
    size_t at = 0;
    bool all = true;
    for (const std::string& part : parts) {
      at = line.find(part, at);
      if (at == std::string::npos) {
        all = false;
        break;
      }
      at += part.size();
    }
    if (all) return line;
  }
  return {};
}

class RunCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterReportClasses(); }

  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              fmt::format("qr2vor_run_{}_{}", ::getpid(),
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
    report_ = (folder_ / "invoice.vor").string();
    const RunResult converted = Run({"convert", (Examples() / "invoice.dfm").string(), report_});
    ASSERT_EQ(converted.exitCode, 0) << converted.err;
  }
  void TearDown() override { fs::remove_all(folder_); }

  static fs::path Examples() { return fs::path(QR2VOR_SOURCE_DIR) / "examples"; }
  static std::string Csv() { return (Examples() / "invoice-lines.csv").string(); }

  RunResult Run(const std::vector<std::string>& arguments) const {
    return test::RunTool(folder_, arguments);
  }

  fs::path folder_;
  std::string report_;
};

TEST_F(RunCommandTest, FieldsListsWhatTheExpressionsRead) {
  const RunResult fields = Run({"fields", report_});
  EXPECT_EQ(fields.exitCode, 0) << fields.err;
  // In the order of the report's bands: the child band, untyped, comes first.
  EXPECT_EQ(fields.out,
            "Note\nCustomerID\nCustomerName\nDescription\nQuantity\nUnitPrice\nDiscount\n");
  const RunResult header = Run({"fields", report_, "--csv-header"});
  EXPECT_EQ(header.exitCode, 0) << header.err;
  EXPECT_EQ(header.out, "Note,CustomerID,CustomerName,Description,Quantity,UnitPrice,Discount\n");
  // The example's data file carries exactly these columns.
  EXPECT_EQ(Lines(ReadAll(Csv())).front() + "\n", header.out);
}

// Every invoice line with its quantity and amount and the customers of the groups, the numbers
// formatted by the masks the conversion carried over from the form.
TEST_F(RunCommandTest, InvoiceOverItsCsvAsText) {
  const fs::path text = folder_ / "invoice.txt";
  const RunResult run = Run({"run", report_, "--data", Csv(), "-o", text.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  const std::vector<std::string> lines = Lines(ReadAll(text));
  const struct {
    std::vector<std::string> parts;
  } rows[] = {
      {{"Invoice from O'Brien", "O'Brien & Sons Ltd."}},
      {{"Description", "Quantity", "Amount"}},
      {{"O'Brien & Sons"}},
      {{"Oak desk", "2", "499.00"}},
      {{"Desk lamp", "4", "71.96"}},
      {{"Filing cabinet", "1", "180.00"}},
      {{"Harbour Books"}},
      {{"Bookshelf", "3", "342.00"}},
      {{"Reading chair", "1", "1,299.00"}},
      {{"Copy paper (sheets)", "1,500", "30.00"}},
  };
  for (const auto& row : rows) {
    EXPECT_NE(LineWith(lines, row.parts), "") << row.parts.front() << "\n" << ReadAll(text);
  }
}

// A report made with the library: a group per customer with a sum in its footer that restarts
// with each group, amounts formatted by their mask; run over a CSV file in a SQLite-free way.
TEST_F(RunCommandTest, GroupTotalsAndMasks) {
  TVoReport report(nullptr);
  report.ClearBands();
  auto addExpression = [](TVoRBand& band, const std::string& text, int left) {
    auto& control = static_cast<TVoRExpression&>(
        *band.Controls(band.AddControl(TVoRExpression::StaticClassInfo())));
    control.SetExpression(text);
    control.SetLeft(left);
    control.SetTop(2);
    control.SetWidth(200);
    control.SetHeight(18);
    return &control;
  };
  TVoRBand& header = *report.Bands(report.AddBand(btGroupHeader, true));
  header.SetExpression("Customer");
  header.SetHeight(22);
  addExpression(header, "Customer", 10);
  TVoRBand& detail = *report.Bands(report.AddBand(btDetail, true));
  detail.SetHeight(22);
  addExpression(detail, "Item", 10);
  addExpression(detail, "Amount", 300)->SetFormat("@N @ND2 @NS. @NT, @NR0.01 ");
  TVoRBand& footer = *report.Bands(report.AddBand(btGroupFooter, true));
  footer.SetExpression("Customer");
  footer.SetHeight(22);
  TVoRExpression& total = *addExpression(footer, "Amount", 300);
  total.SetFormat("@N @ND2 @NS. @NT, @NR0.01 ");
  total.Calculation()->SetCalcType(ctSum);
  total.Calculation()->SetResetType(rtEndGroup);
  total.Calculation()->SetResetGroup("Customer");
  const std::string file = (folder_ / "grouped.vor").string();
  report.SaveToFile(file);
  const std::string csv = (folder_ / "amounts.csv").string();
  std::ofstream(csv) << "Customer,Item,Amount\nAlpha,Desk,1234.5\nAlpha,Lamp,20\n"
                        "Beta,Chair,7.25\n";

  const RunResult fields = Run({"fields", file});
  EXPECT_EQ(fields.out, "Customer\nItem\nAmount\n");
  const fs::path text = folder_ / "grouped.txt";
  const RunResult run = Run({"run", file, "--data", csv, "-o", text.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines = Lines(ReadAll(text));
  for (const auto& parts : std::vector<std::vector<std::string>>{{"Alpha"},
                                                                 {"Desk", "1,234.50"},
                                                                 {"Lamp", "20.00"},
                                                                 {"1,254.50"},
                                                                 {"Beta"},
                                                                 {"Chair", "7.25"}}) {
    EXPECT_NE(LineWith(lines, parts), "") << parts.front() << "\n" << ReadAll(text);
  }
  // The same records from a SQLite table and from a query.
  const std::string database = (folder_ / "amounts.db").string();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE Sales (Customer TEXT, Item TEXT, Amount REAL);"
                         "INSERT INTO Sales VALUES ('Alpha','Desk',1234.5),('Alpha','Lamp',20),"
                         "('Beta','Chair',7.25);",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const fs::path fromTable = folder_ / "table.txt";
  ASSERT_EQ(Run({"run", file, "--data", database + ":Sales", "-o", fromTable.string()}).exitCode,
            0);
  EXPECT_EQ(ReadAll(fromTable), ReadAll(text));
  const fs::path fromQuery = folder_ / "query.txt";
  const RunResult query =
      Run({"run", file, "--data", database + ":\"SELECT * FROM Sales WHERE Customer = 'Beta'\"",
           "-o", fromQuery.string()});
  ASSERT_EQ(query.exitCode, 0) << query.err;
  EXPECT_EQ(ReadAll(fromQuery).find("Alpha"), std::string::npos);
  EXPECT_NE(ReadAll(fromQuery).find("Chair"), std::string::npos);
  // And from a dBase table, named as a file and as a table of its folder.
  const auto field = [](const char* name, char type, uint8_t length, uint8_t decimals) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, std::strlen(name), name);
    descriptor[11] = type;
    descriptor[16] = static_cast<char>(length);
    descriptor[17] = static_cast<char>(decimals);
    return descriptor;
  };
  std::string dbf(32, '\0');
  dbf[0] = 0x03;                                // dBase III without memo
  dbf[4] = 3;                                   // three records
  dbf[8] = static_cast<char>(32 + 3 * 32 + 1);  // header size, low byte
  dbf[10] = 1 + 10 + 10 + 10;                   // record size
  dbf += field("CUSTOMER", 'C', 10, 0) + field("ITEM", 'C', 10, 0) + field("AMOUNT", 'N', 10, 2);
  dbf += '\r';
  dbf +=
      " Alpha     Desk         1234.50 Alpha     Lamp           20.00 Beta      Chair           "
      "7.25";
  dbf += '\x1A';
  std::ofstream(folder_ / "sales.dbf", std::ios::binary) << dbf;
  const fs::path fromDbf = folder_ / "dbf.txt";
  const RunResult dbase =
      Run({"run", file, "--data", (folder_ / "sales.dbf").string(), "-o", fromDbf.string()});
  ASSERT_EQ(dbase.exitCode, 0) << dbase.err;
  EXPECT_EQ(ReadAll(fromDbf), ReadAll(text));
  const fs::path fromFolder = folder_ / "folder.txt";
  ASSERT_EQ(
      Run({"run", file, "--data", folder_.string() + ":sales", "-o", fromFolder.string()}).exitCode,
      0);
  EXPECT_EQ(ReadAll(fromFolder), ReadAll(text));
  // Beta's total is its own line's amount: the sum restarted after Alpha's footer.
  int betaTotals = 0;
  for (const std::string& line : lines) betaTotals += line.find("7.25") != std::string::npos;
  EXPECT_EQ(betaTotals, 2) << ReadAll(text);
}

TEST_F(RunCommandTest, InvoicePagePicturesAndPdf) {
  const fs::path pages = folder_ / "pages";
  const RunResult pictures =
      Run({"run", report_, "--data", Csv(), "-o", pages.string(), "--format", "png"});
  ASSERT_EQ(pictures.exitCode, 0) << pictures.err;
  ASSERT_TRUE(fs::exists(pages / "page-001.png"));
  EXPECT_FALSE(fs::exists(pages / "page-002.png"));
  const TRasterImage page = ReadPng(ReadAll(pages / "page-001.png"));
  // The form's A4 paper at 96 pixels per inch.
  ASSERT_EQ(page.Width(), 793);
  ASSERT_EQ(page.Height(), 1122);
  auto dark = [&](int x, int y) {
    const uint32_t pixel = page.Pixel(x, y);
    return ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF) < 384;
  };
  auto inkIn = [&](int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) count += dark(x, y) ? 1 : 0;
    return count;
  };
  // The line under the column heads runs unbroken across the page header band.
  int fullRows = 0;
  for (int y = 130; y < 160; ++y) fullRows += inkIn(50, y, 740, y + 1) == 690 ? 1 : 0;
  EXPECT_GE(fullRows, 1);
  // The title's text lies inside its label's box, the page's left margin beside it stays white.
  EXPECT_GT(inkIn(40, 45, 270, 85), 500);
  EXPECT_EQ(inkIn(0, 0, 30, 1122), 0);

  const fs::path pdf = folder_ / "invoice.pdf";
  const RunResult run = Run({"run", report_, "--data", Csv(), "-o", pdf.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(std::system(fmt::format("pdftotext -layout {} {}", Quote(pdf.string()),
                                    Quote((folder_ / "pdf.txt").string()))
                            .c_str()),
            0);
  const std::string text = ReadAll(folder_ / "pdf.txt");
  for (const char* line : {"Oak desk", "Desk lamp", "Filing cabinet", "Bookshelf", "Reading chair",
                           "Copy paper (sheets)", "O'Brien & Sons", "Harbour Books"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
}

TEST_F(RunCommandTest, SampleDataFillsTheFields) {
  const fs::path text = folder_ / "sample.txt";
  const RunResult run = Run({"run", report_, "--data", "sample:25", "-o", text.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string out = ReadAll(text);
  // Texts count the records; the group field changes every 10 records, so there are 3 groups.
  for (const char* part : {"Description 1", "Description 25", "CustomerName 1", "CustomerName 11",
                           "CustomerName 21"}) {
    EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
  }
  EXPECT_EQ(out.find("Description 26"), std::string::npos);
}

// Each failure names the file and the cause in one line, exits with 1 and writes nothing.
// Every registered format is reached by the output's extension, including the second spellings
// of HTML and TIFF.
TEST_F(RunCommandTest, EveryFormatByItsExtension) {
  const struct {
    const char* extension;
    std::string_view start;
  } rows[] = {{"htm", "<html>"},
              {"html", "<html>"},
              {"xml", "<?xml"},
              {"xls", "\x09\x08"},
              {"wk1", "\x00\x00\x02\x00"},
              {"wq1", "\x00\x00\x02\x00"},
              {"rtf", "{\\rtf1"},
              {"emf", "\x01\x00\x00\x00"},
              {"wmf", "\xD7\xCD\xC6\x9A"},
              {"bmp", "BM"},
              {"tif", "II*"},
              {"tiff", "II*"}};
  for (const auto& row : rows) {
    const fs::path out = folder_ / (std::string("invoice.") + row.extension);
    const RunResult run = Run({"run", report_, "--data", Csv(), "-o", out.string()});
    ASSERT_EQ(run.exitCode, 0) << row.extension << ": " << run.err;
    EXPECT_TRUE(ReadAll(out).starts_with(row.start)) << row.extension;
  }
}

TEST_F(RunCommandTest, FailuresLeaveNoOutput) {
  const std::string lacking = (folder_ / "lacking.csv").string();
  std::ofstream(lacking) << "CustomerID,CustomerName,Description,Quantity,UnitPrice,Note\n"
                            "1,A,B,1,2,\n";
  TVoReport withParameter(nullptr);
  TVoRParameter& parameter = *withParameter.Parameters()->Add();
  parameter.SetName("Region");
  const std::string parameterReport = (folder_ / "parameter.vor").string();
  withParameter.SaveToFile(parameterReport);
  TVoReport badExpression(nullptr);
  TVoRBand& detail = *badExpression.Bands(badExpression.FindBandByType(btDetail));
  auto& expression = static_cast<TVoRExpression&>(
      *detail.Controls(detail.AddControl(TVoRExpression::StaticClassInfo())));
  expression.SetExpression("Quantity * (");
  const std::string badReport = (folder_ / "bad.vor").string();
  badExpression.SaveToFile(badReport);

  const std::string out = (folder_ / "out.txt").string();
  const std::string missing = (folder_ / "missing.vor").string();
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } rows[] = {
      {{"run", missing, "--data", Csv(), "-o", out}, missing + ": no such file"},
      {{"run", report_, "--data", "nothing.csv", "-o", out}, "nothing.csv: no such file"},
      {{"run", report_, "--data", lacking, "-o", out},
       report_ + ": unknown field 'tblInvoiceLines.Discount': the data has no such field"},
      {{"run", report_, "--data", Csv(), "-o", (folder_ / "out.xyz").string()},
       (folder_ / "out.xyz").string() + ": unknown export format 'xyz' (known: txt, csv, emf, wmf, "
                                        "bmp, html, xml, xls, wk1, wq1, "
                                        "rtf, pdf, tiff, png)"},
      {{"run", parameterReport, "-o", out},
       parameterReport +
           ": No value given for the report parameter Region (give it as --param NAME=VALUE)"},
      {{"run", parameterReport, "--param", "Area=North", "-o", out},
       parameterReport + ": The report has no parameter Area"},
      {{"run", badReport, "--data", "sample", "-o", out},
       badReport +
           ": expression 'Quantity * (' in BandDetail: Expression expected but nothing found"},
  };
  for (const auto& row : rows) {
    const RunResult result = Run(row.arguments);
    EXPECT_EQ(result.exitCode, 1) << row.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "qr2vor: " + row.err + "\n");
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(folder_ / "out.xyz"));
  }
  // The answered parameter runs; the folder holds only the files made here.
  const RunResult answered = Run({"run", parameterReport, "--param", "Region=North", "-o", out});
  EXPECT_EQ(answered.exitCode, 0) << answered.err;
  EXPECT_TRUE(fs::exists(out));
}

// Without a detail band nothing moves to the next record; the run still ends, with the title
// and the summary once.
TEST_F(RunCommandTest, ReportWithoutDetailBandEnds) {
  TVoReport report(nullptr);
  report.ClearBands();
  for (const auto& [type, caption] :
       {std::pair{btReportTitle, "Title text"}, std::pair{btReportSummary, "Summary text"}}) {
    TVoRBand& band = *report.Bands(report.AddBand(type, true));
    band.SetHeight(30);
    auto& label =
        static_cast<TVoRLabel&>(*band.Controls(band.AddControl(TVoRLabel::StaticClassInfo())));
    label.SetDisplayName(caption);
    label.SetWidth(200);
    label.SetHeight(20);
  }
  const std::string file = (folder_ / "nodetail.vor").string();
  report.SaveToFile(file);
  const fs::path text = folder_ / "nodetail.txt";
  const RunResult run = Run({"run", file, "--data", "sample:3", "-o", text.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> printed;
  for (const std::string& line : Lines(ReadAll(text)))
    if (line.find_first_not_of(' ') != std::string::npos)
      printed.push_back(line.substr(line.find_first_not_of(' ')));
  EXPECT_EQ(printed, (std::vector<std::string>{"Title text", "Summary text"}));
}

// Parameters, system names and report variables are not fields; a data-set name before a field
// keeps fields of other data sets apart from the report's own.
TEST_F(RunCommandTest, FieldsLeaveOutParametersSystemNamesAndVariables) {
  TVoReport report(nullptr);
  report.Parameters()->Add()->SetName("Region");
  TVoRVariable& variable = *report.Variables()->Add();
  variable.SetName("Running");
  variable.SetExpression("Orders.Amount");
  TVoRBand& detail = *report.Bands(report.FindBandByType(btDetail));
  int left = 0;
  for (const char* text : {"Region + Name", "PageNo", "Orders.Amount * 2", "Running",
                           "Customers.City", "IIF(Kind = 2, 'two', Name)"}) {
    auto& control = static_cast<TVoRExpression&>(
        *detail.Controls(detail.AddControl(TVoRExpression::StaticClassInfo())));
    control.SetExpression(text);
    control.SetLeft(left);
    control.SetWidth(110);
    control.SetHeight(18);
    left += 120;
  }
  const std::string file = (folder_ / "names.vor").string();
  report.SaveToFile(file);
  const RunResult fields = Run({"fields", file});
  EXPECT_EQ(fields.exitCode, 0) << fields.err;
  EXPECT_EQ(fields.out, "Name\nAmount\nKind\nCustomers.City\n");
  EXPECT_EQ(Run({"fields", file, "--csv-header"}).out, "Name,Amount,Kind\n");
  // Sample data fills both data sets: Amount and Kind as numbers, texts counting the records.
  const fs::path text = folder_ / "names.txt";
  const RunResult run =
      Run({"run", file, "--data", "sample:3", "--param", "Region=North ", "-o", text.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string out = ReadAll(text);
  for (const char* part : {"North Name 1", "City 1", "North Name 3"})
    EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
}

}  // namespace
}  // namespace qr2vor
