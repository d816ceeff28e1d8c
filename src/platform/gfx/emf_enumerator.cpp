#include "platform/gfx/emf_enumerator.h"

#include <uemf_safe.h>

#include <algorithm>

#include "platform/gfx/byte_reader.h"
#include "rtl/codepage.h"

namespace qr2vor {

namespace {

[[noreturn]] void FailMetafile() { throw EInvalidGraphic(msg::kInvalidMetafile); }

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kMinHeaderSize = 88;
constexpr uint32_t kNoRectOption = 0x100;
// Record types run from 1 to 122.
constexpr uint32_t kLastRecordType = 122;

bool Fits(uint64_t offset, uint64_t count, uint64_t size) {
  return offset <= size && count <= size - offset;
}

}  // namespace

uint32_t TEmfRecord::U32(size_t offset) const {
  TByteReader reader(bytes_, msg::kInvalidMetafile);
  reader.Seek(offset);
  return reader.U32();
}

uint8_t TEmfRecord::U8(size_t offset) const {
  if (offset >= bytes_.size()) FailMetafile();
  return static_cast<uint8_t>(bytes_[offset]);
}

TRect TEmfRecord::Rect(size_t offset) const {
  return TRect{I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12)};
}

TEmfEnumerator::TEmfEnumerator(std::string_view emf) : bytes_(emf) {
  TByteReader reader(bytes_, msg::kInvalidMetafile);
  if (reader.U32() != EMR_HEADER) FailMetafile();
  const uint32_t size = reader.U32();
  if (size < kMinHeaderSize || size % 4 != 0 || size > bytes_.size()) FailMetafile();
  const TEmfRecord header(EMR_HEADER, std::string_view(bytes_).substr(0, size));
  if (header.U32(40) != kEmfSignature) FailMetafile();
  header_.Bounds = header.Rect(8);
  header_.Frame = header.Rect(24);
  header_.Bytes = header.U32(48);
  header_.Records = header.U32(52);
  header_.Handles = static_cast<uint16_t>(header.U32(56) & 0xFFFF);
  header_.DeviceWidth = header.I32(72);
  header_.DeviceHeight = header.I32(76);
  header_.MillimetersWidth = header.I32(80);
  header_.MillimetersHeight = header.I32(84);
  // The header's byte count ends the records when it lies inside the bytes.
  end_ = header_.Bytes >= size && header_.Bytes <= bytes_.size() ? header_.Bytes : bytes_.size();
}

bool TEmfEnumerator::Next(TEmfRecord& record) {
  if (done_ || position_ == end_) {
    done_ = true;
    return false;
  }
  TByteReader reader(std::string_view(bytes_).substr(0, end_), msg::kInvalidMetafile);
  reader.Seek(position_);
  const uint32_t type = reader.U32();
  const uint32_t size = reader.U32();
  if (size < 8 || size % 4 != 0 || size > end_ - position_) FailMetafile();
  if (type < EMR_HEADER || type > kLastRecordType) FailMetafile();
  const char* start = bytes_.data() + position_;
  if (U_emf_record_safe(start) == 0) FailMetafile();
  record = TEmfRecord(type, std::string_view(start, size));
  position_ += size;
  if (type == EMR_EOF) done_ = true;
  return true;
}

TEmfText ReadTextOut(const TEmfRecord& record, int codePage) {
  if (record.Type() != EMR_EXTTEXTOUTA && record.Type() != EMR_EXTTEXTOUTW) FailMetafile();
  TEmfText text;
  text.Bounds = record.Rect(8);
  text.X = record.I32(36);
  text.Y = record.I32(40);
  const uint32_t count = record.U32(44);
  const uint32_t stringOffset = record.U32(48);
  text.Options = record.U32(52);
  const uint32_t dxOffset = record.U32((text.Options & kNoRectOption) != 0 ? 56 : 72);
  const uint32_t charSize = record.Type() == EMR_EXTTEXTOUTW ? 2 : 1;
  if (!Fits(stringOffset, uint64_t{count} * charSize, record.Size())) FailMetafile();
  const std::string_view bytes = record.Bytes().substr(stringOffset, size_t{count} * charSize);
  if (charSize == 1) {
    text.Text = std::string(bytes);
  } else {
    std::u16string wide;
    wide.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
      wide += static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                    (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    text.Text = Utf16ToCodePage(wide, codePage);
  }
  if (dxOffset != 0 && Fits(dxOffset, uint64_t{count} * 4, record.Size())) {
    text.Advances.reserve(count);
    for (uint32_t i = 0; i < count; ++i) text.Advances.push_back(record.I32(dxOffset + 4 * i));
  }
  return text;
}

TEmfLogFont ReadLogFont(const TEmfRecord& record) {
  if (record.Type() != EMR_EXTCREATEFONTINDIRECTW || record.Size() < 104) FailMetafile();
  TEmfLogFont font;
  font.Handle = record.U32(8);
  font.Height = record.I32(12);
  font.Width = record.I32(16);
  font.Escapement = record.I32(20);
  font.Weight = record.I32(28);
  font.Italic = record.U8(32) != 0;
  font.Underline = record.U8(33) != 0;
  font.StrikeOut = record.U8(34) != 0;
  font.Charset = record.U8(35);
  font.PitchAndFamily = record.U8(39);
  std::u16string face;
  for (size_t offset = 40; offset < 104; offset += 2) {
    const auto c = static_cast<char16_t>(record.U8(offset) | (record.U8(offset + 1) << 8));
    if (c == 0) break;
    face += c;
  }
  font.FaceName = Utf16ToCodePage(face, CharsetCodePage(font.Charset));
  return font;
}

TEmfBitmap ReadBitmapRecord(const TEmfRecord& record) {
  TEmfBitmap bitmap;
  int32_t sourceX = 0, sourceY = 0, sourceWidth = 0, sourceHeight = 0;
  uint32_t infoOffset = 0, infoSize = 0, bitsOffset = 0, bitsSize = 0;
  switch (record.Type()) {
    case EMR_STRETCHDIBITS: {
      const int32_t x = record.I32(24), y = record.I32(28);
      bitmap.Dest = TRect{x, y, x + record.I32(72), y + record.I32(76)};
      sourceX = record.I32(32);
      sourceY = record.I32(36);
      sourceWidth = record.I32(40);
      sourceHeight = record.I32(44);
      infoOffset = record.U32(48);
      infoSize = record.U32(52);
      bitsOffset = record.U32(56);
      bitsSize = record.U32(60);
      bitmap.RasterOperation = record.U32(68);
      break;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT: {
      const int32_t x = record.I32(24), y = record.I32(28);
      bitmap.Dest = TRect{x, y, x + record.I32(32), y + record.I32(36)};
      bitmap.RasterOperation = record.U32(40);
      sourceX = record.I32(44);
      sourceY = record.I32(48);
      infoOffset = record.U32(84);
      infoSize = record.U32(88);
      bitsOffset = record.U32(92);
      bitsSize = record.U32(96);
      const bool stretch = record.Type() == EMR_STRETCHBLT;
      sourceWidth = stretch ? record.I32(100) : record.I32(32);
      sourceHeight = stretch ? record.I32(104) : record.I32(36);
      break;
    }
    default:
      FailMetafile();
  }
  if (infoSize == 0) return bitmap;
  if (!Fits(infoOffset, infoSize, record.Size()) || !Fits(bitsOffset, bitsSize, record.Size()))
    FailMetafile();
  const TRasterImage image = ReadDib(record.Bytes().substr(infoOffset, infoSize),
                                     record.Bytes().substr(bitsOffset, bitsSize));
  const int64_t left = std::max<int64_t>(sourceX, 0);
  const int64_t top = std::max<int64_t>(sourceY, 0);
  const int64_t right = std::min<int64_t>(int64_t{sourceX} + sourceWidth, image.Width());
  const int64_t bottom = std::min<int64_t>(int64_t{sourceY} + sourceHeight, image.Height());
  if (right <= left || bottom <= top) return bitmap;
  bitmap.Image =
      TRasterImage(static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
  for (int32_t y = 0; y < bitmap.Image.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Image.Width(); ++x)
      bitmap.Image.SetPixel(
          x, y, image.Pixel(static_cast<int32_t>(left + x), static_cast<int32_t>(top + y)));
  return bitmap;
}

}  // namespace qr2vor
