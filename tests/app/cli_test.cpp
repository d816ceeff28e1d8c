#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode;
  std::string out;
  std::string err;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Quote(const std::string& argument) {
  std::string quoted = "'";
  for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
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
    std::string command = Quote(QR2VOR_BINARY);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    const fs::path out = folder_ / "stdout";
    const fs::path err = folder_ / "stderr";
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
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

}  // namespace
