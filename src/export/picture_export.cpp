#include "export/picture_export.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "export/output_file.h"
#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/emf_player.h"
#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/raster_canvas.h"
#include "platform/gfx/wmf_writer.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

inline constexpr const char* kNoPages = "The document has no pages to draw";
inline constexpr const char* kWmfTooLarge =
    "The picture of {}x{} units is beyond the {} units a Windows metafile holds on each side. "
    "Export fewer pages";
inline constexpr const char* kFileTooLarge =
    "The picture of {}x{} pixels needs {} bytes; a {} file holds at most {} bytes. Export fewer "
    "pages";
inline constexpr const char* kTiffTooNarrow =
    "The picture of {} pixels wide leaves no whole row for a TIFF image of {} bits per pixel";
inline constexpr const char* kSpoolError = "Cannot keep the pages in a temporary file";

inline constexpr int64_t kMaxFileBytes = std::numeric_limits<uint32_t>::max();
inline constexpr size_t kWriteChunk = size_t{1} << 20;

// The page's own size in pixels: its frame (0.01 mm) through its reference device.
TPoint PageSize(std::string_view emf) {
  const TEmfHeader header = TEmfEnumerator(emf).Header();
  const double unitsX = header.MillimetersWidth > 0
                            ? header.DeviceWidth / (header.MillimetersWidth * 100.0)
                            : 96 / 2540.0;
  const double unitsY = header.MillimetersHeight > 0
                            ? header.DeviceHeight / (header.MillimetersHeight * 100.0)
                            : 96 / 2540.0;
  return TPoint{
      static_cast<int32_t>(std::lround((header.Frame.Right - header.Frame.Left) * unitsX)),
      static_cast<int32_t>(std::lround((header.Frame.Bottom - header.Frame.Top) * unitsY))};
}

void PutU16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

uint32_t ColorDistance(uint32_t a, uint32_t b) {
  uint32_t sum = 0;
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    sum += static_cast<uint32_t>(d * d);
  }
  return sum;
}

size_t BmpStride(int64_t width, int bitCount) {
  return static_cast<size_t>((width * bitCount + 31) / 32 * 4);
}

// The palette index nearest to each colour met, remembered for the rows to come (at most
// kMaxRemembered colours, then it starts afresh).
class TNearestColor {
 public:
  explicit TNearestColor(const std::vector<uint32_t>& palette) : palette_(palette) {}
  uint32_t Index(uint32_t argb) {
    const uint32_t rgb = argb & 0xFFFFFF;
    const auto known = known_.find(rgb);
    if (known != known_.end()) return known->second;
    uint32_t best = 0;
    for (uint32_t i = 0; i < palette_.size(); ++i)
      if (ColorDistance(palette_[i], rgb) < ColorDistance(palette_[best], rgb)) best = i;
    if (known_.size() >= kMaxRemembered) known_.clear();
    known_.emplace(rgb, best);
    return best;
  }

 private:
  static constexpr size_t kMaxRemembered = size_t{1} << 16;
  const std::vector<uint32_t>& palette_;
  std::unordered_map<uint32_t, uint32_t> known_;
};

// One row as a bottom-up DIB stores it: blue-green-red(-alpha) bytes, or palette indexes packed
// from the high bits, the nearest palette colour taken; padded to whole 32-bit words.
void EncodeRow(const uint32_t* pixels, int32_t width, int bitCount, TNearestColor& nearest,
               std::string& out) {
  const size_t start = out.size();
  out.resize(start + BmpStride(width, bitCount), '\0');
  auto* line = reinterpret_cast<uint8_t*>(out.data() + start);
  for (int32_t x = 0; x < width; ++x) {
    const uint32_t argb = pixels[x];
    if (bitCount >= 24) {
      uint8_t* p = line + static_cast<size_t>(x) * static_cast<size_t>(bitCount / 8);
      p[0] = argb & 0xFF;
      p[1] = (argb >> 8) & 0xFF;
      p[2] = (argb >> 16) & 0xFF;
      if (bitCount == 32) p[3] = (argb >> 24) & 0xFF;
      continue;
    }
    const uint32_t best = nearest.Index(argb);
    const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bitCount);
    line[bit / 8] |= static_cast<uint8_t>(best << (8 - bitCount - bit % 8));
  }
}

// Collects bytes and hands them to the file a chunk at a time.
class TChunkedWriter {
 public:
  explicit TChunkedWriter(TAtomicFile& file) : file_(file) {}
  std::string& Buffer() { return buffer_; }
  void Flush(bool force = false) {
    if (buffer_.size() < kWriteChunk && !force) return;
    file_.Write(buffer_);
    buffer_.clear();
  }

 private:
  TAtomicFile& file_;
  std::string buffer_;
};

}  // namespace

const TEnumInfo& BitmapHandleTypeInfo() {
  static const TEnumInfo info("TBitmapHandleType", {"bmDIB", "bmDDB"});
  return info;
}

const TEnumInfo& PixelFormatInfo() {
  static const TEnumInfo info("TPixelFormat", {"pfDevice", "pf1bit", "pf4bit", "pf8bit", "pf15bit",
                                               "pf16bit", "pf24bit", "pf32bit", "pfCustom"});
  return info;
}

const TEnumInfo& TransparentModeInfo() {
  static const TEnumInfo info("TTransparentMode", {"tmAuto", "tmFixed"});
  return info;
}

// TVoRExportToEMF

TVoRExportToEMF::TVoRExportToEMF(TComponent* owner) : TVoRExport(owner) {}

TVoRExportToEMF::~TVoRExportToEMF() = default;

const TClassInfo& TVoRExportToEMF::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToEMF, TVoRExport>("TVoRExportToEMF").Creatable();
  return info;
}

void TVoRExportToEMF::BeginExport() {
  TVoRExport::BeginExport();
  canvas_ = std::make_unique<TMetafileCanvas>(PageWidth(), DocumentHeight());
}

void TVoRExportToEMF::ExportPage(std::string_view emf) {
  if (canvas_ == nullptr) return;
  const TPoint size = PageSize(emf);
  PlayEnhMetafile(*canvas_, emf,
                  TRect{OffsetX(), OffsetY(), OffsetX() + size.X, OffsetY() + size.Y});
}

void TVoRExportToEMF::SaveToFile(const std::string& fileName) {
  if (canvas_ == nullptr)
    canvas_ = std::make_unique<TMetafileCanvas>(PageWidth(), DocumentHeight());
  const std::unique_ptr<TMetafileCanvas> canvas = std::move(canvas_);
  const std::string bytes = MetafileBytes(canvas->Finish());
  TAtomicFile file(fileName);
  file.Write(bytes);
  file.Commit();
  TVoRExport::SaveToFile(fileName);
}

// TVoRExportToWMF

TVoRExportToWMF::TVoRExportToWMF(TComponent* owner) : TVoRExportToEMF(owner) {}

const TClassInfo& TVoRExportToWMF::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToWMF, TVoRExportToEMF>("TVoRExportToWMF").Creatable();
  return info;
}

void TVoRExportToWMF::BeginExport() {
  if (PageWidth() > kMaxWmfCoordinate || DocumentHeight() > kMaxWmfCoordinate)
    throw EExportError(fmt::runtime(kWmfTooLarge), PageWidth(), DocumentHeight(),
                       kMaxWmfCoordinate);
  TVoRExportToEMF::BeginExport();
}

std::string TVoRExportToWMF::MetafileBytes(std::string emf) const { return EmfToWmf(emf); }

// TVoRExportToBMP

TVoRExportToBMP::TVoRExportToBMP(TComponent* owner) : TVoRExport(owner) {}

TVoRExportToBMP::~TVoRExportToBMP() { CloseSpool(); }

const TClassInfo& TVoRExportToBMP::StaticClassInfo() {
  using T = TVoRExportToBMP;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRExport>("TVoRExportToBMP")
          .Enum("HandleType", BitmapHandleTypeInfo(), &T::HandleType, &T::SetHandleType, bmDIB)
          .Boolean("Monochrome", &T::Monochrome, &T::SetMonochrome, false)
          .Enum("PixelFormat", PixelFormatInfo(), &T::PixelFormat, &T::SetPixelFormat, pfDevice)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent, false)
          .Integer("TransparentColor", &T::TransparentColor, &T::SetTransparentColor, clWhite,
                   ColorType())
          .Enum("TransparentMode", TransparentModeInfo(), &T::TransparentMode,
                &T::SetTransparentMode, tmAuto)
          .Creatable();
  return info;
}

int TVoRExportToBMP::BitCount() const {
  if (monochrome_) return 1;
  switch (pixelFormat_) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf32bit:
      return 32;
    default:
      return 24;
  }
}

void TVoRExportToBMP::CheckSize(int64_t width, int64_t height) const {
  if (width <= 0 || height <= 0) throw EExportError(kNoPages);
  const int bitCount = BitCount();
  const int64_t colors = bitCount <= 8 ? int64_t{1} << bitCount : 0;
  const int64_t bytes =
      14 + 40 + colors * 4 + static_cast<int64_t>(BmpStride(width, bitCount)) * height;
  if (bytes > kMaxFileBytes)
    throw EExportError(fmt::runtime(kFileTooLarge), width, height, bytes, "BMP", kMaxFileBytes);
}

void TVoRExportToBMP::CloseSpool() {
  if (spool_ != nullptr) std::fclose(spool_);
  spool_ = nullptr;
  spoolSize_ = 0;
  pages_.clear();
}

void TVoRExportToBMP::BeginExport() {
  TVoRExport::BeginExport();
  CheckSize(Width(), Height());
  CloseSpool();
  spool_ = std::tmpfile();
  if (spool_ == nullptr) throw EFCreateError(kSpoolError);
}

void TVoRExportToBMP::ExportPage(std::string_view emf) {
  if (spool_ == nullptr) return;
  if (std::fseek(spool_, 0, SEEK_END) != 0 ||
      std::fwrite(emf.data(), 1, emf.size(), spool_) != emf.size())
    throw EWriteError(kSpoolError);
  pages_.push_back(TSpooledPage{spoolSize_, emf.size(), OffsetX(), OffsetY()});
  spoolSize_ += static_cast<int64_t>(emf.size());
}

void TVoRExportToBMP::DrawRows(TRowSink& sink, bool bottomUp) {
  const int32_t width = Width();
  const int32_t height = Height();
  // Page i covers the rows from its top to the next page's top (the last one to the bottom);
  // rows above the first page stay white.
  struct TBand {
    int32_t Top;
    int32_t Bottom;
    const TSpooledPage* Page;
  };
  std::vector<TBand> bands;
  int32_t covered = 0;
  for (size_t i = 0; i < pages_.size(); ++i) {
    const int32_t top = std::clamp(pages_[i].OffsetY, covered, height);
    const int32_t bottom =
        i + 1 < pages_.size() ? std::clamp(pages_[i + 1].OffsetY, top, height) : height;
    if (top > covered) bands.push_back(TBand{covered, top, nullptr});
    if (bottom > top) bands.push_back(TBand{top, bottom, &pages_[i]});
    covered = std::max(covered, bottom);
  }
  if (covered < height) bands.push_back(TBand{covered, height, nullptr});
  if (bottomUp) std::reverse(bands.begin(), bands.end());

  const std::vector<uint32_t> white(static_cast<size_t>(width), 0xFFFFFFFF);
  for (const TBand& band : bands) {
    const int32_t rows = band.Bottom - band.Top;
    TRasterImage image;
    if (band.Page != nullptr) {
      std::string emf(band.Page->Size, '\0');
      if (std::fseek(spool_, static_cast<long>(band.Page->Position), SEEK_SET) != 0 ||
          std::fread(emf.data(), 1, emf.size(), spool_) != emf.size())
        throw EReadError(kSpoolError);
      TRasterCanvas canvas(width, rows);
      const TPoint size = PageSize(emf);
      const int32_t top = band.Page->OffsetY - band.Top;
      PlayEnhMetafile(canvas, emf,
                      TRect{band.Page->OffsetX, top, band.Page->OffsetX + size.X, top + size.Y});
      image = canvas.Image();
    }
    for (int32_t i = 0; i < rows; ++i) {
      const int32_t y = bottomUp ? rows - 1 - i : i;
      const uint32_t* pixels =
          image.Empty()
              ? white.data()
              : image.Pixels().data() + static_cast<size_t>(y) * static_cast<size_t>(width);
      if (!sink.Row(pixels)) return;
    }
  }
}

std::vector<uint32_t> TVoRExportToBMP::FindPalette(int bitCount) {
  class TCollector : public TRowSink {
   public:
    TCollector(int32_t width, size_t maxColors) : width_(width), maxColors_(maxColors) {}
    bool Row(const uint32_t* pixels) override {
      for (int32_t x = 0; x < width_; ++x) {
        const uint32_t rgb = pixels[x] & 0xFFFFFF;
        if (std::find(palette.begin(), palette.end(), rgb) != palette.end()) continue;
        palette.push_back(rgb);
        if (palette.size() == maxColors_) return false;
      }
      return true;
    }
    std::vector<uint32_t> palette;

   private:
    int32_t width_;
    size_t maxColors_;
  };
  TCollector collector(Width(), size_t{1} << bitCount);
  DrawRows(collector, false);
  if (collector.palette.empty()) collector.palette.push_back(0xFFFFFF);
  return std::move(collector.palette);
}

void TVoRExportToBMP::WriteFile(TAtomicFile& file) {
  const int bitCount = BitCount();
  const std::vector<uint32_t> palette =
      bitCount <= 8 ? FindPalette(bitCount) : std::vector<uint32_t>{};
  const int32_t width = Width();
  const int32_t height = Height();
  const auto imageSize =
      static_cast<uint32_t>(BmpStride(width, bitCount) * static_cast<size_t>(height));
  const auto offset = static_cast<uint32_t>(14 + 40 + palette.size() * 4);

  TChunkedWriter writer(file);
  std::string& out = writer.Buffer();
  out = "BM";
  PutU32(out, offset + imageSize);
  PutU32(out, 0);
  PutU32(out, offset);
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(width));
  PutU32(out, static_cast<uint32_t>(height));
  PutU16(out, 1);
  PutU16(out, static_cast<uint32_t>(bitCount));
  PutU32(out, 0);
  PutU32(out, imageSize);
  PutU32(out, 3780);  // 96 pixels per inch
  PutU32(out, 3780);
  PutU32(out, static_cast<uint32_t>(palette.size()));
  PutU32(out, 0);
  for (uint32_t rgb : palette) PutU32(out, rgb);

  class TBmpRows : public TRowSink {
   public:
    TBmpRows(TChunkedWriter& writer, int32_t width, int bitCount,
             const std::vector<uint32_t>& palette)
        : writer_(writer), width_(width), bitCount_(bitCount), nearest_(palette) {}
    bool Row(const uint32_t* pixels) override {
      EncodeRow(pixels, width_, bitCount_, nearest_, writer_.Buffer());
      writer_.Flush();
      return true;
    }

   private:
    TChunkedWriter& writer_;
    int32_t width_;
    int bitCount_;
    TNearestColor nearest_;
  };
  TBmpRows rows(writer, width, bitCount, palette);
  DrawRows(rows, true);
  writer.Flush(true);
}

void TVoRExportToBMP::SaveToFile(const std::string& fileName) {
  CheckSize(Width(), Height());
  TAtomicFile file(fileName);
  WriteFile(file);
  file.Commit();
  CloseSpool();
  TVoRExport::SaveToFile(fileName);
}

// TVoRExportToTIFF

namespace {

enum TTiffType : uint16_t { ttShort = 3, ttLong = 4, ttAscii = 2, ttRational = 5 };

struct TTiffEntry {
  uint16_t Tag;
  uint16_t Type;
  uint32_t Count;
  uint32_t Value;
};

// Sizes that do not fit 16 bits are written as LONG.
TTiffEntry SizeEntry(uint16_t tag, uint32_t value) {
  return TTiffEntry{tag, static_cast<uint16_t>(value > 0xFFFF ? ttLong : ttShort), 1, value};
}

void PutDirectory(std::string& out, std::vector<TTiffEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const TTiffEntry& a, const TTiffEntry& b) { return a.Tag < b.Tag; });
  PutU16(out, static_cast<uint32_t>(entries.size()));
  for (const TTiffEntry& entry : entries) {
    PutU16(out, entry.Tag);
    PutU16(out, entry.Type);
    PutU32(out, entry.Count);
    PutU32(out, entry.Value);  // SHORT values sit in the low two bytes, little-endian
  }
  PutU32(out, 0);
}

// XResolution and YResolution, 877/10 each.
void PutResolutions(std::string& out) {
  for (int i = 0; i < 2; ++i) {
    PutU32(out, 877);
    PutU32(out, 10);
  }
}

// The width a palette image uses: whole bytes of pixels, 4-bit rows taking a multiple of four.
int64_t TiffPaletteWidth(int64_t width, int bitCount) {
  return bitCount == 4 ? width / 4 * 4 : width;
}

inline constexpr int64_t kTiffDirectoryBytes = 2 + 15 * 12 + 4;
inline constexpr int64_t kTiffSoftwareBytes = 11;

}  // namespace

TVoRExportToTIFF::TVoRExportToTIFF(TComponent* owner) : TVoRExportToBMP(owner) {}

const TClassInfo& TVoRExportToTIFF::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToTIFF, TVoRExportToBMP>("TVoRExportToTIFF").Creatable();
  return info;
}

void TVoRExportToTIFF::CheckSize(int64_t width, int64_t height) const {
  if (width <= 0 || height <= 0) throw EExportError(kNoPages);
  const int bitCount = BitCount();
  if (bitCount == 1) return;
  int64_t bytes = 0;
  if (bitCount <= 8) {
    const int64_t used = TiffPaletteWidth(width, bitCount);
    if (used == 0) throw EExportError(fmt::runtime(kTiffTooNarrow), width, bitCount);
    bytes = 8 + 3 * (int64_t{2} << bitCount) + 16 + kTiffSoftwareBytes +
            used * bitCount / 8 * height + kTiffDirectoryBytes;
  } else {
    bytes = 8 + 16 + 6 + kTiffSoftwareBytes + 3 * width * height + kTiffDirectoryBytes;
  }
  if (bytes > kMaxFileBytes)
    throw EExportError(fmt::runtime(kFileTooLarge), width, height, bytes, "TIFF", kMaxFileBytes);
}

void TVoRExportToTIFF::WriteFile(TAtomicFile& file) {
  const int bitCount = BitCount();
  wroteImage_ = bitCount != 1;
  if (!wroteImage_) return;
  const bool paletted = bitCount <= 8;
  const std::vector<uint32_t> palette = paletted ? FindPalette(bitCount) : std::vector<uint32_t>{};
  const int32_t width = Width();
  const int32_t height = Height();
  const auto usedWidth =
      static_cast<uint32_t>(paletted ? TiffPaletteWidth(width, bitCount) : width);
  const uint32_t rowBytes =
      paletted ? usedWidth * static_cast<uint32_t>(bitCount) / 8 : 3 * usedWidth;
  const uint32_t stripBytes = rowBytes * static_cast<uint32_t>(height);

  TChunkedWriter writer(file);
  std::string& out = writer.Buffer();
  out = "II";
  PutU16(out, 42);
  PutU32(out, 0);  // the directory's offset, known once the strip is counted
  uint32_t colorMap = 0;
  if (paletted) {
    colorMap = static_cast<uint32_t>(out.size());
    const size_t entries = size_t{1} << bitCount;
    for (int shift : {16, 8, 0})
      for (size_t i = 0; i < entries; ++i)
        PutU16(out, i < palette.size() ? ((palette[i] >> shift) & 0xFF) * 256 : 0);
  }
  const auto resolution = static_cast<uint32_t>(out.size());
  PutResolutions(out);
  uint32_t bitsPerSample = 0;
  if (!paletted) {
    bitsPerSample = static_cast<uint32_t>(out.size());
    for (int i = 0; i < 3; ++i) PutU16(out, 8);
  }
  const auto software = static_cast<uint32_t>(out.size());
  out += kSoftware;
  out += '\0';
  const auto strip = static_cast<uint32_t>(out.size());
  const uint32_t directory = strip + stripBytes;
  out[4] = static_cast<char>(directory & 0xFF);
  out[5] = static_cast<char>((directory >> 8) & 0xFF);
  out[6] = static_cast<char>((directory >> 16) & 0xFF);
  out[7] = static_cast<char>((directory >> 24) & 0xFF);

  class TTiffRows : public TRowSink {
   public:
    TTiffRows(TChunkedWriter& writer, int32_t width, int bitCount, uint32_t rowBytes,
              const std::vector<uint32_t>& palette)
        : writer_(writer),
          width_(width),
          bitCount_(bitCount),
          rowBytes_(rowBytes),
          nearest_(palette) {}
    bool Row(const uint32_t* pixels) override {
      std::string& buffer = writer_.Buffer();
      if (bitCount_ <= 8) {
        const size_t start = buffer.size();
        EncodeRow(pixels, width_, bitCount_, nearest_, buffer);
        buffer.resize(start + rowBytes_);
      } else {
        for (uint32_t x = 0; x < rowBytes_ / 3; ++x) {
          buffer += static_cast<char>((pixels[x] >> 16) & 0xFF);
          buffer += static_cast<char>((pixels[x] >> 8) & 0xFF);
          buffer += static_cast<char>(pixels[x] & 0xFF);
        }
      }
      writer_.Flush();
      return true;
    }

   private:
    TChunkedWriter& writer_;
    int32_t width_;
    int bitCount_;
    uint32_t rowBytes_;
    TNearestColor nearest_;
  };
  TTiffRows rows(writer, width, bitCount, rowBytes, palette);
  DrawRows(rows, false);

  std::vector<TTiffEntry> entries = {
      {254, ttLong, 1, 0},
      SizeEntry(256, usedWidth),
      SizeEntry(257, static_cast<uint32_t>(height)),
      {259, ttShort, 1, 1},
      {273, ttLong, 1, strip},
      {278, ttLong, 1, static_cast<uint32_t>(height)},
      {279, ttLong, 1, stripBytes},
      {282, ttRational, 1, resolution},
      {283, ttRational, 1, resolution + 8},
      {296, ttShort, 1, 2},
      {305, ttAscii, static_cast<uint32_t>(kTiffSoftwareBytes), software},
  };
  if (paletted) {
    entries.push_back({258, ttShort, 1, static_cast<uint32_t>(bitCount)});
    entries.push_back({262, ttShort, 1, 3});
    entries.push_back({277, ttShort, 1, 1});
    entries.push_back({320, ttShort, 3u << bitCount, colorMap});
  } else {
    entries.push_back({258, ttShort, 3, bitsPerSample});
    entries.push_back({262, ttShort, 1, 2});
    entries.push_back({277, ttShort, 1, 3});
    entries.push_back({284, ttShort, 1, 1});
  }
  PutDirectory(out, std::move(entries));
  writer.Flush(true);
}

}  // namespace qr2vor
