#include "app/gui/qt_ui.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QStringDecoder>

#include "rtl/codepage.h"

namespace qr2vor {

namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, QCoreApplication::applicationName(), DisplayText(text), QMessageBox::Ok,
                  parent);
  box.exec();
}

}  // namespace

QString DisplayText(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return decoded;
  return QString::fromStdString(AnsiToUtf8(text));
}

void TQtUI::ShowMessage(const std::string& text) { ShowBox(parent_, QMessageBox::NoIcon, text); }

void TQtUI::ShowError(const std::string& message) {
  ShowBox(parent_, QMessageBox::Critical, ErrorBoxText(message));
}

}  // namespace qr2vor
