#include "report/page_store.h"

#include <zlib.h>

#include <algorithm>

#include "rtl/exceptions.h"

namespace qr2vor {

TPageInfo::TPageInfo(int32_t width, int32_t height, int32_t pageIndex, int32_t barIndex)
    : width_(width), height_(height), pageIndex_(pageIndex), barIndex_(barIndex) {}

std::string TPageInfo::Emf() const {
  std::string emf(emfSize_, '\0');
  if (emfSize_ == 0) return emf;
  uLongf size = static_cast<uLongf>(emfSize_);
  const int result = uncompress(reinterpret_cast<Bytef*>(emf.data()), &size,
                                reinterpret_cast<const Bytef*>(compressed_.data()),
                                static_cast<uLong>(compressed_.size()));
  if (result != Z_OK || size != emfSize_) throw Exception("Page metafile cannot be read back");
  return emf;
}

void TPageInfo::SetEmf(std::string_view emf) {
  std::string compressed(compressBound(static_cast<uLong>(emf.size())), '\0');
  uLongf size = static_cast<uLongf>(compressed.size());
  const int result = compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                               reinterpret_cast<const Bytef*>(emf.data()),
                               static_cast<uLong>(emf.size()), Z_BEST_SPEED);
  if (result != Z_OK) throw Exception("Page metafile cannot be stored");
  compressed.resize(size);
  compressed.shrink_to_fit();
  compressed_ = std::move(compressed);
  emfSize_ = emf.size();
}

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
