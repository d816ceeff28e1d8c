#include "platform/gfx/wmf_writer.h"

#include <uwmf.h>

#include <cstdlib>
#include <limits>
#include <map>
#include <memory>

#include "platform/gfx/byte_reader.h"
#include "platform/gfx/emf_enumerator.h"
#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kStockFlag = 0x80000000;
constexpr uint32_t kNullBrush = kStockFlag | 5;
constexpr uint32_t kNullPen = kStockFlag | 8;
constexpr const char* kTooLarge = "Picture is too large for a Windows metafile";

int16_t Short(int64_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
    throw EInvalidGraphic(kTooLarge);
  return static_cast<int16_t>(value);
}

U_POINT16 Point(int64_t x, int64_t y) { return U_POINT16{Short(x), Short(y)}; }

U_RECT16 Rect16(const TRect& rect) {
  return U_RECT16{Short(rect.Left), Short(rect.Top), Short(rect.Right), Short(rect.Bottom)};
}

U_COLORREF ColorRef(TColor color) {
  const auto value = static_cast<uint32_t>(color);
  return colorref3_set(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

class TWmfWriter {
 public:
  TWmfWriter() {
    if (wmf_htable_create(64, 64, &handles_) != 0) throw EWriteError(msg::kStreamWrite);
  }
  ~TWmfWriter() { wmf_htable_free(&handles_); }

  std::string Convert(std::string_view emf) {
    TEmfEnumerator enumerator(emf);
    const TEmfHeader& header = enumerator.Header();
    const int64_t width = int64_t{header.Frame.Right - header.Frame.Left} * 96 / 2540;
    const int64_t height = int64_t{header.Frame.Bottom - header.Frame.Top} * 96 / 2540;
    Append(U_WMRSETWINDOWORG_set(Point(0, 0)));
    Append(U_WMRSETWINDOWEXT_set(Point(width, height)));
    TEmfRecord record(0, {});
    while (enumerator.Next(record)) Record(record);
    Append(U_WMREOF_set());
    return Finish(width, height);
  }

 private:
  void Append(char* record) {
    if (record == nullptr) throw EWriteError(msg::kStreamWrite);
    const uint32_t words = U_wmr_size(reinterpret_cast<const U_METARECORD*>(record)) / 2;
    body_.append(record, size_t{words} * 2);
    std::free(record);
    maxRecord_ = std::max(maxRecord_, words);
  }

  // A record made with the handle table: `make(&handle)` returns it and sets the WMF handle.
  uint32_t Create(const std::function<char*(uint32_t*)>& make) {
    uint32_t handle = 0;
    Append(make(&handle));
    return handle;
  }

  void Select(uint32_t emfHandle) {
    if (emfHandle == kNullPen && objects_.count(kNullPen) == 0)
      objects_[kNullPen] = Create([this](uint32_t* ih) {
        return wcreatepenindirect_set(ih, handles_,
                                      U_PEN_set(U_PS_NULL, 0, colorref3_set(0, 0, 0)));
      });
    if (emfHandle == kNullBrush && objects_.count(kNullBrush) == 0)
      objects_[kNullBrush] = Create([this](uint32_t* ih) {
        return wcreatebrushindirect_set(ih, handles_,
                                        U_WLOGBRUSH_set(U_BS_NULL, colorref3_set(0, 0, 0), 0));
      });
    auto found = objects_.find(emfHandle);
    if (found != objects_.end()) Append(wselectobject_set(found->second, handles_));
  }

  void Delete(uint32_t emfHandle) {
    auto found = objects_.find(emfHandle);
    if (found == objects_.end()) return;
    uint32_t handle = found->second;
    Append(wdeleteobject_set(&handle, handles_));
    objects_.erase(found);
  }

  void Record(const TEmfRecord& r) {
    switch (r.Type()) {
      case EMR_SETBKMODE:
        Append(U_WMRSETBKMODE_set(static_cast<uint16_t>(r.U32(8))));
        break;
      case EMR_SETTEXTALIGN:
        Append(U_WMRSETTEXTALIGN_set(static_cast<uint16_t>(r.U32(8))));
        break;
      case EMR_SETTEXTCOLOR:
        Append(U_WMRSETTEXTCOLOR_set(ColorRef(r.Color(8))));
        break;
      case EMR_SETBKCOLOR:
        Append(U_WMRSETBKCOLOR_set(ColorRef(r.Color(8))));
        break;
      case EMR_MOVETOEX:
        Append(U_WMRMOVETO_set(Point(r.I32(8), r.I32(12))));
        break;
      case EMR_LINETO:
        Append(U_WMRLINETO_set(Point(r.I32(8), r.I32(12))));
        break;
      case EMR_RECTANGLE:
        Append(U_WMRRECTANGLE_set(Rect16(r.Rect(8))));
        break;
      case EMR_ELLIPSE:
        Append(U_WMRELLIPSE_set(Rect16(r.Rect(8))));
        break;
      case EMR_ROUNDRECT:
        Append(U_WMRROUNDRECT_set(Short(r.I32(24)), Short(r.I32(28)), Rect16(r.Rect(8))));
        break;
      case EMR_INTERSECTCLIPRECT:
        Append(U_WMRINTERSECTCLIPRECT_set(Rect16(r.Rect(8))));
        break;
      case EMR_SAVEDC:
        Append(U_WMRSAVEDC_set());
        break;
      case EMR_RESTOREDC:
        Append(U_WMRRESTOREDC_set(Short(r.I32(8))));
        break;
      case EMR_SELECTOBJECT:
        Select(r.U32(8));
        if (auto charset = fontCharsets_.find(r.U32(8)); charset != fontCharsets_.end())
          charset_ = charset->second;
        break;
      case EMR_DELETEOBJECT:
        Delete(r.U32(8));
        break;
      case EMR_CREATEPEN: {
        const U_PEN pen = U_PEN_set(static_cast<uint16_t>(r.U32(12)),
                                    static_cast<uint16_t>(Short(r.I32(16))), ColorRef(r.Color(24)));
        Delete(r.U32(8));
        objects_[r.U32(8)] =
            Create([&](uint32_t* ih) { return wcreatepenindirect_set(ih, handles_, pen); });
        break;
      }
      case EMR_CREATEBRUSHINDIRECT: {
        const U_WLOGBRUSH brush =
            U_WLOGBRUSH_set(static_cast<uint16_t>(r.U32(12)), ColorRef(r.Color(16)),
                            static_cast<uint16_t>(r.U32(20)));
        Delete(r.U32(8));
        objects_[r.U32(8)] =
            Create([&](uint32_t* ih) { return wcreatebrushindirect_set(ih, handles_, brush); });
        break;
      }
      case EMR_EXTCREATEFONTINDIRECTW: {
        const TEmfLogFont font = ReadLogFont(r);
        fontCharsets_[font.Handle] = font.Charset;
        std::string face = font.FaceName.substr(0, 31);
        std::unique_ptr<U_FONT, decltype(&std::free)> wmfFont(
            U_FONT_set(Short(font.Height), Short(font.Width), Short(font.Escapement),
                       Short(font.Escapement), Short(font.Weight), font.Italic, font.Underline,
                       font.StrikeOut, font.Charset, 0, 0, 0, font.PitchAndFamily, face.data()),
            &std::free);
        if (!wmfFont) throw EWriteError(msg::kStreamWrite);
        Delete(font.Handle);
        objects_[font.Handle] = Create(
            [&](uint32_t* ih) { return wcreatefontindirect_set(ih, handles_, wmfFont.get()); });
        break;
      }
      case EMR_EXTTEXTOUTA:
      case EMR_EXTTEXTOUTW: {
        // Text of a Windows metafile is bytes that the selected font's character set reads.
        const TEmfText text = ReadTextOut(r, CharsetCodePage(charset_));
        if (text.Text.empty()) break;
        if (text.Text.size() > 0x7FFF) throw EInvalidGraphic(kTooLarge);
        std::vector<int16_t> advances;
        for (int32_t advance : text.Advances) advances.push_back(Short(advance));
        std::string bytes = text.Text;
        Append(U_WMREXTTEXTOUT_set(
            Point(text.X, text.Y), static_cast<int16_t>(bytes.size()), 0, bytes.data(),
            advances.size() == bytes.size() ? advances.data() : nullptr, U_RECT16{0, 0, 0, 0}));
        break;
      }
      case EMR_STRETCHDIBITS: {
        const uint32_t infoOffset = r.U32(48), infoSize = r.U32(52);
        const uint32_t bitsOffset = r.U32(56), bitsSize = r.U32(60);
        if (infoSize < 40 || uint64_t{infoOffset} + infoSize > r.Size() ||
            uint64_t{bitsOffset} + bitsSize > r.Size())
          throw EInvalidGraphic(msg::kInvalidMetafile);
        ReadBitmapRecord(r);  // the bitmap itself is checked before it is copied
        Append(U_WMRSTRETCHDIB_set(
            Point(r.I32(24), r.I32(28)), Point(r.I32(72), r.I32(76)), Point(r.I32(32), r.I32(36)),
            Point(r.I32(40), r.I32(44)), static_cast<uint16_t>(r.U32(64)), r.U32(68),
            reinterpret_cast<const U_BITMAPINFO*>(r.Bytes().data() + infoOffset), bitsSize,
            r.Bytes().data() + bitsOffset));
        break;
      }
      default:
        break;
    }
  }

  std::string Finish(int64_t width, int64_t height) {
    std::string out;
    PutU32(out, kPlaceableKey);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, static_cast<uint16_t>(Short(width)));
    PutU16(out, static_cast<uint16_t>(Short(height)));
    PutU16(out, 96);
    PutU32(out, 0);
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2)
      checksum ^= static_cast<uint16_t>(static_cast<uint8_t>(out[i]) |
                                        (static_cast<uint8_t>(out[i + 1]) << 8));
    PutU16(out, checksum);
    // The Windows metafile header: in memory, 9 words, version 3.0.
    const uint64_t words = 9 + body_.size() / 2;
    if (words > 0xFFFFFFFFu) throw EInvalidGraphic(kTooLarge);
    PutU16(out, 1);
    PutU16(out, 9);
    PutU16(out, 0x0300);
    PutU32(out, static_cast<uint32_t>(words));
    PutU16(out, static_cast<uint16_t>(handles_->peak));
    PutU32(out, maxRecord_);
    PutU16(out, 0);
    return out + body_;
  }

  WMFHANDLES* handles_ = nullptr;
  std::map<uint32_t, uint32_t> objects_;
  // The character sets of the fonts by their metafile handles, and that of the selected one.
  std::map<uint32_t, TFontCharset> fontCharsets_;
  TFontCharset charset_ = DEFAULT_CHARSET;
  std::string body_;
  uint32_t maxRecord_ = 0;
};

}  // namespace

std::string EmfToWmf(std::string_view emf) { return TWmfWriter().Convert(emf); }

}  // namespace qr2vor
