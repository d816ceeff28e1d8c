#pragma once

// The file dialog behind the two "..." buttons, as an interface so that tests answer it.

#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

namespace qr2vor {

// What a button sets before every use of the dialog: the initial file name, the extension added
// to a name typed without one, and the filter as "description|pattern" pairs joined by "|".
struct TFileDialogRequest {
  QString fileName;
  QString defaultExt;
  QString filter;
};

class TFileDialog {
 public:
  virtual ~TFileDialog() = default;

  // The file the user confirmed, or nothing when the dialog was cancelled.
  virtual std::optional<QString> Execute(QWidget* parent, const TFileDialogRequest& request) = 0;
};

// A modal QFileDialog for opening; the chosen file need not exist (the destination report file is
// chosen with it too), and choosing an existing one asks nothing.
class TQtFileDialog : public TFileDialog {
 public:
  std::optional<QString> Execute(QWidget* parent, const TFileDialogRequest& request) override;
};

// Qt name filters for "description|pattern" pairs: each becomes "description (patterns)", the
// description's own trailing "(pattern)" giving way to the Qt form of the patterns. Patterns
// separated by ";" are separated by spaces, and "*.*" (every file, with an extension or not)
// becomes "*". A description without a pattern is dropped.
QStringList NameFiltersFromPairs(const QString& filter);

}  // namespace qr2vor
