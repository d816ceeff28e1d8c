#pragma once

// The toolkit's graphics objects as data: fonts, pens, brushes and pictures with the bitmaps,
// metafiles and icons they hold, as form files and report files store them. Nothing here draws;
// a graphic keeps the bytes of its file image and the few header fields that give its size.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "rtl/constants.h"
#include "rtl/persistent.h"

namespace qr2vor {

class TStream;

// Messages of malformed graphic data.
namespace msg {
inline constexpr const char* kInvalidBitmap = "Bitmap image is not valid";
inline constexpr const char* kInvalidMetafile = "Metafile is not valid";
inline constexpr const char* kInvalidIcon = "Icon image is not valid";
}  // namespace msg

// number * numerator / denominator, rounded half away from zero, computed in 64 bits; -1 when
// the denominator is 0 or the result does not fit, as the system's MulDiv answers.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool operator==(const TRect&) const = default;
};

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
// A set of font styles: bit 1 << style for each member.
using TFontStyles = uint32_t;
constexpr TFontStyles FontStyleBit(TFontStyle style) { return TFontStyles{1} << style; }
inline constexpr TFontStyles kAllFontStyles = 0x0F;

enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
enum TPenStyle : uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};
enum TPenMode : uint8_t {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

const TEnumInfo& FontStyleInfo();
const TEnumInfo& FontPitchInfo();
const TEnumInfo& PenStyleInfo();
const TEnumInfo& PenModeInfo();
const TEnumInfo& BrushStyleInfo();

// A font, pen or brush: a persistent whose owner hears of every change through OnChange.
class TGraphicsObject : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Called after every change of a property (once for an Assign).
  std::function<void()> OnChange;

 protected:
  void Changed();
};

class TFont : public TGraphicsObject {
 public:
  // Heights and sizes convert at the screen resolution.
  static constexpr int kPixelsPerInch = 96;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset charset);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // The character height in pixels; negative as forms store it (cell height excluded).
  int32_t Height() const { return height_; }
  void SetHeight(int32_t height);
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);
  // The size in points, derived from Height; setting it sets Height.
  int32_t Size() const;
  void SetSize(int32_t size);
  TFontStyles Style() const { return style_; }
  // Bits outside the four styles are dropped.
  void SetStyle(TFontStyles style);

  void Assign(const TPersistent& source) override;
  bool operator==(const TFont& other) const;

 private:
  TFontCharset charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  int32_t height_ = -11;
  std::string name_ = "MS Sans Serif";
  TFontPitch pitch_ = fpDefault;
  TFontStyles style_ = 0;
};

class TPen : public TGraphicsObject {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  int32_t Width() const { return width_; }
  void SetWidth(int32_t width);

  void Assign(const TPersistent& source) override;

 private:
  TColor color_ = clBlack;
  TPenMode mode_ = pmCopy;
  TPenStyle style_ = psSolid;
  int32_t width_ = 1;
};

class TBrush : public TGraphicsObject {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);

  void Assign(const TPersistent& source) override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// A picture format. A graphic holds its file image (the bytes a .bmp, .emf/.wmf or .ico file
// holds), validated when loaded; an empty graphic holds no bytes.
//
// Two byte forms:
// - the file image: LoadFromStream reads the rest of a stream as one, SaveToStream writes it;
// - the stored data, as form files hold it under "Data": ReadData/WriteData (a bitmap adds a
//   size before the image, a metafile a length that counts itself; an icon is its file image).
// Malformed input raises EInvalidGraphic and leaves the graphic as it was.
class TGraphic : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool Empty() const { return image_.empty(); }
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  const std::string& Image() const { return image_; }
  // Validates `image` and takes it; an empty image empties the graphic.
  virtual void LoadFromImage(std::string image) = 0;

  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream) const;

  // The class name a picture stores before the data.
  virtual std::string GraphicClassName() const { return ClassName(); }
  // A new graphic of the same class holding the same image.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  // Takes the image of a graphic of the same class.
  void Assign(const TPersistent& source) override;
  // "Data" with the stored data, when not empty: a graphic published by itself (a glyph).
  void DefineProperties(TFiler& filer) override;

  std::function<void()> OnChange;

 protected:
  void SetImage(std::string image);
  void Changed();

 private:
  std::string image_;
};

// A device-independent bitmap kept as its BMP file image ("BM", file header, info header).
class TBitmap : public TGraphic {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  int BitCount() const { return bitCount_; }
  void LoadFromImage(std::string image) override;
  // A 4-byte little-endian size, then the file image of that size.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int bitCount_ = 0;
};

// An enhanced metafile (EMF) or a placeable Windows metafile (WMF with the 22-byte header).
class TMetafile : public TGraphic {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Pixels at the screen resolution.
  int32_t Width() const override;
  int32_t Height() const override;
  // Size in 0.01 mm.
  int32_t MMWidth() const;
  int32_t MMHeight() const;
  bool Enhanced() const { return enhanced_; }
  // EMF: the picture frame in 0.01 mm and the bounds in device units. Placeable WMF: Bounds is
  // the bounding box in metafile units and Inch the units per inch; Frame stays empty.
  const TRect& Frame() const { return frame_; }
  const TRect& Bounds() const { return bounds_; }
  int32_t Inch() const { return inch_; }

  void LoadFromImage(std::string image) override;
  // A 4-byte little-endian length counting itself and the metafile after it; nothing at all
  // for an empty metafile.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  bool enhanced_ = false;
  TRect frame_;
  TRect bounds_;
  int32_t inch_ = 0;
};

// An icon file image (header 0, 1, count, then the directory); stored as it stands.
class TIcon : public TGraphic {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The size of the first image of the directory.
  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  void LoadFromImage(std::string image) override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
};

// Picture data of a format this system does not decode (JPEG, PNG, GIF), kept under its class
// name with its stored data exactly as read, so that it is written back unchanged.
class TRawGraphic : public TGraphic {
 public:
  explicit TRawGraphic(std::string className) : className_(std::move(className)) {}

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int32_t Width() const override { return 0; }
  int32_t Height() const override { return 0; }
  // Any bytes; the stored data is the rest of the stream.
  void LoadFromImage(std::string image) override { SetImage(std::move(image)); }
  std::string GraphicClassName() const override { return className_; }
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  std::string className_;
};

// Graphic classes that pictures create by the class name stored in their data. Names compare
// without regard to case; registering a name again replaces its factory.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
inline constexpr size_t kMaxGraphicClassName = 63;
// Raises EInvalidGraphic for an empty name or one longer than 63 characters.
void RegisterGraphicClass(std::string_view className, TGraphicFactory factory);
// A new graphic of a registered class, or nullptr.
std::unique_ptr<TGraphic> CreateGraphic(std::string_view className);
// TBitmap, TMetafile and TIcon, and TRawGraphic under "TJPEGImage", "TPngImage", "TPNGObject",
// "TPNGGraphic" and "TGIFImage".
void RegisterGraphicClasses();

// A picture: holds at most one graphic, of any registered class.
class TPicture : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TGraphic* Graphic() const { return graphic_.get(); }
  // Holds a copy of `graphic`, or nothing for nullptr.
  void SetGraphic(const TGraphic* graphic);
  // The graphic as a bitmap; a picture holding anything else is given a new empty bitmap.
  TBitmap& Bitmap();
  int32_t Width() const { return graphic_ ? graphic_->Width() : 0; }
  int32_t Height() const { return graphic_ ? graphic_->Height() : 0; }

  // From another picture or a graphic.
  void Assign(const TPersistent& source) override;
  // "Data", when holding a graphic (an empty one too): the class name as a short string (a length
  // byte, at most 63 characters) and the graphic's stored data. Reading an unknown class name
  // leaves the picture unchanged.
  void DefineProperties(TFiler& filer) override;
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;

  // Called after the graphic is replaced or changes.
  std::function<void()> OnChange;

 protected:
  void AssignTo(TPersistent& dest) const override;

 private:
  void Take(std::unique_ptr<TGraphic> graphic);
  void Changed();

  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace qr2vor
