#include "stream/text_form.h"

#include <filesystem>
#include <initializer_list>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

using namespace std::string_literals;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (const int b : bytes) out += static_cast<char>(b);
  return out;
}

// A short string: length byte and text.
std::string Str(std::string_view text) {
  return static_cast<char>(text.size()) + std::string(text);
}

// A root "F1: TForm" holding one property P with the given value bytes.
std::string RootWithValue(const std::string& value) {
  return "TPF0" + Str("TForm") + Str("F1") + Str("P") + value + Bytes({0, 0});
}

std::string Dump(const std::string& stream) {
  TMemoryStream input(stream);
  return ObjectBinaryToText(input);
}

std::string Parse(std::string_view text) {
  TMemoryStream output;
  ObjectTextToBinary(text, output);
  return output.Bytes();
}

class TextFormTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProcessCodePage(1252); }
};

struct ValueRow {
  const char* what;
  std::string bytes;  // the value: tag and payload
  std::string text;   // what follows "  P =" up to the end of the line(s)
};

TEST_F(TextFormTest, RendersEveryValueTag) {
  const ValueRow rows[] = {
      {"Int8", Bytes({2, 0x7F}), " 127"},
      {"Int8 negative", Bytes({2, 0xFF}), " -1"},
      {"Int16", Bytes({3, 0x00, 0x80}), " -32768"},
      {"Int32", Bytes({4, 0x00, 0x00, 0x01, 0x00}), " 65536"},
      // Floats as the toolkit writes them: 16 significant digits, 18 decimals.
      {"Extended 1.5", Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}), " 1.500000000000000000"},
      {"Extended 0.1 of a double",
       Bytes({5, 0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}),
       " 0.100000000000000000"},
      {"Extended 1899.708333333333",
       Bytes({5, 0xF0, 0x9E, 0xAA, 0xAA, 0xAA, 0xAA, 0x76, 0xED, 0x09, 0x40}),
       " 1899.708333333333000000"},
      {"Extended whole", Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x40}),
       " 2.000000000000000000"},
      {"Extended 0", Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), " 0.000000000000000000"},
      {"String", Bytes({6}) + Str("it's"), " 'it''s'"},
      {"String with codes", Bytes({6, 5, 'a', 13, 10, 'b', 0xE9}), " 'a'#13#10'b'#233"},
      {"String empty", Bytes({6, 0}), " ''"},
      {"Ident", Bytes({7}) + Str("clWhite"), " clWhite"},
      {"False", Bytes({8}), " False"},
      {"True", Bytes({9}), " True"},
      {"Binary", Bytes({10, 3, 0, 0, 0, 0x01, 0xAB, 0xFF}), " {\n    01ABFF}"},
      {"Binary empty", Bytes({10, 0, 0, 0, 0}), " {}"},
      {"Set", Bytes({11}) + Str("fsBold") + Str("fsItalic") + Bytes({0}), " [fsBold, fsItalic]"},
      {"Set empty", Bytes({11, 0}), " []"},
      {"LString", Bytes({12, 3, 0, 0, 0, 'a', 'b', 'c'}), " 'abc'"},
      {"Nil", Bytes({13}), " nil"},
      {"List", Bytes({1, 2, 1, 6, 1, 'a', 0}), " (\n    1\n    'a')"},
      {"List nested", Bytes({1, 1, 2, 7, 0, 0}), " (\n    (\n      7))"},
      {"List empty", Bytes({1, 0}), " ()"},
      // The second item carries an index (Int8 3), which is not shown.
      {"Collection", Bytes({14, 1}) + Str("N") + Bytes({2, 5, 0, 2, 3, 1, 0, 0}),
       " <\n    item\n      N = 5\n    end\n    item\n    end>"},
      {"Collection empty", Bytes({14, 0}), " <>"},
      {"Single 0.5", Bytes({15, 0x00, 0x00, 0x00, 0x3F}), " 0.500000000000000000"},
      {"Currency 1.5 (15000)", Bytes({16, 0x98, 0x3A, 0, 0, 0, 0, 0, 0}), " 1.500000000000000000"},
      {"Date 41412", Bytes({17, 0, 0, 0, 0, 0x80, 0x38, 0xE4, 0x40}), " 41412.000000000000000000"},
      {"WString A and euro sign", Bytes({18, 2, 0, 0, 0, 'A', 0, 0xAC, 0x20}), " 'A'#128"},
      {"Int64", Bytes({19, 0, 0, 0, 0, 1, 0, 0, 0}), " 4294967296"},
      {"UTF8String", Bytes({20, 3, 0, 0, 0, 0xC3, 0xA9, 'x'}), " #233'x'"},
      {"Double -2.25", Bytes({21, 0, 0, 0, 0, 0, 0, 0x02, 0xC0}), " -2.250000000000000000"},
      {"Double 1e300", Bytes({21, 0x9C, 0x75, 0x00, 0x88, 0x3C, 0xE4, 0x37, 0x7E}), " 1E300"},
      {"Double 1.5e-7", Bytes({21, 0x76, 0x83, 0x0D, 0xF4, 0xF5, 0x21, 0x84, 0x3E}), " 1.5E-7"},
      {"Null", Bytes({0}), " Null"},
  };
  for (const ValueRow& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Dump(RootWithValue(row.bytes)), "object F1: TForm\n  P =" + row.text + "\nend\n");
  }
}

TEST_F(TextFormTest, SplitsLongStringsAndBinaries) {
  const std::string seventy(70, 'a');
  EXPECT_EQ(Dump(RootWithValue(Bytes({6}) + Str(seventy))),
            "object F1: TForm\n  P =\n    '" + std::string(63, 'a') + "' +\n    'aaaaaaa'\nend\n");
  // As a list item, the pieces stay at the item's indentation.
  EXPECT_EQ(
      Dump(RootWithValue(Bytes({1, 6}) + Str(seventy) + Bytes({0}))),
      "object F1: TForm\n  P = (\n    '" + std::string(63, 'a') + "' +\n    'aaaaaaa')\nend\n");
  std::string binary = Bytes({10, 33, 0, 0, 0});
  for (int i = 0; i < 33; ++i) binary += static_cast<char>(i);
  EXPECT_EQ(Dump(RootWithValue(binary)),
            "object F1: TForm\n  P = {\n    "
            "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n    20}\nend\n");
}

TEST_F(TextFormTest, RendersObjectHeaders) {
  const struct {
    std::string header;  // prefix, class and name
    const char* text;
  } rows[] = {
      {Str("TForm") + Str("F1"), "object F1: TForm"},
      {Str("TForm") + Str(""), "object TForm"},
      {Bytes({0xF1}) + Str("TForm") + Str("F1"), "inherited F1: TForm"},
      {Bytes({0xF2, 2, 3}) + Str("TForm") + Str("F1"), "object F1: TForm [3]"},
      {Bytes({0xF3, 3, 0x00, 0x01}) + Str("TForm") + Str("F1"), "inherited F1: TForm [256]"},
      {Bytes({0xF4}) + Str("TFrame1") + Str("Frame"), "inline Frame: TFrame1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Dump("TPF0" + row.header + Bytes({0, 0})), std::string(row.text) + "\nend\n");
  }
  const std::string nested = "TPF0" + Str("TForm") + Str("F1") + Bytes({0}) + Str("TQRBand") +
                             Str("B") + Str("Font.Name") + Bytes({6}) + Str("Arial") + Bytes({0}) +
                             Bytes({0xF1}) + Str("TQRLabel") + Str("L") + Bytes({0, 0, 0, 0});
  EXPECT_EQ(Dump(nested),
            "object F1: TForm\n"
            "  object B: TQRBand\n"
            "    Font.Name = 'Arial'\n"
            "    inherited L: TQRLabel\n"
            "    end\n"
            "  end\n"
            "end\n");
}

TEST_F(TextFormTest, BrokenStreamsFailWithTheReadersMessages) {
  const std::string valid =
      RootWithValue(Bytes({1, 6}) + Str("abc") + Bytes({10, 2, 0, 0, 0, 1, 2, 0}));
  for (size_t length = 0; length < valid.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_THROW(Dump(valid.substr(0, length)), EReadError);
  }
  const struct {
    const char* what;
    std::string stream;
    const char* message;
  } rows[] = {
      {"bad signature", "TPF1" + Str("TForm") + Str("F1") + Bytes({0, 0}), "Invalid stream format"},
      {"unknown tag", RootWithValue(Bytes({22})), "Invalid stream format"},
      {"binary longer than the stream", RootWithValue(Bytes({10, 0xFF, 0xFF, 0xFF, 0x7F})),
       "Stream read error"},
      {"collection item without list tag", RootWithValue(Bytes({14, 6, 0})),
       "Invalid stream format"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    try {
      Dump(row.stream);
      ADD_FAILURE() << "no exception";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
  }
}

std::string Ext(std::initializer_list<int> tenBytes) { return Bytes({5}) + Bytes(tenBytes); }

TEST_F(TextFormTest, ParsesEveryValueForm) {
  const struct {
    const char* text;
    std::string bytes;
  } rows[] = {
      {"127", Bytes({2, 0x7F})},
      {"128", Bytes({3, 0x80, 0x00})},
      {"-32768", Bytes({3, 0x00, 0x80})},
      {"-32769", Bytes({4, 0xFF, 0x7F, 0xFF, 0xFF})},
      {"-2147483648", Bytes({4, 0x00, 0x00, 0x00, 0x80})},
      {"$FFFFFFFF", Bytes({2, 0xFF})},
      {"-$10", Bytes({2, 0xF0})},
      {"1.5", Ext({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})},
      // Decimal text straight to the 80-bit value, correctly rounded: through a double the low
      // bits would come out 00 A0 and 00 D0.
      {"1899.708333333333000000",
       Ext({0xF0, 0x9E, 0xAA, 0xAA, 0xAA, 0xAA, 0x76, 0xED, 0x09, 0x40})},
      {"0.1", Ext({0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F})},
      {"15E-1", Ext({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})},
      {"41412d", Ext({0, 0, 0, 0, 0, 0, 0xC4, 0xA1, 0x0E, 0x40})},
      {"-2.0c", Ext({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0})},
      {"'it''s'", Bytes({6}) + Str("it's")},
      {"'a'#13#10'b'", Bytes({6, 4, 'a', 13, 10, 'b'})},
      {"'ab' +\n    'cd'", Bytes({6}) + Str("abcd")},
      {"#233#$41", Bytes({6, 2, 0xE9, 'A'})},
      {"#8364", Bytes({6, 1, 0x80})},  // the euro sign in Windows-1252
      {"#20320", Bytes({6, 1, '?'})},  // not in the code page
      {"''", Bytes({6, 0})},
      {"true", Bytes({9})},
      {"FALSE", Bytes({8})},
      {"NIL", Bytes({13})},
      {"clRed", Bytes({7}) + Str("clRed")},
      {"dm.Table1", Bytes({7}) + Str("dm.Table1")},
      {"Null", Bytes({0})},
      {"[]", Bytes({11, 0})},
      {"[a, b]", Bytes({11}) + Str("a") + Str("b") + Bytes({0})},
      {"()", Bytes({1, 0})},
      {"(1 'x' (2))", Bytes({1, 2, 1, 6, 1, 'x', 1, 2, 2, 0, 0})},
      {"{}", Bytes({10, 0, 0, 0, 0})},
      {"{0aFF\n    10}", Bytes({10, 3, 0, 0, 0, 0x0A, 0xFF, 0x10})},
      {"<>", Bytes({14, 0})},
      {"<\n  item\n    N = 1\n  end\n  item [2]\n  end>",
       Bytes({14, 1}) + Str("N") + Bytes({2, 1, 0, 1, 0, 0})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Parse(fmt::format("object F1: TForm\n  P = {}\nend\n", row.text)),
              RootWithValue(row.bytes));
  }
  const std::string longText(256, 'x');
  EXPECT_EQ(Parse("object F1: TForm\n  P = '" + longText + "'\nend"),
            RootWithValue(Bytes({12, 0x00, 0x01, 0x00, 0x00}) + longText));
}

TEST_F(TextFormTest, ParsesObjectHeadersAndStructure) {
  EXPECT_EQ(Parse("inherited A: TB [2]\nend"),
            "TPF0" + Bytes({0xF3, 2, 2}) + Str("TB") + Str("A") + Bytes({0, 0}));
  EXPECT_EQ(Parse("inline A: TB\nend"),
            "TPF0" + Bytes({0xF4}) + Str("TB") + Str("A") + Bytes({0, 0}));
  const std::string longName(255, 'N');
  EXPECT_EQ(Parse("object " + longName + ": TB\nend"),
            "TPF0" + Str("TB") + Str(longName) + Bytes({0, 0}));
  EXPECT_EQ(Parse("object TB [300]\nend"),
            "TPF0" + Bytes({0xF2, 3, 0x2C, 0x01}) + Str("TB") + Str("") + Bytes({0, 0}));
  // Keywords are not case-sensitive, and a keyword followed by '=' is a property name.
  EXPECT_EQ(Parse("OBJECT A: TB\r\n\tEnd = 1\r\n  Object C: TD\r\n  END\r\nend"),
            "TPF0" + Str("TB") + Str("A") + Str("End") + Bytes({2, 1, 0}) + Str("TD") + Str("C") +
                Bytes({0, 0, 0}));
  // A byte order mark makes quoted text UTF-8.
  EXPECT_EQ(Parse("\xEF\xBB\xBFobject A: TB\n  P = '\xC3\xA9'\nend"),
            "TPF0" + Str("TB") + Str("A") + Str("P") + Bytes({6, 1, 0xE9, 0, 0}));
}

TEST_F(TextFormTest, ParserErrorsNameTheLine) {
  const struct {
    std::string text;
    const char* message;
  } rows[] = {
      {"", "Line 1: 'object' expected"},
      {"object A: TB\nend\nobject C: TD\nend\n", "Line 3: Only one root object is allowed"},
      {"object A: TB\nend\nfoo", "Line 3: End of file expected"},
      {"object : TB\nend", "Line 1: Identifier expected"},
      {"object A: TB [x]\nend", "Line 1: Integer expected"},
      {"object A: TB\n  X = )\nend", "Line 2: Property value expected"},
      {"object A: TB\n  X = 'abc\nend", "Line 2: Unterminated string"},
      {"object A: TB\n  X = 'a' + 5\nend", "Line 2: String expected"},
      {"object A: TB\n  X = #\nend", "Line 2: Invalid character code"},
      {"object A: TB\n  X = [a b]\nend", "Line 2: ']' expected"},
      {"object A: TB\n  X = (1\n", "Line 3: ')' expected"},
      {"object A: TB\n  X = (Null)\nend", "Line 2: Null is not allowed in a list"},
      {"object A: TB\n  X = {0G}\nend", "Line 2: Invalid binary value"},
      {"object A: TB\n  X = {012}\nend", "Line 2: Invalid binary value"},
      {"object A: TB\n  X = {01", "Line 2: '}' expected"},
      {"object A: TB\n  X = <foo>\nend", "Line 2: 'item' expected"},
      {"object A: TB\n  X = <item X = 1>\nend", "Line 2: 'end' expected"},
      {"object A: TB\n  X = 2147483648\nend", "Line 2: Integer value out of range"},
      {"object A: TB\n  X = $100000000\nend", "Line 2: Integer value out of range"},
      {"object A: TB\n  X = 1E5000\nend", "Line 2: Float value out of range"},
      {"object A: TB\n  X = 12abc\nend", "Line 2: Invalid number"},
      {"object A: TB\n  X ~ 1\nend", "Line 2: Invalid character '~'"},
      {"object A: TB\n  X = 1\n", "Line 3: 'end' expected"},
      {"object A: TB\n  object C: TD\n  end\n  Y = 2\nend", "Line 4: 'end' expected"},
      {"object A: " + std::string(240, 'T') + "\nend", "Line 1: Identifier too long"},
      {"object " + std::string(240, 'T') + "\nend", "Line 1: Identifier too long"},
      {"object " + std::string(256, 'N') + ": TB\nend", "Line 1: Identifier too long"},
      {"object A: TB\n  " + std::string(256, 'P') + " = 1\nend", "Line 2: Identifier too long"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    try {
      Parse(row.text);
      ADD_FAILURE() << "no exception";
    } catch (const EParserError& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
  }
}

TEST_F(TextFormTest, ParseErrorLeavesOutputUntouched) {
  TMemoryStream output;
  EXPECT_THROW(ObjectTextToBinary("object A: TB\n  X = (\nend", output), EParserError);
  EXPECT_EQ(output.Bytes(), "");
}

std::string NestedObjects(int levels) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += "object TB\n";
  for (int i = 0; i < levels; ++i) text += "end\n";
  return text;
}

TEST_F(TextFormTest, DeepNestingIsRefused) {
  // The root and 256 levels below it are accepted, as the reader accepts them.
  const std::string deepest = Parse(NestedObjects(257));
  EXPECT_EQ(Dump(deepest), [] {
    std::string text;
    for (int i = 0; i < 257; ++i) text += std::string(2 * i, ' ') + "object TB\n";
    for (int i = 256; i >= 0; --i) text += std::string(2 * i, ' ') + "end\n";
    return text;
  }());
  try {
    Parse(NestedObjects(258));
    ADD_FAILURE() << "no exception";
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), "Line 258: Nesting deeper than 256 levels");
  }
  EXPECT_THROW(Parse("object A: TB\n  P = " + std::string(100000, '(')), EParserError);
  EXPECT_THROW(Parse("object A: TB\n  P = " + std::string(100000, '<')), EParserError);

  std::string lists = RootWithValue(std::string(300, '\x01'));
  try {
    Dump(lists);
    ADD_FAILURE() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid stream format");
  }
  std::string objects = "TPF0";
  for (int i = 0; i < 100000; ++i) objects += Str("TB") + Str("") + Bytes({0});
  EXPECT_THROW(Dump(objects), EReadError);
}

TEST_F(TextFormTest, RoundTripsTextThroughBinary) {
  const std::string fixture =
      "inherited frmMain: TfrmMain\n"
      "  Left = -5\n"
      "  Width = 40000\n"
      "  Ratio = 0.100000000000000000\n"
      "  Big = 1E300\n"
      "  Tiny = 5E-324\n"
      "  Zero = -0.000000000000000000\n"
      "  Caption = 'O''Brien'#9'&'#200\n"
      "  Lines.Strings = (\n"
      "    'one'\n"
      "    ''\n"
      "    (\n"
      "      1\n"
      "      2.500000000000000000)\n"
      "    [])\n"
      "  Long =\n"
      "    '" +
      std::string(63, 'z') +
      "' +\n"
      "    'tail'\n"
      "  Picture.Data = {\n"
      "    0102}\n"
      "  Font.Style = [fsBold, fsUnderline]\n"
      "  Empty = <>\n"
      "  Columns = <\n"
      "    item\n"
      "      Title.Caption = 'A'\n"
      "      Visible = False\n"
      "    end\n"
      "    item\n"
      "    end>\n"
      "  Value = Null\n"
      "  OnClick = FormClick\n"
      "  DataSet = nil\n"
      "  inline fraTop: TfraTop [0]\n"
      "    object TLabel\n"
      "    end\n"
      "  end\n"
      "end\n";
  EXPECT_EQ(Dump(Parse(fixture)), fixture);
}

TEST_F(TextFormTest, FormFilesReportFilesAndBareStreams) {
  const std::string stream = "TPF0" + Str("TBc") + Str("A") + Bytes({0, 0});
  const std::string header =
      Bytes({0xFF, 0x0A, 0x00}) + "TBC" + Bytes({0, 0x30, 0x10, 12, 0, 0, 0});
  EXPECT_EQ(TextToFormFile("object A: TBc\nend"), header + stream);
  EXPECT_EQ(FormFileToText(header + stream), "object A: TBc\nend\n");
  EXPECT_EQ(FormFileToText(stream), "object A: TBc\nend\n");
  // A report file: the length of its text header, the text, then the resource header.
  const std::string reportText = "VoReport file";
  const std::string report = Bytes({13, 0, 0, 0}) + reportText + header + stream;
  EXPECT_EQ(FormFileToText(report), "object A: TBc\nend\n");
  // A 0xFF 0x0A pair that does not lead to a signature is passed over.
  EXPECT_EQ(FormFileToText(Bytes({0xFF, 0x0A, 'X', 0}) + header + stream), "object A: TBc\nend\n");

  for (const std::string& bad :
       {""s, "object A: TB\nend\n"s, Bytes({0xFF, 0x0A, 0}) + "TBC" + Bytes({0, 0x30, 0x10})}) {
    try {
      FormFileToText(bad);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidImage& e) {
      EXPECT_EQ(e.Message(), "Invalid stream format");
    }
  }
  // The resource name is the class name in upper case, cut to 63 characters.
  const std::string longClass(70, 'k');
  const std::string file = TextToFormFile("object " + longClass + "\nend");
  EXPECT_EQ(file.substr(3, 64), std::string(63, 'K') + '\0');
}

TEST_F(TextFormTest, Corpus) {
  namespace fs = std::filesystem;
  const fs::path corpus = fs::path(QR2VOR_CORPUS_DIR) / "qr";
  if (!fs::is_directory(corpus / "binary") || !fs::is_directory(corpus / "text")) {
    GTEST_SKIP() << "corpus not found at " << corpus;
  }
  int binaries = 0;
  for (const auto& entry : fs::directory_iterator(corpus / "binary")) {
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_NO_THROW(FormFileToText(LoadFile(entry.path().string())));
    ++binaries;
  }
  int texts = 0;
  int identical = 0;
  for (const auto& entry : fs::directory_iterator(corpus / "text")) {
    SCOPED_TRACE(entry.path().filename().string());
    ++texts;
    try {
      const std::string first = TextToFormFile(LoadFile(entry.path().string()));
      const std::string second = TextToFormFile(FormFileToText(first));
      EXPECT_EQ(first, second);
      if (first == second) ++identical;
    } catch (const Exception& e) {
      ADD_FAILURE() << e.Message();
    }
  }
  fmt::print("corpus: {} binary forms dumped; {} of {} text forms round-trip to identical bytes\n",
             binaries, identical, texts);
  EXPECT_GT(binaries, 0);
  EXPECT_GT(texts, 0);
}

}  // namespace
}  // namespace qr2vor
