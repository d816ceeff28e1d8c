#pragma once

// The report's parameter window in Qt, built from the parameter window model: every control at
// the model's place with the model's first state, and the edited states read back into it.

#include <vector>

#include <QDialog>

#include "engine/prompt/parameter_prompt.h"

namespace qr2vor {

class TParameterWindow : public QDialog {
 public:
  // A fixed-size dialog with the model's client size, centred on the screen, without a
  // minimise button; the widgets stand in the model's control order.
  explicit TParameterWindow(const TParameterPrompt& prompt, QWidget* parent = nullptr);

  // The widget of the model's control `index`.
  QWidget* ControlWidget(size_t index) const { return widgets_.at(index); }
  // Copies the editors' texts, selections and check states into `prompt`.
  void ReadBack(TParameterPrompt& prompt) const;

 private:
  std::vector<QWidget*> widgets_;
};

// Shows the parameter window modally over `parent`.
class TQtParameterDialog : public TParameterDialog {
 public:
  explicit TQtParameterDialog(QWidget* parent) : parent_(parent) {}
  bool Execute(TParameterPrompt& prompt) override;

 private:
  QWidget* parent_;
};

}  // namespace qr2vor
