#pragma once

// What the system asks of a user, as one interface: the command-line tool answers it on the
// console, the converter window with message boxes.

#include <string>
#include <string_view>

namespace qr2vor {

class TUIService {
 public:
  virtual ~TUIService() = default;

  // An information message with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A failure's message, shown as the application shows failures: ErrorBoxText(message).
  virtual void ShowError(const std::string& message) = 0;
};

// The text an error box shows for a failure's message: the message with a full stop added when
// its last character has a higher code than the full stop (so "Cannot open file " stays as it is).
std::string ErrorBoxText(std::string_view message);

}  // namespace qr2vor
