// Generation of a report: band printing, the group look-ahead, page and column breaks, the band
// and record loop, one or two passes, and the composite document.

#include <algorithm>

#include "engine/engine.h"
#include "expr/expr_evaluator.h"
#include "expr/expr_parser.h"
#include "platform/data/dataset.h"
#include "platform/ui/progress.h"
#include "rtl/date_time_text.h"
#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

bool IsMeasuring(uint32_t flags) { return (flags & kMeasureFlag) != 0; }

}  // namespace

TVoREngine::TVoREngine(TVoReport& report)
    : TDocumentRun(report), Clock(&Now), report_(report), dataManager_(report) {
  PrintControl = [this](TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags) {
    renderContext_.Generating = report_.Generating() == 2;
    renderContext_.DataManager = DataManager();
    return qr2vor::PrintControl(control, canvas, rect, flags, renderContext_);
  };
  renderContext_.EvaluateHighLight = [this](const std::string& expression) {
    const TExprParser parser(DataManager(), VariableCallback(), expression);
    return Evaluate(parser).AsBoolean();
  };
}

int32_t TVoREngine::PrintControlAt(TVoRControl& control, TRect& rect, uint32_t flags) {
  return PrintControl(control, Canvas(), rect, flags);
}

int32_t TVoREngine::PrintBand(TVoRBand& band, int32_t top, int32_t bottom, uint32_t flags) {
  const bool measuring = IsMeasuring(flags);
  if (report_.BeforeBandPrint) report_.BeforeBandPrint(report_, band, measuring);
  int32_t height = 0;
  if (band.Visible()) {
    if (!PrintableNow(band)) return 0;
    const int32_t width = printableWidth_;
    auto columnX = [&](int32_t left) { return (width > 0 ? left % width : left) + columnLeft_; };
    if (measuring) {
      band.SetLineNo(band.LineNo() + 1);
    } else {
      const int32_t x = columnX(band.Left());
      TRect rect{x, top, x + band.Width(), bottom};
      PrintControlAt(band, rect, flags);
    }
    if (top < 0) top = 0;
    const int32_t barIndex = Store().BarIndex;
    for (int i = 0; i < band.ControlCount(); ++i) {
      TVoRControl& control = *band.Controls(i);
      if (report_.BeforeControlPrint) report_.BeforeControlPrint(report_, control, measuring);
      bool skip = !control.Visible() || !PrintableNow(control);
      if (!skip && !measuring && width > 0) {
        const int64_t left = control.Left();
        skip = !(int64_t{barIndex} * width <= left && left < int64_t{barIndex + 1} * width);
      }
      if (!skip) {
        const int32_t x = columnX(control.Left());
        const bool isPicture = dynamic_cast<TVoRImage*>(&control) != nullptr;
        TRect rect{x, top, x + control.Width(),
                   band.Stretch() && !isPicture ? bottom : top + control.Height()};
        const TVoRObjectPosition position = control.ObjectPosition();
        if (!measuring) {
          int32_t h = 0;
          if (band.Stretch() || position == opBottomBand || position == opCenterBand) {
            TRect measured = rect;
            h = PrintControlAt(control, measured, flags | kMeasureFlag);
          }
          const int32_t w = rect.Bottom - rect.Top;
          switch (position) {
            case opTopBand:
              rect.Top = top;
              break;
            case opBottomBand:
              rect.Top = bottom - h;
              break;
            case opCenterBand:
              rect.Top = top + (bottom - top - h) / 2;
              break;
            case opDesigned:
              rect.Top = top + control.Top();
              break;
          }
          rect.Bottom = rect.Top + w;
          const auto* shape = dynamic_cast<const TVoRShape*>(&control);
          if (shape != nullptr && shape->Stretch() == ssHeight) rect.Bottom = bottom;
        }
        const int32_t rectTop = rect.Top;
        int32_t h = PrintControlAt(control, rect, flags);
        if (measuring && position == opDesigned) h += control.Top();
        height = std::max(height, rectTop + h - top);
      }
      if (report_.AfterControlPrint) {
        bool abort = false;
        report_.AfterControlPrint(report_, control, measuring, abort);
        if (abort) break;
      }
    }
    if (!band.Stretch()) height = band.Height();
  }
  if (report_.AfterBandPrint) {
    bool abort = false;
    report_.AfterBandPrint(report_, band, measuring, abort);
  }
  return height;
}

bool TVoREngine::BandPrints(const TVoRBand& band) const {
  switch (band.BandType()) {
    case btGroupHeader:
      return band.ValueChanged();
    case btGroupFooter:
      return band.ValueChanged() || report_.DataSet()->Eof();
    case btDetail:
    case btSubDetail:
      return true;
    default:
      return false;
  }
}

std::vector<TVoREngine::TSavedValue> TVoREngine::SaveValues() const {
  std::vector<TSavedValue> saved;
  const TVoRVariables& variables = *report_.Variables();
  for (int i = 0; i < variables.Count(); ++i) {
    saved.push_back({i, -1, -1, variables.Items(i)->CurValue(), variables.Items(i)->PrevValue()});
  }
  for (int b = 0; b < report_.BandCount(); ++b) {
    const TVoRBand& band = *report_.Bands(b);
    saved.push_back({-1, b, -1, band.CurrentValue(), band.PreviousValue()});
    for (int c = 0; c < band.ControlCount(); ++c) {
      const TVoRControl& control = *band.Controls(c);
      saved.push_back({-1, b, c, control.CurrentValue(), control.PreviousValue()});
    }
  }
  return saved;
}

void TVoREngine::RestoreValues(const std::vector<TSavedValue>& saved) {
  for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
    if (it->variableIndex >= 0) {
      TVoRVariable& variable = *report_.Variables()->Items(it->variableIndex);
      variable.SetCurValue(it->current);
      variable.SetPrevValue(it->previous);
      continue;
    }
    TVoRBand* band = report_.Bands(it->bandIndex);
    if (band == nullptr) continue;
    TVoRControl* target = it->controlIndex < 0 ? band : band->Controls(it->controlIndex);
    if (target == nullptr) continue;
    target->SetCurrentValue(it->current);
    target->SetPreviousValue(it->previous);
  }
}

int32_t TVoREngine::MeasureGroup(TVoRBand& header, int32_t top, int32_t bottom) {
  if (header.BandType() != btGroupHeader) return 0;
  const int headerIndex = header.IndexInReport();
  header.SetLinkedBand(header.FindPairedBand());
  const int footerIndex = header.LinkedBand();
  if (headerIndex > footerIndex) return 0;
  TDataSet& data = *report_.DataSet();
  const std::vector<TSavedValue> saved = SaveValues();
  const Variant noted = header.CurrentValue();
  const TBookmark bookmark = data.GetBookmark();
  int32_t height = 0;
  bool stop = false;
  while (!data.Eof() && !stop) {
    const int32_t heightBefore = height;
    bool advanced = false;
    bool subDetailFollows = false;
    for (int j = headerIndex; j <= footerIndex && !stop; ++j) {
      TVoRBand& band = *report_.Bands(j);
      EvaluateGroup(band);
      const bool prints = BandPrints(band);
      const bool isHeader = band.BandType() == btGroupHeader;
      const bool nestedGroup = isHeader && &band != &header && band.NewPageIfNotFit();
      if (prints && isHeader) {
        UpdateCalculations(-1, -1, 3, band.Expression());
        UpdateCalculations(-1, -1, 0, band.Expression());
        stop = (&band == &header && Compare(header.CurrentValue(), noted) != vcEqual) ||
               band.NewPage() || bottom < top + height + band.LessThan() ||
               (nestedGroup && top + height + MeasureGroup(band, top + height, bottom) > bottom);
        if (stop) break;
      }
      if (prints && band.BandType() != btSubDetail) {
        if (nestedGroup) {
          height += MeasureGroup(band, top + height, bottom);
          j = std::max(j, band.LinkedBand());
        } else {
          height += Measure(band, top + height, bottom);
        }
        if (top + height > bottom && !data.Eof()) {
          stop = true;
          break;
        }
        if (band.BandType() == btGroupFooter) Reset(rtEndGroup, band.Expression());
        if (isHeader) band.SetPreviousValue(band.CurrentValue());
      }
      if (band.BandType() == btDetail) {
        subDetailFollows = false;
        for (int k = j + 1; k < report_.BandCount(); ++k) {
          if (report_.Bands(k)->BandType() == btSubDetail) subDetailFollows = true;
        }
      }
      const bool advance = (band.BandType() == btDetail && !subDetailFollows) ||
                           (band.BandType() == btSubDetail && subDetailFollows);
      if (advance) {
        data.Next();
        advanced = true;
        if (!data.Eof()) UpdateCalculations(-1, -1, 1);
      }
    }
    if (stop) break;
    UpdateCalculations(-1, -1, 2);
    UpdateCalculations(-1, -1, 3);
    // A walk that neither moves to another record nor adds height would repeat forever.
    if (!advanced && height == heightBefore) break;
  }
  if (bookmark.Valid()) data.GotoBookmark(bookmark);
  RestoreValues(saved);
  return height;
}

void TVoREngine::PrintBandAtPosition(TVoRBand& band) {
  const int32_t height = Measure(band, position_, bottom_);
  TDataSet* data = band.Dataset();
  if (position_ + height > bottom_ && data != nullptr && !data->Eof()) NewPage(false);
  position_ += PrintBand(band, position_, position_ + height, 0);
}

void TVoREngine::NewPage(bool newBar) {
  const int32_t columns = std::max(report_.ColumnNumber(), 1);
  if (columnIndex_ >= 0 && columnIndex_ < report_.ColumnNumber() && report_.OnEndColumn) {
    report_.OnEndColumn(report_, columnIndex_);
  }
  if (!newBar && columns - 1 > columnIndex_) {
    ++columnIndex_;
  } else {
    columnIndex_ = 0;
    bodyTop_ = 0;
    bodyBottom_ = 0;
    CreatePage(newBar);
  }
  const TPageInfo& page = *Store().Pages(Store().Count() - 1);
  printableWidth_ = page.Width() - page.LeftMargin - page.RightMargin;
  const int32_t columnWidth = (printableWidth_ - (columns - 1) * report_.ColumnSpace()) / columns;
  columnLeft_ = (columnWidth + report_.ColumnSpace()) * columnIndex_ + page.LeftMargin;
  bottom_ = page.Height() - page.BottomMargin;
  position_ = page.TopMargin;
  lastBandHeight_ = 0;
  for (int b = 0; b < report_.BandCount(); ++b) {
    TVoRBand& band = *report_.Bands(b);
    for (int c = 0; c < band.ControlCount(); ++c) {
      auto* sysData = dynamic_cast<TVoRSysData*>(band.Controls(c));
      if (sysData != nullptr && (sysData->SysData() == sdPageNo || sysData->SysData() == sdBarNo ||
                                 sysData->SysData() == sdColumnNo)) {
        UpdateValue(*sysData);
      }
    }
  }
  bool titleAlone = false;
  if (columnIndex_ == 0) {
    TVoRBand* title = FirstBand(btReportTitle);
    if (Store().PageIndex == 0 && title != nullptr) {
      const int32_t height = Measure(*title, position_, bottom_);
      position_ += PrintBand(*title, position_, position_ + height, 0);
      titleAlone = title->NewPage();
    }
    TVoRBand* header = FirstBand(btPageHeader);
    if (header != nullptr && (Store().PageIndex > 0 || header->NewPage())) {
      const int32_t height = Measure(*header, position_, bottom_);
      position_ += PrintBand(*header, position_, position_ + height, 0);
    }
    bodyTop_ = position_;
    TVoRBand* footer = FirstBand(btPageFooter);
    if (footer != nullptr && (Store().PageIndex > 0 || footer->NewPage())) {
      const int32_t height = Measure(*footer, position_, bottom_);
      PrintBand(*footer, bottom_ - height, bottom_, 0);
      bottom_ -= height;
    }
    bodyBottom_ = bottom_;
  }
  if (report_.ColumnNumber() > 1) {
    position_ = bodyTop_;
    bottom_ = bodyBottom_;
    if (TVoRBand* header = FirstBand(btColumnHeader)) {
      const int32_t height = Measure(*header, position_, bottom_);
      position_ += PrintBand(*header, position_, position_ + height, 0);
    }
    if (TVoRBand* footer = FirstBand(btColumnFooter)) {
      const int32_t height = Measure(*footer, position_, bottom_);
      PrintBand(*footer, bottom_ - height, bottom_, 0);
      bottom_ -= height;
    }
  }
  firstOnPage_ = true;
  Reset(rtEndPage);
  if (titleAlone) NewPage(false);
  if (report_.OnBeginColumn) report_.OnBeginColumn(report_, columnIndex_);
}

void TVoREngine::CheckCanGenerate() const {
  const TVoRLanguage& language = *report_.Language();
  if (report_.DataSet() == nullptr) {
    std::string text = language.Text(text::kPropertyNotSpecified);
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, "DataSet");
    throw Exception(text);
  }
  if (!report_.DataSet()->Active()) throw Exception(language.Text(text::kDatasetNotActive));
}

bool TVoREngine::AskParameters() {
  return report_.OnAskParameters ? report_.OnAskParameters(report_) : true;
}

void TVoREngine::Generate() {
  CheckCanGenerate();
  if (!AskParameters()) return;
  parsed_.clear();
  TVoPageStore& store = Store();
  TDataSet& data = *report_.DataSet();
  store.ResetPosition();
  report_.SetGenerating(2);
  columnIndex_ = report_.ColumnNumber() + 1;
  const bool disable = (report_.Options() & (1u << roDisableControls)) != 0;
  if (disable) data.DisableControls();
  const TBookmark bookmark = data.GetBookmark();
  auto finish = [&] {
    ClosePage();
    if (bookmark.Valid()) data.GotoBookmark(bookmark);
    if (disable) data.EnableControls();
    store.PageIndex = 0;
    store.BarIndex = 0;
    report_.SetGenerating(0);
  };
  try {
    data.First();
    UpdateCalculations(-1, -1, 3);
    EvaluatePrintConditions();
    BeginDoc();
    for (int bar = 1; bar <= report_.BarNumber(); ++bar) {
      // Every bar walks the whole data set.
      if (bar > 1) data.First();
      Reset(rtEndReport);
      // The reset emptied the variables, which had taken the first record already.
      UpdateCalculations(-1, -1, 3);
      UpdateCalculations(-1, -1, 0);
      NewPage(bar > 1);
      firstOnPage_ = true;
      while (!data.Eof() && !Cancelled()) {
        EvaluatePrintConditions();
        bool subDetailFollows = false;
        // A report without a band that advances the records (no detail band) would otherwise
        // print the same record forever.
        bool advanced = false;
        for (int i = 0; i < report_.BandCount() && !Cancelled(); ++i) {
          TVoRBand& band = *report_.Bands(i);
          if (band.IsGroup()) EvaluateGroup(band);
          const bool prints = BandPrints(band);
          const TBandType type = band.BandType();
          if (prints && type == btGroupHeader) {
            UpdateCalculations(-1, -1, 3, band.Expression());
            UpdateCalculations(-1, -1, 0, band.Expression());
            const int32_t groupHeight =
                band.NewPageIfNotFit() ? MeasureGroup(band, position_, bottom_) : 0;
            if ((band.NewPage() && !firstOnPage_) || position_ + band.LessThan() > bottom_ ||
                (band.NewPageIfNotFit() && position_ + groupHeight > bottom_)) {
              NewPage(false);
            }
          }
          TDataSet* own = band.Dataset();
          if (prints && type == btSubDetail && own != nullptr && own != &data) {
            own->First();
            while (!own->Eof()) {
              UpdateCalculations(i, i, 1);
              const int32_t height = Measure(band, position_, bottom_);
              if (position_ + height > bottom_ && !own->Eof()) NewPage(false);
              position_ += PrintBand(band, position_, position_ + height, 0);
              own->Next();
            }
          } else if (prints) {
            PrintBandAtPosition(band);
            if (type == btGroupFooter) Reset(rtEndGroup, band.Expression());
            if (type == btGroupHeader) band.SetPreviousValue(band.CurrentValue());
          }
          if (type == btDetail) {
            subDetailFollows = false;
            for (int k = i + 1; k < report_.BandCount(); ++k) {
              if (report_.Bands(k)->BandType() == btSubDetail) subDetailFollows = true;
            }
          }
          if ((type == btDetail && !subDetailFollows) ||
              (type == btSubDetail && subDetailFollows)) {
            advanced = true;
            data.Next();
            if (!data.Eof()) UpdateCalculations(-1, -1, 1);
            for (int k = i + 1; k < report_.BandCount(); ++k) {
              if (report_.Bands(k)->BandType() == btGroupFooter) EvaluateGroup(*report_.Bands(k));
            }
          }
          if (type == btDetail) firstOnPage_ = false;
        }
        if (!advanced && !Cancelled()) {
          data.Next();
          if (!data.Eof()) UpdateCalculations(-1, -1, 1);
        }
        UpdateCalculations(-1, -1, 2);
        UpdateCalculations(-1, -1, 3);
      }
      if (TVoRBand* summary = FirstBand(btReportSummary)) {
        if (summary->NewPage()) NewPage(false);
        const int32_t height = Measure(*summary, position_, bottom_);
        if (position_ + height > bottom_) NewPage(false);
        position_ += PrintBand(*summary, position_, position_ + height, 0);
      }
    }
    EndDoc();
    Reset(rtEndReport);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TVoREngine::Prepare() {
  TVoPageStore& store = Store();
  store.Pass = 1;
  store.TwoPassRun = report_.TwoPass();
  RunWithDisplay([&] {
    BeginRun();
    Generate();
    if (report_.TwoPass()) {
      store.StoredBarCount = store.BarCount();
      store.StoredPageCount = store.PageCount();
      store.Pass = 2;
      BeginRun();
      Generate();
    }
  });
}

void PrepareComposite(TVoRCompositeReport& composite) {
  class TCompositeRun : public TDocumentRun {
   public:
    using TDocumentRun::TDocumentRun;
    void Run(TVoRCompositeReport& document) {
      RunWithDisplay([&] {
        TVoPageStore& store = Store();
        store.ResetPosition();
        BeginDoc();
        if (document.Reports().empty()) {
          CreatePage(false);
        } else {
          store.PageIndex = 0;
          int32_t offset = 0;
          for (TVoReport* report : std::vector<TVoReport*>(document.Reports())) {
            TVoREngine(*report).Prepare();
            const TVoPageStore& pages = report->PageStore();
            const int32_t count = pages.PageCount();
            for (TPageInfo* page : pages.List()) {
              page->SetPageIndex(page->PageIndex() + offset);
              store.AddShared(page);
            }
            offset += count;
          }
        }
        EndDoc();
      });
    }
  };
  TCompositeRun(composite).Run(composite);
}

}  // namespace qr2vor
