#include "app/gui/main_window.h"

#include <string>

#include <QDesktopServices>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QUrl>

#include "app/convert/driver.h"
#include "app/gui/preview_window.h"
#include "platform/gfx/fonts.h"

// Resources of a static library are registered by hand, from the global namespace.
static void InitPictures() { Q_INIT_RESOURCE(pictures); }

namespace qr2vor {

namespace {

constexpr char kCaption[] = "Quick Report to VoReport Designer: report form conversion";
constexpr char kFormFilter[] =
    "Delphi form (*.dfm)|*.dfm|Quick report files (*.qr*)|*.qr*|All files (*.*)|*.*";
constexpr char kReportFilter[] = "VoReport files (*.vor)|*.vor|All files (*.*)|*.*";

// "MS Sans Serif", height -11: the family fontconfig substitutes, 11 pixels high whatever the
// screen's resolution.
QFont WindowFont() {
  QFont font(QString::fromStdString(
      TFontEngine::Instance().Get("MS Sans Serif", -11, false, false).Family()));
  font.setPixelSize(11);
  return font;
}

// Edit texts are file paths, handed to the driver as the file system spells them.
std::string FileSystemPath(const QString& text) { return QFile::encodeName(text).toStdString(); }

QToolButton* PictureButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& picture, int pictureSize, Qt::ToolButtonStyle style) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(caption);
  button->setIcon(QIcon(picture));
  button->setIconSize(QSize(pictureSize, pictureSize));
  button->setToolButtonStyle(style);
  button->setAutoRaise(true);
  // A flat picture button takes no focus and has no place in the tab order.
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

// A group box holding an edit and its "..." button, at their fixed places inside the box.
QGroupBox* FileBox(QWidget* parent, const char* name, const QString& caption, QLineEdit*& edit,
                   const char* editName, const QString& text, const QString& editHint,
                   QPushButton*& button, const char* buttonName, const QString& buttonHint) {
  auto* box = new QGroupBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  edit = new QLineEdit(text, box);
  edit->setObjectName(QString::fromLatin1(editName));
  edit->setGeometry(10, 20, 220, 21);
  edit->setToolTip(editHint);
  button = new QPushButton(QStringLiteral("..."), box);
  button->setObjectName(QString::fromLatin1(buttonName));
  button->setGeometry(232, 20, 21, 21);
  button->setToolTip(buttonHint);
  return box;
}

}  // namespace

void OpenUrlOnDesktop(const QUrl& url) { QDesktopServices::openUrl(url); }

TfrmMain::TfrmMain(std::unique_ptr<TFileDialog> openDialog, TUrlOpener openUrl)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      openDialog_(std::move(openDialog)),
      openUrl_(std::move(openUrl)),
      ui_(this) {
  InitPictures();
  setObjectName(QStringLiteral("TfrmMain"));
  setWindowTitle(QString::fromLatin1(kCaption));
  setFont(WindowFont());
  setFixedSize(429, 165);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->geometry()));
  }

  gbQR_ =
      FileBox(this, "gbQR", QStringLiteral(" source QR report file "), edQR_, "edQR",
              QStringLiteral("report.dfm"), QStringLiteral("Specify full path for source QR-file"),
              btnQR_, "btnQR", QStringLiteral("Select source file with QR-form"));
  gbQR_->setGeometry(16, 16, 265, 50);
  gbVOR_ = FileBox(this, "gbVOR", QStringLiteral(" destination VOR report file "), edVOR_, "edVOR",
                   QStringLiteral("report.vor"),
                   QStringLiteral("Specify full path for destination VOR-file"), btnVOR_, "btnVOR",
                   QStringLiteral("Select destination VOR-file"));
  gbVOR_->setGeometry(16, 72, 265, 50);

  btnConvert_ =
      PictureButton(this, "btnConvert", QStringLiteral("Convert"),
                    QStringLiteral(":/qr2vor/convert.png"), 24, Qt::ToolButtonTextUnderIcon);
  btnConvert_->setGeometry(304, 16, 105, 75);
  btnConvert_->setToolTip(QStringLiteral("Start conversion process"));
  btnClose_ = PictureButton(this, "btnClose", QStringLiteral("Close"),
                            QStringLiteral(":/qr2vor/close.png"), 16, Qt::ToolButtonTextBesideIcon);
  btnClose_->setGeometry(304, 100, 105, 25);
  btnClose_->setToolTip(QStringLiteral("Close Application"));

  lblURL_ = new QLabel(QString::fromLatin1(kHomePage), this);
  lblURL_->setObjectName(QStringLiteral("lblURL"));
  lblURL_->setGeometry(16, 145, 149, 13);
  QFont urlFont = font();
  urlFont.setUnderline(true);
  lblURL_->setFont(urlFont);
  QPalette urlPalette = lblURL_->palette();
  urlPalette.setColor(QPalette::WindowText, Qt::blue);
  lblURL_->setPalette(urlPalette);
  lblURL_->setCursor(Qt::PointingHandCursor);
  lblURL_->setToolTip(QStringLiteral("Visit VoReport Designer homepage"));
  lblURL_->installEventFilter(this);

  QWidget::setTabOrder(edQR_, btnQR_);
  QWidget::setTabOrder(btnQR_, edVOR_);
  QWidget::setTabOrder(edVOR_, btnVOR_);
  edQR_->setFocus();

  connect(btnQR_, &QPushButton::clicked, this, &TfrmMain::btnQRClick);
  connect(btnVOR_, &QPushButton::clicked, this, &TfrmMain::btnVORClick);
  connect(btnConvert_, &QToolButton::clicked, this, &TfrmMain::btnConvertClick);
  connect(btnClose_, &QToolButton::clicked, this, &QWidget::close);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblURL_ && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        lblURL_->rect().contains(mouse->position().toPoint())) {
      lblURLClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmMain::btnQRClick() { SelectFile(*edQR_, QStringLiteral("dfm"), kFormFilter); }

void TfrmMain::btnVORClick() { SelectFile(*edVOR_, QStringLiteral("vor"), kReportFilter); }

void TfrmMain::SelectFile(QLineEdit& edit, const QString& defaultExt, const QString& filter) {
  const std::optional<QString> chosen =
      openDialog_->Execute(this, TFileDialogRequest{edit.text(), defaultExt, filter});
  if (chosen) edit.setText(*chosen);
}

void TConversionUI::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), DisplayText(text),
                  QMessageBox::Ok, parent_);
  const QPushButton* preview = box.addButton(QStringLiteral("Preview"), QMessageBox::ActionRole);
  box.exec();
  previewChosen_ = box.clickedButton() == preview;
}

void TfrmMain::btnConvertClick() {
  TConversionDriver driver(ui_);
  const std::string destination = FileSystemPath(edVOR_->text());
  if (ConvertForm(driver, ui_, FileSystemPath(edQR_->text()), destination) !=
          TConvertOutcome::Converted ||
      !ui_.PreviewChosen()) {
    return;
  }
  // The converted report over sample data; the preview window takes other data from there.
  auto* preview = new TfrmPreview(std::make_unique<TQtFileDialog>());
  preview->setAttribute(Qt::WA_DeleteOnClose);
  preview->show();
  preview->Open(edVOR_->text(), QStringLiteral("sample"));
}

void TfrmMain::lblURLClick() { openUrl_(QUrl(lblURL_->text())); }

}  // namespace qr2vor
