#pragma once

// Fonts for every canvas: a face name resolved through fontconfig (with metric-compatible
// substitutes for the common Windows faces, and a face of the script's language when the named
// one cannot write it), loaded with FreeType at a pixel size, with the advance of every character
// cached so that measuring is a look-up. Text is measured as Unicode: canvases decode their bytes
// by the font's character set first. The raster canvas draws with the same faces and the same
// advances, so measured text is drawn text.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "rtl/graphics.h"

struct FT_FaceRec_;
struct FT_LibraryRec_;

namespace qr2vor {

// The metrics of a font at its pixel size, in whole pixels as a display reports them.
struct TFontMetrics {
  int32_t Ascent = 0;             // baseline to the top of the cell
  int32_t Descent = 0;            // baseline to the bottom of the cell
  int32_t Height = 0;             // Ascent + Descent: the line height
  int32_t InternalLeading = 0;    // Height less the em size
  int32_t AveCharWidth = 0;       // the face's average character width (tab stops)
  int32_t UnderlinePosition = 0;  // below the baseline
  int32_t StrikeOutPosition = 0;  // above the baseline
  int32_t LineThickness = 1;      // of underline and strike-out
};

// One face at one pixel size.
class TScaledFont {
 public:
  TScaledFont(FT_FaceRec_* face, double emPixels, bool bold, bool italic, std::string family);
  TScaledFont(const TScaledFont&) = delete;
  // The face belongs to the engine.
  TScaledFont& operator=(const TScaledFont&) = delete;

  const TFontMetrics& Metrics() const { return metrics_; }
  // The advance of one character in pixels.
  int32_t CharWidth(char32_t codePoint) const { return Glyph(codePoint).advance; }
  uint32_t GlyphIndex(char32_t codePoint) const { return Glyph(codePoint).index; }
  // The sum of the characters' advances (no kerning, as the display's text output).
  int32_t TextWidth(std::u16string_view text) const;
  // The advance of each UTF-16 unit of the text: a surrogate pair's second unit adds nothing.
  std::vector<int32_t> Advances(std::u16string_view text) const;
  FT_FaceRec_* Face() const { return face_; }
  double EmPixels() const { return emPixels_; }
  // Styles the face lacks, to be synthesised when drawing.
  bool SyntheticBold() const { return syntheticBold_; }
  bool SyntheticItalic() const { return syntheticItalic_; }
  // The family fontconfig chose ("Liberation Sans" for "Arial").
  const std::string& Family() const { return family_; }

 private:
  FT_FaceRec_* face_;
  double emPixels_;
  bool syntheticBold_ = false;
  bool syntheticItalic_ = false;
  std::string family_;
  struct TGlyph {
    uint32_t index = 0;
    int32_t advance = 0;
  };
  const TGlyph& Glyph(char32_t codePoint) const;
  TGlyph LoadGlyph(char32_t codePoint) const;

  TFontMetrics metrics_;
  // The first 256 code points at hand, the others loaded when first asked for.
  std::array<TGlyph, 256> latin_{};
  mutable std::unordered_map<char32_t, TGlyph> others_;
};

// The characters of a UTF-16 text, a surrogate pair joined: f(codePoint, units).
template <typename F>
void ForEachCodePoint(std::u16string_view text, F f) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      f(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00), 2);
      ++i;
    } else {
      f(char32_t{unit}, 1);
    }
  }
}

// The process-wide font cache (the system is single-threaded). A font file is opened once and
// shared by all its sizes; a scaled font costs its advance table. Face names resolve once; the
// name caches are bounded (untrusted metafiles may name any number of faces) and scaled fonts are
// kept for the life of the process, so references to them stay valid.
class TFontEngine {
 public:
  static TFontEngine& Instance();
  ~TFontEngine();

  // The scaled font for a toolkit font: face name, height (negative: character height in pixels;
  // positive: cell height; 0: a default), bold, italic, and the language its character set
  // writes (that of its code page; none for the Western ones). Cached by those values.
  TScaledFont& Get(const TFont& font);
  TScaledFont& Get(std::string_view name, int32_t height, bool bold, bool italic,
                   std::string_view language = {});
  // The fontconfig language of a code page's script ("ru" for 1251, "zh-cn" for 936), or empty
  // for the Western code pages every face writes.
  static std::string_view CodePageLanguage(int codePage);
  // The family asked of fontconfig for a face name: the metric-compatible substitute of a Windows
  // face, or the name itself.
  static std::string SubstituteFamily(std::string_view name);

 private:
  struct TResolvedFace {
    FT_FaceRec_* face;
    std::string family;
  };

  TFontEngine();
  const TResolvedFace& Resolve(const std::string& lowerName, std::string_view name, bool bold,
                               bool italic, std::string_view language);

  FT_LibraryRec_* library_ = nullptr;
  // Font files by path and face index.
  std::map<std::string, FT_FaceRec_*> files_;
  std::map<std::tuple<std::string, bool, bool, std::string>, TResolvedFace> resolved_;
  std::map<std::tuple<FT_FaceRec_*, int32_t, bool, bool>, std::unique_ptr<TScaledFont>> scaled_;
  std::map<std::tuple<std::string, int32_t, bool, bool, std::string>, TScaledFont*> fonts_;
};

}  // namespace qr2vor
