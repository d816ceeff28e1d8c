#pragma once

// The user-interface service of the converter window: Qt message boxes under the application's
// title.

#include <string>

#include <QString>

#include "platform/ui/ui_service.h"

class QWidget;

namespace qr2vor {

class TQtUI : public TUIService {
 public:
  // The boxes are modal over `parent`.
  explicit TQtUI(QWidget* parent) : parent_(parent) {}

  // A box without an icon and with an OK button.
  void ShowMessage(const std::string& text) override;
  // A box with a stop icon and an OK button showing ErrorBoxText(message).
  void ShowError(const std::string& message) override;

 private:
  QWidget* parent_;
};

// The text of a message for the screen: messages carry file paths as the file system spells them
// (UTF-8) and form text in the ANSI code page, so valid UTF-8 is taken as it is and anything else
// is decoded from the code page.
QString DisplayText(const std::string& text);

}  // namespace qr2vor
