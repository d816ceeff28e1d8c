#include "rtl/constants.h"

#include <iterator>

namespace qr2vor {

namespace {

constexpr IdentMapEntry kColors[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

constexpr IdentMapEntry kCharsets[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {MAC_CHARSET, "MAC_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"},
    {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
    {JOHAB_CHARSET, "JOHAB_CHARSET"},
    {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"},
    {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"},
    {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, "HEBREW_CHARSET"},
    {ARABIC_CHARSET, "ARABIC_CHARSET"},
    {BALTIC_CHARSET, "BALTIC_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {THAI_CHARSET, "THAI_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};

// crSize follows crSizeAll so that -22 is written under the name crSizeAll.
constexpr IdentMapEntry kCursors[] = {
    {crDefault, "crDefault"},     {crNone, "crNone"},           {crArrow, "crArrow"},
    {crCross, "crCross"},         {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},     {crNo, "crNo"},
    {crAppStart, "crAppStart"},   {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},     {crSize, "crSize"},
};

// Default Windows ("Windows Standard") scheme, indexed by system colour number and stored like
// every TColor with red in the low byte; the comment gives red, green, blue.
constexpr TColor kSystemColorRgb[] = {
    0xC0C0C0,  // 0 scroll bar: 192,192,192
    0x808000,  // 1 desktop: 0,128,128
    0x800000,  // 2 active caption: 0,0,128
    0x808080,  // 3 inactive caption: 128,128,128
    0xC0C0C0,  // 4 menu: 192,192,192
    0xFFFFFF,  // 5 window: 255,255,255
    0x000000,  // 6 window frame: 0,0,0
    0x000000,  // 7 menu text: 0,0,0
    0x000000,  // 8 window text: 0,0,0
    0xFFFFFF,  // 9 caption text: 255,255,255
    0xC0C0C0,  // 10 active border: 192,192,192
    0xC0C0C0,  // 11 inactive border: 192,192,192
    0x808080,  // 12 application workspace: 128,128,128
    0x800000,  // 13 highlight: 0,0,128
    0xFFFFFF,  // 14 highlight text: 255,255,255
    0xC0C0C0,  // 15 button face: 192,192,192
    0x808080,  // 16 button shadow: 128,128,128
    0x808080,  // 17 grey text: 128,128,128
    0x000000,  // 18 button text: 0,0,0
    0xC0C0C0,  // 19 inactive caption text: 192,192,192
    0xFFFFFF,  // 20 button highlight: 255,255,255
    0x000000,  // 21 3D dark shadow: 0,0,0
    0xC0C0C0,  // 22 3D light: 192,192,192
    0x000000,  // 23 tooltip text: 0,0,0
    0xE1FFFF,  // 24 tooltip background: 255,255,225
};

bool EqualsIgnoreAsciiCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (size_t i = 0; i < left.size(); ++i) {
    char a = left[i], b = right[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

bool IdentToInt(std::span<const IdentMapEntry> map, std::string_view name, int32_t& value) {
  for (const IdentMapEntry& entry : map) {
    if (EqualsIgnoreAsciiCase(entry.name, name)) {
      value = entry.value;
      return true;
    }
  }
  return false;
}

const char* IntToIdent(std::span<const IdentMapEntry> map, int32_t value) {
  for (const IdentMapEntry& entry : map) {
    if (entry.value == value) return entry.name;
  }
  return nullptr;
}

std::span<const IdentMapEntry> ColorIdents() { return kColors; }
std::span<const IdentMapEntry> CharsetIdents() { return kCharsets; }
std::span<const IdentMapEntry> CursorIdents() { return kCursors; }

TColor ColorToRgb(TColor color) {
  if (color >= 0) return color;
  auto index = static_cast<size_t>(static_cast<uint32_t>(color) & 0xFF);
  return index < std::size(kSystemColorRgb) ? kSystemColorRgb[index] : clBlack;
}

}  // namespace qr2vor
