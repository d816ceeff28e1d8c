#include "export/page_driver.h"

#include <filesystem>
#include <limits>

#include <fmt/format.h>

#include "export/export.h"
#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/emf_player.h"
#include "platform/gfx/raster_canvas.h"
#include "report/page_store.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace qr2vor {

namespace {

inline constexpr const char* kBadResolution = "Picture resolution {} is not between 1 and 2400";
constexpr int kMaxResolution = 2400;

int32_t Saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

void TExportPageList::Add(std::string emf, int32_t width, int32_t height, int32_t barIndex) {
  TExportPage geometry;
  geometry.Width = width;
  geometry.Height = height;
  geometry.BarIndex = barIndex;
  for (const TStored& page : pages_)
    if (page.geometry.BarIndex == barIndex) geometry.PageIndex = page.geometry.PageIndex + 1;
  Add(std::move(emf), geometry);
}

void TExportPageList::Add(std::string emf, const TExportPage& geometry) {
  pages_.push_back(TStored{std::move(emf), geometry});
}

TExportPage TExportPageList::Page(size_t index) const {
  const TStored& stored = pages_.at(index);
  TExportPage page = stored.geometry;
  page.Emf = stored.emf;
  return page;
}

size_t TPageStorePages::Count() const { return static_cast<size_t>(store_.Count()); }

TExportPage TPageStorePages::Page(size_t index) const {
  TExportPage page = Geometry(index);
  current_ = store_.Pages(static_cast<int>(index))->Emf();
  page.Emf = current_;
  return page;
}

TExportPage TPageStorePages::Geometry(size_t index) const {
  const TPageInfo& info = *store_.Pages(static_cast<int>(index));
  TExportPage page;
  page.Width = info.Width();
  page.Height = info.Height();
  page.LeftMargin = info.LeftMargin;
  page.TopMargin = info.TopMargin;
  page.RightMargin = info.RightMargin;
  page.BottomMargin = info.BottomMargin;
  page.PageIndex = info.PageIndex();
  page.BarIndex = info.BarIndex();
  return page;
}

void ExportPages(TVoRExport& filter, const TExportPages& pages, const std::string& fileName) {
  const size_t count = pages.Count();
  int64_t documentHeight = 0;
  for (size_t i = 0; i < count; ++i) documentHeight += pages.Geometry(i).Height;
  if (count > 0) {
    const TExportPage first = pages.Geometry(0);
    filter.SetPageWidth(first.Width);
    filter.SetPageHeight(first.Height);
  }
  filter.SetDocumentHeight(Saturate(documentHeight));

  filter.PrepareOutput(fileName);
  filter.BeginExport();
  int64_t top = 0;
  for (size_t i = 0; i < count; ++i) {
    const TExportPage page = pages.Page(i);
    filter.NewPage(static_cast<int>(std::min<size_t>(i, std::numeric_limits<int>::max())), false);
    filter.SetOffsetX(0);
    filter.SetOffsetY(Saturate(top));
    filter.ExportPage(page.Emf);
    TEmfEnumerator records(page.Emf);
    TEmfRecord record(0, {});
    while (records.Next(record)) filter.ProcessRecord(record);
    top += page.Height;
  }
  filter.EndExport();
  filter.SaveToFile(fileName);
}

TRasterImage RenderPage(const TExportPage& page, int pixelsPerInch) {
  if (pixelsPerInch < 1 || pixelsPerInch > kMaxResolution)
    throw EInvalidGraphic(fmt::runtime(kBadResolution), pixelsPerInch);
  const int64_t width = int64_t{page.Width} * pixelsPerInch / kDefaultPictureResolution;
  const int64_t height = int64_t{page.Height} * pixelsPerInch / kDefaultPictureResolution;
  CheckImageSize(width, height);
  TRasterCanvas canvas(static_cast<int32_t>(width), static_cast<int32_t>(height));
  PlayEnhMetafile(canvas, page.Emf,
                  TRect{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)});
  return canvas.Image();
}

std::string PagePictureName(size_t number) { return fmt::format("page-{:03}.png", number); }

std::vector<std::string> SavePagePictures(const TExportPages& pages, const std::string& folder,
                                          int pixelsPerInch) {
  std::vector<std::string> written;
  for (size_t i = 0; i < pages.Count(); ++i) {
    const std::string path = (std::filesystem::path(folder) / PagePictureName(i + 1)).string();
    SaveFileAtomically(path, WritePng(RenderPage(pages.Page(i), pixelsPerInch)));
    written.push_back(path);
  }
  return written;
}

}  // namespace qr2vor
