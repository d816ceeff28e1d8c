#include "rtl/edit_mask_text.h"

#include <gtest/gtest.h>

namespace qr2vor {
namespace {

TEST(EditMaskTextTest, FormatsThroughMask) {
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"(000) 000-0000;0", "5551234567", "(555) 123-4567"},
      {"(000) 000-0000;1", "(555) 123-4567", "(555) 123-4567"},
      {"(000) 000-0000", "(555) 123", "(555) 123-    "},
      {">LL-00;0", "ab12", "AB-12"},
      {"<LLL;0", "ABC", "abc"},
      {">L<>l;0", "aB", "AB"},
      {"00/00/0000;0", "12311999", "12/31/1999"},
      {"00:00;0", "1230", "12:30"},
      {"000;0;_", "1", "1__"},
      {"!000;0", "1", "  1"},
      {"\\L0;0", "5", "L5"},
      {"00;0", "ab", "  "},
      {"aaa;0", "a1", "a1 "},
      {"#0;0", "-5", "-5"},
      {"_LL;0", "ab", " ab"},
      {"C\\;c;0", "xy", "x;y"},
      {"", "abc", ""},
  };
  for (const auto& [mask, text, expected] : rows) {
    EXPECT_EQ(FormatMaskText(mask, text, TFormatSettings{}), expected) << mask;
  }
}

TEST(EditMaskTextTest, SeparatorsFollowTheLocale) {
  TFormatSettings settings;
  settings.dateSeparator = '.';
  EXPECT_EQ(FormatMaskText("00/00;0", "3112", settings), "31.12");
}

}  // namespace
}  // namespace qr2vor
