#pragma once

// The progress display of a report run: a title, a line of text, an optional bar with a range
// and a position, and a Cancel button. The engine drives it while it generates pages; the
// command-line tool shows it as one line on a terminal, the window as a modal progress window.

#include <functional>
#include <string>

namespace qr2vor {

class TProgressDisplay {
 public:
  virtual ~TProgressDisplay() = default;

  // The display's title (the report's title).
  virtual void SetTitle(const std::string& title) = 0;
  // The caption of the Cancel button.
  virtual void SetCancelCaption(const std::string& caption) = 0;
  // The line of text ("Preparing...", the page being made).
  virtual void SetText(const std::string& text) = 0;
  // The bar's range is 0 to `maximum`; the bar shows only while that range is not empty.
  virtual void SetRange(int maximum) = 0;
  virtual void SetPosition(int position) = 0;
  // True once Cancel has been pressed during the current Run; lets the display handle pending
  // input first, so the engine asks between bands and records.
  virtual bool Cancelled() = 0;
  // Shows the display, runs `work` while it is shown and hides it when `work` ends, normally or
  // by an exception (which goes on to the caller). The Cancel state is cleared when Run starts.
  virtual void Run(const std::function<void()>& work) = 0;
};

}  // namespace qr2vor
