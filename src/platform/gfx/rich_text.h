#pragma once

// Rich text for rich-text controls: a reader for the RTF subset reports use (plain text, \par and
// \line, \tab, \b, \i, \ul, \fs, \f with the font table, \cf with the colour table, \qc, \qr, \ql,
// \plain, \pard, \'hh, unknown and \* groups skipped) and a layout of the paragraphs into a
// rectangle of a canvas: words wrap at blanks, lines take the height of their tallest run and
// runs share a baseline.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/canvas.h"
#include "rtl/exceptions.h"

namespace qr2vor {

class ERichTextError : public Exception {
 public:
  using Exception::Exception;
};

enum class TRichAlignment : uint8_t { Left, Center, Right };

struct TRichRun {
  std::string Text;  // single-byte code page
  std::string FontName;
  int32_t FontHeight = -13;  // pixels, negative: character height
  TFontStyles Style = 0;
  TColor Color = clBlack;
};

struct TRichParagraph {
  TRichAlignment Alignment = TRichAlignment::Left;
  std::vector<TRichRun> Runs;
};

class TRichText {
 public:
  // The control's font and alignment: what text without formatting takes.
  void SetDefaults(const TFont& font, TRichAlignment alignment);
  // Reads RTF; text that does not start with "{\rtf" is taken as plain text. Raises
  // ERichTextError ("Rich text is not valid") for a closing brace without its group or groups
  // nested deeper than 512.
  void LoadFromRtf(std::string_view rtf);
  // Lines at CR LF, CR or LF become paragraphs in the default font and alignment.
  void SetPlainText(std::string_view text);
  const std::vector<TRichParagraph>& Paragraphs() const { return paragraphs_; }

  // Lays the paragraphs out from rect's top-left within its width, drawing unless measuring;
  // returns the height laid out.
  int32_t Render(TCanvas& canvas, const TRect& rect, bool measureOnly) const;

 private:
  TRichRun DefaultRun() const;

  std::string fontName_ = "MS Sans Serif";
  int32_t fontHeight_ = -11;
  TFontStyles fontStyle_ = 0;
  TColor fontColor_ = clBlack;
  TRichAlignment alignment_ = TRichAlignment::Left;
  std::vector<TRichParagraph> paragraphs_;
};

}  // namespace qr2vor
