#include "rtl/constants.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace qr2vor {
namespace {

struct NamedValue {
  const char* name;
  int32_t value;
};

// Values as streams store them, written out by hand.
const NamedValue kKnownColors[] = {
    {"clBlack", 0},
    {"clMaroon", 128},
    {"clNavy", 8388608},
    {"clSilver", 12632256},
    {"clRed", 255},
    {"clWhite", 16777215},
    {"clMoneyGreen", 12639424},
    {"clSkyBlue", 15780518},
    {"clCream", 15793151},
    {"clMedGray", 10789024},
    {"clScrollBar", -2147483647 - 1},
    {"clWindow", -2147483643},
    {"clWindowText", -2147483640},
    {"clBtnFace", -2147483633},
    {"clInfoBk", -2147483624},
    {"clNone", 536870911},
    {"clDefault", 536870912},
};

TEST(ConstantsTest, KnownColorValues) {
  for (const NamedValue& known : kKnownColors) {
    int32_t value = 12345;
    ASSERT_TRUE(IdentToInt(ColorIdents(), known.name, value)) << known.name;
    EXPECT_EQ(value, known.value) << known.name;
  }
}

TEST(ConstantsTest, TablesHoldEveryNameOnceInOrder) {
  struct Table {
    std::span<const IdentMapEntry> entries;
    size_t size;
    const char* first;
    const char* last;
  };
  const Table tables[] = {
      {ColorIdents(), 47, "clBlack", "clDefault"},
      {CharsetIdents(), 19, "ANSI_CHARSET", "OEM_CHARSET"},
      {CursorIdents(), 23, "crDefault", "crSize"},
  };
  for (const Table& table : tables) {
    ASSERT_EQ(table.entries.size(), table.size) << table.first;
    EXPECT_STREQ(table.entries.front().name, table.first);
    EXPECT_STREQ(table.entries.back().name, table.last);
    std::set<std::string> names;
    for (const IdentMapEntry& entry : table.entries) {
      EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    }
  }
  EXPECT_EQ(ColorIdents()[20].value, clScrollBar);
  EXPECT_EQ(ColorIdents()[44].value, clInfoBk);
}

TEST(ConstantsTest, EveryValueRoundTripsExceptTheCursorAlias) {
  for (auto table : {ColorIdents(), CharsetIdents(), CursorIdents()}) {
    for (const IdentMapEntry& entry : table) {
      int32_t value = 0;
      ASSERT_TRUE(IdentToInt(table, entry.name, value)) << entry.name;
      EXPECT_EQ(value, entry.value) << entry.name;
      if (std::string(entry.name) != "crSize") {
        EXPECT_STREQ(IntToIdent(table, entry.value), entry.name);
      }
    }
  }
}

TEST(ConstantsTest, Lookups) {
  int32_t value = 0;
  EXPECT_TRUE(IdentToInt(ColorIdents(), "CLBTNFACE", value));
  EXPECT_EQ(value, clBtnFace);
  EXPECT_TRUE(IdentToInt(CharsetIdents(), "russian_charset", value));
  EXPECT_EQ(value, 204);
  EXPECT_TRUE(IdentToInt(CursorIdents(), "crSize", value));
  EXPECT_EQ(value, -22);
  EXPECT_STREQ(IntToIdent(CursorIdents(), -22), "crSizeAll");
  EXPECT_STREQ(IntToIdent(CursorIdents(), crHandPoint), "crHandPoint");

  value = 99;
  for (const char* name : {"clBtnFac", "clBtnFaceX", "", "crSizeAl"}) {
    EXPECT_FALSE(IdentToInt(ColorIdents(), name, value)) << name;
  }
  EXPECT_EQ(value, 99);
  EXPECT_EQ(IntToIdent(CursorIdents(), -5), nullptr);
  EXPECT_EQ(IntToIdent(ColorIdents(), 0x123456), nullptr);
  EXPECT_EQ(IntToIdent(CharsetIdents(), 3), nullptr);
}

TEST(ConstantsTest, ColorToRgb) {
  const std::pair<TColor, TColor> rows[] = {
      {clRed, 0x0000FF},
      {clMoneyGreen, 0xC0DCC0},
      {clBtnFace, 0xC0C0C0},
      {clWindow, 0xFFFFFF},
      {clWindowText, 0x000000},
      {clHighlight, 0x800000},
      {clHighlightText, 0xFFFFFF},
      {clBackground, 0x808000},
      {clBtnShadow, 0x808080},
      {clInfoBk, 0xE1FFFF},
      {SystemColor(25), 0},
      {SystemColor(255), 0},
      {clNone, clNone},
      {clDefault, clDefault},
  };
  for (const auto& [color, rgb] : rows) EXPECT_EQ(ColorToRgb(color), rgb) << color;
}

}  // namespace
}  // namespace qr2vor
