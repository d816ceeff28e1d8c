#pragma once

// The parameter window on a console: answers given in advance (NAME=VALUE, as the command line
// passes them) fill their editors without a question; the others are asked one by one on a
// terminal. Without a terminal a parameter that has no answer fails the run, naming it.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "engine/prompt/parameter_prompt.h"

namespace qr2vor {

struct TParameterAnswer {
  std::string name;
  // UTF-8, as typed.
  std::string value;
};

// Splits "NAME=VALUE" at the first '='; raises EConvertError when there is no '=' or no name.
TParameterAnswer ParseParameterAnswer(std::string_view pair);

// Raises EConvertError for an answer whose name is no parameter of the report.
void CheckParameterAnswers(const TVoReport& report, const std::vector<TParameterAnswer>& answers);

class TConsoleParameterDialog : public TParameterDialog {
 public:
  // Asks on standard error and reads standard input when standard input is a terminal.
  explicit TConsoleParameterDialog(std::vector<TParameterAnswer> answers);
  TConsoleParameterDialog(std::vector<TParameterAnswer> answers, std::istream& in,
                          std::ostream& out, bool isTerminal);

  // Names are compared without regard to case. An answer fills a check box when it is yes/no,
  // true/false, y/n or 1/0; a list box when it is one of its items; a combo box selects the
  // item it names or is taken as typed text. A bad answer raises EConvertError naming the
  // parameter. On a terminal an empty line keeps what the editor shows, a number picks an item
  // of a list, a bad answer is asked again, and the end of input cancels.
  bool Execute(TParameterPrompt& prompt) override;

 private:
  const TParameterAnswer* AnswerFor(const TPromptControl& editor) const;
  // False at the end of input.
  bool Ask(const std::string& label, TPromptControl& editor);

  std::vector<TParameterAnswer> answers_;
  std::istream& in_;
  std::ostream& out_;
  bool isTerminal_;
};

}  // namespace qr2vor
