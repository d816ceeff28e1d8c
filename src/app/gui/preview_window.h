#pragma once

// The preview window: a report file generated over a data source (named as "qr2vor run --data"
// names it), after the report's parameter window and inside the progress window, then its pages
// drawn from the page store's metafiles at the screen's resolution, with page moves, zoom,
// export through the filter registry and printing.

#include <memory>

#include <QWidget>

#include "app/gui/file_dialog.h"
#include "app/gui/qt_ui.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace qr2vor {

struct TLoadedReport;
class TVoPageStore;

class TfrmPreview : public QWidget {
  Q_OBJECT

 public:
  // `fileDialog` picks the data file and the export file.
  explicit TfrmPreview(std::unique_ptr<TFileDialog> fileDialog = std::make_unique<TQtFileDialog>(),
                       QWidget* parent = nullptr);
  ~TfrmPreview() override;

  // Sets the report file and the data source and generates.
  bool Open(const QString& reportFile, const QString& dataSource);
  // Loads the report, binds the data, asks the parameters and generates. A failure goes to an
  // error box and the pages shown before stay; a cancelled parameter window changes nothing.
  // Cancel in the progress window keeps the pages made so far.
  bool Generate();

  // The generated pages, or nullptr before a run succeeded.
  const TVoPageStore* PageStore() const;
  int PageCount() const;
  // 0-based; -1 without pages.
  int CurrentPage() const { return current_; }
  void ShowPage(int index);
  // Zoom choices in the zoom box's order: fit width, fit page, then the percentages.
  enum TZoomChoice { zcFitWidth, zcFitPage, zc50, zc75, zc100, zc150, zc200, zc400 };
  void SetZoom(TZoomChoice choice);
  // The label showing the page picture.
  QLabel* PagePicture() const { return picture_; }
  // Asks for a file and exports every page into it by its extension.
  void ExportPages();
  void PrintPages();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ChooseData();
  void StepZoom(int step);
  void Render();
  void UpdateControls();

  QLineEdit* edReport_;
  QLineEdit* edData_;
  QPushButton* btnData_;
  QPushButton* btnGenerate_;
  QToolButton* btnFirst_;
  QToolButton* btnPrior_;
  QSpinBox* edPage_;
  QLabel* lblCount_;
  QToolButton* btnNext_;
  QToolButton* btnLast_;
  QComboBox* cbZoom_;
  QPushButton* btnExport_;
  QPushButton* btnPrint_;
  QScrollArea* scroll_;
  QLabel* picture_;
  std::unique_ptr<TFileDialog> fileDialog_;
  std::unique_ptr<TLoadedReport> loaded_;
  int current_ = -1;
  TQtUI ui_;
};

}  // namespace qr2vor
