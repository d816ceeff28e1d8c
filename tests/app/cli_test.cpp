#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using qr2vor::test::Quote;
using qr2vor::test::ReadAll;
using qr2vor::test::RunResult;

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              fmt::format("qr2vor_cli_{}_{}", ::getpid(),
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  RunResult Run(std::initializer_list<std::string> arguments) const {
    return qr2vor::test::RunTool(folder_, arguments);
  }

  fs::path folder_;
};

TEST_F(CliTest, HelpAndVersion) {
  const RunResult help = Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.err, "");
  for (const char* line : {"Usage: qr2vor COMMAND [ARGUMENTS]", "dump FILE",
                           "form2bin TEXT.dfm BINARY.dfm", "--help", "--version"}) {
    EXPECT_NE(help.out.find(line), std::string::npos) << line;
  }
  const RunResult version = Run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, std::string("qr2vor ") + QR2VOR_VERSION + "\n");
}

// The general help keeps every command on its line; each command's help has a line per option.
TEST_F(CliTest, EveryCommandHasItsOwnHelp) {
  const RunResult help = Run({"--help"});
  size_t start = 0;
  while (start < help.out.size()) {
    const size_t end = help.out.find('\n', start);
    EXPECT_LE(end - start, 100u) << help.out.substr(start, end - start);
    start = end + 1;
  }
  EXPECT_EQ(help.out.find("--ledger"), std::string::npos) << help.out;

  const RunResult convert = Run({"convert", "--help"});
  EXPECT_EQ(convert.exitCode, 0);
  EXPECT_EQ(convert.err, "");
  for (const char* line :
       {"Usage: qr2vor convert FORM.dfm REPORT.vor [OPTIONS]\n",
        "       qr2vor convert --batch SRC_DIR DST_DIR [OPTIONS]\n", "\n  --batch ",
        "\n  --ledger FILE.json ", "\n  --look-inside ", "\n  --ancestor BASE.dfm ",
        "\n  --find-ancestors ", "\n  --compatible ", "\n  --verbose "}) {
    EXPECT_NE(convert.out.find(line), std::string::npos) << line << "\n" << convert.out;
  }
  const RunResult mask = Run({"mask", "--help"});
  EXPECT_EQ(mask.exitCode, 0);
  EXPECT_NE(mask.out.find("\n  --width N "), std::string::npos) << mask.out;
  const RunResult dump = Run({"dump", "--help"});
  EXPECT_EQ(dump.out.find("Options:"), std::string::npos) << dump.out;
}

TEST_F(CliTest, WrongUsageExitsWithTwo) {
  const struct {
    std::initializer_list<std::string> arguments;
    const char* firstLine;
  } rows[] = {
      {{}, "qr2vor: no command given"},
      {{"frobnicate"}, "qr2vor: unknown command 'frobnicate'"},
      {{"dump"}, "qr2vor: dump expects FILE"},
      {{"dump", "a", "b"}, "qr2vor: dump expects FILE"},
      {{"form2bin", "a"}, "qr2vor: form2bin expects TEXT.dfm BINARY.dfm"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.firstLine);
    const RunResult result = Run(row.arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')), row.firstLine);
    EXPECT_NE(result.err.find("Usage: qr2vor"), std::string::npos);
  }
}

TEST_F(CliTest, DumpAndForm2BinRoundTrip) {
  const fs::path text = folder_ / "form.txt";
  const fs::path binary = folder_ / "form.dfm";
  WriteAll(text, "object A: TBc\n  X = 5\nend\n");
  const RunResult convert = Run({"form2bin", text.string(), binary.string()});
  EXPECT_EQ(convert.exitCode, 0) << convert.err;
  EXPECT_EQ(convert.out + convert.err, "");
  // Header: 0xFF, type 10, "TBC", flags 0x1030, size 16; then the stream.
  const std::string header("\xFF\x0A\x00TBC\x00\x30\x10\x10\x00\x00\x00", 13);
  const std::string stream("TPF0\x03TBc\x01\x41\x01X\x02\x05\x00\x00", 16);
  EXPECT_EQ(ReadAll(binary), header + stream);

  const RunResult dump = Run({"dump", binary.string()});
  EXPECT_EQ(dump.exitCode, 0);
  EXPECT_EQ(dump.out, "object A: TBc\n  X = 5\nend\n");
  EXPECT_EQ(dump.err, "");
}

TEST_F(CliTest, FailuresNameTheFileAndExitWithOne) {
  const fs::path missing = folder_ / "missing.dfm";
  const fs::path garbage = folder_ / "garbage.dfm";
  WriteAll(garbage, "not a form");
  const fs::path broken = folder_ / "broken.txt";
  WriteAll(broken, "object A: TB\n  X = (\n");
  const fs::path target = folder_ / "out.dfm";
  const fs::path good = folder_ / "good.txt";
  WriteAll(good, "object A: TB\nend\n");
  const fs::path unwritable = folder_ / "no" / "such" / "out.dfm";

  const struct {
    std::initializer_list<std::string> arguments;
    std::string err;
  } rows[] = {
      {{"dump", missing.string()},
       fmt::format("qr2vor: {0}: Cannot open file {0}\n", missing.string())},
      {{"dump", folder_.string()},
       fmt::format("qr2vor: {0}: Cannot open file {0}\n", folder_.string())},
      {{"dump", garbage.string()},
       fmt::format("qr2vor: {}: Invalid stream format\n", garbage.string())},
      {{"form2bin", broken.string(), target.string()},
       fmt::format("qr2vor: {}: Line 3: ')' expected\n", broken.string())},
      {{"form2bin", good.string(), unwritable.string()},
       fmt::format("qr2vor: {0}: Cannot create file {0}\n", unwritable.string())},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.err);
    const RunResult result = Run(row.arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, row.err);
  }
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(CliTest, InvoiceExampleMatchesItsTextForm) {
  const fs::path examples = fs::path(QR2VOR_SOURCE_DIR) / "examples";
  const fs::path built = folder_ / "invoice.dfm";
  const RunResult convert = Run({"form2bin", (examples / "invoice.txt").string(), built.string()});
  ASSERT_EQ(convert.exitCode, 0) << convert.err;
  EXPECT_EQ(ReadAll(built), ReadAll(examples / "invoice.dfm"));

  const RunResult dump = Run({"dump", (examples / "invoice.dfm").string()});
  EXPECT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_EQ(dump.out, ReadAll(examples / "invoice.txt"));
}

TEST_F(CliTest, ConvertPrintsTheWindowsTexts) {
  const fs::path form = (fs::path(QR2VOR_SOURCE_DIR) / "examples" / "invoice.dfm");
  const fs::path report = folder_ / "invoice.vor";
  const RunResult converted = Run({"convert", form.string(), report.string()});
  EXPECT_EQ(converted.exitCode, 0) << converted.err;
  EXPECT_EQ(converted.out, "File " + report.string() + " succesfully created\n");
  EXPECT_EQ(converted.err, "");
  const RunResult dump = Run({"dump", report.string()});
  EXPECT_NE(dump.out.find("BandType = btReportTitle"), std::string::npos) << dump.out;

  // A text form converts as the binary form it stands for, except with --compatible.
  const fs::path invoiceText = fs::path(QR2VOR_SOURCE_DIR) / "examples" / "invoice.txt";
  const RunResult fromText = Run({"convert", invoiceText.string(), report.string()});
  EXPECT_EQ(fromText.exitCode, 0) << fromText.err;
  EXPECT_EQ(fromText.out, "File " + report.string() + " succesfully created\n");
  const fs::path text = folder_ / "text.dfm";
  WriteAll(text, "object Form1: TForm1\nend\n");
  const RunResult failed =
      Run({"convert", "--compatible", text.string(), (folder_ / "text.vor").string()});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err, "Invalid stream format.\n");
  EXPECT_FALSE(fs::exists(folder_ / "text.vor"));

  const RunResult empty = Run({"convert", "", (folder_ / "empty.vor").string()});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.err, "Cannot open file \n");
}

// The report never replaces its own source form, under whatever path the form is named.
TEST_F(CliTest, ConvertRefusesTheSourceAsDestination) {
  const fs::path form = folder_ / "invoice.dfm";
  fs::copy_file(fs::path(QR2VOR_SOURCE_DIR) / "examples" / "invoice.dfm", form);
  const std::string bytes = ReadAll(form);
  fs::create_directories(folder_ / "sub");
  fs::create_hard_link(form, folder_ / "link.dfm");
  for (const fs::path& destination :
       {form, folder_ / "sub" / ".." / "invoice.dfm", folder_ / "link.dfm"}) {
    SCOPED_TRACE(destination.string());
    const RunResult result = Run({"convert", form.string(), destination.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "Cannot create file " + destination.string() + ": it is the source form file.\n");
    EXPECT_EQ(ReadAll(form), bytes);
  }
}

// A form read in part converts, and says so on one line after the success line.
TEST_F(CliTest, PartialReadIsTold) {
  const fs::path text = folder_ / "partial.txt";
  const fs::path form = folder_ / "src" / "partial.dfm";
  fs::create_directories(form.parent_path());
  WriteAll(text,
           "object Form1: TForm1\n  object QuickRep1: TQuickRep\n    object Band1: TQRBand\n"
           "      BandType = rbTitle\n      Mystery = 5\n      object Odd1: TOddControl\n"
           "        object Inner: TQRLabel\n        end\n      end\n"
           "      object QRLabel1: TQRLabel\n        Caption = 'kept'\n        Nope = 'x'\n"
           "      end\n    end\n  end\nend\n");
  ASSERT_EQ(Run({"form2bin", text.string(), form.string()}).exitCode, 0);
  const fs::path report = folder_ / "partial.vor";
  const RunResult converted = Run({"convert", form.string(), report.string()});
  EXPECT_EQ(converted.exitCode, 0);
  EXPECT_EQ(converted.out, "File " + report.string() + " succesfully created\n");
  EXPECT_EQ(converted.err, "qr2vor: " + form.string() +
                               ": read in part: 1 object and 2 values skipped; --ledger lists "
                               "them\n");
  const RunResult batch =
      Run({"convert", "--batch", form.parent_path().string(), (folder_ / "dst").string()});
  EXPECT_EQ(batch.exitCode, 0);
  EXPECT_EQ(batch.out, "Converted: 1, without report: 0, failed: 0\n");
  EXPECT_EQ(batch.err, form.string() +
                           ": read in part: 1 object and 2 values skipped; --ledger lists them.\n");
}

TEST_F(CliTest, ConvertWithoutReportIsQuietUnlessVerbose) {
  const fs::path form = folder_ / "plain.dfm";
  const fs::path text = folder_ / "plain.txt";
  WriteAll(text, "object Form1: TForm1\n  Caption = 'no report'\nend\n");
  ASSERT_EQ(Run({"form2bin", text.string(), form.string()}).exitCode, 0);
  const RunResult quiet = Run({"convert", form.string(), (folder_ / "plain.vor").string()});
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
  const RunResult verbose =
      Run({"convert", "--verbose", form.string(), (folder_ / "plain.vor").string()});
  EXPECT_EQ(verbose.exitCode, 0);
  EXPECT_EQ(verbose.out,
            form.string() + ": the form holds no QuickReport report; nothing written\n");
  EXPECT_FALSE(fs::exists(folder_ / "plain.vor"));
}

// One form converts, one is a text form and fails (text forms are refused with --compatible),
// one holds no report: the run goes on, keeps
// relative paths, sums up, writes one ledger and exits with 1.
TEST_F(CliTest, BatchGoesOnAfterFailuresAndSumsUp) {
  const fs::path source = folder_ / "src";
  fs::create_directories(source / "sub");
  fs::copy_file(fs::path(QR2VOR_SOURCE_DIR) / "examples" / "invoice.dfm",
                source / "sub" / "invoice.dfm");
  WriteAll(source / "text.dfm", "object Form1: TForm1\nend\n");
  const fs::path plainText = folder_ / "plain.txt";
  WriteAll(plainText, "object Form1: TForm1\nend\n");
  ASSERT_EQ(Run({"form2bin", plainText.string(), (source / "plain.QR2").string()}).exitCode, 0);
  WriteAll(source / "notes.txt", "not a form");
  const fs::path ledger = folder_ / "ledger.json";
  const RunResult batch = Run({"convert", "--batch", "--compatible", source.string(),
                               (folder_ / "dst").string(), "--ledger", ledger.string()});
  EXPECT_EQ(batch.exitCode, 1);
  EXPECT_EQ(batch.out, "Converted: 1, without report: 1, failed: 1\n");
  EXPECT_EQ(batch.err, (source / "text.dfm").string() + ": Invalid stream format.\n");
  EXPECT_TRUE(fs::exists(folder_ / "dst" / "sub" / "invoice.vor"));
  EXPECT_FALSE(fs::exists(folder_ / "dst" / "text.vor"));
  EXPECT_FALSE(fs::exists(folder_ / "dst" / "plain.vor"));
  const std::string json = ReadAll(ledger);
  EXPECT_NE(json.find(R"("converted": 1)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("outcome": "failed")"), std::string::npos);
  EXPECT_NE(json.find(R"("message": "Invalid stream format")"), std::string::npos);
}

TEST_F(CliTest, ScanListsFormsWithReports) {
  const fs::path source = folder_ / "src";
  fs::create_directories(source);
  fs::copy_file(fs::path(QR2VOR_SOURCE_DIR) / "examples" / "invoice.dfm", source / "a.dfm");
  fs::copy_file(fs::path(QR2VOR_SOURCE_DIR) / "examples" / "invoice.txt", source / "b.dfm");
  WriteAll(source / "c.dfm", "object Form1: TForm1\nend\n");
  WriteAll(source / "d.dfm",
           "object Form1: TForm1\n  object Panel1: TPanel\n    object Q: TQuickRep\n"
           "    end\n  end\nend\n");
  const RunResult scan = Run({"scan", source.string()});
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  const std::string invoiceLine = ": report qrInvoice: 7 bands, 15 controls; will not carry: ";
  EXPECT_NE(scan.out.find((source / "a.dfm").string() + invoiceLine), std::string::npos)
      << scan.out;
  EXPECT_NE(scan.out.find((source / "b.dfm").string() + " (text form)" + invoiceLine),
            std::string::npos)
      << scan.out;
  EXPECT_EQ(scan.out.find((source / "c.dfm").string()), std::string::npos) << scan.out;
  EXPECT_NE(
      scan.out.find((source / "d.dfm").string() + " (text form): no report converted; unknown "
                                                  "classes: TPanel"),
      std::string::npos)
      << scan.out;
  EXPECT_NE(scan.out.find("With a report: 2, without: 2, failing: 0\n"), std::string::npos);
  const RunResult inside = Run({"scan", source.string(), "--look-inside"});
  EXPECT_NE(inside.out.find("With a report: 3, without: 1, failing: 0\n"), std::string::npos)
      << inside.out;
}

}  // namespace

// Report designers try masks and expressions from the shell; the answers are worked out by hand.
TEST_F(CliTest, MaskAndEvalPrintTheirResults) {
  const struct {
    std::initializer_list<std::string> arguments;
    const char* out;
  } rows[] = {
      {{"mask", "1234.5", "@N "}, "1,234.50\n"},
      {{"mask", "-1234.567", "@N @ND1 @NT, @NR0.1 "}, "-1,234.6\n"},
      {{"mask", "42", "@N @NL ", "--width", "6"}, "042.00\n"},
      {{"mask", "abc", "@C @U "}, "ABC\n"},
      {{"eval", "1 + 2 * 3"}, "7\n"},
      {{"eval", "'a' + 'b'"}, "ab\n"},
      {{"eval", "1 = 1"}, "True\n"},
      {{"eval", "NULL"}, "\n"},
  };
  for (const auto& row : rows) {
    const RunResult result = Run(row.arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, row.out) << *row.arguments.begin();
  }
  WriteAll(folder_ / "lines.csv", "Name,Qty\nApple,3\nPear,5\n");
  const RunResult first = Run({"eval", "Qty * 2", "--csv", (folder_ / "lines.csv").string()});
  EXPECT_EQ(first.out, "6\n") << first.err;

  // Data text arrives in the process code page: one byte per character.
  WriteAll(folder_ / "names.csv", "Name\nM\xC3\xBCller \xE4\xB8\xAD\n");
  const std::string names = (folder_ / "names.csv").string();
  const RunResult ord = Run({"eval", "ORD(SUBSTRING(Name, 2, 1))", "--csv", names});
  EXPECT_EQ(ord.out, "252\n");
  EXPECT_EQ(ord.err, "qr2vor: " + names +
                         ": 1 characters that code page 1252 cannot hold were read as '?'\n");
  const RunResult text = Run({"eval", "UPPER(Name) + '\xE2\x82\xAC'", "--csv", names});
  EXPECT_EQ(text.out, "M\xC3\xBCLLER ?\xE2\x82\xAC\n");
  const RunResult cyrillic =
      Run({"--codepage", "1251", "eval", "ORD(SUBSTRING('\xD0\x96', 1, 1))"});
  EXPECT_EQ(cyrillic.out, "198\n") << cyrillic.err;

  const RunResult missing = Run({"eval", "Nope", "--csv", (folder_ / "lines.csv").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "qr2vor: Field 'Nope' not found\n");
  const RunResult broken = Run({"eval", "1 +"});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_EQ(broken.err, "qr2vor: Expression expected but nothing found\n");
}

// An inherited form converts with its ancestor named on the command line, or found through the
// unit that declares its class.
TEST_F(CliTest, ConvertWithAncestors) {
  WriteAll(folder_ / "base.dfm",
           "object BaseForm: TBaseForm\n  object QuickRep1: TQuickRep\n"
           "    object TitleBand1: TQRBand\n      BandType = rbTitle\n"
           "      object QRLabel1: TQRLabel\n        Caption = 'Base title'\n      end\n"
           "    end\n  end\nend\n");
  WriteAll(folder_ / "child.txt",
           "inherited ChildForm: TChildForm\n  inherited QuickRep1: TQuickRep\n"
           "    inherited TitleBand1: TQRBand\n      inherited QRLabel1: TQRLabel\n"
           "        Caption = 'Child title'\n      end\n    end\n  end\nend\n");
  const fs::path child = folder_ / "child.dfm";
  ASSERT_EQ(Run({"form2bin", (folder_ / "child.txt").string(), child.string()}).exitCode, 0);

  const fs::path report = folder_ / "child.vor";
  const RunResult given = Run(
      {"convert", "--ancestor", (folder_ / "base.dfm").string(), child.string(), report.string()});
  EXPECT_EQ(given.exitCode, 0) << given.err;
  EXPECT_EQ(given.out, "File " + report.string() + " succesfully created\n");
  EXPECT_NE(Run({"dump", report.string()}).out.find("DisplayName = 'Child title'"),
            std::string::npos);

  WriteAll(folder_ / "child.pas",
           "unit child;\ninterface\ntype\n  TChildForm = class(TBaseForm)\n"
           "  end;\nimplementation\nend.\n");
  WriteAll(folder_ / "base.pas",
           "unit base;\ninterface\ntype\n  TBaseForm = class(TForm)\n"
           "  end;\nimplementation\nend.\n");
  fs::remove(report);
  const RunResult found = Run({"convert", "--find-ancestors", child.string(), report.string()});
  EXPECT_EQ(found.exitCode, 0) << found.err;
  EXPECT_NE(Run({"dump", report.string()}).out.find("DisplayName = 'Child title'"),
            std::string::npos);
}
