// qr2vor-gui: the converter window, or with "--preview REPORT.vor [--data SOURCE]" the preview
// window of a report. "--screenshot FILE" saves a picture of the window as PNG instead of running
// it (with QT_QPA_PLATFORM=offscreen it needs no display).

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>

#include "app/convert/driver.h"
#include "app/gui/main_window.h"
#include "app/gui/preview_window.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qr2vor-gui"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("The converter window of qr2vor"));
  parser.addHelpOption();
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Save a picture of the window and end."),
                                      QStringLiteral("FILE"));
  const QCommandLineOption preview(QStringLiteral("preview"),
                                   QStringLiteral("Generate a report and show its pages."),
                                   QStringLiteral("REPORT.vor"));
  const QCommandLineOption data(
      QStringLiteral("data"),
      QStringLiteral("The report's data: a CSV file, DATABASE:TABLE, DATABASE:\"SELECT ...\" or "
                     "sample[:N]."),
      QStringLiteral("SOURCE"));
  parser.addOptions({screenshot, preview, data});
  parser.process(application);

  std::unique_ptr<QWidget> window;
  if (parser.isSet(preview)) {
    auto frame = std::make_unique<qr2vor::TfrmPreview>();
    frame->show();
    const bool shown = frame->Open(parser.value(preview), parser.value(data));
    if (parser.isSet(screenshot) && !shown) return 1;
    window = std::move(frame);
  } else {
    qr2vor::TConversionDriver::FormCreate();
    window = std::make_unique<qr2vor::TfrmMain>();
    window->show();
  }
  if (parser.isSet(screenshot)) {
    return window->grab().save(parser.value(screenshot), "PNG") ? 0 : 1;
  }
  return QApplication::exec();
}
