#include "rtl/graphics.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "rtl/byte_order.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace qr2vor {

namespace {

// Little-endian fields of a graphic's file image; every access is bounds-checked and a field
// beyond the end raises EInvalidGraphic with the graphic's message.
class ImageView {
 public:
  ImageView(std::string_view bytes, const char* message) : bytes_(bytes), message_(message) {}

  size_t Size() const { return bytes_.size(); }
  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  [[noreturn]] void Fail() const { throw EInvalidGraphic(std::string(message_)); }
  void Require(bool condition) const {
    if (!condition) Fail();
  }

  uint8_t U8(size_t offset) const { return static_cast<uint8_t>(Field(offset, 1)[0]); }
  uint16_t U16(size_t offset) const { return LoadLE16(Field(offset, 2)); }
  uint32_t U32(size_t offset) const { return LoadLE32(Field(offset, 4)); }
  int16_t I16(size_t offset) const { return static_cast<int16_t>(U16(offset)); }
  int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
  TRect Rect32(size_t offset) const {
    return {I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12)};
  }

 private:
  const char* Field(size_t offset, size_t count) const {
    if (!Has(offset, count)) Fail();
    return bytes_.data() + offset;
  }

  std::string_view bytes_;
  const char* message_;
};

void WriteU32(TStream& stream, uint32_t value) {
  uint8_t b[4];
  StoreLE32(b, value);
  stream.WriteBuffer(b, sizeof b);
}

// The rest of `stream`.
std::string ReadRest(TStream& stream) {
  const int64_t remaining = std::max<int64_t>(stream.Remaining(), 0);
  std::string bytes(static_cast<size_t>(remaining), '\0');
  stream.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

// A 4-byte little-endian length field, raising `message` when the stream ends before it.
uint32_t ReadU32(TStream& stream, const char* message) {
  uint8_t b[4];
  if (stream.Remaining() < 4 || stream.Read(b, 4) != 4) throw EInvalidGraphic(std::string(message));
  return LoadLE32(b);
}

// `count` bytes, checked against what the stream holds before anything is allocated.
std::string ReadExactly(TStream& stream, uint64_t count, const char* message) {
  if (count > static_cast<uint64_t>(std::max<int64_t>(stream.Remaining(), 0))) {
    throw EInvalidGraphic(std::string(message));
  }
  std::string bytes(static_cast<size_t>(count), '\0');
  stream.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

template <class T>
bool Notify(T& target, T value, const std::function<void()>& changed) {
  if (target == value) return false;
  target = std::move(value);
  changed();
  return true;
}

}  // namespace

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  const int64_t product = int64_t{number} * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t magnitude = std::llabs(product);
  const int64_t divisor = std::llabs(int64_t{denominator});
  const int64_t quotient = (magnitude + divisor / 2) / divisor;
  const int64_t result = negative ? -quotient : quotient;
  if (result < std::numeric_limits<int32_t>::min() ||
      result > std::numeric_limits<int32_t>::max()) {
    return -1;
  }
  return static_cast<int32_t>(result);
}

const TEnumInfo& FontStyleInfo() {
  static const TEnumInfo info("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
  return info;
}

const TEnumInfo& FontPitchInfo() {
  static const TEnumInfo info("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
  return info;
}

const TEnumInfo& PenStyleInfo() {
  static const TEnumInfo info("TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot",
                                            "psDashDotDot", "psClear", "psInsideFrame"});
  return info;
}

const TEnumInfo& PenModeInfo() {
  static const TEnumInfo info(
      "TPenMode", {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                   "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge",
                   "pmMask", "pmNotMask", "pmXor", "pmNotXor"});
  return info;
}

const TEnumInfo& BrushStyleInfo() {
  static const TEnumInfo info("TBrushStyle",
                              {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                               "bsBDiagonal", "bsCross", "bsDiagCross"});
  return info;
}

// Graphics objects.

const TClassInfo& TGraphicsObject::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TGraphicsObject, TPersistent>("TGraphicsObject");
  return info;
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange();
}

const TClassInfo& TFont::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TFont, TGraphicsObject>("TFont")
          .Integer("Charset", &TFont::Charset, &TFont::SetCharset, NoDefault, FontCharsetType())
          .Integer("Color", &TFont::Color, &TFont::SetColor, NoDefault, ColorType())
          .Integer("Height", &TFont::Height, &TFont::SetHeight, NoDefault)
          .String("Name", &TFont::Name, &TFont::SetName)
          .Enum("Pitch", FontPitchInfo(), &TFont::Pitch, &TFont::SetPitch, fpDefault)
          .Integer("Size", &TFont::Size, &TFont::SetSize, NoDefault)
          .Stored(false)
          .Set("Style", FontStyleInfo(), &TFont::Style, &TFont::SetStyle, NoDefault);
  return info;
}

void TFont::SetCharset(TFontCharset charset) {
  Notify(charset_, charset, [this] { Changed(); });
}
void TFont::SetColor(TColor color) {
  Notify(color_, color, [this] { Changed(); });
}
void TFont::SetHeight(int32_t height) {
  Notify(height_, height, [this] { Changed(); });
}
void TFont::SetName(const std::string& name) {
  Notify(name_, name, [this] { Changed(); });
}
void TFont::SetPitch(TFontPitch pitch) {
  Notify(pitch_, pitch, [this] { Changed(); });
}

int32_t TFont::Size() const { return -MulDiv(height_, 72, kPixelsPerInch); }

void TFont::SetSize(int32_t size) { SetHeight(-MulDiv(size, kPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles style) {
  Notify(style_, style & kAllFontStyles, [this] { Changed(); });
}

bool TFont::operator==(const TFont& other) const {
  return charset_ == other.charset_ && color_ == other.color_ && height_ == other.height_ &&
         name_ == other.name_ && pitch_ == other.pitch_ && style_ == other.style_;
}

void TFont::Assign(const TPersistent& source) {
  const auto* font = dynamic_cast<const TFont*>(&source);
  if (font == nullptr) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (*font == *this) return;
  charset_ = font->charset_;
  color_ = font->color_;
  height_ = font->height_;
  name_ = font->name_;
  pitch_ = font->pitch_;
  style_ = font->style_;
  Changed();
}

const TClassInfo& TPen::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TPen, TGraphicsObject>("TPen")
          .Integer("Color", &TPen::Color, &TPen::SetColor, clBlack, ColorType())
          .Enum("Mode", PenModeInfo(), &TPen::Mode, &TPen::SetMode, pmCopy)
          .Enum("Style", PenStyleInfo(), &TPen::Style, &TPen::SetStyle, psSolid)
          .Integer("Width", &TPen::Width, &TPen::SetWidth, 1);
  return info;
}

void TPen::SetColor(TColor color) {
  Notify(color_, color, [this] { Changed(); });
}
void TPen::SetMode(TPenMode mode) {
  Notify(mode_, mode, [this] { Changed(); });
}
void TPen::SetStyle(TPenStyle style) {
  Notify(style_, style, [this] { Changed(); });
}
void TPen::SetWidth(int32_t width) {
  Notify(width_, width, [this] { Changed(); });
}

void TPen::Assign(const TPersistent& source) {
  const auto* pen = dynamic_cast<const TPen*>(&source);
  if (pen == nullptr) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (color_ == pen->color_ && mode_ == pen->mode_ && style_ == pen->style_ &&
      width_ == pen->width_) {
    return;
  }
  color_ = pen->color_;
  mode_ = pen->mode_;
  style_ = pen->style_;
  width_ = pen->width_;
  Changed();
}

const TClassInfo& TBrush::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TBrush, TGraphicsObject>("TBrush")
          .Integer("Color", &TBrush::Color, &TBrush::SetColor, clWhite, ColorType())
          .Enum("Style", BrushStyleInfo(), &TBrush::Style, &TBrush::SetStyle, bsSolid);
  return info;
}

void TBrush::SetColor(TColor color) {
  Notify(color_, color, [this] { Changed(); });
}
void TBrush::SetStyle(TBrushStyle style) {
  Notify(style_, style, [this] { Changed(); });
}

void TBrush::Assign(const TPersistent& source) {
  const auto* brush = dynamic_cast<const TBrush*>(&source);
  if (brush == nullptr) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (color_ == brush->color_ && style_ == brush->style_) return;
  color_ = brush->color_;
  style_ = brush->style_;
  Changed();
}

// Graphics.

const TClassInfo& TGraphic::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TGraphic, TPersistent>("TGraphic");
  return info;
}

void TGraphic::LoadFromStream(TStream& stream) { LoadFromImage(ReadRest(stream)); }

void TGraphic::SaveToStream(TStream& stream) const { stream.WriteBytes(image_); }

void TGraphic::ReadData(TStream& stream) { LoadFromStream(stream); }

void TGraphic::WriteData(TStream& stream) const { SaveToStream(stream); }

void TGraphic::Assign(const TPersistent& source) {
  const auto* graphic = dynamic_cast<const TGraphic*>(&source);
  if (graphic != nullptr && &graphic->ClassInfo() == &ClassInfo() &&
      graphic->GraphicClassName() == GraphicClassName()) {
    if (graphic != this) LoadFromImage(graphic->image_);
    return;
  }
  TPersistent::Assign(source);
}

void TGraphic::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& stream) { ReadData(stream); },
      [this](TStream& stream) { WriteData(stream); }, !Empty());
}

void TGraphic::SetImage(std::string image) {
  image_ = std::move(image);
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange();
}

const TClassInfo& TBitmap::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TBitmap, TGraphic>("TBitmap");
  return info;
}

// The BMP file header is 14 bytes ("BM", file size, two reserved words, offset of the bits);
// the info header follows: 12 bytes in the old core form (16-bit width and height), otherwise at
// least 16 bytes with 32-bit width and height (a negative height is a top-down bitmap).
void TBitmap::LoadFromImage(std::string image) {
  if (image.empty()) {
    width_ = height_ = bitCount_ = 0;
    SetImage({});
    return;
  }
  const ImageView view(image, msg::kInvalidBitmap);
  constexpr size_t kFileHeader = 14;
  view.Require(view.Has(0, kFileHeader) && image[0] == 'B' && image[1] == 'M');
  const uint32_t headerSize = view.U32(kFileHeader);
  view.Require(headerSize == 12 || headerSize >= 16);
  view.Require(view.Has(kFileHeader, headerSize));
  int64_t width = 0;
  int64_t height = 0;
  unsigned planes = 0;
  unsigned bitCount = 0;
  uint32_t compression = 0;
  if (headerSize == 12) {
    width = view.U16(18);
    height = view.U16(20);
    planes = view.U16(22);
    bitCount = view.U16(24);
  } else {
    width = view.I32(18);
    height = view.I32(22);
    planes = view.U16(26);
    bitCount = view.U16(28);
    if (headerSize >= 20) compression = view.U32(30);
  }
  height = std::llabs(height);
  view.Require(width > 0 && height > 0 && planes == 1);
  static constexpr unsigned kBitCounts[] = {1, 4, 8, 16, 24, 32};
  view.Require(std::find(std::begin(kBitCounts), std::end(kBitCounts), bitCount) !=
               std::end(kBitCounts));
  // Uncompressed rows (plain or with colour masks) must all be there.
  constexpr uint32_t kRgb = 0;
  constexpr uint32_t kBitFields = 3;
  if (compression == kRgb || compression == kBitFields) {
    const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    const uint64_t available = image.size() - kFileHeader - headerSize;
    view.Require(static_cast<uint64_t>(height) <= available / stride);
  }
  width_ = static_cast<int32_t>(width);
  height_ = static_cast<int32_t>(std::min<int64_t>(height, std::numeric_limits<int32_t>::max()));
  bitCount_ = static_cast<int>(bitCount);
  SetImage(std::move(image));
}

void TBitmap::ReadData(TStream& stream) {
  const uint32_t size = ReadU32(stream, msg::kInvalidBitmap);
  LoadFromImage(ReadExactly(stream, size, msg::kInvalidBitmap));
}

void TBitmap::WriteData(TStream& stream) const {
  WriteU32(stream, static_cast<uint32_t>(Image().size()));
  SaveToStream(stream);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(*this);
  return copy;
}

const TClassInfo& TMetafile::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TMetafile, TGraphic>("TMetafile");
  return info;
}

int32_t TMetafile::MMWidth() const {
  if (Empty()) return 0;
  if (enhanced_) return frame_.Right - frame_.Left;
  return MulDiv(bounds_.Right - bounds_.Left, 2540, inch_);
}

int32_t TMetafile::MMHeight() const {
  if (Empty()) return 0;
  if (enhanced_) return frame_.Bottom - frame_.Top;
  return MulDiv(bounds_.Bottom - bounds_.Top, 2540, inch_);
}

int32_t TMetafile::Width() const { return MulDiv(MMWidth(), TFont::kPixelsPerInch, 2540); }

int32_t TMetafile::Height() const { return MulDiv(MMHeight(), TFont::kPixelsPerInch, 2540); }

// An enhanced metafile starts with its header record: type 1, record size, bounds (device units),
// frame (0.01 mm), the signature " EMF" at offset 40 and the total size at offset 48. A placeable
// metafile starts with the key 0x9AC6CDD7, a handle, the bounding box (four 16-bit values), the
// units per inch, a reserved dword and the XOR checksum of the ten words before it; the Windows
// metafile header (type, header size in words, version, size in words, ...) follows at 22.
void TMetafile::LoadFromImage(std::string image) {
  if (image.empty()) {
    enhanced_ = false;
    frame_ = bounds_ = {};
    inch_ = 0;
    SetImage({});
    return;
  }
  const ImageView view(image, msg::kInvalidMetafile);
  constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
  constexpr uint32_t kEmfSignature = 0x464D4520;
  constexpr size_t kPlaceableHeader = 22;
  constexpr size_t kEmfHeader = 88;
  view.Require(view.Has(0, 4));
  if (view.U32(0) == kPlaceableKey) {
    view.Require(view.Has(0, kPlaceableHeader + 18));
    uint16_t checksum = 0;
    for (size_t offset = 0; offset < 20; offset += 2) checksum ^= view.U16(offset);
    view.Require(checksum == view.U16(20));
    const TRect box{view.I16(6), view.I16(8), view.I16(10), view.I16(12)};
    const uint16_t inch = view.U16(14);
    view.Require(inch != 0);
    const uint16_t type = view.U16(kPlaceableHeader);
    view.Require((type == 1 || type == 2) && view.U16(kPlaceableHeader + 2) == 9);
    const uint64_t words = view.U32(kPlaceableHeader + 6);
    view.Require(view.Has(kPlaceableHeader, words * 2));
    enhanced_ = false;
    frame_ = {};
    bounds_ = box;
    inch_ = inch;
  } else {
    view.Require(view.Has(0, kEmfHeader) && view.U32(0) == 1 && view.U32(40) == kEmfSignature);
    const uint32_t recordSize = view.U32(4);
    const uint32_t totalSize = view.U32(48);
    view.Require(recordSize >= kEmfHeader && totalSize >= recordSize && view.Has(0, totalSize));
    enhanced_ = true;
    bounds_ = view.Rect32(8);
    frame_ = view.Rect32(24);
    inch_ = 0;
  }
  SetImage(std::move(image));
}

void TMetafile::ReadData(TStream& stream) {
  if (stream.Remaining() <= 0) {
    LoadFromImage({});
    return;
  }
  const uint32_t length = ReadU32(stream, msg::kInvalidMetafile);
  if (length <= 4) {
    LoadFromImage({});
    return;
  }
  LoadFromImage(ReadExactly(stream, length - 4, msg::kInvalidMetafile));
}

void TMetafile::WriteData(TStream& stream) const {
  if (Empty()) return;
  WriteU32(stream, static_cast<uint32_t>(Image().size() + 4));
  SaveToStream(stream);
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
  auto copy = std::make_unique<TMetafile>();
  copy->Assign(*this);
  return copy;
}

const TClassInfo& TIcon::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TIcon, TGraphic>("TIcon");
  return info;
}

// Header: reserved 0, type 1, image count; then a 16-byte directory entry per image (width,
// height, colours, reserved, planes, bit count, byte size, offset), 0 standing for 256 pixels.
void TIcon::LoadFromImage(std::string image) {
  if (image.empty()) {
    width_ = height_ = 0;
    SetImage({});
    return;
  }
  const ImageView view(image, msg::kInvalidIcon);
  constexpr size_t kHeader = 6;
  constexpr size_t kEntry = 16;
  view.Require(view.Has(0, kHeader) && view.U16(0) == 0 && view.U16(2) == 1);
  const uint16_t count = view.U16(4);
  view.Require(count > 0 && view.Has(kHeader, uint64_t{count} * kEntry));
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kHeader + i * kEntry;
    view.Require(view.Has(view.U32(entry + 12), view.U32(entry + 8)));
  }
  const auto dimension = [](uint8_t value) { return value == 0 ? 256 : int32_t{value}; };
  width_ = dimension(view.U8(kHeader));
  height_ = dimension(view.U8(kHeader + 1));
  SetImage(std::move(image));
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto copy = std::make_unique<TIcon>();
  copy->Assign(*this);
  return copy;
}

const TClassInfo& TRawGraphic::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TRawGraphic, TGraphic>("TRawGraphic");
  return info;
}

std::unique_ptr<TGraphic> TRawGraphic::Clone() const {
  auto copy = std::make_unique<TRawGraphic>(className_);
  copy->Assign(*this);
  return copy;
}

// The registry of graphic classes.

namespace {

struct GraphicClass {
  std::string name;
  TGraphicFactory factory;
};

std::vector<GraphicClass>& GraphicClasses() {
  static std::vector<GraphicClass> classes;
  return classes;
}

}  // namespace

void RegisterGraphicClass(std::string_view className, TGraphicFactory factory) {
  if (className.empty() || className.size() > kMaxGraphicClassName) {
    throw EInvalidGraphic("Invalid graphic class name '{}'", className);
  }
  auto& classes = GraphicClasses();
  const auto it = std::find_if(classes.begin(), classes.end(),
                               [&](const GraphicClass& c) { return SameText(c.name, className); });
  if (it != classes.end()) {
    it->factory = std::move(factory);
  } else {
    classes.push_back({std::string(className), std::move(factory)});
  }
}

std::unique_ptr<TGraphic> CreateGraphic(std::string_view className) {
  for (const GraphicClass& c : GraphicClasses()) {
    if (SameText(c.name, className)) return c.factory();
  }
  return nullptr;
}

void RegisterGraphicClasses() {
  RegisterGraphicClass("TBitmap", [] { return std::make_unique<TBitmap>(); });
  RegisterGraphicClass("TMetafile", [] { return std::make_unique<TMetafile>(); });
  RegisterGraphicClass("TIcon", [] { return std::make_unique<TIcon>(); });
  for (const char* name : {"TJPEGImage", "TPngImage", "TPNGObject", "TPNGGraphic", "TGIFImage"}) {
    RegisterGraphicClass(name, [name] { return std::make_unique<TRawGraphic>(name); });
  }
}

// Pictures.

const TClassInfo& TPicture::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TPicture, TPersistent>("TPicture");
  return info;
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

void TPicture::Take(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this] { Changed(); };
  Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (graphic == graphic_.get()) return;
  Take(graphic != nullptr ? graphic->Clone() : nullptr);
}

TBitmap& TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
  Take(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*graphic_);
}

void TPicture::Assign(const TPersistent& source) {
  if (const auto* picture = dynamic_cast<const TPicture*>(&source)) {
    SetGraphic(picture->Graphic());
  } else if (const auto* graphic = dynamic_cast<const TGraphic*>(&source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::AssignTo(TPersistent& dest) const {
  if (graphic_ != nullptr && dynamic_cast<TGraphic*>(&dest) != nullptr) {
    dest.Assign(*graphic_);
    return;
  }
  TPersistent::AssignTo(dest);
}

void TPicture::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& stream) { ReadData(stream); },
      [this](TStream& stream) { WriteData(stream); }, graphic_ != nullptr);
}

void TPicture::ReadData(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  if (length > stream.Remaining()) throw EReadError(msg::kStreamRead);
  std::string className(length, '\0');
  stream.ReadBuffer(className.data(), className.size());
  std::unique_ptr<TGraphic> graphic = CreateGraphic(className);
  if (graphic == nullptr) return;
  graphic->ReadData(stream);
  Take(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) const {
  if (graphic_ == nullptr) return;
  const std::string name = graphic_->GraphicClassName().substr(0, kMaxGraphicClassName);
  const auto length = static_cast<uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBytes(name);
  graphic_->WriteData(stream);
}

}  // namespace qr2vor
