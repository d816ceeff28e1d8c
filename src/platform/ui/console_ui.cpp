#include "platform/ui/console_ui.h"

#include <fmt/format.h>

namespace qr2vor {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

void TConsoleUI::ShowMessage(const std::string& text) {
  fmt::print(messages_, "{}\n", text);
  std::fflush(messages_);
}

void TConsoleUI::ShowError(const std::string& message) {
  fmt::print(errors_, "{}\n", ErrorBoxText(message));
  std::fflush(errors_);
}

}  // namespace qr2vor
