#include "export/rtf_export.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/gfx/raster_image.h"
#include "rtl/constants.h"

namespace qr2vor {

namespace {

// Table text is written in pieces of at least this many characters, each on its own line.
constexpr size_t kTablePiece = 255;

std::string HexBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  }
  return out;
}

// A table: its opening, its entries and "}", with a line end after every piece that has
// reached the piece length and after the last.
std::string TableText(std::string_view opening, const std::vector<std::string>& entries) {
  std::string out;
  std::string piece(opening);
  for (const std::string& entry : entries) {
    piece += entry;
    if (piece.size() >= kTablePiece) {
      out += piece + "\r\n";
      piece.clear();
    }
  }
  return out + piece + "}\r\n";
}

}  // namespace

int64_t RtfTwips(int64_t pixels) { return std::llround(static_cast<double>(pixels) * 14.4); }

std::string EscapeRtf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\' || c == '{' || c == '}') out += '\\';
    out += c;
  }
  return out;
}

TVoRExportToRTF::TVoRExportToRTF(TComponent* owner) : TVoRExportToSpreadsheet(owner) {}

const TClassInfo& TVoRExportToRTF::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToRTF, TVoRExportToSpreadsheet>("TVoRExportToRTF").Creatable();
  return info;
}

std::tm TVoRExportToRTF::CreationTime() const {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void TVoRExportToRTF::SaveToFile(const std::string& fileName) {
  body_.clear();
  fonts_.clear();
  colors_.clear();
  TVoRExportToSpreadsheet::SaveToFile(fileName);
  body_.clear();
  fonts_.clear();
  colors_.clear();
}

size_t TVoRExportToRTF::FontIndex(const std::string& name) {
  const auto found = std::find(fonts_.begin(), fonts_.end(), name);
  if (found != fonts_.end()) return static_cast<size_t>(found - fonts_.begin());
  fonts_.push_back(name);
  return fonts_.size() - 1;
}

size_t TVoRExportToRTF::ColorIndex(TColor rgb) {
  const std::string text = std::to_string(rgb);
  const auto found = std::find(colors_.begin(), colors_.end(), text);
  if (found != colors_.end()) return static_cast<size_t>(found - colors_.begin()) + 1;
  colors_.push_back(text);
  return colors_.size();
}

void TVoRExportToRTF::WriteHeader() {
  Write(fmt::format("{{\\rtf1\\ansi\\ansicpg{}\\uc1\r\n", AnsiCodePageNumber()));
  const std::tm time = CreationTime();
  body_ += "{\\*\\generator VoReport Designer;}";
  body_ += fmt::format("{{\\info{{\\operator {}}}", kMetafileExportProducer);
  body_ += "{\\*\\company Quorvanta Software}";
  body_ += fmt::format("{{\\creatim\\yr{}\\mo{}\\dy{}", time.tm_year + 1900, time.tm_mon + 1,
                       time.tm_mday);
  if (time.tm_hour != 0 || time.tm_min != 0 || time.tm_sec != 0)
    body_ += fmt::format("\\hr{}\\min{}", time.tm_hour, time.tm_min);
  body_ += "}";
  const TVoProperty& properties = *Properties();
  if (!properties.Title().empty()) body_ += "{\\title " + EscapeRtf(properties.Title()) + "}";
  if (!properties.Author().empty()) body_ += "{\\author " + EscapeRtf(properties.Author()) + "}";
  body_ += "}\r\n";
  if (!properties.Title().empty())
    body_ += "{\\header \\pard\\plain {" + EscapeRtf(properties.Title()) + " \\par }}\r\n";
}

void TVoRExportToRTF::WriteDimensions(int32_t, int32_t) {
  body_ += fmt::format("\\par\r\n\\paperw{}\\paperh{}\r\n", RtfTwips(PageWidth()),
                       RtfTwips(DocumentHeight()));
  body_ +=
      fmt::format("\\trowd\\irow\\trautofit1\\trql\\trgaph0\\trleft{}\r\n", RtfTwips(OffsetX()));
  // \cellx is a cell's right edge: where the next column begins, the page's right edge for the
  // last column. Borders are single lines (\brdrs): a thick border without a width (\brdrth)
  // is drawn by some readers and by others not at all.
  const std::vector<int32_t>& columns = Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    const int64_t right =
        i + 1 < columns.size() ? int64_t{columns[i + 1]} : int64_t{PageWidth()} - OffsetX();
    body_ += fmt::format(
        "\\clbrdrl\\brdrs \\clbrdrr\\brdrs \\clbrdrt\\brdrs \\clbrdrb\\brdrs \\cellx{}\r\n",
        RtfTwips(right));
  }
}

void TVoRExportToRTF::EndRow() { body_ += "\\row\r\n"; }

void TVoRExportToRTF::WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor,
                                uint8_t alignment, const std::string& text, int32_t, int32_t) {
  body_ += "\\pard\\intbl\\li30\\ri30";
  if (cellType == ctLabel && item != nullptr) {
    if (alignment == 1) body_ += "\\qr";
    if (alignment == 2) body_ += "\\qc";
    const TFont& font = item->Font;
    body_ += fmt::format("{{\\f{}\\fs{}", FontIndex(font.Name()), font.Size() * 2);
    if ((font.Style() & FontStyleBit(fsItalic)) != 0) body_ += "\\i";
    if ((font.Style() & FontStyleBit(fsBold)) != 0) body_ += "\\b";
    if ((font.Style() & FontStyleBit(fsUnderline)) != 0) body_ += "\\ul";
    const auto rgb =
        static_cast<TColor>(static_cast<uint32_t>(ColorToRgb(font.Color())) & 0xFFFFFF);
    if (rgb != clWhite) body_ += fmt::format("\\cf{}", ColorIndex(rgb));
    body_ += " " + EscapeRtf(text) + "}";
  } else if (item != nullptr && item->Kind == mkPicture) {
    const TRasterImage picture = item->Picture();
    if (!picture.Empty()) {
      const TDib dib = MakeDib(picture);
      body_ += "{\\pict\\dibitmap " + HexBytes(dib.Info) + HexBytes(dib.Bits) + " }";
    }
  }
  body_ += "\\cell ";
}

void TVoRExportToRTF::WriteFooter() {
  body_ += "\\pard\\par}";
  if (!fonts_.empty()) {
    std::vector<std::string> entries;
    for (size_t i = 0; i < fonts_.size(); ++i)
      entries.push_back(fmt::format("{{\\f{} {}}}", i, EscapeRtf(fonts_[i])));
    Write(TableText("{\\fonttbl", entries));
  }
  if (!colors_.empty()) {
    std::vector<std::string> entries;
    for (const std::string& text : colors_) {
      const auto rgb = static_cast<uint32_t>(std::stoul(text));
      entries.push_back(fmt::format("\\red{}\\green{}\\blue{};", rgb & 0xFF, (rgb >> 8) & 0xFF,
                                    (rgb >> 16) & 0xFF));
    }
    Write(TableText("{\\colortbl;", entries));
  }
  Write(body_);
}

}  // namespace qr2vor
