#include "rtl/codepage.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProcessCodePage(1252); }
  void TearDown() override {
    SetProcessCodePage(1252);
    unsetenv(kCodePageVariable);
  }
};

// Bytes worked out from the code page charts.
struct EncodeRow {
  int codePage;
  const char* utf8;
  std::string expected;
};

TEST_F(CodePageTest, EncodesUtf8IntoEachCodePage) {
  const EncodeRow rows[] = {
      {1252, "M\xC3\xBCller \xE2\x82\xAC", "M\xFCller \x80"},
      {1250, "\xC5\x81\xC3\xB3\xC5\xBA", "\xA3\xF3\x9F"},     // Łóź
      {1251, "\xD0\x9F\xD1\x80\xD0\xB8", "\xCF\xF0\xE8"},     // При
      {1253, "\xCE\xA9", "\xD9"},                             // Ω
      {1254, "\xC4\x9F", "\xF0"},                             // ğ
      {1255, "\xD7\x90", "\xE0"},                             // א
      {1256, "\xD8\xA8", "\xC8"},                             // ب
      {1257, "\xC4\x85", "\xE0"},                             // ą
      {874, "\xE0\xB8\x81", "\xA1"},                          // ก
      {932, "\xE6\x97\xA5\xEF\xBD\xB1", "\x93\xFA\xB1"},      // 日, half-width ｱ
      {936, "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},  // 中文
      {949, "\xED\x95\x9C", "\xC7\xD1"},                      // 한
      {950, "\xE4\xB8\xAD", "\xA4\xA4"},                      // 中
  };
  for (const EncodeRow& row : rows) {
    size_t lost = 0;
    EXPECT_EQ(Utf8ToCodePage(row.utf8, row.codePage, &lost), row.expected) << row.codePage;
    EXPECT_EQ(lost, 0u) << row.codePage;
    EXPECT_EQ(CodePageToUtf8(row.expected, row.codePage, &lost), row.utf8) << row.codePage;
    EXPECT_EQ(lost, 0u) << row.codePage;
  }
}

TEST_F(CodePageTest, CountsWhatCannotBeHeld) {
  size_t lost = 0;
  // 中 and an emoji do not fit Windows-1252, a lone continuation byte is malformed.
  EXPECT_EQ(Utf8ToCodePage("a\xE4\xB8\xAD"
                           "b\xF0\x9F\x98\x80\x80"
                           "c",
                           1252, &lost),
            "a?b??c");
  EXPECT_EQ(lost, 3u);
  lost = 0;
  EXPECT_EQ(Utf16ToCodePage(u"\u0416\xFC\U0001F600\xD800x", 1251, &lost),
            "\xC6??"
            "?x");
  EXPECT_EQ(lost, 3u);
  lost = 0;
  // 0xFF is no character of Shift-JIS; 0x81 0x20 is a lead byte without its trail.
  EXPECT_EQ(CodePageToUtf8("\xFF"
                           "a\x81 ",
                           932, &lost),
            "?a? ");
  EXPECT_EQ(lost, 2u);
}

TEST_F(CodePageTest, UndefinedBytesOfSingleByteCodePagesStandForC1Controls) {
  size_t lost = 0;
  EXPECT_EQ(CodePageToUtf8("\x81\x8D\x80", 1252, &lost), "\xC2\x81\xC2\x8D\xE2\x82\xAC");
  EXPECT_EQ(Utf8ToCodePage("\xC2\x81\xC2\x90", 1252, &lost), "\x81\x90");
  EXPECT_EQ(lost, 0u);
  // U+0080 is a C1 control that Windows-1252 holds no byte for: 0x80 is the euro sign.
  EXPECT_EQ(Utf8ToCodePage("\xC2\x80", 1252, &lost), "?");
  EXPECT_EQ(lost, 1u);
  EXPECT_EQ(CodePageToUtf16("\x81\xE9", 1252), std::u16string(u"\u0081\u00E9"));
}

TEST_F(CodePageTest, VietnameseCombiningMarksKeepTheirOrder) {
  // 0xEC is the combining acute accent of Windows-1258; "a" is held back to combine with it.
  EXPECT_EQ(CodePageToUtf8("a\xEC\x81z", 1258), "\xC3\xA1\xC2\x81z");
}

TEST_F(CodePageTest, ProcessCodePageDrivesTheAnsiConversions) {
  EXPECT_EQ(AnsiToUtf8("\xC6"), "\xC3\x86");  // Æ
  EXPECT_EQ(AnsiToCodePoint(0x80), U'\u20AC');
  EXPECT_EQ(CodePointToAnsi(U'\u0416'), "?");
  SetProcessCodePage(1251);
  EXPECT_EQ(AnsiToUtf8("\xC6"), "\xD0\x96");  // Ж
  EXPECT_EQ(AnsiToCodePoint(0xC6), U'\u0416');
  EXPECT_EQ(CodePointToAnsi(U'\u0416'), "\xC6");
  SetProcessCodePage(936);
  EXPECT_EQ(CodePointToAnsi(U'\u4E2D'), "\xD6\xD0");
  EXPECT_EQ(AnsiToCodePoint(0xD6), U'?');  // a lead byte alone is no character
  EXPECT_EQ(Utf16ToAnsi(u"\u4E2D"), "\xD6\xD0");
}

TEST_F(CodePageTest, ParsesCodePageNamesAndRefusesUnknownOnes) {
  struct Row {
    const char* name;
    int expected;  // 0: refused
  };
  const Row rows[] = {{"1252", 1252}, {"cp1251", 1251},  {"Windows-936", 936},
                      {"CP874", 874}, {"latin1", 28591}, {"ISO-8859-1", 28591},
                      {"65001", 0},   {"cp", 0},         {"12a", 0},
                      {"", 0},        {"-1252", 0},      {"999999999999", 0}};
  for (const Row& row : rows) {
    int codePage = 0;
    EXPECT_EQ(ParseCodePage(row.name, codePage), row.expected != 0) << row.name;
    if (row.expected != 0) {
      EXPECT_EQ(codePage, row.expected) << row.name;
    }
  }
  EXPECT_THROW(SetProcessCodePage(65001), EConvertError);
  EXPECT_EQ(ProcessCodePage(), 1252);
  EXPECT_THROW(Utf8ToCodePage("x", 737), EConvertError);
  EXPECT_EQ(CodePageToUtf8("\x81\xE1", 437), "\xC3\xBC\xC3\x9F") << "OEM code pages of DOS tables";
}

TEST_F(CodePageTest, EnvironmentSetsTheProcessCodePage) {
  setenv(kCodePageVariable, "cp1253", 1);
  SetProcessCodePageFromEnvironment();
  EXPECT_EQ(ProcessCodePage(), 1253);
  setenv(kCodePageVariable, "klingon", 1);
  try {
    SetProcessCodePageFromEnvironment();
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "QR2VOR_CODEPAGE names an unknown code page: 'klingon'");
  }
  EXPECT_EQ(ProcessCodePage(), 1253);
}

TEST_F(CodePageTest, FontCharsetsNameTheirCodePages) {
  const std::pair<TFontCharset, int> rows[] = {
      {EASTEUROPE_CHARSET, 1250}, {RUSSIAN_CHARSET, 1251},    {GREEK_CHARSET, 1253},
      {TURKISH_CHARSET, 1254},    {HEBREW_CHARSET, 1255},     {ARABIC_CHARSET, 1256},
      {BALTIC_CHARSET, 1257},     {VIETNAMESE_CHARSET, 1258}, {THAI_CHARSET, 874},
      {SHIFTJIS_CHARSET, 932},    {GB2312_CHARSET, 936},      {HANGEUL_CHARSET, 949},
      {CHINESEBIG5_CHARSET, 950}, {DEFAULT_CHARSET, 1251},    {ANSI_CHARSET, 1251},
  };
  SetProcessCodePage(1251);
  for (const auto& [charset, codePage] : rows) EXPECT_EQ(CharsetCodePage(charset), codePage);
}

}  // namespace
}  // namespace qr2vor
