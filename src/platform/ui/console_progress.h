#pragma once

#include <cstdio>
#include <string>

#include "platform/ui/progress.h"

namespace qr2vor {

// Progress as one line on standard error, redrawn in place, and only when standard error is a
// terminal (a log or a pipe gets nothing). The line is erased when the run ends. There is no
// Cancel button: Cancelled() is always false.
class TConsoleProgress : public TProgressDisplay {
 public:
  TConsoleProgress();
  // Writes to `out` when `isTerminal`; does nothing otherwise.
  TConsoleProgress(std::FILE* out, bool isTerminal) : out_(out), isTerminal_(isTerminal) {}

  void SetTitle(const std::string& title) override;
  void SetCancelCaption(const std::string&) override {}
  void SetText(const std::string& text) override;
  void SetRange(int maximum) override;
  void SetPosition(int position) override;
  bool Cancelled() override { return false; }
  void Run(const std::function<void()>& work) override;

 private:
  void Draw();
  void Erase();

  std::FILE* out_;
  bool isTerminal_;
  bool shown_ = false;
  std::string title_;
  std::string text_;
  int maximum_ = 0;
  int position_ = 0;
  size_t drawnLength_ = 0;
};

}  // namespace qr2vor
