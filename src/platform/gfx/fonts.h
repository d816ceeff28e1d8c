#pragma once

// Fonts for every canvas: a face name resolved through fontconfig (with metric-compatible
// substitutes for the common Windows faces), loaded with FreeType at a pixel size, with the
// advance of every single-byte character cached so that measuring is a table look-up. The raster
// canvas draws with the same faces and the same advances, so measured text is drawn text.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

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
  // The advance of one Windows-1252 character in pixels.
  int32_t CharWidth(unsigned char c) const { return advances_[c]; }
  // The sum of the characters' advances (no kerning, as the display's text output).
  int32_t TextWidth(std::string_view text) const;
  uint32_t GlyphIndex(unsigned char c) const { return glyphs_[c]; }
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
  TFontMetrics metrics_;
  std::array<int32_t, 256> advances_{};
  std::array<uint32_t, 256> glyphs_{};
};

// The process-wide font cache (the system is single-threaded). A font file is opened once and
// shared by all its sizes; a scaled font costs its advance table. Face names resolve once; the
// name caches are bounded (untrusted metafiles may name any number of faces) and scaled fonts are
// kept for the life of the process, so references to them stay valid.
class TFontEngine {
 public:
  static TFontEngine& Instance();
  ~TFontEngine();

  // The scaled font for a toolkit font: face name, height (negative: character height in pixels;
  // positive: cell height; 0: a default), bold and italic. Cached by those four values.
  TScaledFont& Get(const TFont& font);
  TScaledFont& Get(std::string_view name, int32_t height, bool bold, bool italic);
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
                               bool italic);

  FT_LibraryRec_* library_ = nullptr;
  // Font files by path and face index.
  std::map<std::string, FT_FaceRec_*> files_;
  std::map<std::tuple<std::string, bool, bool>, TResolvedFace> resolved_;
  std::map<std::tuple<FT_FaceRec_*, int32_t, bool, bool>, std::unique_ptr<TScaledFont>> scaled_;
  std::map<std::tuple<std::string, int32_t, bool, bool>, TScaledFont*> fonts_;
};

}  // namespace qr2vor
