#include "engine/prompt/parameter_prompt.h"

#include <limits>
#include <tuple>

#include "report/report.h"

namespace qr2vor {

namespace {

constexpr int kFirstTop = 8;
constexpr int kClientWidth = 225;
constexpr int kCaptionLeft = 5;
constexpr int kCaptionDrop = 4;
constexpr int kCaptionWidth = 100;
constexpr int kEditorLeft = 110;
constexpr int kEditorWidth = 100;
constexpr int kEditorGap = 10;
constexpr int kButtonGap = 10;
constexpr int kButtonWidth = 75;
constexpr int kOkLeft = 65;
constexpr int kCancelLeft = 145;
constexpr int kBottomMargin = 45;

bool IsUndefined(const Variant& value) { return value.IsEmpty() || value.IsNull(); }

// The text an edit shows for a value; Null shows as nothing.
std::string ValueText(const Variant& value) {
  return IsUndefined(value) ? std::string() : value.AsString();
}

int EditorHeight(TPromptControlKind kind) {
  switch (kind) {
    case pcMemo:
      return prompt::kMemoHeight;
    case pcCheckBox:
      return prompt::kCheckBoxHeight;
    case pcComboBox:
      return prompt::kComboBoxHeight;
    case pcListBox:
      return prompt::kListBoxHeight;
    default:
      return prompt::kEditHeight;
  }
}

TPromptControlKind EditorKind(TVoRParameterEditor editor) {
  switch (editor) {
    case peMemo:
      return pcMemo;
    case peCheckBox:
      return pcCheckBox;
    case peCombobox:
      return pcComboBox;
    case peListBox:
      return pcListBox;
    default:
      return pcEdit;
  }
}

// The item a list-style editor selects for a value: the first when the value is undefined, the
// value itself when it is an integer, else the item with the value's text; -1 when that is
// not an item.
int SelectedItem(const Variant& value, const TStrings& items) {
  int64_t index = 0;
  if (IsUndefined(value)) {
    index = 0;
  } else if (const int64_t* number = value.IntegerPtr();
             number && *number >= std::numeric_limits<int32_t>::min() &&
             *number <= std::numeric_limits<int32_t>::max()) {
    index = *number;
  } else {
    index = items.IndexOf(value.AsString());
  }
  return index >= 0 && index < items.Count() ? static_cast<int>(index) : -1;
}

TPromptControl MakeEditor(const TVoRParameter& parameter, int parameterIndex, int top) {
  TPromptControl editor;
  editor.kind = EditorKind(parameter.ParameterEditor());
  editor.bounds = {kEditorLeft, top, kEditorWidth, EditorHeight(editor.kind)};
  editor.parameterIndex = parameterIndex;
  editor.parameterName = parameter.Name();
  const Variant& value = parameter.Value();
  switch (editor.kind) {
    case pcCheckBox:
      editor.checked = !IsUndefined(value) && value.AsBoolean();
      break;
    case pcComboBox:
    case pcListBox: {
      const TStrings& itemList = *parameter.ParamPromptValues();
      for (int i = 0; i < itemList.Count(); ++i) editor.items.push_back(itemList[i]);
      editor.itemIndex = SelectedItem(value, itemList);
      // An editable combo box keeps a value that is no item as its typed text, so that OK
      // without a change gives the value back.
      if (editor.kind == pcComboBox) {
        editor.text = editor.itemIndex >= 0 ? editor.items[editor.itemIndex] : ValueText(value);
      }
      break;
    }
    default:
      editor.text = ValueText(value);
      break;
  }
  return editor;
}

}  // namespace

bool MustAskParameter(const TVoRParameter& parameter) {
  switch (parameter.ParameterMode()) {
    case pmAskAlways:
      return true;
    case pmAskUndefined:
      return IsUndefined(parameter.Value());
  }
  return false;
}

std::optional<TParameterPrompt> BuildParameterPrompt(const TVoReport& report) {
  const TVoRParameters& parameters = *report.Parameters();
  const TVoRLanguage& language = *report.Language();
  TParameterPrompt prompt;
  int y = kFirstTop;
  for (int i = 0; i < parameters.Count(); ++i) {
    const TVoRParameter& parameter = *parameters.Items(i);
    if (!MustAskParameter(parameter)) continue;
    TPromptControl caption;
    caption.kind = pcCaption;
    caption.bounds = {kCaptionLeft, y + kCaptionDrop, kCaptionWidth, prompt::kCaptionHeight};
    caption.parameterIndex = i;
    caption.parameterName = parameter.Name();
    caption.text = parameter.DisplayLabel();
    prompt.controls.push_back(std::move(caption));
    TPromptControl editor = MakeEditor(parameter, i, y);
    y += editor.bounds.height + kEditorGap;
    prompt.controls.push_back(std::move(editor));
  }
  if (prompt.controls.empty()) return std::nullopt;

  prompt.caption = language.Text(text::kReportParameters);
  prompt.clientWidth = kClientWidth;
  const int buttonTop = y + kButtonGap;
  for (const auto& [kind, left, caption] :
       {std::tuple(pcOkButton, kOkLeft, text::kOk),
        std::tuple(pcCancelButton, kCancelLeft, text::kCancel)}) {
    TPromptControl button;
    button.kind = kind;
    button.bounds = {left, buttonTop, kButtonWidth, prompt::kButtonHeight};
    button.text = language.Text(caption);
    prompt.controls.push_back(std::move(button));
  }
  prompt.clientHeight = y + kBottomMargin;
  return prompt;
}

Variant EditorValue(const TPromptControl& editor) {
  switch (editor.kind) {
    case pcCheckBox:
      return Variant(editor.checked);
    case pcComboBox:
    case pcListBox:
      if (editor.itemIndex >= 0 && editor.itemIndex < static_cast<int>(editor.items.size())) {
        return Variant(editor.items[editor.itemIndex]);
      }
      return Variant(editor.kind == pcComboBox ? editor.text : std::string());
    default:
      return Variant(editor.text);
  }
}

void WriteBackParameters(TVoReport& report, const TParameterPrompt& prompt) {
  TVoRParameters& parameters = *report.Parameters();
  for (const TPromptControl& control : prompt.controls) {
    if (!control.IsEditor()) continue;
    if (control.parameterIndex < 0 || control.parameterIndex >= parameters.Count()) continue;
    parameters.Items(control.parameterIndex)->SetValue(EditorValue(control));
  }
}

bool AskParameters(TVoReport& report, TParameterDialog& dialog) {
  std::optional<TParameterPrompt> prompt = BuildParameterPrompt(report);
  if (!prompt) return true;
  if (!dialog.Execute(*prompt)) return false;
  WriteBackParameters(report, *prompt);
  return true;
}

}  // namespace qr2vor
