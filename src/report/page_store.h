#pragma once

// The pages a run generates: one enhanced metafile per page with its paper size and margins, in
// creation order, with the counters the report's page and bar numbers are read from.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qr2vor {

// A finished page's enhanced metafile, as its bytes.
class TPageMetafile {
 public:
  explicit TPageMetafile(std::string emf) : emf_(std::move(emf)) {}
  const std::string& Image() const { return emf_; }
  bool Empty() const { return emf_.empty(); }

 private:
  std::string emf_;
};

// One generated page. Sizes and margins are page units.
class TPageInfo {
 public:
  TPageInfo(int32_t width, int32_t height, int32_t pageIndex, int32_t barIndex);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Page index within its bar and bar index, both from 0.
  int32_t PageIndex() const { return pageIndex_; }
  void SetPageIndex(int32_t value) { pageIndex_ = value; }
  int32_t BarIndex() const { return barIndex_; }
  int32_t LeftMargin = 0;
  int32_t RightMargin = 0;
  int32_t TopMargin = 0;
  int32_t BottomMargin = 0;

  // The page's enhanced metafile (empty until the page is finished). A page waits in the store
  // compressed, since a long report holds thousands of them: each call inflates a copy.
  TPageMetafile Metafile() const { return TPageMetafile(Emf()); }
  // Its EMF bytes.
  std::string Emf() const;
  // Keeps `emf` (EMF bytes) as the page's metafile.
  void SetEmf(std::string_view emf);
  // The bytes the page's metafile takes in the store.
  size_t StoredSize() const { return compressed_.size(); }

 private:
  int32_t width_;
  int32_t height_;
  int32_t pageIndex_;
  int32_t barIndex_;
  std::string compressed_;
  size_t emfSize_ = 0;
};

enum TDocumentState : uint8_t { dsIdle, dsGenerating, dsFinished };

class TVoPageStore {
 public:
  // The pages in creation order.
  int Count() const { return static_cast<int>(pages_.size()); }
  TPageInfo* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
  const std::vector<TPageInfo*>& List() const { return pages_; }

  // Appends a page the store owns.
  TPageInfo* Add(std::unique_ptr<TPageInfo> page);
  // Appends a page owned elsewhere (a composite document's pages belong to its reports).
  void AddShared(TPageInfo* page) { pages_.push_back(page); }
  // Frees the pages the store owns and empties the list.
  void ClearPages();
  // The first page with that page and bar index; nullptr when there is none.
  TPageInfo* FindPage(int32_t pageIndex, int32_t barIndex) const;
  // In pass 2 of a two-pass run the counts pass 1 found; otherwise the largest bar index + 1
  // (0 for an empty store) and the largest page index + 1 (1 for an empty store).
  int32_t BarCount() const;
  int32_t PageCount() const;

  // Position of the run: page index (-1 before the first page) and bar index.
  int32_t PageIndex = -1;
  int32_t BarIndex = 0;
  void ResetPosition() {
    PageIndex = -1;
    BarIndex = 0;
  }
  // Pass 1 or 2, whether this run has two, and the counts pass 1 left.
  int32_t Pass = 1;
  bool TwoPassRun = false;
  int32_t StoredPageCount = 0;
  int32_t StoredBarCount = 0;
  TDocumentState State = dsIdle;
  bool Finished = false;

 private:
  bool InSecondPass() const { return TwoPassRun && Pass == 2; }

  std::vector<TPageInfo*> pages_;
  std::vector<std::unique_ptr<TPageInfo>> owned_;
};

}  // namespace qr2vor
