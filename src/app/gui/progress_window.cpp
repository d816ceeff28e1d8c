#include "app/gui/progress_window.h"

#include <exception>

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/gui/qt_ui.h"

namespace qr2vor {

TQtProgressWindow::TQtProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      text_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(this)) {
  setModal(true);
  text_->setMinimumWidth(300);
  bar_->setRange(0, 0);
  bar_->setVisible(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(bar_);
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
}

void TQtProgressWindow::SetTitle(const std::string& title) { setWindowTitle(DisplayText(title)); }

void TQtProgressWindow::SetCancelCaption(const std::string& caption) {
  cancel_->setText(DisplayText(caption));
}

void TQtProgressWindow::SetText(const std::string& text) { text_->setText(DisplayText(text)); }

void TQtProgressWindow::SetRange(int maximum) {
  bar_->setRange(0, maximum > 0 ? maximum : 0);
  bar_->setVisible(maximum > 0);
}

void TQtProgressWindow::SetPosition(int position) { bar_->setValue(position); }

bool TQtProgressWindow::Cancelled() {
  QCoreApplication::processEvents();
  return cancelled_;
}

void TQtProgressWindow::Run(const std::function<void()>& work) {
  cancelled_ = false;
  running_ = true;
  std::exception_ptr failure;
  QTimer::singleShot(0, this, [&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    running_ = false;
    done(QDialog::Accepted);
  });
  exec();
  running_ = false;
  if (failure) std::rethrow_exception(failure);
}

void TQtProgressWindow::reject() {
  if (running_) {
    cancelled_ = true;
  } else {
    QDialog::reject();
  }
}

}  // namespace qr2vor
