#pragma once

// The export framework: TVoRExport, the base of every export filter, and TVoRExportAttributes,
// the base of the filters that turn metafile records into positioned items (TVoRMFERecord) and
// arrange the texts among them on a grid of rows and columns.
//
// A page driver (page_driver.h) feeds a filter: BeginExport; for each page NewPage, the offsets
// of the page's origin, ExportPage with the page's metafile and ProcessRecord with each of its
// records in order; EndExport; SaveToFile.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/raster_image.h"
#include "report/report.h"
#include "rtl/component.h"
#include "rtl/exceptions.h"
#include "rtl/graphics.h"

namespace qr2vor {

// Failures of an export that are not file or metafile errors (an unknown format).
class EExportError : public Exception {
 public:
  using Exception::Exception;
};

class TVoRExport;

using TExportNotifyEvent = std::function<void(TVoRExport& sender)>;
// Called before a filter handles a metafile record.
using TVoRMFEBeforeRecordEvent = std::function<void(TVoRExport& sender, const TEmfRecord& record)>;

class TVoRExport : public TComponent {
 public:
  explicit TVoRExport(TComponent* owner);
  ~TVoRExport() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Origin added to every record's coordinates; the page driver moves OffsetY down by the page
  // height from page to page, so positions are absolute over the document.
  int32_t OffsetX() const { return offsetX_; }
  void SetOffsetX(int32_t value) { offsetX_ = value; }
  int32_t OffsetY() const { return offsetY_; }
  void SetOffsetY(int32_t value) { offsetY_ = value; }
  TVoProperty* Properties() const { return properties_.get(); }
  // Copies the document properties.
  void SetProperties(TVoProperty* properties);

  // Geometry in record units, set by the page driver before the pages come.
  int32_t PageWidth() const { return pageWidth_; }
  void SetPageWidth(int32_t value) { pageWidth_ = value; }
  int32_t PageHeight() const { return pageHeight_; }
  void SetPageHeight(int32_t value) { pageHeight_ = value; }
  int32_t DocumentHeight() const { return documentHeight_; }
  void SetDocumentHeight(int32_t value) { documentHeight_ = value; }

  // The file the driver will save to, told before BeginExport. Filters that write as the pages
  // arrive open it early; the others ignore it.
  virtual void PrepareOutput(const std::string& fileName);

  // The steps of an export; the base versions only fire their events.
  virtual void BeginExport();
  virtual void EndExport();
  // pageNumber counts from 0; `continued` is true for a page that goes on the one before.
  virtual void NewPage(int pageNumber, bool continued);
  // Fires OnRecord; filters handle the record after calling this.
  virtual void ProcessRecord(const TEmfRecord& record);
  // Writes the file; the base resets the offsets.
  virtual void SaveToFile(const std::string& fileName);
  // The whole page's metafile.
  virtual void ExportPage(std::string_view emf);

  TExportNotifyEvent OnStartExecute;
  TExportNotifyEvent OnEndExecute;
  TExportNotifyEvent OnNewPage;
  TVoRMFEBeforeRecordEvent OnRecord;

 private:
  int32_t offsetX_ = 0;
  int32_t offsetY_ = 0;
  std::unique_ptr<TVoProperty> properties_;
  int32_t pageWidth_ = 0;
  int32_t pageHeight_ = 0;
  int32_t documentHeight_ = 0;
};

enum TVoRMFEKind : uint8_t { mkText, mkLine, mkRectangle, mkEllipse, mkPicture };

// One collected item, positioned over the whole document.
class TVoRMFERecord {
 public:
  TVoRMFEKind Kind = mkText;
  // The low byte of the text-alignment mode current when a text item was made.
  uint8_t TextAlign = 0;
  // The background colour current when the item was made.
  TColor Color = clWhite;
  TFont Font;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  std::string Text;

  // Picture items: the source picture, drawn into Width by Height pixels when asked for.
  const TRasterImage& Source() const { return source_; }
  void SetSource(TRasterImage source) { source_ = std::move(source); }
  // The source stretched to the item's size; empty when either is empty.
  TRasterImage Picture() const;

 private:
  TRasterImage source_;
};

// Kinds of records a filter collects, as a set of these bits.
enum TVoRCollect : uint32_t {
  ckText = 1,
  ckLines = 2,
  ckRectangles = 4,
  ckEllipses = 8,
  ckPictures = 16,
};

class TVoRExportAttributes : public TVoRExport {
 public:
  explicit TVoRExportAttributes(TComponent* owner);
  ~TVoRExportAttributes() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void ProcessRecord(const TEmfRecord& record) override;

  uint32_t Collect() const { return collect_; }
  void SetCollect(uint32_t collect) { collect_ = collect; }

  const std::vector<std::unique_ptr<TVoRMFERecord>>& Items() const { return items_; }
  // The distinct lefts of the grid's columns, ascending.
  const std::vector<int32_t>& Columns() const { return columns_; }
  int32_t RowCount() const { return rowCount_; }
  int32_t ColCount() const { return colCount_; }
  const TFont& CurrentFont() const { return font_; }
  TColor BackgroundColor() const { return backColor_; }

  // Sorts the items into rows and columns and fills every row to the full column count with
  // empty text items. Raises EExportError when the grid would have more than kMaxGridCells
  // cells (texts scattered over rows and columns of their own); the items are then sorted.
  static constexpr int64_t kMaxGridCells = int64_t{1} << 22;
  void BuildGrid();

 protected:
  // Takes a new item at the end of the list.
  virtual void AddItem(std::unique_ptr<TVoRMFERecord> item);
  // Gives up the items at the front of the list.
  std::vector<std::unique_ptr<TVoRMFERecord>> TakeItems(size_t count);
  void ClearItems();

 private:
  void AddText(const TEmfRecord& record);
  void AddShape(const TEmfRecord& record, TVoRMFEKind kind);
  void AddPicture(const TEmfRecord& record);
  void SetFontFromRecord(const TEmfRecord& record);

  uint32_t collect_ = 0;
  std::vector<std::unique_ptr<TVoRMFERecord>> items_;
  std::vector<int32_t> columns_;
  TFont font_;
  TColor backColor_ = clWhite;
  uint8_t textAlign_ = 0;
  uint8_t backMode_ = 0;
  int32_t positionX_ = 0;
  int32_t positionY_ = 0;
  int32_t rowCount_ = 0;
  int32_t colCount_ = 0;
};

// The record's bounding rectangle (left, top, right, bottom at byte 8) grown by 1 on every side.
TRect GrownBounds(const TEmfRecord& record);
// Trims blanks and control characters at both ends, as the toolkit's Trim does.
std::string TrimText(std::string_view text);

}  // namespace qr2vor
