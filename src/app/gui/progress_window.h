#pragma once

// The progress window of a report run: the title, a line of text, a bar shown while its range
// is not empty, and a Cancel button. The run goes on inside the window's modal loop.

#include <QDialog>

#include "platform/ui/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace qr2vor {

class TQtProgressWindow : public QDialog, public TProgressDisplay {
 public:
  explicit TQtProgressWindow(QWidget* parent = nullptr);

  void SetTitle(const std::string& title) override;
  void SetCancelCaption(const std::string& caption) override;
  void SetText(const std::string& text) override;
  void SetRange(int maximum) override;
  void SetPosition(int position) override;
  // Handles the window's pending events (a click on Cancel among them) first.
  bool Cancelled() override;
  void Run(const std::function<void()>& work) override;

  QLabel* TextLabel() const { return text_; }
  QProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  // Escape and the title bar's close button cancel the run rather than close the window.
  void reject() override;

 private:
  QLabel* text_;
  QProgressBar* bar_;
  QPushButton* cancel_;
  bool running_ = false;
  bool cancelled_ = false;
};

}  // namespace qr2vor
