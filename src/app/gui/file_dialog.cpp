#include "app/gui/file_dialog.h"

#include <QFileDialog>

namespace qr2vor {

namespace {

QString QtPatterns(const QString& patterns) {
  QStringList qtPatterns;
  for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
    const QString trimmed = pattern.trimmed();
    if (trimmed.isEmpty()) continue;
    qtPatterns.append(trimmed == u"*.*" ? QStringLiteral("*") : trimmed);
  }
  return qtPatterns.join(u' ');
}

}  // namespace

QStringList NameFiltersFromPairs(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    const QString patterns = parts[i + 1];
    const QString shown = QStringLiteral("(%1)").arg(patterns.trimmed());
    if (description.endsWith(shown)) description.chop(shown.size());
    description = description.trimmed();
    filters.append(QStringLiteral("%1 (%2)").arg(description, QtPatterns(patterns)));
  }
  return filters;
}

std::optional<QString> TQtFileDialog::Execute(QWidget* parent, const TFileDialogRequest& request) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(NameFiltersFromPairs(request.filter));
  dialog.setDefaultSuffix(request.defaultExt);
  dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace qr2vor
