#include "engine/prompt/console_prompt.h"

#include <unistd.h>

#include <iostream>

#include <fmt/format.h>

#include "report/report.h"
#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

enum TAnswerSource : uint8_t { asGivenInAdvance, asTyped };

// The name under which a parameter is known to the user.
std::string ParameterTitle(const TPromptControl& editor) {
  return AnsiToUtf8(editor.parameterName);
}

bool ParseYesNo(std::string_view text, bool& value) {
  const std::string lower = LowerCaseAscii(text);
  for (const char* yes : {"yes", "y", "true", "1"}) {
    if (lower == yes) {
      value = true;
      return true;
    }
  }
  for (const char* no : {"no", "n", "false", "0"}) {
    if (lower == no) {
      value = false;
      return true;
    }
  }
  return false;
}

// The item named by `text`: its own text ignoring case, or, when typed, its number from 1.
int FindItem(const std::vector<std::string>& items, const std::string& text, TAnswerSource source) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (AnsiSameText(items[i], text)) return static_cast<int>(i);
  }
  if (source == asTyped && !text.empty() && text.size() < 10 &&
      text.find_first_not_of("0123456789") == std::string::npos) {
    const size_t number = std::stoul(text);
    if (number >= 1 && number <= items.size()) return static_cast<int>(number - 1);
  }
  return -1;
}

// Sets the editor from an answer (UTF-8); false when the answer does not fit the editor.
bool ApplyAnswer(TPromptControl& editor, std::string_view answer, TAnswerSource source) {
  const std::string text = Utf8ToAnsi(answer);
  switch (editor.kind) {
    case pcCheckBox:
      return ParseYesNo(text, editor.checked);
    case pcComboBox:
      editor.itemIndex = FindItem(editor.items, text, source);
      editor.text = editor.itemIndex >= 0 ? editor.items[editor.itemIndex] : text;
      return true;
    case pcListBox: {
      const int index = FindItem(editor.items, text, source);
      if (index < 0) return false;
      editor.itemIndex = index;
      return true;
    }
    default:
      editor.text = text;
      return true;
  }
}

std::string ExpectedAnswer(const TPromptControl& editor) {
  if (editor.kind == pcCheckBox) return "yes or no";
  std::string items;
  for (const std::string& item : editor.items) {
    items += items.empty() ? "" : ", ";
    items += AnsiToUtf8(item);
  }
  return "one of: " + items;
}

// What the editor shows now, for the question's default.
std::string Shown(const TPromptControl& editor) {
  switch (editor.kind) {
    case pcCheckBox:
      return editor.checked ? "yes" : "no";
    case pcListBox:
      return editor.itemIndex >= 0 ? AnsiToUtf8(editor.items[editor.itemIndex]) : std::string();
    default:
      return AnsiToUtf8(editor.text);
  }
}

}  // namespace

TParameterAnswer ParseParameterAnswer(std::string_view pair) {
  const size_t equals = pair.find('=');
  if (equals == std::string_view::npos || equals == 0) {
    throw EConvertError("Parameter value \"{}\" is not of the form NAME=VALUE", pair);
  }
  return {std::string(pair.substr(0, equals)), std::string(pair.substr(equals + 1))};
}

void CheckParameterAnswers(const TVoReport& report, const std::vector<TParameterAnswer>& answers) {
  const TVoRParameters& parameters = *report.Parameters();
  for (const TParameterAnswer& answer : answers) {
    bool found = false;
    for (int i = 0; i < parameters.Count() && !found; ++i) {
      found = SameText(parameters.Items(i)->Name(), Utf8ToAnsi(answer.name));
    }
    if (!found) throw EConvertError("The report has no parameter {}", answer.name);
  }
}

TConsoleParameterDialog::TConsoleParameterDialog(std::vector<TParameterAnswer> answers)
    : TConsoleParameterDialog(std::move(answers), std::cin, std::cerr, isatty(STDIN_FILENO) != 0) {}

TConsoleParameterDialog::TConsoleParameterDialog(std::vector<TParameterAnswer> answers,
                                                 std::istream& in, std::ostream& out,
                                                 bool isTerminal)
    : answers_(std::move(answers)), in_(in), out_(out), isTerminal_(isTerminal) {}

const TParameterAnswer* TConsoleParameterDialog::AnswerFor(const TPromptControl& editor) const {
  // A later answer for the same name wins, as on a command line.
  for (auto answer = answers_.rbegin(); answer != answers_.rend(); ++answer) {
    if (SameText(Utf8ToAnsi(answer->name), editor.parameterName)) return &*answer;
  }
  return nullptr;
}

bool TConsoleParameterDialog::Execute(TParameterPrompt& prompt) {
  std::vector<TPromptControl*> unanswered;
  for (TPromptControl& editor : prompt.controls) {
    if (!editor.IsEditor()) continue;
    const TParameterAnswer* answer = AnswerFor(editor);
    if (!answer) {
      unanswered.push_back(&editor);
    } else if (!ApplyAnswer(editor, answer->value, asGivenInAdvance)) {
      throw EConvertError("Parameter {}: \"{}\" is not {}", ParameterTitle(editor), answer->value,
                          ExpectedAnswer(editor));
    }
  }
  if (unanswered.empty()) return true;
  if (!isTerminal_) {
    std::string names;
    for (const TPromptControl* editor : unanswered) {
      names += names.empty() ? "" : ", ";
      names += ParameterTitle(*editor);
    }
    throw Exception("No value given for the report parameter{} {} (give it as --param NAME=VALUE)",
                    unanswered.size() > 1 ? "s" : "", names);
  }
  out_ << AnsiToUtf8(prompt.caption) << '\n';
  for (TPromptControl* editor : unanswered) {
    std::string label = ParameterTitle(*editor);
    for (const TPromptControl& caption : prompt.controls) {
      if (caption.kind == pcCaption && caption.parameterIndex == editor->parameterIndex &&
          !caption.text.empty()) {
        label = AnsiToUtf8(caption.text);
      }
    }
    if (!Ask(label, *editor)) return false;
  }
  return true;
}

bool TConsoleParameterDialog::Ask(const std::string& label, TPromptControl& editor) {
  for (size_t i = 0; i < editor.items.size(); ++i) {
    out_ << "  " << i + 1 << ") " << AnsiToUtf8(editor.items[i]) << '\n';
  }
  for (;;) {
    out_ << label;
    if (editor.kind == pcCheckBox) out_ << " (yes/no)";
    if (const std::string shown = Shown(editor); !shown.empty()) out_ << " [" << shown << ']';
    out_ << ": " << std::flush;
    std::string line;
    if (!std::getline(in_, line)) {
      out_ << '\n';
      return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || ApplyAnswer(editor, line, asTyped)) return true;
    out_ << (editor.kind == pcCheckBox ? "Please answer yes or no\n"
                                       : "Please answer with an item or its number\n");
  }
}

}  // namespace qr2vor
