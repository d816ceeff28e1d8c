#include "app/gui/parameter_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "rtl/codepage.h"

namespace qr2vor {

namespace {

// Model texts are in the ANSI code page.
QString ToQt(const std::string& text) { return QString::fromStdString(AnsiToUtf8(text)); }
std::string FromQt(const QString& text) { return Utf8ToAnsi(text.toStdString()); }

QStringList Items(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list.append(ToQt(item));
  return list;
}

QWidget* MakeWidget(const TPromptControl& control, QDialog* dialog) {
  switch (control.kind) {
    case pcCaption: {
      auto* label = new QLabel(ToQt(control.text), dialog);
      label->setAlignment(Qt::AlignRight | Qt::AlignTop);
      return label;
    }
    case pcMemo: {
      auto* memo = new QPlainTextEdit(dialog);
      // The model's lines end in CR LF.
      memo->setPlainText(ToQt(control.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
      return memo;
    }
    case pcCheckBox: {
      auto* check = new QCheckBox(dialog);
      check->setChecked(control.checked);
      return check;
    }
    case pcComboBox: {
      auto* combo = new QComboBox(dialog);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->addItems(Items(control.items));
      combo->setCurrentIndex(control.itemIndex);
      combo->setEditText(ToQt(control.text));
      return combo;
    }
    case pcListBox: {
      auto* list = new QListWidget(dialog);
      list->addItems(Items(control.items));
      list->setCurrentRow(control.itemIndex);
      return list;
    }
    case pcOkButton:
    case pcCancelButton: {
      auto* button = new QPushButton(ToQt(control.text), dialog);
      const bool ok = control.kind == pcOkButton;
      button->setDefault(ok);
      button->setAutoDefault(ok);
      QObject::connect(button, &QPushButton::clicked, dialog,
                       ok ? &QDialog::accept : &QDialog::reject);
      return button;
    }
    case pcEdit:
      break;
  }
  return new QLineEdit(ToQt(control.text), dialog);
}

}  // namespace

TParameterWindow::TParameterWindow(const TParameterPrompt& prompt, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(ToQt(prompt.caption));
  for (const TPromptControl& control : prompt.controls) {
    QWidget* widget = MakeWidget(control, this);
    const TPromptBounds& bounds = control.bounds;
    widget->setGeometry(bounds.left, bounds.top, bounds.width, bounds.height);
    widgets_.push_back(widget);
  }
  setFixedSize(prompt.clientWidth, prompt.clientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TParameterWindow::ReadBack(TParameterPrompt& prompt) const {
  for (size_t i = 0; i < prompt.controls.size() && i < widgets_.size(); ++i) {
    TPromptControl& control = prompt.controls[i];
    QWidget* widget = widgets_[i];
    switch (control.kind) {
      case pcEdit:
        control.text = FromQt(static_cast<QLineEdit*>(widget)->text());
        break;
      case pcMemo:
        control.text = FromQt(static_cast<QPlainTextEdit*>(widget)->toPlainText().replace(
            QStringLiteral("\n"), QStringLiteral("\r\n")));
        break;
      case pcCheckBox:
        control.checked = static_cast<QCheckBox*>(widget)->isChecked();
        break;
      case pcComboBox: {
        auto* combo = static_cast<QComboBox*>(widget);
        // Text typed over an item is no selection of it.
        const int index = combo->currentIndex();
        const bool selected = index >= 0 && combo->currentText() == combo->itemText(index);
        control.itemIndex = selected ? index : -1;
        control.text = FromQt(combo->currentText());
        break;
      }
      case pcListBox: {
        auto* list = static_cast<QListWidget*>(widget);
        control.itemIndex = list->selectedItems().isEmpty() ? -1 : list->currentRow();
        break;
      }
      default:
        break;
    }
  }
}

bool TQtParameterDialog::Execute(TParameterPrompt& prompt) {
  TParameterWindow window(prompt, parent_);
  if (window.exec() != QDialog::Accepted) return false;
  window.ReadBack(prompt);
  return true;
}

}  // namespace qr2vor
