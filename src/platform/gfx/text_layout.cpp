// The text layout function of every canvas (TCanvas::DrawText).

#include <algorithm>
#include <vector>

#include "platform/gfx/canvas.h"

namespace qr2vor {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Removes the '&' prefix marks: "&&" stands for one '&', a single '&' disappears.
std::string RemovePrefixes(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        result += '&';
        ++i;
      }
      continue;
    }
    result += text[i];
  }
  return result;
}

// Measures and draws lines in one font, with tabs expanded to stops every eight average
// character widths when asked.
class TLineWriter {
 public:
  TLineWriter(const TCanvas& canvas, bool expandTabs)
      : canvas_(canvas),
        font_(canvas.ScaledFont()),
        tabWidth_(expandTabs ? 8 * std::max(1, font_.Metrics().AveCharWidth) : 0) {}

  // Lines break only at blanks, CR and LF, which no code page uses inside a double-byte
  // character, so a line decodes on its own.
  int32_t Width(std::string_view line) const {
    const std::u16string characters = canvas_.Characters(line);
    if (tabWidth_ == 0) return font_.TextWidth(characters);
    int32_t x = 0;
    ForEachCodePoint(characters, [&](char32_t c, size_t) {
      x = c == '\t' ? NextTabStop(x) : x + font_.CharWidth(c);
    });
    return x;
  }

  void Draw(TCanvas& canvas, int32_t x, int32_t y, std::string_view line) const {
    if (tabWidth_ == 0) {
      canvas.TextOut(x, y, line);
      return;
    }
    int32_t offset = 0;
    while (!line.empty()) {
      const size_t tab = line.find('\t');
      const std::string_view segment = line.substr(0, tab);
      if (!segment.empty()) canvas.TextOut(x + offset, y, segment);
      offset += font_.TextWidth(canvas_.Characters(segment));
      if (tab == std::string_view::npos) break;
      offset = NextTabStop(offset);
      line.remove_prefix(tab + 1);
    }
  }

 private:
  int32_t NextTabStop(int32_t x) const { return (x / tabWidth_ + 1) * tabWidth_; }

  const TCanvas& canvas_;
  const TScaledFont& font_;
  int32_t tabWidth_;
};

// Splits the paragraphs (at CR LF, CR or LF) into lines; with word breaking, a line ends before
// the first word that would pass maxWidth (a single word wider than that stays whole) and the
// blanks at a break are dropped.
std::vector<std::string_view> BreakLines(std::string_view text, uint32_t flags, int32_t maxWidth,
                                         const TLineWriter& writer) {
  std::vector<std::string_view> paragraphs;
  if ((flags & DT_SINGLELINE) != 0) {
    paragraphs.push_back(text);
  } else {
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
      if (text[i] == '\r' || text[i] == '\n') {
        paragraphs.push_back(text.substr(start, i - start));
        i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
      } else {
        ++i;
      }
    }
    if (start < text.size()) paragraphs.push_back(text.substr(start));
  }
  if ((flags & DT_WORDBREAK) == 0 || (flags & DT_SINGLELINE) != 0) return paragraphs;

  std::vector<std::string_view> lines;
  for (std::string_view paragraph : paragraphs) {
    size_t pos = 0;
    do {
      // The first word of a line, with the blanks before it, always stays on the line.
      size_t end = pos;
      while (end < paragraph.size() && IsBlank(paragraph[end])) ++end;
      while (end < paragraph.size() && !IsBlank(paragraph[end])) ++end;
      while (end < paragraph.size()) {
        size_t wordStart = end;
        while (wordStart < paragraph.size() && IsBlank(paragraph[wordStart])) ++wordStart;
        if (wordStart == paragraph.size()) break;
        size_t wordEnd = wordStart;
        while (wordEnd < paragraph.size() && !IsBlank(paragraph[wordEnd])) ++wordEnd;
        if (writer.Width(paragraph.substr(pos, wordEnd - pos)) > maxWidth) break;
        end = wordEnd;
      }
      lines.push_back(paragraph.substr(pos, end - pos));
      pos = end;
      while (pos < paragraph.size() && IsBlank(paragraph[pos])) ++pos;
    } while (pos < paragraph.size());
  }
  return lines;
}

}  // namespace

int32_t TCanvas::DrawText(std::string_view text, TRect& rect, uint32_t flags) {
  std::string unprefixed;
  if ((flags & DT_NOPREFIX) == 0) {
    unprefixed = RemovePrefixes(text);
    text = unprefixed;
  }
  const TScaledFont& font = ScaledFont();
  const int32_t lineHeight = font.Metrics().Height;
  const TLineWriter writer(*this, (flags & DT_EXPANDTABS) != 0);
  const std::vector<std::string_view> lines =
      BreakLines(text, flags, rect.Right - rect.Left, writer);
  const auto height = static_cast<int32_t>(lines.size()) * lineHeight;

  if ((flags & DT_CALCRECT) != 0) {
    int32_t widest = 0;
    for (std::string_view line : lines) widest = std::max(widest, writer.Width(line));
    if ((flags & DT_WORDBREAK) == 0 || widest > rect.Right - rect.Left)
      rect.Right = rect.Left + widest;
    rect.Bottom = rect.Top + height;
    return height;
  }

  int32_t top = rect.Top;
  if ((flags & DT_SINGLELINE) != 0) {
    if ((flags & DT_VCENTER) != 0)
      top = rect.Top + (rect.Bottom - rect.Top - lineHeight) / 2;
    else if ((flags & DT_BOTTOM) != 0)
      top = rect.Bottom - lineHeight;
  }
  const bool clip = (flags & DT_NOCLIP) == 0;
  if (clip) {
    SaveState();
    IntersectClipRect(rect);
  }
  int32_t y = top;
  for (std::string_view line : lines) {
    int32_t x = rect.Left;
    if ((flags & (DT_CENTER | DT_RIGHT)) != 0) {
      const int32_t width = writer.Width(line);
      x = (flags & DT_CENTER) != 0 ? rect.Left + (rect.Right - rect.Left - width) / 2
                                   : rect.Right - width;
    }
    if (!line.empty()) writer.Draw(*this, x, y, line);
    y += lineHeight;
  }
  if (clip) RestoreState();
  return top - rect.Top + height;
}

}  // namespace qr2vor
