#pragma once

// The parameter window of a report run, as a model: which parameters are asked, where every
// caption, editor and button stands, what each editor shows at first, and how the edited state
// becomes the parameters' new values. Front ends (the Qt dialog, the console prompt) show the
// model and hand it back edited; none of them decides a position or a value rule.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rtl/variant.h"

namespace qr2vor {

class TVoReport;
class TVoRParameter;

enum TPromptControlKind : uint8_t {
  pcCaption,
  pcEdit,
  pcMemo,
  pcCheckBox,
  pcComboBox,
  pcListBox,
  pcOkButton,
  pcCancelButton
};

// Default heights of the toolkit's controls, in pixels.
namespace prompt {
inline constexpr int kEditHeight = 21;
inline constexpr int kMemoHeight = 89;
inline constexpr int kCheckBoxHeight = 17;
inline constexpr int kComboBoxHeight = 21;
inline constexpr int kListBoxHeight = 97;
inline constexpr int kCaptionHeight = 17;
inline constexpr int kButtonHeight = 25;
}  // namespace prompt

struct TPromptBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  friend bool operator==(const TPromptBounds&, const TPromptBounds&) = default;
};

// One control of the window. Front ends edit `text`, `itemIndex` and `checked`.
struct TPromptControl {
  TPromptControlKind kind = pcCaption;
  TPromptBounds bounds;
  // The index of the control's parameter in the report's collection; -1 for the buttons.
  int parameterIndex = -1;
  // The parameter's Name, by which answers given in advance find their editor.
  std::string parameterName;
  // A caption's or button's caption, an edit's or memo's text, the text typed into a combo box.
  std::string text;
  // The items of a combo box or list box and the selected one (-1: none).
  std::vector<std::string> items;
  int itemIndex = -1;
  // A check box's state.
  bool checked = false;

  bool IsEditor() const { return kind >= pcEdit && kind <= pcListBox; }
};

// The window: caption, client size and controls in the window's control order (for every asked
// parameter its caption then its editor, then OK and Cancel).
struct TParameterPrompt {
  std::string caption;
  int clientWidth = 0;
  int clientHeight = 0;
  std::vector<TPromptControl> controls;
};

// A parameter is asked when its mode is pmAskAlways, or pmAskUndefined while its value is empty
// or Null.
bool MustAskParameter(const TVoRParameter& parameter);

// The window for the parameters of `report` that must be asked, nullopt when there are none.
// Captions come from the report's language. Raises EVariantError when a check box's value does
// not convert to a Boolean.
std::optional<TParameterPrompt> BuildParameterPrompt(const TVoReport& report);

// The value an editor gives its parameter: a check box its state as a Boolean; a combo box the
// selected item's text, or the typed text when no item is selected; a list box the selected
// item's text, or the empty text; an edit or memo its text.
Variant EditorValue(const TPromptControl& editor);

// Gives every parameter named by an editor of `prompt` the editor's value.
void WriteBackParameters(TVoReport& report, const TParameterPrompt& prompt);

// What shows the window to the user: edits the controls and returns true on OK, false on Cancel.
class TParameterDialog {
 public:
  virtual ~TParameterDialog() = default;
  virtual bool Execute(TParameterPrompt& prompt) = 0;
};

// Asks the user for the report's parameters through `dialog`: true when the run may go on
// (nothing had to be asked, or the user accepted and the values were written back), false when
// the user cancelled (the parameters keep their values).
bool AskParameters(TVoReport& report, TParameterDialog& dialog);

}  // namespace qr2vor
