#include "rtl/edit_mask_text.h"

#include <vector>

namespace qr2vor {

namespace {

enum class CaseRule { kKeep, kUpper, kLower };

// One position of the field: a literal, or a mask character with its case rule.
struct MaskPosition {
  bool literal;
  char character;
  CaseRule caseRule;
};

struct EditMask {
  std::vector<MaskPosition> positions;
  bool fillFromRight = false;
  bool keepLiterals = true;
  char blank = ' ';
};

bool IsMaskCharacter(char c) {
  switch (c) {
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
    case '0':
    case '9':
    case '#':
      return true;
    default:
      return false;
  }
}

bool IsLetter(char c) { return AnsiUpperChar(c) != AnsiLowerChar(c); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool Fits(char maskCharacter, char c) {
  switch (maskCharacter) {
    case 'L':
    case 'l':
      return IsLetter(c);
    case 'A':
    case 'a':
      return IsLetter(c) || IsDigit(c);
    case '0':
    case '9':
      return IsDigit(c);
    case '#':
      return IsDigit(c) || c == '+' || c == '-';
    default:
      return true;
  }
}

// Splits off the sections after the first ';' that is not escaped by '\'.
EditMask ParseEditMask(std::string_view editMask, const TFormatSettings& settings) {
  EditMask mask;
  CaseRule caseRule = CaseRule::kKeep;
  size_t i = 0;
  for (; i < editMask.size() && editMask[i] != ';'; ++i) {
    char c = editMask[i];
    if (c == '\\' && i + 1 < editMask.size()) {
      mask.positions.push_back({true, editMask[++i], caseRule});
    } else if (c == '!') {
      mask.fillFromRight = true;
    } else if (c == '<' && i + 1 < editMask.size() && editMask[i + 1] == '>') {
      caseRule = CaseRule::kKeep;
      ++i;
    } else if (c == '<' || c == '>') {
      caseRule = c == '<' ? CaseRule::kLower : CaseRule::kUpper;
    } else if (IsMaskCharacter(c)) {
      mask.positions.push_back({false, c, caseRule});
    } else {
      char literal = c == ':'   ? settings.timeSeparator
                     : c == '/' ? settings.dateSeparator
                     : c == '_' ? ' '
                                : c;
      mask.positions.push_back({true, literal, caseRule});
    }
  }
  std::string_view sections = i < editMask.size() ? editMask.substr(i + 1) : std::string_view{};
  size_t second = sections.find(';');
  std::string_view keep = sections.substr(0, second);
  if (!keep.empty()) mask.keepLiterals = keep.front() != '0';
  if (second != std::string_view::npos && second + 1 < sections.size()) {
    mask.blank = sections[second + 1];
  }
  return mask;
}

char ApplyCase(CaseRule rule, char c) {
  if (rule == CaseRule::kUpper) return AnsiUpperChar(c);
  if (rule == CaseRule::kLower) return AnsiLowerChar(c);
  return c;
}

}  // namespace

std::string FormatMaskText(std::string_view editMask, std::string_view text,
                           const TFormatSettings& settings) {
  EditMask mask = ParseEditMask(editMask, settings);
  size_t consuming = 0;  // positions that take a character of the text
  for (const MaskPosition& position : mask.positions) {
    if (!position.literal || mask.keepLiterals) ++consuming;
  }
  size_t skip = mask.fillFromRight && text.size() < consuming ? consuming - text.size() : 0;
  std::string result;
  size_t next = 0;
  for (const MaskPosition& position : mask.positions) {
    bool takes = !position.literal || mask.keepLiterals;
    bool skipped = takes && skip > 0;
    if (skipped) --skip;
    bool available = takes && !skipped && next < text.size();
    char c = available ? text[next++] : 0;
    if (position.literal) {
      result += position.character;
    } else if (available && Fits(position.character, c)) {
      result += ApplyCase(position.caseRule, c);
    } else {
      result += mask.blank;
    }
  }
  return result;
}

}  // namespace qr2vor
