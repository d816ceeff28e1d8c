#pragma once

#include <cstdio>

#include "platform/ui/ui_service.h"

namespace qr2vor {

// Messages as lines on standard output, errors as lines on standard error.
class TConsoleUI : public TUIService {
 public:
  TConsoleUI() : TConsoleUI(stdout, stderr) {}
  TConsoleUI(std::FILE* messages, std::FILE* errors) : messages_(messages), errors_(errors) {}

  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& message) override;

 private:
  std::FILE* messages_;
  std::FILE* errors_;
};

}  // namespace qr2vor
