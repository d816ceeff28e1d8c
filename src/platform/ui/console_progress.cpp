#include "platform/ui/console_progress.h"

#include <unistd.h>

#include <fmt/format.h>

namespace qr2vor {

TConsoleProgress::TConsoleProgress() : TConsoleProgress(stderr, isatty(fileno(stderr)) != 0) {}

void TConsoleProgress::SetTitle(const std::string& title) {
  title_ = title;
  Draw();
}

void TConsoleProgress::SetText(const std::string& text) {
  text_ = text;
  Draw();
}

void TConsoleProgress::SetRange(int maximum) {
  maximum_ = maximum;
  Draw();
}

void TConsoleProgress::SetPosition(int position) {
  position_ = position;
  Draw();
}

void TConsoleProgress::Run(const std::function<void()>& work) {
  shown_ = true;
  Draw();
  try {
    work();
  } catch (...) {
    Erase();
    throw;
  }
  Erase();
}

void TConsoleProgress::Draw() {
  if (!isTerminal_ || !shown_) return;
  std::string line = title_.empty() ? text_ : fmt::format("{}: {}", title_, text_);
  if (maximum_ > 0) line += fmt::format(" [{}/{}]", position_, maximum_);
  // Spaces cover what is left of a longer previous line.
  const size_t length = line.size();
  if (length < drawnLength_) line.append(drawnLength_ - length, ' ');
  fmt::print(out_, "\r{}", line);
  std::fflush(out_);
  drawnLength_ = length;
}

void TConsoleProgress::Erase() {
  shown_ = false;
  if (!isTerminal_ || drawnLength_ == 0) return;
  fmt::print(out_, "\r{}\r", std::string(drawnLength_, ' '));
  std::fflush(out_);
  drawnLength_ = 0;
}

}  // namespace qr2vor
