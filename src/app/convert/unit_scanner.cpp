#include "app/convert/unit_scanner.h"

#include <algorithm>
#include <deque>

#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

enum class TTokenKind { Word, String, Symbol, End };

struct TToken {
  TTokenKind kind = TTokenKind::End;
  // A word or a symbol as written; a string's content between its quotes.
  std::string_view text;

  bool Is(char symbol) const {
    return kind == TTokenKind::Symbol && text.size() == 1 && text[0] == symbol;
  }
  bool IsWord(std::string_view word) const {
    return kind == TTokenKind::Word && SameText(text, word);
  }
};

bool IsWordChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || byte == '_' || byte >= 0x80;
}

// Words, strings and one-character symbols of either language, comments skipped. Every byte is
// looked at a fixed number of times.
class TLexer {
 public:
  TLexer(std::string_view source, bool pascal) : source_(source), pascal_(pascal) {}

  // The token `ahead` places after the next one (0: the next one), without consuming it.
  const TToken& Peek(size_t ahead = 0) {
    while (lookahead_.size() <= ahead) lookahead_.push_back(Read());
    return lookahead_[ahead];
  }
  TToken Next() {
    const TToken token = Peek();
    lookahead_.pop_front();
    return token;
  }

  // After "#include": the target between <> or "" on the rest of the line. Only valid while
  // nothing beyond the "include" word has been peeked.
  std::string_view IncludeTarget() {
    while (at_ < source_.size() && (source_[at_] == ' ' || source_[at_] == '\t')) ++at_;
    if (at_ >= source_.size() || (source_[at_] != '<' && source_[at_] != '"')) return {};
    const char close = source_[at_] == '<' ? '>' : '"';
    const size_t start = ++at_;
    while (at_ < source_.size() && source_[at_] != close && source_[at_] != '\n') ++at_;
    const std::string_view target = source_.substr(start, at_ - start);
    if (at_ < source_.size() && source_[at_] == close) ++at_;
    return target;
  }

 private:
  void SkipPast(std::string_view end) {
    const size_t found = source_.find(end, at_);
    at_ = found == std::string_view::npos ? source_.size() : found + end.size();
  }

  // Skips blanks and comments; true when a token follows.
  bool SkipSpaceAndComments() {
    while (at_ < source_.size()) {
      const char c = source_[at_];
      const char next = at_ + 1 < source_.size() ? source_[at_ + 1] : '\0';
      if (static_cast<unsigned char>(c) <= ' ') {
        ++at_;
      } else if (c == '/' && next == '/') {
        SkipPast("\n");
      } else if (pascal_ && c == '{') {
        SkipPast("}");
      } else if (pascal_ && c == '(' && next == '*') {
        at_ += 2;
        SkipPast("*)");
      } else if (!pascal_ && c == '/' && next == '*') {
        at_ += 2;
        SkipPast("*/");
      } else {
        return true;
      }
    }
    return false;
  }

  // A string from its opening quote: Pascal doubles the quote inside, C++ escapes with "\".
  TToken ReadString(char quote) {
    const size_t start = ++at_;
    while (at_ < source_.size()) {
      const char c = source_[at_];
      if (c == quote) {
        if (pascal_ && at_ + 1 < source_.size() && source_[at_ + 1] == quote) {
          at_ += 2;
          continue;
        }
        break;
      }
      if (!pascal_ && c == '\\') ++at_;
      if (c == '\n' && !pascal_) break;
      ++at_;
    }
    const size_t end = std::min(at_, source_.size());
    if (at_ < source_.size()) ++at_;
    return {TTokenKind::String, source_.substr(start, end - start)};
  }

  TToken Read() {
    if (!SkipSpaceAndComments()) return {};
    const char c = source_[at_];
    if (IsWordChar(c)) {
      const size_t start = at_;
      while (at_ < source_.size() && IsWordChar(source_[at_])) ++at_;
      return {TTokenKind::Word, source_.substr(start, at_ - start)};
    }
    if (c == '\'' || (!pascal_ && c == '"')) return ReadString(c);
    return {TTokenKind::Symbol, source_.substr(at_++, 1)};
  }

  std::string_view source_;
  bool pascal_;
  size_t at_ = 0;
  std::deque<TToken> lookahead_;
};

// "Name.Name.Name" from the next word on: the whole name and its last part.
std::pair<std::string, std::string> ReadDottedName(TLexer& lexer) {
  std::string whole(lexer.Next().text);
  std::string last = whole;
  while (lexer.Peek().Is('.') && lexer.Peek(1).kind == TTokenKind::Word) {
    lexer.Next();
    last = std::string(lexer.Next().text);
    whole += "." + last;
  }
  return {whole, last};
}

// The list after "uses" or "contains": names, each with an optional "in 'path'", separated by
// commas, ended by a semicolon. Stops at anything else.
void ReadUsesClause(TLexer& lexer, TUnitDeclarations& unit) {
  while (lexer.Peek().kind == TTokenKind::Word) {
    std::string name = ReadDottedName(lexer).first;
    std::string path;
    if (lexer.Peek().IsWord("in") && lexer.Peek(1).kind == TTokenKind::String) {
      lexer.Next();
      path = std::string(lexer.Next().text);
    }
    unit.uses.emplace_back(std::move(name), std::move(path));
    if (!lexer.Peek().Is(',')) return;
    lexer.Next();
  }
}

// After "Name =": "class(Parent" with "abstract" or "sealed" allowed before the parenthesis.
void ReadPascalClass(const std::string_view name, TLexer& lexer, TUnitDeclarations& unit) {
  if (!lexer.Peek().IsWord("class")) return;
  lexer.Next();
  if (lexer.Peek().IsWord("abstract") || lexer.Peek().IsWord("sealed")) lexer.Next();
  if (!lexer.Peek().Is('(') || lexer.Peek(1).kind != TTokenKind::Word) return;
  lexer.Next();
  unit.classes.emplace_back(std::string(name), ReadDottedName(lexer).second);
}

// After "class": "[PACKAGE] Name : public [ns::]Parent".
void ReadCppClass(TLexer& lexer, TUnitDeclarations& unit) {
  if (lexer.Peek().IsWord("PACKAGE") && lexer.Peek(1).kind == TTokenKind::Word) lexer.Next();
  if (lexer.Peek().kind != TTokenKind::Word || !lexer.Peek(1).Is(':') ||
      !lexer.Peek(2).IsWord("public") || lexer.Peek(3).kind != TTokenKind::Word) {
    return;
  }
  const std::string name(lexer.Next().text);
  lexer.Next();
  lexer.Next();
  std::string parent(lexer.Next().text);
  while (lexer.Peek().Is(':') && lexer.Peek(1).Is(':') && lexer.Peek(2).kind == TTokenKind::Word) {
    lexer.Next();
    lexer.Next();
    parent = std::string(lexer.Next().text);
  }
  unit.classes.emplace_back(name, std::move(parent));
}

// A header's file name without folder and extension.
std::string HeaderStem(std::string_view target) {
  const size_t slash = target.find_last_of("/\\");
  if (slash != std::string_view::npos) target.remove_prefix(slash + 1);
  const size_t dot = target.rfind('.');
  if (dot != std::string_view::npos && dot > 0) target = target.substr(0, dot);
  return std::string(target);
}

}  // namespace

TUnitDeclarations ScanPascalUnit(std::string_view source) {
  TUnitDeclarations unit;
  TLexer lexer(source, true);
  while (lexer.Peek().kind != TTokenKind::End) {
    const TToken token = lexer.Next();
    if (token.kind != TTokenKind::Word) continue;
    if (token.IsWord("uses") || token.IsWord("contains")) {
      ReadUsesClause(lexer, unit);
    } else if (lexer.Peek().Is('=')) {
      lexer.Next();
      ReadPascalClass(token.text, lexer, unit);
    }
  }
  return unit;
}

TUnitDeclarations ScanCppHeader(std::string_view source) {
  TUnitDeclarations unit;
  TLexer lexer(source, false);
  while (lexer.Peek().kind != TTokenKind::End) {
    const TToken token = lexer.Next();
    if (token.Is('#') && lexer.Peek().IsWord("include")) {
      lexer.Next();
      const std::string_view target = lexer.IncludeTarget();
      if (!target.empty()) unit.uses.emplace_back(HeaderStem(target), std::string(target));
    } else if (token.IsWord("class")) {
      ReadCppClass(lexer, unit);
    }
  }
  return unit;
}

}  // namespace qr2vor
