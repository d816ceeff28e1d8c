#pragma once

// Metafile pages for export tests: a page's header from TMetafileCanvas, then records made one
// by one with libUEMF's builders, so that every coordinate is the one the test names.

#include <uemf.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/raster_image.h"
#include "rtl/codepage.h"

namespace qr2vor::test {

class TEmfPage {
 public:
  TEmfPage(int32_t width, int32_t height) {
    TMetafileCanvas canvas(width, height);
    const std::string empty = canvas.Finish();
    uint32_t headerSize = 0;
    std::memcpy(&headerSize, empty.data() + 4, 4);
    bytes_ = empty.substr(0, headerSize);
  }

  // A wide text whose item rectangle (the record's bounds grown by 1) is `item`.
  TEmfPage& Text(const TRect& item, std::string_view ansi, uint32_t type = EMR_EXTTEXTOUTW) {
    const U_RECTL bounds{item.Left + 1, item.Top + 1, item.Right - 1, item.Bottom - 1};
    std::u16string wide;
    for (char c : ansi) wide += static_cast<char16_t>(AnsiToCodePoint(static_cast<uint8_t>(c)));
    std::string narrow(ansi);
    std::basic_string<uint32_t> dx(ansi.size(), 6);
    char* text =
        type == EMR_EXTTEXTOUTW
            ? emrtext_set(U_POINTL{bounds.left, bounds.top}, static_cast<U_NUM_STR>(wide.size()), 2,
                          wide.data(), 0, bounds, dx.data())
            : emrtext_set(U_POINTL{bounds.left, bounds.top}, static_cast<U_NUM_STR>(narrow.size()),
                          1, narrow.data(), 0, bounds, dx.data());
    auto* emrText = reinterpret_cast<PU_EMRTEXT>(text);
    Append(type == EMR_EXTTEXTOUTW ? U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, 0, 0, emrText)
                                   : U_EMREXTTEXTOUTA_set(bounds, U_GM_COMPATIBLE, 0, 0, emrText));
    std::free(text);
    return *this;
  }
  // Text at (left, top) of an item rectangle 6 units per character wide and 14 high.
  TEmfPage& Text(int32_t left, int32_t top, std::string_view ansi) {
    return Text(TRect{left, top, left + 6 * static_cast<int32_t>(ansi.size()) + 2, top + 14}, ansi);
  }
  TEmfPage& BackColor(uint32_t rgb) { return Append(U_EMRSETBKCOLOR_set(Ref(rgb))); }
  TEmfPage& TextColor(uint32_t rgb) { return Append(U_EMRSETTEXTCOLOR_set(Ref(rgb))); }
  TEmfPage& TextAlign(uint32_t mode) { return Append(U_EMRSETTEXTALIGN_set(mode)); }
  TEmfPage& MoveTo(int32_t x, int32_t y) { return Append(U_EMRMOVETOEX_set(U_POINTL{x, y})); }
  TEmfPage& LineTo(int32_t x, int32_t y) { return Append(U_EMRLINETO_set(U_POINTL{x, y})); }
  TEmfPage& Rectangle(const TRect& r) {
    return Append(U_EMRRECTANGLE_set(U_RECTL{r.Left, r.Top, r.Right, r.Bottom}));
  }
  TEmfPage& Font(std::string_view face, int32_t height, int32_t weight, bool italic = false,
                 uint8_t pitchAndFamily = 0, uint32_t handle = 1) {
    std::u16string wide(face.begin(), face.end());
    wide.resize(32, u'\0');
    U_LOGFONT logFont = logfont_set(height, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, 0,
                                    pitchAndFamily, reinterpret_cast<uint16_t*>(wide.data()));
    return Append(
        U_EMREXTCREATEFONTINDIRECTW_set(handle, reinterpret_cast<char*>(&logFont), nullptr));
  }
  // A 24-bit picture drawn into `dest`.
  TEmfPage& Picture(const TRect& dest, const TRasterImage& image) {
    TDib dib = MakeDib(image);
    return Append(U_EMRSTRETCHDIBITS_set(
        U_RECTL{dest.Left, dest.Top, dest.Right - 1, dest.Bottom - 1},
        U_POINTL{dest.Left, dest.Top}, U_POINTL{dest.Right - dest.Left, dest.Bottom - dest.Top},
        U_POINTL{0, 0}, U_POINTL{image.Width(), image.Height()}, U_DIB_RGB_COLORS, U_SRCCOPY,
        reinterpret_cast<PU_BITMAPINFO>(dib.Info.data()), static_cast<uint32_t>(dib.Bits.size()),
        dib.Bits.data()));
  }

  // The metafile: the records, an end-of-file record, and the header's totals.
  std::string Bytes() const {
    std::string bytes = bytes_;
    const uint32_t eof[5] = {EMR_EOF, 20, 0, 16, 20};
    bytes.append(reinterpret_cast<const char*>(eof), sizeof eof);
    const auto size = static_cast<uint32_t>(bytes.size());
    const uint32_t records = records_ + 2;
    std::memcpy(bytes.data() + 48, &size, 4);
    std::memcpy(bytes.data() + 52, &records, 4);
    return bytes;
  }

 private:
  static U_COLORREF Ref(uint32_t rgb) {
    return U_COLORREF{static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
                      static_cast<uint8_t>(rgb >> 16), 0};
  }
  TEmfPage& Append(char* record) {
    uint32_t size = 0;
    std::memcpy(&size, record + 4, 4);
    bytes_.append(record, size);
    std::free(record);
    ++records_;
    return *this;
  }

  std::string bytes_;
  uint32_t records_ = 0;
};

}  // namespace qr2vor::test
