// The preview window under the offscreen platform: the example form converted, generated over its
// CSV file and over sample data, its pages moved through and zoomed, exported through the filter
// registry, failures in error boxes; and the converter's success box opening it.

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/convert/driver.h"
#include "app/gui/main_window.h"
#include "app/gui/preview_window.h"
#include "app/gui/progress_window.h"
#include "export/registry.h"
#include "report/page_store.h"
#include "rtl/streams.h"

namespace qr2vor {

namespace {

const QString kExamples = QStringLiteral(QR2VOR_EXAMPLES);

// Answers every use with `answer` and keeps the requests.
class TScriptedDialog : public TFileDialog {
 public:
  std::optional<QString> Execute(QWidget*, const TFileDialogRequest& request) override {
    requests.push_back(request);
    return answer;
  }
  std::optional<QString> answer;
  std::vector<TFileDialogRequest> requests;
};

struct TBoxSeen {
  QString text;
  QMessageBox::Icon icon;
  QStringList buttons;
};

// Runs `action`; a message box it shows is read and closed with the button named `press`.
std::optional<TBoxSeen> CatchBox(const std::function<void()>& action,
                                 const QString& press = QStringLiteral("OK")) {
  std::optional<TBoxSeen> seen;
  QTimer::singleShot(0, [&seen, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen = TBoxSeen{box->text(), box->icon(), {}};
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* button : box->buttons()) {
      seen->buttons << button->text().remove('&');
      if (button->text().remove('&') == press) chosen = button;
    }
    chosen->click();
  });
  action();
  QCoreApplication::processEvents();
  return seen;
}

}  // namespace

class PreviewWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void ShowsThePagesOfTheExampleOverItsCsv();
  void MovesThroughThePagesAndZooms();
  void ExportWritesAFileThroughTheRegistry();
  void FailuresShowAnErrorBoxAndKeepTheWindow();
  void CancelKeepsThePagesMadeSoFar();
  void ConverterSuccessBoxOpensThePreview();

 private:
  QString Path(const char* name) const { return QString::fromStdString((folder_ / name).string()); }

  std::filesystem::path folder_;
  QString report_;
};

void PreviewWindowTest::initTestCase() {
  folder_ = std::filesystem::temp_directory_path() / "qr2vor-preview-test";
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  TConversionDriver::FormCreate();
  TfrmMain converter;
  converter.findChild<QLineEdit*>(QStringLiteral("edQR"))->setText(kExamples + "/invoice.dfm");
  report_ = Path("invoice.vor");
  converter.findChild<QLineEdit*>(QStringLiteral("edVOR"))->setText(report_);
  const auto box =
      CatchBox([&] { converter.findChild<QToolButton*>(QStringLiteral("btnConvert"))->click(); });
  QVERIFY(box.has_value());
  QVERIFY(std::filesystem::exists(report_.toStdString()));
}

void PreviewWindowTest::cleanupTestCase() { std::filesystem::remove_all(folder_); }

void PreviewWindowTest::ShowsThePagesOfTheExampleOverItsCsv() {
  TfrmPreview window;
  window.show();
  QVERIFY(window.Open(report_, kExamples + "/invoice-lines.csv"));
  QVERIFY(window.PageStore() != nullptr);
  const int count = window.PageStore()->Count();
  QVERIFY(count >= 1);
  QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblCount"))->text(),
           QStringLiteral("of %1").arg(count));
  QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("edPage"))->value(), 1);
  QCOMPARE(window.CurrentPage(), 0);
  const QPixmap picture = window.PagePicture()->pixmap();
  QVERIFY(!picture.isNull());
  // Not a blank sheet: the page's text is drawn.
  const QImage image = picture.toImage();
  bool inked = false;
  for (int y = 0; y < image.height() && !inked; y += 2)
    for (int x = 0; x < image.width() && !inked; x += 2) inked = qGray(image.pixel(x, y)) < 128;
  QVERIFY(inked);
}

void PreviewWindowTest::MovesThroughThePagesAndZooms() {
  TfrmPreview window;
  window.show();
  QVERIFY(window.Open(report_, QStringLiteral("sample:400")));
  // The page keys are the window's shortcuts: they work while it is the active window.
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
  const int count = window.PageCount();
  QCOMPARE(count, window.PageStore()->Count());
  QVERIFY(count >= 3);
  auto* page = window.findChild<QSpinBox*>(QStringLiteral("edPage"));
  const auto press = [&](const char* tip) {
    for (QToolButton* button : window.findChildren<QToolButton*>())
      if (button->toolTip().startsWith(QString::fromLatin1(tip))) button->click();
  };
  press("Next page");
  QCOMPARE(window.CurrentPage(), 1);
  QCOMPARE(page->value(), 2);
  press("Previous page");
  QCOMPARE(window.CurrentPage(), 0);
  press("Previous page");
  QCOMPARE(window.CurrentPage(), 0);
  press("Last page");
  QCOMPARE(window.CurrentPage(), count - 1);
  QCOMPARE(page->value(), count);
  press("Next page");
  QCOMPARE(window.CurrentPage(), count - 1);
  QTest::keyClick(&window, Qt::Key_PageUp);
  QCOMPARE(window.CurrentPage(), count - 2);
  QTest::keyClick(&window, Qt::Key_Home);
  QCOMPARE(window.CurrentPage(), 0);
  QTest::keyClick(&window, Qt::Key_PageDown);
  QCOMPARE(window.CurrentPage(), 1);
  QTest::keyClick(&window, Qt::Key_End);
  QCOMPARE(window.CurrentPage(), count - 1);
  page->setValue(2);
  QCOMPARE(window.CurrentPage(), 1);

  window.SetZoom(TfrmPreview::zc50);
  const QSize half = window.PagePicture()->pixmap().size();
  window.SetZoom(TfrmPreview::zc100);
  const QSize full = window.PagePicture()->pixmap().size();
  QVERIFY(qAbs(full.width() - 2 * half.width()) <= 2);
  QVERIFY(qAbs(full.height() - 2 * half.height()) <= 2);
  QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
  const QSize threeQuarters = window.PagePicture()->pixmap().size();
  QVERIFY(qAbs(threeQuarters.width() - 3 * half.width() / 2) <= 1);
  QVERIFY(qAbs(threeQuarters.height() - 3 * half.height() / 2) <= 1);
  window.SetZoom(TfrmPreview::zc400);
  QVERIFY(qAbs(window.PagePicture()->pixmap().width() - 8 * half.width()) <= 8);
  QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
  QVERIFY(qAbs(window.PagePicture()->pixmap().width() - 2 * full.width()) <= 2);
}

void PreviewWindowTest::ExportWritesAFileThroughTheRegistry() {
  auto dialog = std::make_unique<TScriptedDialog>();
  TScriptedDialog& script = *dialog;
  TfrmPreview window(std::move(dialog));
  window.show();
  QVERIFY(window.Open(report_, kExamples + "/invoice-lines.csv"));
  const QString file = Path("invoice-out.txt");
  script.answer = file;
  const auto box = CatchBox([&] { window.ExportPages(); });
  QVERIFY(!box.has_value());
  QCOMPARE(script.requests.size(), size_t{1});
  for (const TExportFilterEntry& entry : ExportFilters())
    QVERIFY(script.requests[0].filter.contains(QString::fromStdString(entry.Filter)));
  QCOMPARE(script.requests[0].fileName, QStringLiteral("invoice"));
  const std::string text = LoadFile(file.toStdString());
  QVERIFY(text.find("Oak desk") != std::string::npos);

  script.answer = Path("invoice-out.nothing");
  const auto refused = CatchBox([&] { window.ExportPages(); });
  QVERIFY(refused.has_value());
  QCOMPARE(refused->icon, QMessageBox::Critical);
  QVERIFY(!std::filesystem::exists(folder_ / "invoice-out.nothing"));
}

void PreviewWindowTest::FailuresShowAnErrorBoxAndKeepTheWindow() {
  const QString wrongFields = Path("wrong.csv");
  SaveFileAtomically(wrongFields.toStdString(), "Name,Value\nA,1\n");
  struct TRow {
    QString report;
    QString data;
    QString message;
  };
  const std::vector<TRow> rows = {
      {report_, QString(), QStringLiteral("the report needs data")},
      {report_, Path("missing.csv"), QStringLiteral("missing.csv: no such file")},
      {report_, wrongFields, QStringLiteral("unknown field")},
      {Path("missing.vor"), QStringLiteral("sample"), QStringLiteral("missing.vor: no such file")},
  };
  TfrmPreview window;
  window.show();
  QVERIFY(window.Open(report_, kExamples + "/invoice-lines.csv"));
  const int count = window.PageCount();
  for (const TRow& row : rows) {
    bool opened = true;
    const auto box = CatchBox([&] { opened = window.Open(row.report, row.data); });
    QVERIFY(!opened);
    QVERIFY2(box.has_value(), qPrintable(row.message));
    QCOMPARE(box->icon, QMessageBox::Critical);
    QVERIFY2(box->text.contains(row.message), qPrintable(box->text));
    // The pages of the last good run stay.
    QCOMPARE(window.PageCount(), count);
    QCOMPARE(window.CurrentPage(), 0);
  }
  QVERIFY(window.Open(report_, QStringLiteral("sample:400")));
  QVERIFY(window.PageCount() > count);
}

void PreviewWindowTest::CancelKeepsThePagesMadeSoFar() {
  TfrmPreview window;
  window.show();
  QVERIFY(window.Open(report_, QStringLiteral("sample:400")));
  const int full = window.PageCount();
  // Cancel is pressed once the progress window shows a made page.
  QTimer cancel;
  QObject::connect(&cancel, &QTimer::timeout, [&cancel] {
    auto* progress = dynamic_cast<TQtProgressWindow*>(QApplication::activeModalWidget());
    if (progress == nullptr || !progress->TextLabel()->text().contains(QStringLiteral("2"))) return;
    progress->CancelButton()->click();
    cancel.stop();
  });
  cancel.start(0);
  QVERIFY(window.Open(report_, QStringLiteral("sample:400")));
  cancel.stop();
  QVERIFY(window.PageCount() >= 1);
  QVERIFY(window.PageCount() < full);
  QCOMPARE(window.PageCount(), window.PageStore()->Count());
  QCOMPARE(window.CurrentPage(), 0);
}

void PreviewWindowTest::ConverterSuccessBoxOpensThePreview() {
  TfrmMain converter;
  converter.findChild<QLineEdit*>(QStringLiteral("edQR"))->setText(kExamples + "/invoice.dfm");
  converter.findChild<QLineEdit*>(QStringLiteral("edVOR"))->setText(Path("again.vor"));
  auto* convert = converter.findChild<QToolButton*>(QStringLiteral("btnConvert"));
  const auto box = CatchBox([&] { convert->click(); }, QStringLiteral("Preview"));
  QVERIFY(box.has_value());
  QCOMPARE(box->text,
           QStringLiteral("File ") + Path("again.vor") + QStringLiteral(" succesfully created"));
  QCOMPARE(box->buttons, QStringList({QStringLiteral("OK"), QStringLiteral("Preview")}));
  TfrmPreview* preview = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* found = qobject_cast<TfrmPreview*>(widget)) preview = found;
  QVERIFY(preview != nullptr);
  QVERIFY(preview->isVisible());
  QVERIFY(preview->PageCount() >= 1);
  delete preview;
}

}  // namespace qr2vor

QTEST_MAIN(qr2vor::PreviewWindowTest)
#include "preview_window_test.moc"
