#pragma once

// The picture filters: every page of a document drawn into one picture, each page at its origin
// (OffsetX, OffsetY), so a report of many pages becomes one tall picture.
//
// EMF and WMF draw the pages into one metafile. BMP and TIFF write a bitmap of the page width by
// the document height, but never hold it whole: the pages wait in a temporary file as metafiles
// and are drawn one at a time into a raster of one page while the file is written, so memory
// stays at one page's raster whatever the page count. The bytes are those of drawing every page
// into one bitmap and writing that.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/export.h"

namespace qr2vor {

class TMetafileCanvas;
class TAtomicFile;

enum TBitmapHandleType : uint8_t { bmDIB, bmDDB };
enum TPixelFormat : uint8_t {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
enum TTransparentMode : uint8_t { tmAuto, tmFixed };
const TEnumInfo& BitmapHandleTypeInfo();
const TEnumInfo& PixelFormatInfo();
const TEnumInfo& TransparentModeInfo();

// The largest coordinate a Windows metafile holds (16-bit signed).
inline constexpr int32_t kMaxWmfCoordinate = 32767;

// Every page drawn into one enhanced metafile of the page width by the document height.
class TVoRExportToEMF : public TVoRExport {
 public:
  explicit TVoRExportToEMF(TComponent* owner);
  ~TVoRExportToEMF() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void BeginExport() override;
  // Plays the page into its own size at (OffsetX, OffsetY).
  void ExportPage(std::string_view emf) override;
  // Completes the metafile and writes it (whole or not at all).
  void SaveToFile(const std::string& fileName) override;

 protected:
  // The file's bytes made from the completed enhanced metafile.
  virtual std::string MetafileBytes(std::string emf) const { return emf; }

 private:
  std::unique_ptr<TMetafileCanvas> canvas_;
};

// As EMF, written as a placeable Windows metafile. Raises EExportError before drawing anything
// when the page width or the document height is beyond kMaxWmfCoordinate.
class TVoRExportToWMF : public TVoRExportToEMF {
 public:
  explicit TVoRExportToWMF(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void BeginExport() override;

 protected:
  std::string MetafileBytes(std::string emf) const override;
};

// The document as a bottom-up Windows bitmap file. The bits per pixel follow PixelFormat (and
// Monochrome, which means 1 bit): 1, 4, 8, 24 or 32; the device format and the 15-, 16-bit and
// custom formats give 24. Palettes hold the first colours found from the top row down, other
// colours taking the nearest of them. HandleType and the transparency properties are kept for
// the report file and do not change the bytes written.
class TVoRExportToBMP : public TVoRExport {
 public:
  explicit TVoRExportToBMP(TComponent* owner);
  ~TVoRExportToBMP() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TBitmapHandleType HandleType() const { return handleType_; }
  void SetHandleType(TBitmapHandleType value) { handleType_ = value; }
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool value) { monochrome_ = value; }
  TPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TPixelFormat value) { pixelFormat_ = value; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor value) { transparentColor_ = value; }
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode value) { transparentMode_ = value; }

  // 1, 4, 8, 24 or 32 from the properties.
  int BitCount() const;

  // Checks that the file can hold the document and opens the page spool.
  void BeginExport() override;
  // Keeps the page for the writing.
  void ExportPage(std::string_view emf) override;
  // Writes the file (whole or not at all) and lets the pages go. On failure the target stays as
  // it was and the pages are kept.
  void SaveToFile(const std::string& fileName) override;

 protected:
  // Raises EExportError naming the limit when the file cannot hold a bitmap of this size.
  virtual void CheckSize(int64_t width, int64_t height) const;
  virtual void WriteFile(TAtomicFile& file);

  // Receives the document's rows of pixels (0xAARRGGBB, page-width long).
  class TRowSink {
   public:
    virtual ~TRowSink() = default;
    // Returns false to stop.
    virtual bool Row(const uint32_t* pixels) = 0;
  };
  // Draws the pages one at a time and hands their rows to `sink`, top row first, or with
  // `bottomUp` the last page first and each page's rows from its bottom up.
  void DrawRows(TRowSink& sink, bool bottomUp);
  // The first 2^bitCount colours (0xRRGGBB) from the top row down; white alone for a blank
  // document.
  std::vector<uint32_t> FindPalette(int bitCount);
  int32_t Width() const { return PageWidth(); }
  int32_t Height() const { return DocumentHeight(); }

 private:
  struct TSpooledPage {
    int64_t Position = 0;
    size_t Size = 0;
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
  };
  void CloseSpool();

  TBitmapHandleType handleType_ = bmDIB;
  bool monochrome_ = false;
  TPixelFormat pixelFormat_ = pfDevice;
  bool transparent_ = false;
  TColor transparentColor_ = clWhite;
  TTransparentMode transparentMode_ = tmAuto;

  std::FILE* spool_ = nullptr;
  int64_t spoolSize_ = 0;
  std::vector<TSpooledPage> pages_;
};

// The document as an uncompressed little-endian TIFF of one strip: palette images (4 and 8 bits)
// with their colour map, others as RGB. A 1-bit bitmap gives an empty file (WroteImage() is then
// false).
class TVoRExportToTIFF : public TVoRExportToBMP {
 public:
  explicit TVoRExportToTIFF(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Whether the last SaveToFile wrote an image (false: the file was left empty).
  bool WroteImage() const { return wroteImage_; }

  // The text the files name as their software.
  static constexpr std::string_view kSoftware = "Parlixwerk";

 protected:
  void CheckSize(int64_t width, int64_t height) const override;
  void WriteFile(TAtomicFile& file) override;

 private:
  bool wroteImage_ = false;
};

}  // namespace qr2vor
