// The converter window under the offscreen platform: its layout as laid down for TfrmMain, the
// file dialog and the address label through injected stand-ins, and conversions with the real
// message boxes, read and closed as they appear.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/convert/driver.h"
#include "app/gui/file_dialog.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_ui.h"
#include "platform/gfx/fonts.h"
#include "report/report.h"
#include "rtl/streams.h"
#include "stream/text_form.h"

namespace qr2vor {

namespace {

constexpr char kFormWithTitleLabel[] = R"(object Form1: TForm1
  object QuickRep1: TQuickRep
    object TitleBand1: TQRBand
      Height = 40
      BandType = rbTitle
      object QRLabel1: TQRLabel
        Left = 8
        Top = 4
        Width = 120
        Height = 17
        Caption = 'Invoice'
      end
    end
  end
end
)";

// Answers every use with `answer` and keeps what the buttons asked for.
class TScriptedDialog : public TFileDialog {
 public:
  std::optional<QString> Execute(QWidget*, const TFileDialogRequest& request) override {
    requests.push_back(request);
    return answer;
  }

  std::optional<QString> answer;
  std::vector<TFileDialogRequest> requests;
};

// A message box as the user saw it.
struct TBoxSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void WindowCaptionSizeAndPlace();
  void WindowFontIsTheSubstitutedMsSansSerif();
  void ControlsAsLaidDown();
  void TabOrderRunsThroughTheTwoBoxes();
  void PictureButtonsAreFlatWithTheirPictures();
  void AddressLabelOpensItsAddress();
  void SourceButtonSetsTheDialogAndTakesTheChosenFile();
  void DestinationButtonSetsTheDialogAndTakesTheChosenFile();
  void CancelLeavesTheEditUnchanged();
  void NameFiltersFromPairsRows();
  void ConvertWritesTheReportAndSaysSo();
  void TextFormShowsInvalidStreamFormat();
  void MissingSourceShowsCannotOpenFile();
  void FormWithoutReportShowsNothingAndWritesNothing();
  void DisplayTextDecodesUtf8ElseTheCodePage();
  void CloseClosesTheWindow();

 private:
  QString Path(const char* name) const { return QString::fromStdString((folder_ / name).string()); }
  // Clicks `button` and answers the message box it shows, if any, with OK.
  std::optional<TBoxSeen> ClickAndCatchBox(QAbstractButton* button);
  template <typename T>
  T* Child(const char* name) const {
    return window_->findChild<T*>(QString::fromLatin1(name));
  }

  std::filesystem::path folder_;
  TScriptedDialog* dialog_ = nullptr;
  std::vector<QUrl> opened_;
  std::unique_ptr<TfrmMain> window_;
};

void MainWindowTest::initTestCase() {
  QApplication::setApplicationName(QStringLiteral("qr2vor-gui"));
  TConversionDriver::FormCreate();
}

void MainWindowTest::init() {
  folder_ = std::filesystem::temp_directory_path() /
            ("qr2vor_gui_" + std::to_string(QCoreApplication::applicationPid()) + "_" +
             QTest::currentTestFunction());
  std::filesystem::create_directories(folder_);
  auto dialog = std::make_unique<TScriptedDialog>();
  dialog_ = dialog.get();
  opened_.clear();
  window_ = std::make_unique<TfrmMain>(std::move(dialog),
                                       [this](const QUrl& url) { opened_.push_back(url); });
}

void MainWindowTest::cleanup() {
  window_.reset();
  std::filesystem::remove_all(folder_);
}

std::optional<TBoxSeen> MainWindowTest::ClickAndCatchBox(QAbstractButton* button) {
  std::optional<TBoxSeen> seen;
  // Runs inside the box's own event loop when a box is shown, else right after the click.
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen = TBoxSeen{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(QMessageBox::Ok)->click();
  });
  QTest::mouseClick(button, Qt::LeftButton);
  QCoreApplication::processEvents();
  return seen;
}

void MainWindowTest::WindowCaptionSizeAndPlace() {
  QCOMPARE(window_->objectName(), QStringLiteral("TfrmMain"));
  QCOMPARE(window_->windowTitle(),
           QStringLiteral("Quick Report to VoReport Designer: report form conversion"));
  QCOMPARE(window_->size(), QSize(429, 165));
  QCOMPARE(window_->minimumSize(), QSize(429, 165));
  QCOMPARE(window_->maximumSize(), QSize(429, 165));
  QVERIFY(window_->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
  QVERIFY(!window_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(!window_->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  // The window sits in the middle of the offscreen screen, 800 x 800 (the platform may shift it
  // by its frame, keeping the middle).
  QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 800, 800));
  QCOMPARE(window_->geometry().center(), QPoint(400, 400));
}

void MainWindowTest::WindowFontIsTheSubstitutedMsSansSerif() {
  const std::string family =
      TFontEngine::Instance().Get("MS Sans Serif", -11, false, false).Family();
  QCOMPARE(family, std::string("Liberation Sans"));
  QCOMPARE(window_->font().family(), QStringLiteral("Liberation Sans"));
  QCOMPARE(window_->font().pixelSize(), 11);
  QCOMPARE(Child<QLineEdit>("edQR")->font().pixelSize(), 11);
}

// Each control's box, place (relative to its box or the window), caption or text, and hint.
void MainWindowTest::ControlsAsLaidDown() {
  struct Row {
    const char* name;
    const char* parent;
    QRect geometry;
    const char* text;
    const char* hint;
  };
  const Row rows[] = {
      {"gbQR", "TfrmMain", {16, 16, 265, 50}, " source QR report file ", ""},
      {"edQR", "gbQR", {10, 20, 220, 21}, "report.dfm", "Specify full path for source QR-file"},
      {"btnQR", "gbQR", {232, 20, 21, 21}, "...", "Select source file with QR-form"},
      {"gbVOR", "TfrmMain", {16, 72, 265, 50}, " destination VOR report file ", ""},
      {"edVOR",
       "gbVOR",
       {10, 20, 220, 21},
       "report.vor",
       "Specify full path for destination VOR-file"},
      {"btnVOR", "gbVOR", {232, 20, 21, 21}, "...", "Select destination VOR-file"},
      {"btnConvert", "TfrmMain", {304, 16, 105, 75}, "Convert", "Start conversion process"},
      {"btnClose", "TfrmMain", {304, 100, 105, 25}, "Close", "Close Application"},
      {"lblURL",
       "TfrmMain",
       {16, 145, 149, 13},
       "http://www.quorvanta.com",
       "Visit VoReport Designer homepage"},
  };
  for (const Row& row : rows) {
    const auto* widget = Child<QWidget>(row.name);
    QVERIFY2(widget != nullptr, row.name);
    QCOMPARE(widget->parentWidget()->objectName(), QString::fromLatin1(row.parent));
    QCOMPARE(widget->geometry(), row.geometry);
    QCOMPARE(widget->toolTip(), QString::fromLatin1(row.hint));
    QString text;
    if (const auto* box = qobject_cast<const QGroupBox*>(widget)) text = box->title();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) text = edit->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) text = button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) text = label->text();
    QCOMPARE(text, QString::fromLatin1(row.text));
  }
}

void MainWindowTest::TabOrderRunsThroughTheTwoBoxes() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  const std::vector<const char*> order = {"edQR", "btnQR", "edVOR", "btnVOR", "edQR"};
  QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[0]));
  for (size_t i = 1; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[i]));
  }
}

void MainWindowTest::PictureButtonsAreFlatWithTheirPictures() {
  const auto* convert = Child<QToolButton>("btnConvert");
  QVERIFY(convert->autoRaise());
  QCOMPARE(convert->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  QCOMPARE(convert->iconSize(), QSize(24, 24));
  QCOMPARE(convert->icon().availableSizes(), QList<QSize>{QSize(24, 24)});
  QCOMPARE(convert->focusPolicy(), Qt::NoFocus);
  const auto* close = Child<QToolButton>("btnClose");
  QVERIFY(close->autoRaise());
  QCOMPARE(close->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  QCOMPARE(close->iconSize(), QSize(16, 16));
  QCOMPARE(close->icon().availableSizes(), QList<QSize>{QSize(16, 16)});
  QCOMPARE(close->focusPolicy(), Qt::NoFocus);
}

void MainWindowTest::AddressLabelOpensItsAddress() {
  auto* label = Child<QLabel>("lblURL");
  QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
  QVERIFY(label->font().underline());
  QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  QTest::mouseClick(label, Qt::LeftButton);
  QCOMPARE(opened_, std::vector<QUrl>{QUrl(QStringLiteral("http://www.quorvanta.com"))});
  QTest::mouseClick(label, Qt::RightButton);
  QCOMPARE(opened_.size(), size_t{1});
}

void MainWindowTest::SourceButtonSetsTheDialogAndTakesTheChosenFile() {
  Child<QLineEdit>("edQR")->setText(QStringLiteral("/forms/old.dfm"));
  dialog_->answer = QStringLiteral("/forms/invoice.dfm");
  QTest::mouseClick(Child<QPushButton>("btnQR"), Qt::LeftButton);
  QCOMPARE(dialog_->requests.size(), size_t{1});
  QCOMPARE(dialog_->requests[0].fileName, QStringLiteral("/forms/old.dfm"));
  QCOMPARE(dialog_->requests[0].defaultExt, QStringLiteral("dfm"));
  QCOMPARE(dialog_->requests[0].filter,
           QStringLiteral(
               "Delphi form (*.dfm)|*.dfm|Quick report files (*.qr*)|*.qr*|All files (*.*)|*.*"));
  QCOMPARE(Child<QLineEdit>("edQR")->text(), QStringLiteral("/forms/invoice.dfm"));
  QCOMPARE(Child<QLineEdit>("edVOR")->text(), QStringLiteral("report.vor"));
}

void MainWindowTest::DestinationButtonSetsTheDialogAndTakesTheChosenFile() {
  dialog_->answer = QStringLiteral("/reports/invoice.vor");
  QTest::mouseClick(Child<QPushButton>("btnVOR"), Qt::LeftButton);
  QCOMPARE(dialog_->requests.size(), size_t{1});
  QCOMPARE(dialog_->requests[0].fileName, QStringLiteral("report.vor"));
  QCOMPARE(dialog_->requests[0].defaultExt, QStringLiteral("vor"));
  QCOMPARE(dialog_->requests[0].filter,
           QStringLiteral("VoReport files (*.vor)|*.vor|All files (*.*)|*.*"));
  QCOMPARE(Child<QLineEdit>("edVOR")->text(), QStringLiteral("/reports/invoice.vor"));
  QCOMPARE(Child<QLineEdit>("edQR")->text(), QStringLiteral("report.dfm"));
}

void MainWindowTest::CancelLeavesTheEditUnchanged() {
  dialog_->answer = std::nullopt;
  QTest::mouseClick(Child<QPushButton>("btnQR"), Qt::LeftButton);
  QTest::mouseClick(Child<QPushButton>("btnVOR"), Qt::LeftButton);
  QCOMPARE(dialog_->requests.size(), size_t{2});
  QCOMPARE(Child<QLineEdit>("edQR")->text(), QStringLiteral("report.dfm"));
  QCOMPARE(Child<QLineEdit>("edVOR")->text(), QStringLiteral("report.vor"));
}

void MainWindowTest::NameFiltersFromPairsRows() {
  QCOMPARE(
      NameFiltersFromPairs(QStringLiteral(
          "Delphi form (*.dfm)|*.dfm|Quick report files (*.qr*)|*.qr*|All files (*.*)|*.*")),
      (QStringList{QStringLiteral("Delphi form (*.dfm)"),
                   QStringLiteral("Quick report files (*.qr*)"), QStringLiteral("All files (*)")}));
  QCOMPARE(
      NameFiltersFromPairs(QStringLiteral("VoReport files (*.vor)|*.vor|All files (*.*)|*.*")),
      (QStringList{QStringLiteral("VoReport files (*.vor)"), QStringLiteral("All files (*)")}));
  QCOMPARE(NameFiltersFromPairs(QStringLiteral("Pictures|*.bmp;*.emf")),
           QStringList{QStringLiteral("Pictures (*.bmp *.emf)")});
  QCOMPARE(NameFiltersFromPairs(QStringLiteral("Forms (*.dfm;*.qr*)|*.dfm;*.qr*|Lonely")),
           QStringList{QStringLiteral("Forms (*.dfm *.qr*)")});
  QCOMPARE(NameFiltersFromPairs(QString()), QStringList());
}

void MainWindowTest::ConvertWritesTheReportAndSaysSo() {
  const QString source = Path("invoice.dfm");
  const QString destination = Path("invoice.vor");
  SaveFileAtomically(source.toStdString(), TextToFormFile(kFormWithTitleLabel));
  Child<QLineEdit>("edQR")->setText(source);
  Child<QLineEdit>("edVOR")->setText(destination);
  const std::optional<TBoxSeen> box = ClickAndCatchBox(Child<QToolButton>("btnConvert"));
  QVERIFY(box.has_value());
  QCOMPARE(box->text,
           QStringLiteral("File ") + destination + QStringLiteral(" succesfully created"));
  QCOMPARE(box->title, QStringLiteral("qr2vor-gui"));
  QCOMPARE(box->icon, QMessageBox::NoIcon);
  QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  const auto report = TVoReport::LoadFromFile(destination.toStdString());
  QCOMPARE(report->BandCount(), 1);
  QCOMPARE(report->Bands(0)->BandType(), btReportTitle);
  QCOMPARE(report->Bands(0)->ControlCount(), 1);
}

void MainWindowTest::TextFormShowsInvalidStreamFormat() {
  const QString source = Path("text.dfm");
  const QString destination = Path("text.vor");
  SaveFileAtomically(source.toStdString(), kFormWithTitleLabel);
  Child<QLineEdit>("edQR")->setText(source);
  Child<QLineEdit>("edVOR")->setText(destination);
  const std::optional<TBoxSeen> box = ClickAndCatchBox(Child<QToolButton>("btnConvert"));
  QVERIFY(box.has_value());
  QCOMPARE(box->text, QStringLiteral("Invalid stream format."));
  QCOMPARE(box->title, QStringLiteral("qr2vor-gui"));
  QCOMPARE(box->icon, QMessageBox::Critical);
  QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(!std::filesystem::exists(destination.toStdString()));
  // The window stays usable: the next conversion runs at once.
  SaveFileAtomically(source.toStdString(), TextToFormFile(kFormWithTitleLabel));
  const std::optional<TBoxSeen> next = ClickAndCatchBox(Child<QToolButton>("btnConvert"));
  QVERIFY(next.has_value());
  QCOMPARE(next->icon, QMessageBox::NoIcon);
  QVERIFY(std::filesystem::exists(destination.toStdString()));
}

void MainWindowTest::MissingSourceShowsCannotOpenFile() {
  Child<QLineEdit>("edQR")->setText(QString());
  Child<QLineEdit>("edVOR")->setText(Path("out.vor"));
  const std::optional<TBoxSeen> box = ClickAndCatchBox(Child<QToolButton>("btnConvert"));
  QVERIFY(box.has_value());
  // The last character is a space, below the full stop: no full stop is added.
  QCOMPARE(box->text, QStringLiteral("Cannot open file "));
  QCOMPARE(box->icon, QMessageBox::Critical);
  QVERIFY(!std::filesystem::exists(folder_ / "out.vor"));
}

void MainWindowTest::FormWithoutReportShowsNothingAndWritesNothing() {
  const QString source = Path("plain.dfm");
  SaveFileAtomically(source.toStdString(),
                     TextToFormFile("object Form1: TForm1\n  Left = 8\nend\n"));
  Child<QLineEdit>("edQR")->setText(source);
  Child<QLineEdit>("edVOR")->setText(Path("plain.vor"));
  const std::optional<TBoxSeen> box = ClickAndCatchBox(Child<QToolButton>("btnConvert"));
  QVERIFY(!box.has_value());
  QCOMPARE(QApplication::activeModalWidget(), nullptr);
  QVERIFY(!std::filesystem::exists(folder_ / "plain.vor"));
}

void MainWindowTest::DisplayTextDecodesUtf8ElseTheCodePage() {
  QCOMPARE(DisplayText("File /tmp/\xc3\xa9t\xc3\xa9.vor succesfully created"),
           QStringLiteral("File /tmp/\u00e9t\u00e9.vor succesfully created"));
  // 0x80 is the euro sign in Windows-1252, and no UTF-8 sequence.
  QCOMPARE(DisplayText("Price \x80"), QStringLiteral("Price \u20ac"));
  QCOMPARE(DisplayText(""), QString());
}

void MainWindowTest::CloseClosesTheWindow() {
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  QTest::mouseClick(Child<QToolButton>("btnClose"), Qt::LeftButton);
  QVERIFY(!window_->isVisible());
}

}  // namespace qr2vor

QTEST_MAIN(qr2vor::MainWindowTest)
#include "main_window_test.moc"
