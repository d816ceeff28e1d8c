#pragma once

// Enhanced metafile records handed out in order. The enumerator owns an aligned copy of the
// bytes; every record's size is checked against what remains and then by libUEMF's record safety
// check before anyone reads it, so a bad record raises EInvalidGraphic ("Metafile is not valid")
// and never reads outside the bytes. The Read* helpers decode the records the exports use.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/raster_image.h"
#include "rtl/codepage.h"
#include "rtl/graphics.h"

namespace qr2vor {

// Record types (the platform's numbering).
enum TEmfRecordType : uint32_t {
  EMR_HEADER = 1,
  EMR_EOF = 14,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44,
  EMR_LINETO = 54,
  EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84,
  EMR_EXTCREATEPEN = 95,
};

// Background modes and text alignment bits.
inline constexpr uint32_t EMF_TRANSPARENT = 1;
inline constexpr uint32_t EMF_OPAQUE = 2;
inline constexpr uint32_t EMF_TA_RIGHT = 2;
inline constexpr uint32_t EMF_TA_CENTER = 6;
inline constexpr uint32_t EMF_TA_BOTTOM = 8;
inline constexpr uint32_t EMF_TA_BASELINE = 24;

// One record: its type and all its bytes (type and size included). Field reads are checked.
class TEmfRecord {
 public:
  TEmfRecord(uint32_t type, std::string_view bytes) : type_(type), bytes_(bytes) {}
  uint32_t Type() const { return type_; }
  uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }
  std::string_view Bytes() const { return bytes_; }
  uint32_t U32(size_t offset) const;
  int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
  uint8_t U8(size_t offset) const;
  // Four 32-bit values: left, top, right, bottom.
  TRect Rect(size_t offset) const;
  // A COLORREF (red, green, blue bytes) as a colour value.
  TColor Color(size_t offset) const { return static_cast<TColor>(U32(offset) & 0xFFFFFF); }

 private:
  uint32_t type_;
  std::string_view bytes_;
};

struct TEmfHeader {
  TRect Bounds;  // device units, inclusive
  TRect Frame;   // 0.01 mm
  uint32_t Bytes = 0;
  uint32_t Records = 0;
  uint16_t Handles = 0;
  int32_t DeviceWidth = 0;  // reference device, pixels
  int32_t DeviceHeight = 0;
  int32_t MillimetersWidth = 0;  // reference device, mm
  int32_t MillimetersHeight = 0;
};

class TEmfEnumerator {
 public:
  // Checks the header record; raises EInvalidGraphic when the bytes are no EMF.
  explicit TEmfEnumerator(std::string_view emf);

  const TEmfHeader& Header() const { return header_; }
  // The next record (the header first), or false after the end-of-file record or the last byte.
  bool Next(TEmfRecord& record);

 private:
  std::string bytes_;
  size_t end_ = 0;
  size_t position_ = 0;
  bool done_ = false;
  TEmfHeader header_;
};

// Text-out records (83, 84): reference point, options, bounds, text in a code page (wide text
// converted; that of the selected font's character set is what a player wants) and the
// advances when present (one per character of the record: per UTF-16 unit of wide text).
struct TEmfText {
  int32_t X = 0;
  int32_t Y = 0;
  TRect Bounds;
  uint32_t Options = 0;
  std::string Text;
  std::vector<int32_t> Advances;
};
TEmfText ReadTextOut(const TEmfRecord& record, int codePage = ProcessCodePage());

// The logical font of record 82.
struct TEmfLogFont {
  uint32_t Handle = 0;
  int32_t Height = 0;
  int32_t Width = 0;
  int32_t Escapement = 0;
  int32_t Weight = 0;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  uint8_t Charset = 0;
  uint8_t PitchAndFamily = 0;
  std::string FaceName;  // in the code page of its character set
};
TEmfLogFont ReadLogFont(const TEmfRecord& record);

// Bitmap records (76, 77, 81): the destination rectangle and the source part of the bitmap (an
// empty image when the record carries none, as a pattern fill does).
struct TEmfBitmap {
  TRect Dest;
  TRasterImage Image;
  uint32_t RasterOperation = 0;
};
TEmfBitmap ReadBitmapRecord(const TEmfRecord& record);

}  // namespace qr2vor
