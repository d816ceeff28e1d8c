#include "platform/gfx/raster_image.h"

#include <cairo.h>

#include <jpeglib.h>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/gfx/byte_reader.h"
#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

[[noreturn]] void FailBitmap() { throw EInvalidGraphic(msg::kInvalidBitmap); }

constexpr uint32_t Argb(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 0xFF) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// Extracts a channel under a bit-field mask, scaled to 8 bits.
class TMaskChannel {
 public:
  explicit TMaskChannel(uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    while (((mask >> shift_) & 1) == 0) ++shift_;
    while (shift_ + bits_ < 32 && ((mask >> (shift_ + bits_)) & 1) != 0) ++bits_;
  }
  bool Present() const { return mask_ != 0; }
  uint32_t Extract(uint32_t value) const {
    if (mask_ == 0) return 0;
    const uint32_t raw = (value & mask_) >> shift_;
    const uint32_t max = bits_ >= 32 ? 0xFFFFFFFFu : (1u << bits_) - 1;
    return static_cast<uint32_t>(uint64_t{raw} * 255 / max);
  }

 private:
  uint32_t mask_;
  int shift_ = 0;
  int bits_ = 0;
};

}  // namespace

void CheckImageSize(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0 || width > kMaxImageDimension || height > kMaxImageDimension ||
      width * height > kMaxImagePixels)
    FailBitmap();
}

TRasterImage::TRasterImage(int32_t width, int32_t height, uint32_t fill)
    : width_(width), height_(height) {
  if (width != 0 || height != 0) CheckImageSize(width, height);
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

TRasterImage ReadDib(std::string_view info, std::string_view bits) {
  TByteReader reader(info, msg::kInvalidBitmap);
  const uint32_t headerSize = reader.U32();
  int64_t width = 0;
  int64_t height = 0;
  uint32_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  size_t paletteEntrySize = 4;
  if (headerSize == 12) {
    width = reader.U16();
    height = reader.I16();
    reader.U16();
    bitCount = reader.U16();
    paletteEntrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 1024) {
    width = reader.I32();
    height = reader.I32();
    reader.U16();
    bitCount = reader.U16();
    compression = reader.U32();
    reader.Skip(12);
    colorsUsed = reader.U32();
    reader.Skip(4);
  } else {
    FailBitmap();
  }
  const bool topDown = height < 0;
  height = topDown ? -height : height;
  CheckImageSize(width, height);

  uint32_t masks[3] = {0, 0, 0};
  if (compression == 3 && (bitCount == 16 || bitCount == 32)) {
    reader.Seek(40);
    for (uint32_t& mask : masks) mask = reader.U32();
    if (headerSize > 40) reader.Seek(headerSize);
  } else if (compression != 0) {
    FailBitmap();
  } else {
    reader.Seek(headerSize);
    if (bitCount == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    } else if (bitCount == 32) {
      masks[0] = 0xFF0000;
      masks[1] = 0x00FF00;
      masks[2] = 0x0000FF;
    }
  }

  std::vector<uint32_t> palette;
  switch (bitCount) {
    case 1:
    case 4:
    case 8: {
      const uint32_t maxColors = 1u << bitCount;
      const uint32_t count = colorsUsed == 0 ? maxColors : colorsUsed;
      if (count > 256) FailBitmap();
      reader.Require(size_t{count} * paletteEntrySize);
      for (uint32_t i = 0; i < count; ++i) {
        const uint32_t blue = reader.U8();
        const uint32_t green = reader.U8();
        const uint32_t red = reader.U8();
        if (paletteEntrySize == 4) reader.U8();
        palette.push_back(Argb(red, green, blue));
      }
      break;
    }
    case 16:
    case 24:
    case 32:
      break;
    default:
      FailBitmap();
  }

  const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(height) > bits.size()) FailBitmap();
  TRasterImage image(static_cast<int32_t>(width), static_cast<int32_t>(height));
  const TMaskChannel red(masks[0]), green(masks[1]), blue(masks[2]);
  const auto* data = reinterpret_cast<const uint8_t*>(bits.data());
  for (int64_t row = 0; row < height; ++row) {
    const uint8_t* line = data + static_cast<size_t>(row * stride);
    const auto y = static_cast<int32_t>(topDown ? row : height - 1 - row);
    for (int32_t x = 0; x < width; ++x) {
      uint32_t argb = 0;
      switch (bitCount) {
        case 1:
        case 4:
        case 8: {
          const size_t bit = static_cast<size_t>(x) * bitCount;
          const uint32_t index =
              (line[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
          argb = index < palette.size() ? palette[index] : Argb(0, 0, 0);
          break;
        }
        case 16:
        case 32: {
          const uint8_t* p = line + static_cast<size_t>(x) * (bitCount / 8);
          uint32_t value = p[0] | (uint32_t{p[1]} << 8);
          if (bitCount == 32) value |= (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
          argb = Argb(red.Extract(value), green.Extract(value), blue.Extract(value));
          break;
        }
        default: {
          const uint8_t* p = line + static_cast<size_t>(x) * 3;
          argb = Argb(p[2], p[1], p[0]);
        }
      }
      image.SetPixel(x, y, argb);
    }
  }
  return image;
}

TRasterImage ReadBmp(std::string_view fileImage) {
  TByteReader reader(fileImage, msg::kInvalidBitmap);
  if (reader.Bytes(2) != "BM") FailBitmap();
  reader.Skip(8);
  const uint32_t bitsOffset = reader.U32();
  if (bitsOffset < 14 + 12 || bitsOffset > fileImage.size()) FailBitmap();
  return ReadDib(fileImage.substr(14), fileImage.substr(bitsOffset));
}

namespace {

void PutInfoHeader(std::string& out, const TRasterImage& image, int bitCount, uint32_t colors,
                   uint32_t imageSize) {
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(image.Width()));
  PutU32(out, static_cast<uint32_t>(image.Height()));
  PutU16(out, 1);
  PutU16(out, static_cast<uint32_t>(bitCount));
  PutU32(out, 0);
  PutU32(out, imageSize);
  PutU32(out, 3780);  // 96 pixels per inch
  PutU32(out, 3780);
  PutU32(out, colors);
  PutU32(out, 0);
}

uint32_t ColorDistance(uint32_t a, uint32_t b) {
  auto channel = [](uint32_t value, int shift) {
    return static_cast<int>((value >> shift) & 0xFF);
  };
  uint32_t sum = 0;
  for (int shift : {0, 8, 16}) {
    const int d = channel(a, shift) - channel(b, shift);
    sum += static_cast<uint32_t>(d * d);
  }
  return sum;
}

std::string PixelRows(const TRasterImage& image, int bitCount,
                      const std::vector<uint32_t>& palette) {
  const size_t stride = (static_cast<size_t>(image.Width()) * bitCount + 31) / 32 * 4;
  std::string bits(stride * static_cast<size_t>(image.Height()), '\0');
  for (int32_t y = 0; y < image.Height(); ++y) {
    auto* line = reinterpret_cast<uint8_t*>(bits.data()) +
                 stride * static_cast<size_t>(image.Height() - 1 - y);
    for (int32_t x = 0; x < image.Width(); ++x) {
      const uint32_t argb = image.Pixel(x, y);
      if (bitCount >= 24) {
        uint8_t* p = line + static_cast<size_t>(x) * (bitCount / 8);
        p[0] = argb & 0xFF;
        p[1] = (argb >> 8) & 0xFF;
        p[2] = (argb >> 16) & 0xFF;
        if (bitCount == 32) p[3] = (argb >> 24) & 0xFF;
        continue;
      }
      uint32_t best = 0;
      for (uint32_t i = 0; i < palette.size(); ++i)
        if (ColorDistance(palette[i], argb) < ColorDistance(palette[best], argb)) best = i;
      const size_t bit = static_cast<size_t>(x) * bitCount;
      line[bit / 8] |= static_cast<uint8_t>(best << (8 - bitCount - bit % 8));
    }
  }
  return bits;
}

}  // namespace

std::string WriteBmp(const TRasterImage& image, int bitCount) {
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    throw EInvalidGraphic(msg::kInvalidBitmap);
  std::vector<uint32_t> palette;
  if (bitCount <= 8) {
    const size_t maxColors = size_t{1} << bitCount;
    for (uint32_t argb : image.Pixels()) {
      const uint32_t rgb = argb & 0xFFFFFF;
      if (std::find(palette.begin(), palette.end(), rgb) == palette.end()) {
        palette.push_back(rgb);
        if (palette.size() == maxColors) break;
      }
    }
    if (palette.empty()) palette.push_back(0xFFFFFF);
  }
  const std::string bits = PixelRows(image, bitCount, palette);
  const auto offset = static_cast<uint32_t>(14 + 40 + palette.size() * 4);
  std::string out = "BM";
  PutU32(out, static_cast<uint32_t>(offset + bits.size()));
  PutU32(out, 0);
  PutU32(out, offset);
  PutInfoHeader(out, image, bitCount, static_cast<uint32_t>(palette.size()),
                static_cast<uint32_t>(bits.size()));
  for (uint32_t rgb : palette) PutU32(out, rgb);
  out += bits;
  return out;
}

TDib MakeDib(const TRasterImage& image) {
  TDib dib;
  dib.Bits = PixelRows(image, 24, {});
  PutInfoHeader(dib.Info, image, 24, 0, static_cast<uint32_t>(dib.Bits.size()));
  return dib;
}

cairo_surface_t* CreateCairoSurface(const TRasterImage& image) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.Width(), image.Height());
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int32_t y = 0; y < image.Height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int32_t x = 0; x < image.Width(); ++x) {
      const uint32_t argb = image.Pixel(x, y);
      const uint32_t a = argb >> 24;
      auto premultiply = [a](uint32_t c) { return (c * a + 127) / 255; };
      row[x] = (a << 24) | (premultiply((argb >> 16) & 0xFF) << 16) |
               (premultiply((argb >> 8) & 0xFF) << 8) | premultiply(argb & 0xFF);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

TRasterImage ImageFromCairoSurface(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const bool opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
  TRasterImage image(width, height);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = row[x];
      const uint32_t a = opaque ? 0xFF : pixel >> 24;
      auto unpremultiply = [a](uint32_t c) {
        return a == 0 ? 0 : std::min<uint32_t>(255, (c * 255 + a / 2) / a);
      };
      image.SetPixel(x, y,
                     (a << 24) | (unpremultiply((pixel >> 16) & 0xFF) << 16) |
                         (unpremultiply((pixel >> 8) & 0xFF) << 8) | unpremultiply(pixel & 0xFF));
    }
  }
  return image;
}

namespace {

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

struct TPngSource {
  std::string_view bytes;
  size_t position = 0;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* source = static_cast<TPngSource*>(closure);
  if (length > source->bytes.size() - source->position) return CAIRO_STATUS_READ_ERROR;
  std::copy_n(source->bytes.data() + source->position, length, data);
  source->position += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string WritePng(const TRasterImage& image) {
  cairo_surface_t* surface = CreateCairoSurface(image);
  std::string out;
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface, AppendPng, &out);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) throw EInvalidGraphic(msg::kInvalidBitmap);
  return out;
}

TRasterImage ReadPng(std::string_view bytes) {
  // The size in the header is checked before the decoder allocates anything.
  TByteReader reader(bytes, msg::kInvalidBitmap);
  if (reader.Bytes(8) != std::string_view("\x89PNG\r\n\x1A\n", 8)) FailBitmap();
  reader.Skip(8);
  auto bigEndian = [&reader] {
    const std::string_view b = reader.Bytes(4);
    return (uint32_t{static_cast<uint8_t>(b[0])} << 24) |
           (uint32_t{static_cast<uint8_t>(b[1])} << 16) |
           (uint32_t{static_cast<uint8_t>(b[2])} << 8) | static_cast<uint8_t>(b[3]);
  };
  const uint32_t width = bigEndian();
  const uint32_t height = bigEndian();
  CheckImageSize(width, height);
  TPngSource source{bytes};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPngBytes, &source);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    FailBitmap();
  }
  TRasterImage image = ImageFromCairoSurface(surface);
  cairo_surface_destroy(surface);
  return image;
}

namespace {

struct TJpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TJpegError*>(info->err)->jump, 1);
}
void JpegSilence(j_common_ptr) {}

}  // namespace

TRasterImage ReadJpeg(std::string_view bytes) {
  jpeg_decompress_struct info{};
  TJpegError error{};
  TRasterImage image;
  std::vector<unsigned char> row;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFail;
  error.manager.output_message = JpegSilence;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_decompress(&info);
    FailBitmap();
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  if (int64_t{info.image_width} * info.image_height > kMaxImagePixels ||
      info.image_width > static_cast<unsigned>(kMaxImageDimension) ||
      info.image_height > static_cast<unsigned>(kMaxImageDimension) || info.image_width == 0 ||
      info.image_height == 0)
    std::longjmp(error.jump, 1);
  jpeg_start_decompress(&info);
  image = TRasterImage(static_cast<int32_t>(info.output_width),
                       static_cast<int32_t>(info.output_height));
  row.resize(static_cast<size_t>(info.output_width) * 3);
  while (info.output_scanline < info.output_height) {
    const auto y = static_cast<int32_t>(info.output_scanline);
    unsigned char* rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int32_t x = 0; x < image.Width(); ++x)
      image.SetPixel(x, y, Argb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]));
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

namespace {

bool IsPng(std::string_view bytes) { return bytes.substr(0, 4) == "\x89PNG"; }
bool IsJpeg(std::string_view bytes) { return bytes.substr(0, 2) == "\xFF\xD8"; }

}  // namespace

TRasterImage DecodeGraphic(const TGraphic& graphic) {
  const std::string& bytes = graphic.Image();
  if (dynamic_cast<const TBitmap*>(&graphic) != nullptr) return ReadBmp(bytes);
  if (dynamic_cast<const TRawGraphic*>(&graphic) != nullptr) {
    if (IsPng(bytes)) return ReadPng(bytes);
    if (IsJpeg(bytes)) return ReadJpeg(bytes);
  }
  FailBitmap();
}

void GraphicSize(const TGraphic& graphic, int32_t& width, int32_t& height) {
  width = graphic.Width();
  height = graphic.Height();
  if (graphic.Empty() || dynamic_cast<const TRawGraphic*>(&graphic) == nullptr) return;
  const TRasterImage image = DecodeGraphic(graphic);
  width = image.Width();
  height = image.Height();
}

void LoadPictureFromFile(TPicture& picture, const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  std::string extension = dot == std::string::npos ? "" : fileName.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::unique_ptr<TGraphic> graphic;
  if (extension == "bmp") {
    graphic = std::make_unique<TBitmap>();
  } else if (extension == "emf" || extension == "wmf") {
    graphic = std::make_unique<TMetafile>();
  } else if (extension == "png") {
    graphic = std::make_unique<TRawGraphic>("TPngImage");
  } else if (extension == "jpg" || extension == "jpeg") {
    graphic = std::make_unique<TRawGraphic>("TJPEGImage");
  } else {
    throw EInvalidGraphic(fmt::format(fmt::runtime(msg::kInvalidGraphic), extension));
  }
  std::ifstream file(fileName, std::ios::binary);
  if (!file) throw EFOpenError(fmt::format(fmt::runtime(msg::kFOpen), fileName));
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // Raw graphics take any bytes; they are decoded here so that bad data fails now.
  if (extension == "png") ReadPng(bytes);
  if (extension == "jpg" || extension == "jpeg") ReadJpeg(bytes);
  graphic->LoadFromImage(std::move(bytes));
  picture.SetGraphic(graphic.get());
}

}  // namespace qr2vor
