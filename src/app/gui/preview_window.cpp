#include "app/gui/preview_window.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/cli/report_data.h"
#include "app/gui/parameter_window.h"
#include "app/gui/progress_window.h"
#include "engine/engine.h"
#include "export/page_driver.h"
#include "export/registry.h"
#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

// Page units are 96 per inch.
constexpr double kPageUnitsPerInch = 96.0;
constexpr int kZoomPercents[] = {50, 75, 100, 150, 200, 400};

QImage ToQImage(const TRasterImage& image) {
  return QImage(reinterpret_cast<const uchar*>(image.Pixels().data()), image.Width(),
                image.Height(), image.Width() * 4, QImage::Format_ARGB32)
      .copy();
}

QToolButton* MoveButton(QWidget* parent, const QString& text, const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  return button;
}

}  // namespace

TfrmPreview::TfrmPreview(std::unique_ptr<TFileDialog> fileDialog, QWidget* parent)
    : QWidget(parent), fileDialog_(std::move(fileDialog)), ui_(this) {
  setObjectName(QStringLiteral("TfrmPreview"));
  setWindowTitle(QStringLiteral("Preview"));
  resize(800, 900);

  edReport_ = new QLineEdit(this);
  edReport_->setObjectName(QStringLiteral("edReport"));
  edData_ = new QLineEdit(this);
  edData_->setObjectName(QStringLiteral("edData"));
  edData_->setPlaceholderText(
      QStringLiteral("CSV file, DATABASE:TABLE, DATABASE:\"SELECT ...\" or sample[:N]"));
  btnData_ = new QPushButton(QStringLiteral("..."), this);
  btnData_->setToolTip(QStringLiteral("Choose a CSV file or a database"));
  btnGenerate_ = new QPushButton(QStringLiteral("&Generate"), this);
  btnGenerate_->setObjectName(QStringLiteral("btnGenerate"));

  btnFirst_ = MoveButton(this, QStringLiteral("|<"), QStringLiteral("First page (Home)"));
  btnPrior_ = MoveButton(this, QStringLiteral("<"), QStringLiteral("Previous page (PgUp)"));
  edPage_ = new QSpinBox(this);
  edPage_->setObjectName(QStringLiteral("edPage"));
  lblCount_ = new QLabel(this);
  lblCount_->setObjectName(QStringLiteral("lblCount"));
  btnNext_ = MoveButton(this, QStringLiteral(">"), QStringLiteral("Next page (PgDn)"));
  btnLast_ = MoveButton(this, QStringLiteral(">|"), QStringLiteral("Last page (End)"));
  cbZoom_ = new QComboBox(this);
  cbZoom_->setObjectName(QStringLiteral("cbZoom"));
  cbZoom_->addItems({QStringLiteral("Fit width"), QStringLiteral("Fit page")});
  for (const int percent : kZoomPercents) cbZoom_->addItem(QStringLiteral("%1 %").arg(percent));
  cbZoom_->setCurrentIndex(zcFitWidth);
  btnExport_ = new QPushButton(QStringLiteral("&Export..."), this);
  btnExport_->setObjectName(QStringLiteral("btnExport"));
  btnPrint_ = new QPushButton(QStringLiteral("&Print..."), this);

  picture_ = new QLabel;
  picture_->setObjectName(QStringLiteral("picture"));
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(picture_);
  scroll_->setAlignment(Qt::AlignHCenter);
  scroll_->setBackgroundRole(QPalette::Dark);

  auto* source = new QHBoxLayout;
  source->addWidget(new QLabel(QStringLiteral("Report:"), this));
  source->addWidget(edReport_, 2);
  source->addWidget(new QLabel(QStringLiteral("Data:"), this));
  source->addWidget(edData_, 2);
  source->addWidget(btnData_);
  source->addWidget(btnGenerate_);
  auto* pages = new QHBoxLayout;
  for (QWidget* widget : std::initializer_list<QWidget*>{btnFirst_, btnPrior_, edPage_, lblCount_,
                                                         btnNext_, btnLast_, cbZoom_}) {
    pages->addWidget(widget);
  }
  pages->addStretch();
  pages->addWidget(btnExport_);
  pages->addWidget(btnPrint_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(source);
  layout->addLayout(pages);
  layout->addWidget(scroll_, 1);

  connect(btnData_, &QPushButton::clicked, this, &TfrmPreview::ChooseData);
  connect(btnGenerate_, &QPushButton::clicked, this, &TfrmPreview::Generate);
  connect(btnFirst_, &QToolButton::clicked, this, [this] { ShowPage(0); });
  connect(btnPrior_, &QToolButton::clicked, this, [this] { ShowPage(current_ - 1); });
  connect(btnNext_, &QToolButton::clicked, this, [this] { ShowPage(current_ + 1); });
  connect(btnLast_, &QToolButton::clicked, this, [this] { ShowPage(PageCount() - 1); });
  connect(edPage_, &QSpinBox::valueChanged, this, [this](int number) {
    if (number - 1 != current_) ShowPage(number - 1);
  });
  connect(cbZoom_, &QComboBox::currentIndexChanged, this, [this] { Render(); });
  connect(btnExport_, &QPushButton::clicked, this, &TfrmPreview::ExportPages);
  connect(btnPrint_, &QPushButton::clicked, this, &TfrmPreview::PrintPages);
  const auto shortcut = [this](const QKeySequence& keys, auto action) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
  };
  shortcut(QKeySequence(Qt::Key_PageUp), [this] { ShowPage(current_ - 1); });
  shortcut(QKeySequence(Qt::Key_PageDown), [this] { ShowPage(current_ + 1); });
  shortcut(QKeySequence(Qt::Key_Home), [this] { ShowPage(0); });
  shortcut(QKeySequence(Qt::Key_End), [this] { ShowPage(PageCount() - 1); });
  shortcut(QKeySequence::ZoomIn, [this] { StepZoom(1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { StepZoom(1); });
  shortcut(QKeySequence::ZoomOut, [this] { StepZoom(-1); });
  UpdateControls();
}

TfrmPreview::~TfrmPreview() = default;

bool TfrmPreview::Open(const QString& reportFile, const QString& dataSource) {
  edReport_->setText(reportFile);
  edData_->setText(dataSource);
  setWindowTitle(QStringLiteral("Preview - %1").arg(QFileInfo(reportFile).fileName()));
  return Generate();
}

bool TfrmPreview::Generate() {
  try {
    RegisterRunClasses();
    auto loaded = std::make_unique<TLoadedReport>();
    loaded->file = edReport_->text().toStdString();
    loaded->report = LoadReport(loaded->file);
    try {
      loaded->fields = CollectReportFields(*loaded->report);
    } catch (const Exception& e) {
      throw TRunFailure{loaded->file, e.Message()};
    }
    std::vector<TDataSpec> sources;
    const std::string data = edData_->text().trimmed().toStdString();
    if (!data.empty()) sources.push_back(ParseDataSpec(data));
    BindData(*loaded, sources);
    try {
      TQtParameterDialog dialog(this);
      if (!AskParameters(*loaded->report, dialog)) return false;
      loaded->report->OnAskParameters = nullptr;
      TQtProgressWindow progress(this);
      loaded->report->ProgressDisplay = &progress;
      TVoREngine(*loaded->report).Prepare();
      loaded->report->ProgressDisplay = nullptr;
    } catch (const Exception& e) {
      throw TRunFailure{loaded->file, e.Message()};
    }
    loaded_ = std::move(loaded);
  } catch (const TRunFailure& failure) {
    ui_.ShowError(failure.file + ": " + failure.message);
    return false;
  }
  current_ = -1;
  ShowPage(0);
  UpdateControls();
  // The page keys move through the pages rather than through the text of an edit box.
  scroll_->setFocus();
  return true;
}

const TVoPageStore* TfrmPreview::PageStore() const {
  return loaded_ ? &loaded_->report->PageStore() : nullptr;
}

int TfrmPreview::PageCount() const { return loaded_ ? PageStore()->Count() : 0; }

void TfrmPreview::ShowPage(int index) {
  if (PageCount() == 0) return;
  index = std::clamp(index, 0, PageCount() - 1);
  if (index == current_) return;
  current_ = index;
  Render();
  UpdateControls();
  scroll_->verticalScrollBar()->setValue(0);
}

void TfrmPreview::SetZoom(TZoomChoice choice) { cbZoom_->setCurrentIndex(choice); }

void TfrmPreview::StepZoom(int step) {
  // From a fit choice the steps start at 100 %.
  const int index = cbZoom_->currentIndex() < zc50 ? zc100 : cbZoom_->currentIndex() + step;
  cbZoom_->setCurrentIndex(std::clamp(index, static_cast<int>(zc50), cbZoom_->count() - 1));
}

void TfrmPreview::Render() {
  if (current_ < 0) {
    picture_->clear();
    return;
  }
  // The page's metafile lives as long as the view.
  const TPageStorePages pages(*PageStore());
  const TExportPage page = pages.Page(static_cast<size_t>(current_));
  const double screenDpi = screen() != nullptr ? screen()->logicalDotsPerInch() : kPageUnitsPerInch;
  const QSize room = scroll_->viewport()->size() - QSize(8, 8);
  double dpi = screenDpi;
  switch (cbZoom_->currentIndex()) {
    case zcFitWidth:
      dpi = room.width() * kPageUnitsPerInch / std::max(1, page.Width);
      break;
    case zcFitPage:
      dpi = std::min(room.width() * kPageUnitsPerInch / std::max(1, page.Width),
                     room.height() * kPageUnitsPerInch / std::max(1, page.Height));
      break;
    default:
      dpi = screenDpi * kZoomPercents[cbZoom_->currentIndex() - zc50] / 100.0;
  }
  try {
    const TRasterImage image = RenderPage(page, std::max(8, static_cast<int>(dpi)));
    picture_->setPixmap(QPixmap::fromImage(ToQImage(image)));
    picture_->resize(image.Width(), image.Height());
  } catch (const Exception& e) {
    picture_->clear();
    ui_.ShowError(e.Message());
  }
}

void TfrmPreview::UpdateControls() {
  const int count = PageCount();
  const QSignalBlocker blocker(edPage_);
  edPage_->setRange(count == 0 ? 0 : 1, count);
  edPage_->setValue(current_ + 1);
  lblCount_->setText(QStringLiteral("of %1").arg(count));
  btnFirst_->setEnabled(current_ > 0);
  btnPrior_->setEnabled(current_ > 0);
  btnNext_->setEnabled(current_ + 1 < count);
  btnLast_->setEnabled(current_ + 1 < count);
  edPage_->setEnabled(count > 0);
  btnExport_->setEnabled(count > 0);
  btnPrint_->setEnabled(count > 0);
}

void TfrmPreview::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (cbZoom_->currentIndex() < zc50) Render();
}

void TfrmPreview::ChooseData() {
  const std::optional<QString> chosen = fileDialog_->Execute(
      this, TFileDialogRequest{edData_->text(), QStringLiteral("csv"),
                               QStringLiteral("CSV file (*.csv)|*.csv|SQLite database "
                                              "(*.db;*.sqlite)|*.db;*.sqlite|All files|*.*")});
  if (chosen) edData_->setText(*chosen);
}

void TfrmPreview::ExportPages() {
  if (PageCount() == 0) return;
  QString filter;
  for (const TExportFilterEntry& entry : ExportFilters()) {
    filter += QStringLiteral("%1%2|*.%3")
                  .arg(filter.isEmpty() ? QString() : QStringLiteral("|"),
                       QString::fromStdString(entry.Filter),
                       QString::fromStdString(FilterExtension(entry)));
  }
  const QString defaultExt = ExportFilters().empty()
                                 ? QString()
                                 : QString::fromStdString(FilterExtension(ExportFilters()[0]));
  const QString base = QFileInfo(edReport_->text()).completeBaseName();
  const std::optional<QString> chosen =
      fileDialog_->Execute(this, TFileDialogRequest{base, defaultExt, filter});
  if (!chosen) return;
  try {
    ExportToFile(TPageStorePages(*PageStore()), chosen->toStdString());
  } catch (const Exception& e) {
    ui_.ShowError(chosen->toStdString() + ": " + e.Message());
  }
}

void TfrmPreview::PrintPages() {
  if (PageCount() == 0) return;
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  QPainter painter;
  if (!painter.begin(&printer)) {
    ui_.ShowError("The printer could not be started");
    return;
  }
  const TPageStorePages pages(*PageStore());
  try {
    for (size_t i = 0; i < pages.Count(); ++i) {
      if (i > 0) printer.newPage();
      const TExportPage page = pages.Page(i);
      // The printer's resolution, lowered where the page's picture would outgrow the limits.
      const double limit =
          std::sqrt(static_cast<double>(kMaxImagePixels) /
                    (std::max(1, page.Width) * static_cast<double>(std::max(1, page.Height)))) *
          kPageUnitsPerInch;
      const int dpi = std::max(8, static_cast<int>(std::min<double>(printer.resolution(), limit)));
      const QImage image = ToQImage(RenderPage(page, dpi));
      painter.drawImage(QRectF(0, 0, page.Width * printer.resolution() / kPageUnitsPerInch,
                               page.Height * printer.resolution() / kPageUnitsPerInch),
                        image);
    }
  } catch (const Exception& e) {
    ui_.ShowError(e.Message());
  }
  painter.end();
}

}  // namespace qr2vor
