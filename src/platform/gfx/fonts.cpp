#include "platform/gfx/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>

#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

int32_t Round(double value) { return static_cast<int32_t>(std::lround(value)); }

// Bound of the name caches.
constexpr size_t kMaxCachedNames = 4096;

}  // namespace

TScaledFont::TScaledFont(FT_FaceRec_* face, double emPixels, bool bold, bool italic,
                         std::string family)
    : face_(face), emPixels_(emPixels), family_(std::move(family)) {
  syntheticBold_ = bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  syntheticItalic_ = italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(emPixels * 64)), 72, 72);

  const double scale = emPixels / face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  double ascent = face->ascender;
  double descent = -face->descender;
  if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
  }
  metrics_.Ascent = Round(ascent * scale);
  metrics_.Descent = Round(descent * scale);
  metrics_.Height = metrics_.Ascent + metrics_.Descent;
  metrics_.InternalLeading = std::max(0, metrics_.Height - Round(emPixels));
  metrics_.LineThickness = std::max(1, Round(face->underline_thickness * scale));
  metrics_.UnderlinePosition = std::max(1, Round(-face->underline_position * scale));
  metrics_.StrikeOutPosition = Round(emPixels * 0.3);
  if (os2 != nullptr && os2->version != 0xFFFF) {
    metrics_.AveCharWidth = Round(os2->xAvgCharWidth * scale);
    if (os2->yStrikeoutPosition > 0)
      metrics_.StrikeOutPosition = Round(os2->yStrikeoutPosition * scale);
  }
  if (post != nullptr && post->underlinePosition != 0)
    metrics_.UnderlinePosition = std::max(1, Round(-post->underlinePosition * scale));

  for (char32_t c = 0; c < latin_.size(); ++c) latin_[c] = LoadGlyph(c);
  if (metrics_.AveCharWidth <= 0) metrics_.AveCharWidth = std::max(1, latin_['x'].advance);
}

TScaledFont::TGlyph TScaledFont::LoadGlyph(char32_t codePoint) const {
  // The face is shared by all its sizes: this one is set again before the glyph loads.
  FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(emPixels_ * 64)), 72, 72);
  TGlyph glyph;
  glyph.index = FT_Get_Char_Index(face_, codePoint);
  if (FT_Load_Glyph(face_, glyph.index, FT_LOAD_DEFAULT) == 0)
    glyph.advance =
        static_cast<int32_t>((face_->glyph->advance.x + 32) >> 6) + (syntheticBold_ ? 1 : 0);
  return glyph;
}

const TScaledFont::TGlyph& TScaledFont::Glyph(char32_t codePoint) const {
  if (codePoint < latin_.size()) return latin_[codePoint];
  auto found = others_.find(codePoint);
  if (found != others_.end()) return found->second;
  return others_.emplace(codePoint, LoadGlyph(codePoint)).first->second;
}

int32_t TScaledFont::TextWidth(std::u16string_view text) const {
  int32_t width = 0;
  ForEachCodePoint(text, [&](char32_t c, size_t) { width += CharWidth(c); });
  return width;
}

std::vector<int32_t> TScaledFont::Advances(std::u16string_view text) const {
  std::vector<int32_t> advances;
  advances.reserve(text.size());
  ForEachCodePoint(text, [&](char32_t c, size_t units) {
    advances.push_back(CharWidth(c));
    if (units == 2) advances.push_back(0);
  });
  return advances;
}

TFontEngine& TFontEngine::Instance() {
  static TFontEngine engine;
  return engine;
}

TFontEngine::TFontEngine() {
  if (FT_Init_FreeType(&library_) != 0) throw Exception("The font engine cannot start");
  FcInit();
}

TFontEngine::~TFontEngine() {
  fonts_.clear();
  scaled_.clear();
  for (const auto& [path, face] : files_) FT_Done_Face(face);
  FT_Done_FreeType(library_);
  FcFini();
}

std::string TFontEngine::SubstituteFamily(std::string_view name) {
  struct Substitute {
    const char* name;
    const char* family;
  };
  static constexpr Substitute kSubstitutes[] = {
      {"arial", "Liberation Sans"},
      {"helvetica", "Liberation Sans"},
      {"ms sans serif", "Liberation Sans"},
      {"microsoft sans serif", "Liberation Sans"},
      {"tahoma", "Liberation Sans"},
      {"verdana", "Liberation Sans"},
      {"ms shell dlg", "Liberation Sans"},
      {"ms shell dlg 2", "Liberation Sans"},
      {"small fonts", "Liberation Sans"},
      {"system", "Liberation Sans"},
      {"arial narrow", "Liberation Sans Narrow"},
      {"times new roman", "Liberation Serif"},
      {"times", "Liberation Serif"},
      {"ms serif", "Liberation Serif"},
      {"courier new", "Liberation Mono"},
      {"courier", "Liberation Mono"},
      {"fixedsys", "Liberation Mono"},
      {"lucida console", "Liberation Mono"},
  };
  const std::string lower = LowerCaseAscii(name);
  for (const Substitute& substitute : kSubstitutes)
    if (lower == substitute.name) return substitute.family;
  if (lower.empty()) return "Liberation Sans";
  return std::string(name);
}

std::string_view TFontEngine::CodePageLanguage(int codePage) {
  switch (codePage) {
    case 874:
      return "th";
    case 932:
      return "ja";
    case 936:
      return "zh-cn";
    case 949:
      return "ko";
    case 950:
      return "zh-tw";
    case 1250:
      return "pl";
    case 1251:
      return "ru";
    case 1253:
      return "el";
    case 1254:
      return "tr";
    case 1255:
      return "he";
    case 1256:
      return "ar";
    case 1257:
      return "lt";
    case 1258:
      return "vi";
    default:
      return {};
  }
}

namespace {

// The best face for a family (empty: any) and a language (empty: any), or null.
FcPattern* MatchFace(const std::string& family, const std::string& language, bool bold,
                     bool italic) {
  FcPattern* pattern = FcPatternCreate();
  if (!family.empty()) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    // A sans face stands behind every name fontconfig does not know.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("Liberation Sans"));
  }
  if (!language.empty())
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  return match;
}

bool WritesLanguage(FcPattern* face, const std::string& language) {
  FcLangSet* languages = nullptr;
  return FcPatternGetLangSet(face, FC_LANG, 0, &languages) == FcResultMatch &&
         FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>(language.c_str())) !=
             FcLangDifferentLang;
}

}  // namespace

const TFontEngine::TResolvedFace& TFontEngine::Resolve(const std::string& lowerName,
                                                       std::string_view name, bool bold,
                                                       bool italic, std::string_view language) {
  auto key = std::make_tuple(lowerName, bold, italic, std::string(language));
  if (auto found = resolved_.find(key); found != resolved_.end()) return found->second;
  if (resolved_.size() >= kMaxCachedNames) resolved_.clear();
  const std::string family = SubstituteFamily(name);
  FcPattern* match = MatchFace(family, {}, bold, italic);
  if (match == nullptr) throw Exception("No font is installed");
  // A face that cannot write the font's script gives way to one that can, as the platform's
  // font substitution does for a character set the named face lacks.
  if (!language.empty() && !WritesLanguage(match, std::string(language))) {
    FcPattern* other = MatchFace({}, std::string(language), bold, italic);
    if (other != nullptr && WritesLanguage(other, std::string(language))) {
      FcPatternDestroy(match);
      match = other;
    } else if (other != nullptr) {
      FcPatternDestroy(other);
    }
  }
  FcChar8* file = nullptr;
  int index = 0;
  FcChar8* matchedFamily = nullptr;
  FcPatternGetString(match, FC_FILE, 0, &file);
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily);
  const std::string path = file != nullptr ? reinterpret_cast<const char*>(file) : "";
  TResolvedFace resolvedFace{
      nullptr, matchedFamily != nullptr ? reinterpret_cast<const char*>(matchedFamily) : family};
  FcPatternDestroy(match);
  const std::string fileKey = fmt::format("{}#{}", path, index);
  if (auto open = files_.find(fileKey); open != files_.end()) {
    resolvedFace.face = open->second;
  } else {
    if (path.empty() || FT_New_Face(library_, path.c_str(), index, &resolvedFace.face) != 0)
      throw Exception(fmt::format("Font {} cannot be loaded", family));
    files_.emplace(fileKey, resolvedFace.face);
  }
  return resolved_.emplace(std::move(key), std::move(resolvedFace)).first->second;
}

TScaledFont& TFontEngine::Get(const TFont& font) {
  const TFontStyles style = font.Style();
  const int codePage = CharsetCodePage(font.Charset());
  // Face names, like all text, are bytes in the font's code page; fontconfig reads UTF-8.
  return Get(CodePageToUtf8(font.Name(), codePage), font.Height(),
             (style & FontStyleBit(fsBold)) != 0, (style & FontStyleBit(fsItalic)) != 0,
             CodePageLanguage(codePage));
}

TScaledFont& TFontEngine::Get(std::string_view name, int32_t height, bool bold, bool italic,
                              std::string_view language) {
  std::string lowerName = LowerCaseAscii(name);
  auto key = std::make_tuple(lowerName, height, bold, italic, std::string(language));
  if (auto found = fonts_.find(key); found != fonts_.end()) return *found->second;
  if (fonts_.size() >= kMaxCachedNames) fonts_.clear();

  const TResolvedFace& resolvedFace = Resolve(lowerName, name, bold, italic, language);
  FT_Face face = resolvedFace.face;
  double em = 13;
  if (height < 0) {
    em = std::min(-static_cast<double>(height), 4096.0);
  } else if (height > 0) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double cell = face->ascender - face->descender;
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
      cell = os2->usWinAscent + os2->usWinDescent;
    em = std::lround(std::min(static_cast<double>(height), 4096.0) * face->units_per_EM /
                     std::max(cell, 1.0));
  }
  const auto emPixels = static_cast<int32_t>(std::max(em, 1.0));
  auto scaledKey = std::make_tuple(face, emPixels, bold, italic);
  auto scaled = scaled_.find(scaledKey);
  if (scaled == scaled_.end())
    scaled = scaled_
                 .emplace(scaledKey, std::make_unique<TScaledFont>(face, emPixels, bold, italic,
                                                                   resolvedFace.family))
                 .first;
  fonts_.emplace(std::move(key), scaled->second.get());
  return *scaled->second;
}

}  // namespace qr2vor
