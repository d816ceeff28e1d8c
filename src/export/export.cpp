#include "export/export.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/gfx/canvas.h"

namespace qr2vor {

namespace {

// Record coordinates come from untrusted metafiles: sums are formed in 64 bits and saturated.
int32_t Saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int64_t Distance(int64_t a, int64_t b) { return a > b ? a - b : b - a; }

inline constexpr const char* kGridTooLarge = "A grid of {} rows and {} columns is too large";

// Grid tolerances: items whose lefts differ by at most 15 share a column, whose tops differ by
// at most 5 share a row.
constexpr int64_t kColumnTolerance = 15;
constexpr int64_t kRowTolerance = 5;
// A text continues the item before it when that item ends less than this before it begins.
constexpr int64_t kJoinDistance = 5;

// The grid order of two items: equal when they share a cell, else by row, then by column.
int CompareItems(const TVoRMFERecord& a, const TVoRMFERecord& b) {
  if (Distance(a.Left, b.Left) <= kColumnTolerance && Distance(a.Top, b.Top) <= kRowTolerance)
    return 0;
  if (a.Top < b.Top) return -1;
  if (a.Left >= b.Left) return 1;
  if (Distance(a.Top, b.Top) > kRowTolerance) return 1;
  return -1;
}

// Quicksort with the middle element as pivot. The grid order is not a strict weak order (cells
// are fuzzy), so the result depends on the algorithm; the scans are bounded so that no order of
// answers can take them outside the range.
void SortItems(std::vector<std::unique_ptr<TVoRMFERecord>>& items, ptrdiff_t low, ptrdiff_t high) {
  while (low < high) {
    ptrdiff_t i = low;
    ptrdiff_t j = high;
    const TVoRMFERecord* pivot = items[static_cast<size_t>((low + high) / 2)].get();
    do {
      while (i < high && CompareItems(*items[static_cast<size_t>(i)], *pivot) < 0) ++i;
      while (j > low && CompareItems(*items[static_cast<size_t>(j)], *pivot) > 0) --j;
      if (i <= j) {
        std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (low < j) SortItems(items, low, j);
    low = i;
  }
}

TPoint PointAt(const TEmfRecord& record, size_t offset) {
  return TPoint{record.I32(offset), record.I32(offset + 4)};
}

}  // namespace

TRect GrownBounds(const TEmfRecord& record) {
  const TRect bounds = record.Rect(8);
  return TRect{Saturate(int64_t{bounds.Left} - 1), Saturate(int64_t{bounds.Top} - 1),
               Saturate(int64_t{bounds.Right} + 1), Saturate(int64_t{bounds.Bottom} + 1)};
}

std::string TrimText(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// TVoRExport

TVoRExport::TVoRExport(TComponent* owner)
    : TComponent(owner), properties_(std::make_unique<TVoProperty>()) {}

TVoRExport::~TVoRExport() = default;

const TClassInfo& TVoRExport::StaticClassInfo() {
  using T = TVoRExport;
  static const TClassInfo info =
      TClassInfo::Derive<T, TComponent>("TVoRExport")
          .Integer("OffsetX", &T::OffsetX, &T::SetOffsetX, 0)
          .Integer("OffsetY", &T::OffsetY, &T::SetOffsetY, 0)
          .Object<TVoProperty>("Properties", &T::Properties, &T::SetProperties);
  return info;
}

void TVoRExport::SetProperties(TVoProperty* properties) {
  if (properties != nullptr) properties_->Assign(*properties);
}

void TVoRExport::PrepareOutput(const std::string&) {}

void TVoRExport::BeginExport() {
  if (OnStartExecute) OnStartExecute(*this);
}

void TVoRExport::EndExport() {
  if (OnEndExecute) OnEndExecute(*this);
}

void TVoRExport::NewPage(int, bool) {
  if (OnNewPage) OnNewPage(*this);
}

void TVoRExport::ProcessRecord(const TEmfRecord& record) {
  if (OnRecord) OnRecord(*this, record);
}

void TVoRExport::SaveToFile(const std::string&) {
  offsetX_ = 0;
  offsetY_ = 0;
}

void TVoRExport::ExportPage(std::string_view) {}

// TVoRMFERecord

TRasterImage TVoRMFERecord::Picture() const {
  if (source_.Empty() || Width == 0 || Height == 0) return TRasterImage();
  const int32_t width = Saturate(std::abs(int64_t{Width}));
  const int32_t height = Saturate(std::abs(int64_t{Height}));
  TRasterImage picture(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const auto sourceY = static_cast<int32_t>(int64_t{y} * source_.Height() / height);
    for (int32_t x = 0; x < width; ++x) {
      const auto sourceX = static_cast<int32_t>(int64_t{x} * source_.Width() / width);
      picture.SetPixel(x, y, source_.Pixel(sourceX, sourceY));
    }
  }
  return picture;
}

// TVoRExportAttributes

TVoRExportAttributes::TVoRExportAttributes(TComponent* owner) : TVoRExport(owner) {}

TVoRExportAttributes::~TVoRExportAttributes() = default;

const TClassInfo& TVoRExportAttributes::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportAttributes, TVoRExport>("TVoRExportAttributes");
  return info;
}

void TVoRExportAttributes::AddItem(std::unique_ptr<TVoRMFERecord> item) {
  items_.push_back(std::move(item));
}

std::vector<std::unique_ptr<TVoRMFERecord>> TVoRExportAttributes::TakeItems(size_t count) {
  count = std::min(count, items_.size());
  std::vector<std::unique_ptr<TVoRMFERecord>> taken(
      std::make_move_iterator(items_.begin()),
      std::make_move_iterator(items_.begin() + static_cast<ptrdiff_t>(count)));
  items_.erase(items_.begin(), items_.begin() + static_cast<ptrdiff_t>(count));
  return taken;
}

void TVoRExportAttributes::ClearItems() {
  items_.clear();
  columns_.clear();
  rowCount_ = 0;
  colCount_ = 0;
}

void TVoRExportAttributes::ProcessRecord(const TEmfRecord& record) {
  TVoRExport::ProcessRecord(record);
  switch (record.Type()) {
    case EMR_SETTEXTALIGN:
      textAlign_ = static_cast<uint8_t>(record.U32(8) & 0xFF);
      break;
    case EMR_SETBKMODE:
      backMode_ = static_cast<uint8_t>(record.U32(8) & 0xFF);
      break;
    case EMR_SETTEXTCOLOR:
      font_.SetColor(record.Color(8));
      break;
    case EMR_SETBKCOLOR:
      backColor_ = record.Color(8);
      break;
    case EMR_MOVETOEX: {
      const TPoint point = PointAt(record, 8);
      positionX_ = point.X;
      positionY_ = point.Y;
      break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
      SetFontFromRecord(record);
      break;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
      if ((collect_ & ckText) != 0) AddText(record);
      break;
    case EMR_LINETO: {
      const TPoint point = PointAt(record, 8);
      if ((collect_ & ckLines) != 0) {
        auto item = std::make_unique<TVoRMFERecord>();
        item->Kind = mkLine;
        item->Color = backColor_;
        item->Font.Assign(font_);
        item->Left = Saturate(int64_t{OffsetX()} + positionX_);
        item->Top = Saturate(int64_t{OffsetY()} + positionY_);
        item->Width = Saturate(Distance(point.X, positionX_));
        item->Height = Saturate(Distance(point.Y, positionY_));
        AddItem(std::move(item));
      }
      positionX_ = point.X;
      positionY_ = point.Y;
      break;
    }
    case EMR_RECTANGLE:
      if ((collect_ & ckRectangles) != 0) AddShape(record, mkRectangle);
      break;
    case EMR_ELLIPSE:
      if ((collect_ & ckEllipses) != 0) AddShape(record, mkEllipse);
      break;
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_STRETCHDIBITS:
      if ((collect_ & ckPictures) != 0) AddPicture(record);
      break;
    default:
      break;
  }
}

void TVoRExportAttributes::SetFontFromRecord(const TEmfRecord& record) {
  const TEmfLogFont logFont = ReadLogFont(record);
  font_.SetHeight(logFont.Height);
  TFontStyles style = 0;
  if (logFont.Weight >= 700) style |= FontStyleBit(fsBold);
  if (logFont.Italic) style |= FontStyleBit(fsItalic);
  if (logFont.Underline) style |= FontStyleBit(fsUnderline);
  if (logFont.StrikeOut) style |= FontStyleBit(fsStrikeOut);
  font_.SetStyle(style);
  font_.SetCharset(logFont.Charset);
  font_.SetName(logFont.FaceName);
  switch (logFont.PitchAndFamily & 0x0F) {
    case 1:
      font_.SetPitch(fpFixed);
      break;
    case 2:
      font_.SetPitch(fpVariable);
      break;
    default:
      font_.SetPitch(fpDefault);
      break;
  }
}

void TVoRExportAttributes::AddText(const TEmfRecord& record) {
  const std::string text = TrimText(ReadTextOut(record).Text);
  if (text.empty()) return;
  const TRect bounds = GrownBounds(record);
  const int32_t left = Saturate(int64_t{OffsetX()} + bounds.Left);
  const int32_t top = Saturate(int64_t{OffsetY()} + bounds.Top);
  const int32_t width = Saturate(int64_t{bounds.Right} - bounds.Left);
  const int32_t height = Saturate(int64_t{bounds.Bottom} - bounds.Top);
  TVoRMFERecord* last = items_.empty() ? nullptr : items_.back().get();
  if (last != nullptr && last->Kind == mkText && last->Top == top && last->Color == backColor_ &&
      last->TextAlign == textAlign_ &&
      Distance(int64_t{last->Left} + last->Width, left) < kJoinDistance) {
    last->Text += text;
    last->Width = Saturate(int64_t{last->Width} + width);
    last->Height = Saturate(int64_t{last->Height} + height);
    last->Font.Assign(font_);
    return;
  }
  auto item = std::make_unique<TVoRMFERecord>();
  item->Kind = mkText;
  item->TextAlign = textAlign_;
  item->Color = backColor_;
  item->Font.Assign(font_);
  item->Left = left;
  item->Top = top;
  item->Width = width;
  item->Height = height;
  item->Text = text;
  AddItem(std::move(item));
}

void TVoRExportAttributes::AddShape(const TEmfRecord& record, TVoRMFEKind kind) {
  const TRect box = GrownBounds(record);
  auto item = std::make_unique<TVoRMFERecord>();
  item->Kind = kind;
  item->Color = backColor_;
  item->Font.Assign(font_);
  item->Left = Saturate(int64_t{OffsetX()} + box.Left);
  item->Top = Saturate(int64_t{OffsetY()} + box.Top);
  item->Width = Saturate(int64_t{box.Right} - box.Left);
  item->Height = Saturate(int64_t{box.Bottom} - box.Top);
  AddItem(std::move(item));
}

void TVoRExportAttributes::AddPicture(const TEmfRecord& record) {
  TEmfBitmap bitmap = ReadBitmapRecord(record);
  auto item = std::make_unique<TVoRMFERecord>();
  item->Kind = mkPicture;
  item->Color = backColor_;
  item->Font.Assign(font_);
  item->Left = Saturate(int64_t{OffsetX()} + bitmap.Dest.Left);
  item->Top = Saturate(int64_t{OffsetY()} + bitmap.Dest.Top);
  item->Width = Saturate(Distance(bitmap.Dest.Right, bitmap.Dest.Left));
  item->Height = Saturate(Distance(bitmap.Dest.Bottom, bitmap.Dest.Top));
  item->SetSource(std::move(bitmap.Image));
  AddItem(std::move(item));
}

void TVoRExportAttributes::BuildGrid() {
  columns_.clear();
  rowCount_ = 0;
  colCount_ = 0;
  if (items_.empty()) return;
  SortItems(items_, 0, static_cast<ptrdiff_t>(items_.size()) - 1);

  rowCount_ = 1;
  for (size_t i = 0; i < items_.size(); ++i) {
    const TVoRMFERecord& item = *items_[i];
    if (i > 0 && Distance(item.Top, items_[i - 1]->Top) > kRowTolerance) ++rowCount_;
    const auto near = std::find_if(columns_.begin(), columns_.end(), [&](int32_t column) {
      return Distance(column, item.Left) <= kColumnTolerance;
    });
    if (near != columns_.end()) continue;
    columns_.insert(std::upper_bound(columns_.begin(), columns_.end(), item.Left), item.Left);
  }
  colCount_ = static_cast<int32_t>(columns_.size());
  if (int64_t{rowCount_} * colCount_ > kMaxGridCells) {
    const int32_t rows = rowCount_;
    const int32_t columns = colCount_;
    columns_.clear();
    rowCount_ = 0;
    colCount_ = 0;
    throw EExportError(fmt::runtime(kGridTooLarge), rows, columns);
  }

  // Every row is filled to the full column count: where the next item does not sit in the
  // current cell, an empty text takes the cell.
  std::vector<std::unique_ptr<TVoRMFERecord>> filled;
  filled.reserve(items_.size());
  size_t index = 0;
  const TVoRMFERecord* neighbour = items_.front().get();
  for (int32_t row = 0; row < rowCount_; ++row) {
    if (index < items_.size()) neighbour = items_[index].get();
    const int32_t rowTop = neighbour->Top;
    for (const int32_t columnLeft : columns_) {
      if (index < items_.size()) {
        neighbour = items_[index].get();
        if (Distance(neighbour->Left, columnLeft) <= kColumnTolerance &&
            Distance(neighbour->Top, rowTop) <= kRowTolerance) {
          filled.push_back(std::move(items_[index++]));
          continue;
        }
      }
      auto empty = std::make_unique<TVoRMFERecord>();
      empty->Kind = mkText;
      empty->Font.Assign(neighbour->Font);
      empty->Left = columnLeft;
      empty->Top = rowTop;
      filled.push_back(std::move(empty));
    }
  }
  for (; index < items_.size(); ++index) filled.push_back(std::move(items_[index]));
  items_ = std::move(filled);
}

}  // namespace qr2vor
