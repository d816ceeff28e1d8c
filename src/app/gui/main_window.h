#pragma once

// The converter window: a source form file and a destination report file, each with a "..."
// button that picks it through the file dialog, a Convert button that runs the same conversion as
// "qr2vor convert", a Close button and the product's web address.

#include <functional>
#include <memory>

#include <QWidget>

#include "app/gui/file_dialog.h"
#include "app/gui/qt_ui.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QUrl;

namespace qr2vor {

// Opens an address the way the desktop does.
using TUrlOpener = std::function<void(const QUrl&)>;
void OpenUrlOnDesktop(const QUrl& url);

// The address lblURL shows and opens.
inline constexpr char kHomePage[] = "http://www.quorvanta.com";

// The user-interface service of a conversion: its success box offers "Preview" beside OK.
class TConversionUI : public TQtUI {
 public:
  explicit TConversionUI(QWidget* parent) : TQtUI(parent), parent_(parent) {}
  void ShowMessage(const std::string& text) override;
  // Whether "Preview" closed the last success box.
  bool PreviewChosen() const { return previewChosen_; }

 private:
  QWidget* parent_;
  bool previewChosen_ = false;
};

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  // The conversion classes must be registered (TConversionDriver::FormCreate) before Convert is
  // pressed.
  explicit TfrmMain(std::unique_ptr<TFileDialog> openDialog = std::make_unique<TQtFileDialog>(),
                    TUrlOpener openUrl = OpenUrlOnDesktop);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void btnQRClick();
  void btnVORClick();
  void btnConvertClick();
  void lblURLClick();
  // Runs the dialog for `edit` and puts the confirmed file name into it.
  void SelectFile(QLineEdit& edit, const QString& defaultExt, const QString& filter);

  QGroupBox* gbQR_;
  QLineEdit* edQR_;
  QPushButton* btnQR_;
  QGroupBox* gbVOR_;
  QLineEdit* edVOR_;
  QPushButton* btnVOR_;
  QToolButton* btnConvert_;
  QToolButton* btnClose_;
  QLabel* lblURL_;
  std::unique_ptr<TFileDialog> openDialog_;
  TUrlOpener openUrl_;
  TConversionUI ui_;
};

}  // namespace qr2vor
