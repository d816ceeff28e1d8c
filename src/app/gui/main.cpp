// qr2vor-gui: the converter window. "--screenshot FILE" saves a picture of the window as PNG
// instead of running it (with QT_QPA_PLATFORM=offscreen it needs no display).

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>

#include "app/convert/driver.h"
#include "app/gui/main_window.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qr2vor-gui"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("The converter window of qr2vor"));
  parser.addHelpOption();
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Save a picture of the window and end."),
                                      QStringLiteral("FILE"));
  parser.addOption(screenshot);
  parser.process(application);

  qr2vor::TConversionDriver::FormCreate();
  qr2vor::TfrmMain window;
  window.show();
  if (parser.isSet(screenshot)) {
    return window.grab().save(parser.value(screenshot), "PNG") ? 0 : 1;
  }
  return QApplication::exec();
}
