#pragma once

// The page driver: feeds a document's pages to an export filter in the filter's calling order,
// and renders pages as pictures.
//
// Pages come through TExportPages, a read-only view of a document's pages in order (the page
// store's pages, or pages a caller built with TMetafileCanvas).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/raster_image.h"

namespace qr2vor {

class TVoPageStore;
class TVoRExport;

// One page: its metafile and its geometry in page units.
struct TExportPage {
  std::string_view Emf;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t LeftMargin = 0;
  int32_t TopMargin = 0;
  int32_t RightMargin = 0;
  int32_t BottomMargin = 0;
  // 0-based within its bar, and the bar.
  int32_t PageIndex = 0;
  int32_t BarIndex = 0;
};

class TExportPages {
 public:
  virtual ~TExportPages() = default;
  virtual size_t Count() const = 0;
  // The page's geometry, without its metafile.
  virtual TExportPage Geometry(size_t index) const = 0;
  // The page with its metafile, which stays valid until the next call of Page.
  virtual TExportPage Page(size_t index) const = 0;
};

// Pages held by the view itself.
class TExportPageList : public TExportPages {
 public:
  // Appends a page; its page index counts on from the last page of the same bar.
  void Add(std::string emf, int32_t width, int32_t height, int32_t barIndex = 0);
  // Appends a page with every field given.
  void Add(std::string emf, const TExportPage& geometry);

  size_t Count() const override { return pages_.size(); }
  TExportPage Geometry(size_t index) const override { return pages_.at(index).geometry; }
  TExportPage Page(size_t index) const override;

 private:
  struct TStored {
    std::string emf;
    TExportPage geometry;
  };
  std::vector<TStored> pages_;
};

// The pages of a report's page store, in creation order. The store keeps its pages compressed:
// Page inflates the one asked for and keeps it until the next call.
class TPageStorePages : public TExportPages {
 public:
  explicit TPageStorePages(const TVoPageStore& store) : store_(store) {}

  size_t Count() const override;
  TExportPage Geometry(size_t index) const override;
  TExportPage Page(size_t index) const override;

 private:
  const TVoPageStore& store_;
  mutable std::string current_;
};

// Runs an export: the filter's page width and height from the first page and the document
// height as the sum of the page heights; PrepareOutput(fileName); BeginExport; for each page
// NewPage(number, false), OffsetX 0 and OffsetY the sum of the heights before it, ExportPage
// and ProcessRecord for each record of its metafile in order; EndExport; SaveToFile(fileName).
// A page whose metafile is not valid raises EInvalidGraphic and nothing is saved.
void ExportPages(TVoRExport& filter, const TExportPages& pages, const std::string& fileName);

// Page pictures: the page drawn at `pixelsPerInch` (page units are 96 per inch) on white.
inline constexpr int kDefaultPictureResolution = 96;
TRasterImage RenderPage(const TExportPage& page, int pixelsPerInch = kDefaultPictureResolution);
// The name of page `number` (from 1): "page-001.png", ...
std::string PagePictureName(size_t number);
// Writes every page as PNG into `folder` (which must exist), each file written whole or not at
// all; returns the paths written.
std::vector<std::string> SavePagePictures(const TExportPages& pages, const std::string& folder,
                                          int pixelsPerInch = kDefaultPictureResolution);

}  // namespace qr2vor
