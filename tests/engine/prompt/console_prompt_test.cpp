#include "engine/prompt/console_prompt.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report/report.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

// A report with a parameter of every editor kind, all Null.
class ConsolePrompt : public testing::Test {
 protected:
  void SetUp() override {
    Add("Title", "Report title", peEdit, {});
    Add("Paid", "Paid only", peCheckBox, {});
    Add("Kind", "", peCombobox, {"Retail", "Trade"});
    Add("Region", "Region", peListBox, {"North", "South"});
  }
  void Add(const std::string& name, const std::string& label, TVoRParameterEditor editor,
           const std::vector<std::string>& items) {
    TVoRParameter* parameter = report.Parameters()->Add();
    parameter->SetName(name);
    parameter->SetDisplayLabel(label);
    parameter->SetParameterEditor(editor);
    for (const std::string& item : items) parameter->ParamPromptValues()->Add(item);
  }
  std::string Value(int index) const {
    const Variant& value = report.Parameters()->Items(index)->Value();
    return value.IsNull() ? "Null" : value.AsString();
  }
  bool Run(std::vector<TParameterAnswer> answers, const std::string& typed, bool isTerminal) {
    in.str(typed);
    TConsoleParameterDialog dialog(std::move(answers), in, out, isTerminal);
    return AskParameters(report, dialog);
  }

  TVoReport report{nullptr};
  std::istringstream in;
  std::ostringstream out;
};

TEST_F(ConsolePrompt, AnswersGivenInAdvanceAreTakenWithoutAQuestion) {
  // Names ignore case; the later of two answers wins; "\xc3\xa9" is UTF-8 for e-acute.
  ASSERT_TRUE(Run({{"TITLE", "Sales"},
                   {"title", "Caf\xc3\xa9"},
                   {"paid", "Yes"},
                   {"Kind", "wholesale"},
                   {"Region", "south"}},
                  "", false));
  EXPECT_EQ(Value(0), "Caf\xe9");  // kept in the ANSI code page
  EXPECT_EQ(Value(1), "True");
  EXPECT_EQ(Value(2), "wholesale");  // no item: the typed text
  EXPECT_EQ(Value(3), "South");      // the item's own spelling
  EXPECT_EQ(out.str(), "");
}

TEST_F(ConsolePrompt, WithoutATerminalEveryUnansweredParameterIsNamed) {
  try {
    Run({{"Paid", "no"}, {"Region", "North"}}, "", false);
    FAIL() << "no failure";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(),
                 "No value given for the report parameters Title, Kind "
                 "(give it as --param NAME=VALUE)");
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Value(i), "Null");
}

TEST_F(ConsolePrompt, AnswersThatDoNotFitTheirEditorFail) {
  struct Row {
    TParameterAnswer answer;
    const char* message;
  };
  const std::vector<Row> rows = {
      {{"Paid", "perhaps"}, "Parameter Paid: \"perhaps\" is not yes or no"},
      {{"Region", "East"}, "Parameter Region: \"East\" is not one of: North, South"},
      // Numbers pick items only when typed at the terminal.
      {{"Region", "1"}, "Parameter Region: \"1\" is not one of: North, South"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    std::vector<TParameterAnswer> answers = {
        {"Title", "t"}, {"Paid", "y"}, {"Kind", "k"}, {"Region", "North"}, row.answer};
    try {
      Run(answers, "", false);
      ADD_FAILURE() << "no failure";
    } catch (const EConvertError& error) {
      EXPECT_STREQ(error.what(), row.message);
    }
    EXPECT_EQ(Value(1), "Null");
  }
}

TEST_F(ConsolePrompt, OnATerminalTheRestAreAskedOneByOne) {
  // Title: an empty line keeps the empty text. Paid: asked again after a bad answer.
  // Kind (no caption: asked by its name): item 2 by number. Region: first shown selected.
  ASSERT_TRUE(Run({}, "\nmaybe\nn\n2\n\r\n", true));
  EXPECT_EQ(out.str(),
            "Report parameters\n"
            "Report title: "
            "Paid only (yes/no) [no]: Please answer yes or no\n"
            "Paid only (yes/no) [no]: "
            "  1) Retail\n  2) Trade\n"
            "Kind [Retail]: "
            "  1) North\n  2) South\n"
            "Region [North]: ");
  EXPECT_EQ(Value(0), "");
  EXPECT_EQ(Value(1), "False");
  EXPECT_EQ(Value(2), "Trade");
  EXPECT_EQ(Value(3), "North");
}

TEST_F(ConsolePrompt, TheEndOfInputCancels) {
  EXPECT_FALSE(Run({{"Title", "x"}}, "yes\n", true));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Value(i), "Null");
}

TEST(ParameterAnswer, SplitsAtTheFirstEqualsSignAndChecksTheNames) {
  const TParameterAnswer answer = ParseParameterAnswer("Filter=a=b");
  EXPECT_EQ(answer.name, "Filter");
  EXPECT_EQ(answer.value, "a=b");
  EXPECT_EQ(ParseParameterAnswer("Empty=").value, "");
  for (const char* bad : {"NoValue", "=x"}) {
    try {
      ParseParameterAnswer(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(),
                std::string("Parameter value \"") + bad + "\" is not of the form NAME=VALUE");
    }
  }
  TVoReport report(nullptr);
  report.Parameters()->Add()->SetName("From");
  CheckParameterAnswers(report, {{"from", "1"}});
  try {
    CheckParameterAnswers(report, {{"from", "1"}, {"To", "2"}});
    ADD_FAILURE();
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "The report has no parameter To");
  }
}

}  // namespace
}  // namespace qr2vor
