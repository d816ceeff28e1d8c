// Page making shared by reports and composite documents: the page store's begin and end of
// document, page creation with its metafile canvas and page frame, the printer exchange and
// the progress display of a run.

#include "engine/engine.h"
#include "platform/ui/progress.h"
#include "report/page_geometry.h"

namespace qr2vor {

TDocumentRun::TDocumentRun(TVoPrintBaseComponent& document)
    : PrintFrame(&DrawFrame), document_(document) {}

TDocumentRun::~TDocumentRun() = default;

TCanvas& TDocumentRun::Canvas() {
  if (pageCanvas_ != nullptr) return *pageCanvas_;
  return measureCanvas_;
}

void TDocumentRun::ClosePage() {
  if (pageCanvas_ == nullptr) return;
  std::unique_ptr<TMetafileCanvas> canvas = std::move(pageCanvas_);
  TPageInfo* page = canvasPage_;
  canvasPage_ = nullptr;
  const std::string emf = canvas->Finish();
  if (page != nullptr) page->SetEmf(emf);
}

void TDocumentRun::BeginDoc() {
  TVoPageStore& store = Store();
  store.Finished = false;
  if (document_.OnBeginDoc) document_.OnBeginDoc(document_);
  store.State = dsGenerating;
  ClosePage();
  store.ClearPages();
}

void TDocumentRun::EndDoc() {
  ClosePage();
  TVoPageStore& store = Store();
  store.State = dsFinished;
  if (document_.OnEndDoc) document_.OnEndDoc(document_);
  store.Finished = true;
}

void TDocumentRun::CreatePage(bool newBar) {
  TVoPageStore& store = Store();
  // The first page of a document ends no page before it.
  if (store.PageIndex >= 0 && document_.OnEndPage) {
    document_.OnEndPage(document_, store.PageIndex + 1, store.BarIndex);
  }
  if (newBar) {
    ++store.BarIndex;
    store.PageIndex = 0;
  } else {
    ++store.PageIndex;
  }
  if (TProgressDisplay* display = Display()) {
    std::string prefix;
    if (store.TwoPassRun) {
      prefix = document_.Language()->Text(store.Pass == 1 ? text::kFirstPass : text::kSecondPass);
    }
    std::string text = document_.Language()->Text(text::kPreparingPage);
    const size_t page = text.find("%d");
    if (page != std::string::npos) text.replace(page, 2, std::to_string(store.PageIndex + 1));
    const size_t bar = text.find("%d");
    if (bar != std::string::npos) text.replace(bar, 2, std::to_string(store.BarIndex + 1));
    display->SetText(prefix + text);
    display->SetPosition(store.TwoPassRun && store.Pass == 2
                             ? store.StoredPageCount * store.BarIndex + store.PageIndex
                             : 0);
  }
  const TVoRPrinter& printer = *document_.PrinterSetting();
  auto page = std::make_unique<TPageInfo>(printer.PageWidth(), printer.PageHeight(),
                                          store.PageIndex, store.BarIndex);
  page->LeftMargin = printer.LeftMargin();
  page->RightMargin = printer.RightMargin();
  page->TopMargin = printer.TopMargin();
  page->BottomMargin = printer.BottomMargin();
  TPageInfo* added = store.Add(std::move(page));
  position_ = added->TopMargin;
  bottom_ = added->Height() - added->BottomMargin;
  ClosePage();
  pageCanvas_ = std::make_unique<TMetafileCanvas>(added->Width(), added->Height());
  canvasPage_ = added;
  if (PrintFrame) {
    const TRect frame{added->LeftMargin, added->TopMargin, added->Width() - added->RightMargin,
                      added->Height() - added->BottomMargin};
    PrintFrame(*document_.Frame(), *pageCanvas_, frame);
  }
  if (document_.OnBeginPage) document_.OnBeginPage(document_, store.PageIndex + 1, store.BarIndex);
}

bool TDocumentRun::Cancelled() {
  if (!cancelled_) {
    TProgressDisplay* display = Display();
    if (display != nullptr && display->Cancelled()) cancelled_ = true;
  }
  return cancelled_;
}

TProgressDisplay* TDocumentRun::Display() const {
  return document_.AnimatedStatus() ? document_.ProgressDisplay : nullptr;
}

void TDocumentRun::BeginRun() {
  if (TProgressDisplay* display = Display()) {
    const std::string& title = document_.VoProperty()->Title();
    display->SetTitle(title.empty() ? kDefaultReportTitle : title);
    display->SetText(document_.Language()->Text(text::kPreparing));
    display->SetCancelCaption(document_.Language()->Text(text::kCancel));
    const TVoPageStore& store = Store();
    display->SetRange(store.TwoPassRun && store.Pass == 2 ? store.StoredPageCount : 0);
  }
}

void TDocumentRun::EndRun() { document_.KeptPrinterSetting().ApplyToPrinter(); }

void TDocumentRun::RunWithDisplay(const std::function<void()>& work) {
  cancelled_ = false;
  document_.KeptPrinterSetting().ReadFromPrinter();
  document_.PrinterSetting()->ApplyToPrinter();
  try {
    if (TProgressDisplay* display = Display()) {
      display->Run(work);
    } else {
      work();
    }
  } catch (...) {
    ClosePage();
    EndRun();
    throw;
  }
  EndRun();
}

}  // namespace qr2vor
