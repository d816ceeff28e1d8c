#include "report/page_store.h"

#include <algorithm>

namespace qr2vor {

TPageInfo::TPageInfo(int32_t width, int32_t height, int32_t pageIndex, int32_t barIndex)
    : width_(width), height_(height), pageIndex_(pageIndex), barIndex_(barIndex) {}

TPageInfo* TVoPageStore::Add(std::unique_ptr<TPageInfo> page) {
  TPageInfo* added = page.get();
  pages_.reserve(pages_.size() + 1);
  owned_.push_back(std::move(page));
  pages_.push_back(added);
  return added;
}

void TVoPageStore::ClearPages() {
  pages_.clear();
  owned_.clear();
}

TPageInfo* TVoPageStore::FindPage(int32_t pageIndex, int32_t barIndex) const {
  for (TPageInfo* page : pages_) {
    if (page->PageIndex() == pageIndex && page->BarIndex() == barIndex) return page;
  }
  return nullptr;
}

int32_t TVoPageStore::BarCount() const {
  if (InSecondPass()) return StoredBarCount;
  int32_t largest = -1;
  for (const TPageInfo* page : pages_) largest = std::max(largest, page->BarIndex());
  return largest + 1;
}

int32_t TVoPageStore::PageCount() const {
  if (InSecondPass()) return StoredPageCount;
  if (BarCount() < 1) return Count() + 1;
  int32_t largest = -1;
  for (const TPageInfo* page : pages_) largest = std::max(largest, page->PageIndex());
  return largest + 1;
}

}  // namespace qr2vor
