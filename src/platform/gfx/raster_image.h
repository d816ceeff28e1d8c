#pragma once

// Decoded pictures: TRasterImage holds pixels as 0xAARRGGBB (not premultiplied). BMP files and
// device-independent bitmaps are read and written here; PNG goes through Cairo, JPEG through
// libjpeg. Every reader checks each size against the bytes it has and caps the image size, and
// raises EInvalidGraphic for malformed input.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/graphics.h"

typedef struct _cairo_surface cairo_surface_t;

namespace qr2vor {

// Largest width or height, and largest pixel count, of a decoded image.
inline constexpr int32_t kMaxImageDimension = 32768;
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 24;

// Raises EInvalidGraphic unless 0 < width, height <= kMaxImageDimension and the pixel count stays
// within kMaxImagePixels.
void CheckImageSize(int64_t width, int64_t height);

class TRasterImage {
 public:
  TRasterImage() = default;
  // Raises EInvalidGraphic beyond the caps.
  TRasterImage(int32_t width, int32_t height, uint32_t fill = 0xFFFFFFFF);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  uint32_t Pixel(int32_t x, int32_t y) const { return pixels_[Index(x, y)]; }
  void SetPixel(int32_t x, int32_t y, uint32_t argb) { pixels_[Index(x, y)] = argb; }
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  std::vector<uint32_t>& Pixels() { return pixels_; }

 private:
  size_t Index(int32_t x, int32_t y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  }

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint32_t> pixels_;
};

// A BMP file image ("BM", file header, info header, colour table, bits): 1, 4, 8, 16, 24 and 32
// bits per pixel, bottom-up or top-down, uncompressed or with bit-field masks.
TRasterImage ReadBmp(std::string_view fileImage);
// A device-independent bitmap given as its info header with colour table, and its bits.
TRasterImage ReadDib(std::string_view info, std::string_view bits);
// A bottom-up BMP file image of 1, 4, 8, 24 or 32 bits per pixel. Pictures with more colours
// than a palette holds take the nearest of the first colours found.
std::string WriteBmp(const TRasterImage& image, int bitCount = 24);
// A 24-bit bottom-up DIB: the 40-byte info header and the bits (EMF bitmap records).
struct TDib {
  std::string Info;
  std::string Bits;
};
TDib MakeDib(const TRasterImage& image);

std::string WritePng(const TRasterImage& image);
TRasterImage ReadPng(std::string_view bytes);
TRasterImage ReadJpeg(std::string_view bytes);

// A bitmap, or a raw graphic holding PNG or JPEG data, decoded. A metafile or an icon raises
// EInvalidGraphic.
TRasterImage DecodeGraphic(const TGraphic& graphic);
// Width and height of any graphic (raw PNG and JPEG data decoded for it); empty gives 0, 0.
void GraphicSize(const TGraphic& graphic, int32_t& width, int32_t& height);
// Loads a file into the picture by its extension: .bmp, .emf, .wmf, .png, .jpg, .jpeg. Raises
// EFOpenError for a missing file and EInvalidGraphic for an unknown extension or bad data.
void LoadPictureFromFile(TPicture& picture, const std::string& fileName);

// Cairo image surfaces (ARGB32, premultiplied). The caller destroys the surface it is given.
cairo_surface_t* CreateCairoSurface(const TRasterImage& image);
TRasterImage ImageFromCairoSurface(cairo_surface_t* surface);

}  // namespace qr2vor
