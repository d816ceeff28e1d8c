#include "platform/gfx/rich_text.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "rtl/codepage.h"

namespace qr2vor {

namespace {

constexpr const char* kInvalidRichText = "Rich text is not valid";
constexpr size_t kMaxDepth = 512;

// Groups whose content is not text.
bool IsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kSkipped[] = {
      "stylesheet",   "info",      "pict",      "header",    "footer",
      "headerl",      "headerr",   "headerf",   "footerl",   "footerr",
      "footerf",      "object",    "fldinst",   "listtable", "listoverridetable",
      "revtbl",       "rsidtbl",   "generator", "themedata", "colorschememapping",
      "latentstyles", "datastore", "xmlnstbl",  "filetbl",   "footnote",
      "bkmkstart",    "bkmkend"};
  return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

enum class TDestination : uint8_t { Text, FontTable, ColorTable, Skip };

struct TCharState {
  int32_t font = -1;
  int32_t halfPoints = 0;  // 0: the default height
  TFontStyles style = 0;
  int32_t color = 0;  // colour table index; 0 is the automatic colour
  TRichAlignment alignment = TRichAlignment::Left;
  TDestination destination = TDestination::Text;
};

class TRtfReader {
 public:
  TRtfReader(std::string_view rtf, const TRichRun& defaults, TRichAlignment alignment)
      : rtf_(rtf), defaults_(defaults) {
    state_.alignment = alignment;
    defaultAlignment_ = alignment;
    paragraphs_.emplace_back();
    paragraphs_.back().Alignment = alignment;
  }

  std::vector<TRichParagraph> Read() {
    while (pos_ < rtf_.size()) {
      const char c = rtf_[pos_++];
      if (c == '{') {
        if (stack_.size() >= kMaxDepth) throw ERichTextError(kInvalidRichText);
        stack_.push_back(state_);
      } else if (c == '}') {
        if (stack_.empty()) throw ERichTextError(kInvalidRichText);
        EndGroup();
      } else if (c == '\\') {
        ControlWord();
      } else if (c != '\r' && c != '\n') {
        Text(c);
      }
    }
    if (paragraphs_.size() > 1 && paragraphs_.back().Runs.empty()) paragraphs_.pop_back();
    return std::move(paragraphs_);
  }

 private:
  void EndGroup() {
    if (state_.destination == TDestination::FontTable && !fontName_.empty()) FinishFontName();
    state_ = stack_.back();
    stack_.pop_back();
  }

  void FinishFontName() {
    while (!fontName_.empty() && fontName_.back() == ' ') fontName_.pop_back();
    fonts_[fontEntry_] = fontName_;
    fontName_.clear();
  }

  void ControlWord() {
    if (pos_ >= rtf_.size()) return;
    const char c = rtf_[pos_];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++pos_;
      if (c == '\'') {
        if (rtf_.size() - pos_ < 2) throw ERichTextError(kInvalidRichText);
        const std::string hex(rtf_.substr(pos_, 2));
        pos_ += 2;
        if (!std::isxdigit(static_cast<unsigned char>(hex[0])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[1])))
          throw ERichTextError(kInvalidRichText);
        Text(static_cast<char>(std::stoi(hex, nullptr, 16)));
      } else if (c == '*') {
        state_.destination = TDestination::Skip;
      } else if (c == '~') {
        Text('\xA0');
      } else if (c == '\\' || c == '{' || c == '}') {
        Text(c);
      }
      return;
    }
    const size_t start = pos_;
    while (pos_ < rtf_.size() && pos_ - start < 32 &&
           std::isalpha(static_cast<unsigned char>(rtf_[pos_])))
      ++pos_;
    const std::string_view word = rtf_.substr(start, pos_ - start);
    bool hasParameter = false;
    int64_t parameter = 0;
    bool negative = false;
    if (pos_ < rtf_.size() && rtf_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    while (pos_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[pos_]))) {
      if (parameter < 100000000) parameter = parameter * 10 + (rtf_[pos_] - '0');
      hasParameter = true;
      ++pos_;
    }
    if (negative) parameter = -parameter;
    if (pos_ < rtf_.size() && rtf_[pos_] == ' ') ++pos_;
    Apply(word, hasParameter, static_cast<int32_t>(parameter));
  }

  void Apply(std::string_view word, bool hasParameter, int32_t parameter) {
    const bool on = !hasParameter || parameter != 0;
    if (word == "fonttbl") {
      state_.destination = TDestination::FontTable;
    } else if (word == "colortbl") {
      state_.destination = TDestination::ColorTable;
      colors_.clear();
      color_ = 0;
    } else if (IsSkippedDestination(word)) {
      state_.destination = TDestination::Skip;
    } else if (state_.destination == TDestination::FontTable) {
      if (word == "f") fontEntry_ = parameter;
    } else if (state_.destination == TDestination::ColorTable) {
      const uint32_t value = static_cast<uint32_t>(std::clamp(parameter, 0, 255));
      if (word == "red") color_ = (color_ & 0xFFFF00) | value;
      if (word == "green") color_ = (color_ & 0xFF00FF) | (value << 8);
      if (word == "blue") color_ = (color_ & 0x00FFFF) | (value << 16);
    } else if (state_.destination == TDestination::Skip) {
      return;
    } else if (word == "par" || word == "line") {
      paragraphs_.emplace_back();
      paragraphs_.back().Alignment = state_.alignment;
    } else if (word == "tab") {
      Text('\t');
    } else if (word == "b") {
      SetStyle(fsBold, on);
    } else if (word == "i") {
      SetStyle(fsItalic, on);
    } else if (word == "ul") {
      SetStyle(fsUnderline, on);
    } else if (word == "ulnone") {
      SetStyle(fsUnderline, false);
    } else if (word == "strike") {
      SetStyle(fsStrikeOut, on);
    } else if (word == "fs") {
      state_.halfPoints = std::clamp(parameter, 0, 3276);
    } else if (word == "f") {
      state_.font = parameter;
    } else if (word == "cf") {
      state_.color = parameter;
    } else if (word == "plain") {
      state_.font = -1;
      state_.halfPoints = 0;
      state_.style = 0;
      state_.color = 0;
    } else if (word == "pard") {
      SetAlignment(defaultAlignment_);
    } else if (word == "ql" || word == "qj") {
      SetAlignment(TRichAlignment::Left);
    } else if (word == "qc") {
      SetAlignment(TRichAlignment::Center);
    } else if (word == "qr") {
      SetAlignment(TRichAlignment::Right);
    }
  }

  void SetStyle(TFontStyle style, bool on) {
    if (on)
      state_.style |= FontStyleBit(style);
    else
      state_.style &= ~FontStyleBit(style);
  }

  // The paragraph takes the alignment in force when its text begins or ends.
  void SetAlignment(TRichAlignment alignment) {
    state_.alignment = alignment;
    paragraphs_.back().Alignment = alignment;
  }

  void Text(char c) {
    switch (state_.destination) {
      case TDestination::Skip:
        return;
      case TDestination::FontTable:
        if (c == ';')
          FinishFontName();
        else
          fontName_ += c;
        return;
      case TDestination::ColorTable:
        if (c == ';') {
          colors_.push_back(static_cast<TColor>(color_));
          color_ = 0;
        }
        return;
      case TDestination::Text:
        break;
    }
    TRichRun run = defaults_;
    if (auto font = fonts_.find(state_.font); font != fonts_.end()) run.FontName = font->second;
    if (state_.halfPoints > 0) run.FontHeight = -(state_.halfPoints * 96 + 72) / 144;
    run.Style = state_.style;
    // Entry 0 of the colour table stands for the automatic colour: the default.
    if (state_.color > 0 && static_cast<size_t>(state_.color) < colors_.size())
      run.Color = colors_[state_.color];
    TRichParagraph& paragraph = paragraphs_.back();
    paragraph.Alignment = state_.alignment;
    if (paragraph.Runs.empty() || paragraph.Runs.back().FontName != run.FontName ||
        paragraph.Runs.back().FontHeight != run.FontHeight ||
        paragraph.Runs.back().Style != run.Style || paragraph.Runs.back().Color != run.Color)
      paragraph.Runs.push_back(run);
    paragraph.Runs.back().Text += c;
  }

  std::string_view rtf_;
  size_t pos_ = 0;
  TRichRun defaults_;
  TRichAlignment defaultAlignment_;
  TCharState state_;
  std::vector<TCharState> stack_;
  std::map<int32_t, std::string> fonts_;
  int32_t fontEntry_ = 0;
  std::string fontName_;
  std::vector<TColor> colors_;
  uint32_t color_ = 0;
  std::vector<TRichParagraph> paragraphs_;
};

// One character of a paragraph with the run it belongs to.
struct TPlacedChar {
  char c;
  size_t run;
};

}  // namespace

void TRichText::SetDefaults(const TFont& font, TRichAlignment alignment) {
  fontName_ = font.Name();
  fontHeight_ = font.Height();
  fontStyle_ = font.Style();
  fontColor_ = font.Color();
  alignment_ = alignment;
}

TRichRun TRichText::DefaultRun() const {
  TRichRun run;
  run.FontName = fontName_;
  run.FontHeight = fontHeight_;
  run.Style = fontStyle_;
  run.Color = fontColor_;
  return run;
}

void TRichText::LoadFromRtf(std::string_view rtf) {
  if (rtf.substr(0, 5) != "{\\rtf") {
    SetPlainText(rtf);
    return;
  }
  paragraphs_ = TRtfReader(rtf, DefaultRun(), alignment_).Read();
}

void TRichText::SetPlainText(std::string_view text) {
  paragraphs_.clear();
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    TRichParagraph paragraph;
    paragraph.Alignment = alignment_;
    if (i > start) {
      paragraph.Runs.push_back(DefaultRun());
      paragraph.Runs.back().Text = std::string(text.substr(start, i - start));
    }
    paragraphs_.push_back(std::move(paragraph));
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

int32_t TRichText::Render(TCanvas& canvas, const TRect& rect, bool measureOnly) const {
  TFontEngine& engine = TFontEngine::Instance();
  auto fontOf = [&engine](const TRichRun& run) -> TScaledFont& {
    return engine.Get(run.FontName, run.FontHeight, (run.Style & FontStyleBit(fsBold)) != 0,
                      (run.Style & FontStyleBit(fsItalic)) != 0);
  };
  const int32_t maxWidth = rect.Right - rect.Left;
  const TRichRun defaults = DefaultRun();
  TFont savedFont;
  savedFont.Assign(canvas.Font());
  const TBrushStyle savedBrush = canvas.Brush().Style();
  canvas.Brush().SetStyle(bsClear);
  int32_t y = rect.Top;
  for (const TRichParagraph& paragraph : paragraphs_) {
    std::vector<TPlacedChar> chars;
    for (size_t r = 0; r < paragraph.Runs.size(); ++r)
      for (char c : paragraph.Runs[r].Text) chars.push_back({c, r});
    auto width = [&](size_t from, size_t to) {
      int32_t w = 0;
      for (size_t i = from; i < to; ++i)
        w += fontOf(paragraph.Runs[chars[i].run])
                 .CharWidth(AnsiToCodePoint(static_cast<unsigned char>(chars[i].c)));
      return w;
    };
    auto blank = [&](size_t i) { return chars[i].c == ' ' || chars[i].c == '\t'; };
    if (chars.empty()) {
      y += fontOf(defaults).Metrics().Height;
      continue;
    }
    size_t pos = 0;
    while (pos < chars.size()) {
      // The first word always stays; more words join while the line fits.
      size_t end = pos;
      while (end < chars.size() && blank(end)) ++end;
      while (end < chars.size() && !blank(end)) ++end;
      while (end < chars.size()) {
        size_t next = end;
        while (next < chars.size() && blank(next)) ++next;
        if (next == chars.size()) break;
        while (next < chars.size() && !blank(next)) ++next;
        if (width(pos, next) > maxWidth) break;
        end = next;
      }
      int32_t ascent = 0, descent = 0;
      for (size_t i = pos; i < end; ++i) {
        const TFontMetrics& m = fontOf(paragraph.Runs[chars[i].run]).Metrics();
        ascent = std::max(ascent, m.Ascent);
        descent = std::max(descent, m.Descent);
      }
      if (!measureOnly) {
        const int32_t lineWidth = width(pos, end);
        int32_t x = rect.Left;
        if (paragraph.Alignment == TRichAlignment::Center) x += (maxWidth - lineWidth) / 2;
        if (paragraph.Alignment == TRichAlignment::Right) x += maxWidth - lineWidth;
        for (size_t i = pos; i < end;) {
          size_t j = i;
          while (j < end && chars[j].run == chars[i].run) ++j;
          const TRichRun& run = paragraph.Runs[chars[i].run];
          std::string piece;
          for (size_t k = i; k < j; ++k) piece += chars[k].c;
          canvas.Font().SetName(run.FontName);
          canvas.Font().SetHeight(run.FontHeight);
          canvas.Font().SetStyle(run.Style);
          canvas.Font().SetColor(run.Color);
          canvas.TextOut(x, y + ascent - fontOf(run).Metrics().Ascent, piece);
          x += width(i, j);
          i = j;
        }
      }
      y += ascent + descent;
      pos = end;
      while (pos < chars.size() && blank(pos)) ++pos;
    }
  }
  canvas.Font().Assign(savedFont);
  canvas.Brush().SetStyle(savedBrush);
  return y - rect.Top;
}

}  // namespace qr2vor
