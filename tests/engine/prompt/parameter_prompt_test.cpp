#include "engine/prompt/parameter_prompt.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report/report.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

TVoRParameter* AddParameter(TVoReport& report, const std::string& label, TVoRParameterEditor editor,
                            const Variant& value, const std::vector<std::string>& items = {},
                            TVoRParameterMode mode = pmAskAlways) {
  TVoRParameter* parameter = report.Parameters()->Add();
  parameter->SetName(label);
  parameter->SetDisplayLabel(label);
  parameter->SetParameterEditor(editor);
  parameter->SetParameterMode(mode);
  parameter->SetValue(value);
  for (const std::string& item : items) parameter->ParamPromptValues()->Add(item);
  return parameter;
}

// A dialog that records what it was shown and edits it as told.
class TScriptedDialog : public TParameterDialog {
 public:
  explicit TScriptedDialog(bool accept, std::function<void(TParameterPrompt&)> edit = {})
      : accept_(accept), edit_(std::move(edit)) {}
  bool Execute(TParameterPrompt& prompt) override {
    ++shown;
    if (edit_) edit_(prompt);
    return accept_;
  }
  int shown = 0;

 private:
  bool accept_;
  std::function<void(TParameterPrompt&)> edit_;
};

TEST(ParameterPrompt, ThreeOneLineEditsAreLaidOutBelowEachOther) {
  TVoReport report(nullptr);
  for (const char* name : {"From", "To", "Region"}) AddParameter(report, name, peEdit, Variant());
  const std::optional<TParameterPrompt> prompt = BuildParameterPrompt(report);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(prompt->caption, "Report parameters");
  EXPECT_EQ(prompt->clientWidth, 225);
  EXPECT_EQ(prompt->clientHeight, 146);
  struct Row {
    TPromptControlKind kind;
    TPromptBounds bounds;
    int parameterIndex;
    std::string text;
  };
  const std::vector<Row> expected = {
      {pcCaption, {5, 12, 100, 17}, 0, "From"},
      {pcEdit, {110, 8, 100, 21}, 0, ""},
      {pcCaption, {5, 43, 100, 17}, 1, "To"},
      {pcEdit, {110, 39, 100, 21}, 1, ""},
      {pcCaption, {5, 74, 100, 17}, 2, "Region"},
      {pcEdit, {110, 70, 100, 21}, 2, ""},
      {pcOkButton, {65, 111, 75, 25}, -1, "&OK"},
      {pcCancelButton, {145, 111, 75, 25}, -1, "&Cancel"},
  };
  ASSERT_EQ(prompt->controls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const TPromptControl& control = prompt->controls[i];
    EXPECT_EQ(control.kind, expected[i].kind);
    EXPECT_EQ(control.bounds, expected[i].bounds);
    EXPECT_EQ(control.parameterIndex, expected[i].parameterIndex);
    EXPECT_EQ(control.text, expected[i].text);
  }
}

TEST(ParameterPrompt, EachEditorKindTakesItsOwnHeightAndOnlyAskedParametersAppear) {
  TVoReport report(nullptr);
  AddParameter(report, "Notes", peMemo, Variant());
  AddParameter(report, "Known", peEdit, Variant("x"), {}, pmAskUndefined);  // not asked
  AddParameter(report, "Paid", peCheckBox, Variant::Null(), {}, pmAskUndefined);
  AddParameter(report, "Region", peListBox, Variant(), {"N", "S"});
  AddParameter(report, "Kind", peCombobox, Variant(), {"A"});
  const std::optional<TParameterPrompt> prompt = BuildParameterPrompt(report);
  ASSERT_TRUE(prompt);
  // Editors at 8 (89 high), 107 (17), 134 (97), 241 (21); buttons at 282; client 272 + 45.
  std::vector<std::tuple<TPromptControlKind, int, int, int>> editors;
  for (const TPromptControl& control : prompt->controls) {
    if (control.IsEditor()) {
      editors.emplace_back(control.kind, control.parameterIndex, control.bounds.top,
                           control.bounds.height);
    }
  }
  const std::vector<std::tuple<TPromptControlKind, int, int, int>> expected = {
      {pcMemo, 0, 8, 89},
      {pcCheckBox, 2, 107, 17},
      {pcListBox, 3, 134, 97},
      {pcComboBox, 4, 241, 21}};
  EXPECT_EQ(editors, expected);
  EXPECT_EQ(prompt->controls.back().bounds.top, 282);
  EXPECT_EQ(prompt->clientHeight, 317);
}

TEST(ParameterPrompt, NothingToAskShowsNoWindow) {
  TVoReport report(nullptr);
  TScriptedDialog dialog(false);
  EXPECT_TRUE(AskParameters(report, dialog));
  AddParameter(report, "A", peEdit, Variant(1), {}, pmAskUndefined);
  AddParameter(report, "B", peCheckBox, Variant(false), {}, pmAskUndefined);
  EXPECT_FALSE(BuildParameterPrompt(report));
  EXPECT_TRUE(AskParameters(report, dialog));
  EXPECT_EQ(dialog.shown, 0);
}

TEST(ParameterPrompt, EditorsStartFromTheValues) {
  struct Row {
    TVoRParameterEditor editor;
    Variant value;
    std::vector<std::string> items;
    std::string text;
    int itemIndex;
    bool checked;
  };
  const std::vector<std::string> abc = {"a", "b", "c"};
  const std::vector<Row> rows = {
      {peEdit, Variant::Null(), {}, "", -1, false},
      {peEdit, Variant(12), {}, "12", -1, false},
      {peMemo, Variant("x\r\ny"), {}, "x\r\ny", -1, false},
      {peCheckBox, Variant::Null(), {}, "", -1, false},
      {peCheckBox, Variant("True"), {}, "", -1, true},
      {peCheckBox, Variant(0), {}, "", -1, false},
      {peCombobox, Variant(2), abc, "c", 2, false},
      {peCombobox, Variant::Null(), abc, "a", 0, false},
      {peCombobox, Variant("zz"), abc, "zz", -1, false},
      {peCombobox, Variant(7), abc, "7", -1, false},
      {peListBox, Variant("B"), abc, "", 1, false},
      {peListBox, Variant("zz"), abc, "", -1, false},
      {peListBox, Variant(-1), abc, "", -1, false},
      {peListBox, Variant(), {}, "", -1, false},
      // Integers beyond 32 bits are looked up by their text.
      {peListBox, Variant(int64_t{4294967296}), {"4294967296"}, "", 0, false},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    TVoReport report(nullptr);
    AddParameter(report, "P", rows[i].editor, rows[i].value, rows[i].items);
    const std::optional<TParameterPrompt> prompt = BuildParameterPrompt(report);
    ASSERT_TRUE(prompt);
    const TPromptControl& editor = prompt->controls[1];
    EXPECT_EQ(editor.text, rows[i].text);
    EXPECT_EQ(editor.itemIndex, rows[i].itemIndex);
    EXPECT_EQ(editor.checked, rows[i].checked);
    EXPECT_EQ(editor.items, rows[i].items);
  }
}

TEST(ParameterPrompt, AcceptWritesEveryEditorBack) {
  TVoReport report(nullptr);
  AddParameter(report, "Paid", peCheckBox, Variant::Null());
  AddParameter(report, "Kind", peCombobox, Variant(2), {"a", "b", "c"});
  AddParameter(report, "Typed", peCombobox, Variant(), {"a"});
  AddParameter(report, "Region", peListBox, Variant("zz"), {"N", "S"});
  AddParameter(report, "Count", peEdit, Variant(5));
  AddParameter(report, "Notes", peMemo, Variant());
  TScriptedDialog dialog(true, [](TParameterPrompt& prompt) {
    prompt.controls[5].itemIndex = -1;  // "Typed": the selection cleared, a text typed
    prompt.controls[5].text = "new";
    prompt.controls[9].text = "42";
    prompt.controls[11].text = "line 1\nline 2";
  });
  ASSERT_TRUE(AskParameters(report, dialog));
  EXPECT_EQ(dialog.shown, 1);
  const TVoRParameters& parameters = *report.Parameters();
  const Variant& paid = parameters.Items(0)->Value();
  ASSERT_EQ(paid.Type(), varBoolean);
  EXPECT_FALSE(*paid.BooleanPtr());
  const std::vector<std::string> texts = {"c", "new", "", "42", "line 1\nline 2"};
  for (int i = 1; i < parameters.Count(); ++i) {
    SCOPED_TRACE(i);
    const Variant& value = parameters.Items(i)->Value();
    ASSERT_EQ(value.Type(), varString);
    EXPECT_EQ(*value.StringPtr(), texts[i - 1]);
  }
}

TEST(ParameterPrompt, CancelKeepsTheValues) {
  TVoReport report(nullptr);
  AddParameter(report, "Paid", peCheckBox, Variant::Null());
  AddParameter(report, "Count", peEdit, Variant(5));
  TScriptedDialog dialog(false, [](TParameterPrompt& prompt) { prompt.controls[3].text = "9"; });
  EXPECT_FALSE(AskParameters(report, dialog));
  EXPECT_TRUE(report.Parameters()->Items(0)->Value().IsNull());
  EXPECT_EQ(*report.Parameters()->Items(1)->Value().IntegerPtr(), 5);
}

TEST(ParameterPrompt, ACheckBoxValueThatIsNoBooleanFailsBeforeAnythingIsShown) {
  TVoReport report(nullptr);
  AddParameter(report, "Paid", peCheckBox, Variant("perhaps"));
  TScriptedDialog dialog(true);
  EXPECT_THROW(AskParameters(report, dialog), EVariantError);
  EXPECT_EQ(dialog.shown, 0);
  EXPECT_EQ(*report.Parameters()->Items(0)->Value().StringPtr(), "perhaps");
}

}  // namespace
}  // namespace qr2vor
