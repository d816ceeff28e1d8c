#include "export/markup_export.h"

#include <filesystem>

#include "rtl/constants.h"
#include "rtl/streams.h"

namespace qr2vor {

namespace {

// A path as a URL: bytes other than letters, digits and "-._~/" as %XX.
std::string UrlPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') ||
        std::string_view("-._~/").find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

// The font element around the text, then underline, italic and bold around it (bold outermost).
std::string FontMarkup(const TFont& font, const std::string& text) {
  std::string out = "<font ";
  if (font.Name() != "MS Sans Serif") out += "face=\"" + EscapeEntities(font.Name()) + "\" ";
  const std::string size = HtmlFontSize(font.Size());
  if (size != "-1") out += "size=" + size;
  const std::string color = HtmlColorAttribute(font.Color(), false);
  if (!color.empty()) out += " " + color;
  out += ">" + text + "</font>";
  if ((font.Style() & FontStyleBit(fsUnderline)) != 0) out = "<u>" + out + "</u>";
  if ((font.Style() & FontStyleBit(fsItalic)) != 0) out = "<i>" + out + "</i>";
  if ((font.Style() & FontStyleBit(fsBold)) != 0) out = "<b>" + out + "</b>";
  return out;
}

}  // namespace

std::string HtmlColorAttribute(TColor color, bool background) {
  const auto rgb = static_cast<uint32_t>(ColorToRgb(color)) & 0xFFFFFF;
  if (rgb == 0) return {};
  return fmt::format("{}color=\"#{:02X}{:02X}{:02X}\"", background ? "bg" : "", rgb & 0xFF,
                     (rgb >> 8) & 0xFF, rgb >> 16);
}

std::string HtmlFontSize(int32_t points) {
  if (points >= 6 && points <= 7) return "1";
  if (points >= 8 && points <= 9) return "2";
  if (points >= 14 && points <= 17) return "4";
  if (points >= 18 && points <= 23) return "5";
  if (points >= 24 && points <= 35) return "6";
  return "-1";
}

// TVoRExportToHTML

TVoRExportToHTML::TVoRExportToHTML(TComponent* owner) : TVoRExportToSpreadsheet(owner) {}

const TClassInfo& TVoRExportToHTML::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToHTML, TVoRExportToSpreadsheet>("TVoRExportToHTML").Creatable();
  return info;
}

std::string TVoRExportToHTML::PictureFolder(const std::string& fileName) {
  std::filesystem::path path(fileName);
  return (path.parent_path() / (path.stem().string() + "_files")).string();
}

void TVoRExportToHTML::SaveToFile(const std::string& fileName) {
  pictureFolderName_ = std::filesystem::path(PictureFolder(fileName)).filename().string();
  pictures_.clear();
  TVoRExportToSpreadsheet::SaveToFile(fileName);
}

void TVoRExportToHTML::WriteHeader() {
  bodyColor_ = BackgroundColor();
  const TVoProperty& properties = *Properties();
  Write(
      fmt::format("<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\n"
                  "content=\"text/html; charset=windows-{}\">\r\n"
                  "<meta name=\"AUTHOR\" content=\"{}\">\r\n"
                  "<meta name=\"KEYWORDS\" content=\"{}\">\r\n"
                  "<meta name=\"GENERATOR\" content=\"Quorvanta VoReport\">\r\n"
                  "<title>{}</title>\r\n</head>\r\n\r\n<body {}>\r\n<table border=1>\r\n",
                  AnsiCodePageNumber(), EscapeEntities(properties.Author()),
                  EscapeEntities(properties.Keywords()), EscapeEntities(properties.Title()),
                  HtmlColorAttribute(bodyColor_, true)));
}

void TVoRExportToHTML::WriteFooter() { Write("</table>\r\n</body>\r\n</html>\r\n"); }
void TVoRExportToHTML::BeginRow() { Write("  <TR>\r\n"); }
void TVoRExportToHTML::EndRow() { Write("  </TR>\r\n"); }

void TVoRExportToHTML::WriteCell(TVoRCellType, const TVoRMFERecord* item, TColor color,
                                 uint8_t alignment, const std::string& text, int32_t, int32_t) {
  const bool textItem = item != nullptr && item->Kind == mkText;
  std::string attributes;
  if (textItem && color != bodyColor_) attributes = " " + HtmlColorAttribute(color, true);
  std::string content = "&nbsp";
  const std::string trimmed = TrimText(text);
  if (!trimmed.empty()) {
    content = EscapeEntities(trimmed);
    if (textItem) content = FontMarkup(item->Font, content);
    if (alignment == 1) attributes += " align=\"right\"";
    if (alignment == 2) attributes += " align=\"center\"";
  } else if (item != nullptr && item->Kind == mkPicture) {
    const TRasterImage picture = item->Picture();
    if (!picture.Empty()) {
      const std::string name = "VOR" + std::to_string(pictures_.size() + 1) + ".bmp";
      pictures_.push_back(TPictureFile{name, WriteBmp(picture)});
      content = fmt::format("<img src=\"{}\" width=\"{}\" height=\"{}\">",
                            UrlPath(pictureFolderName_ + "/" + name), item->Width, item->Height);
    }
  }
  Write("    <TD" + attributes + ">" + content + "</TD>\r\n");
}

void TVoRExportToHTML::Commit(const std::string& fileName, std::string_view bytes) {
  namespace fs = std::filesystem;
  std::vector<TPictureFile> pictures = std::move(pictures_);
  pictures_.clear();
  if (pictures.empty()) {
    TVoRExportToSpreadsheet::Commit(fileName, bytes);
    return;
  }
  const fs::path folder(PictureFolder(fileName));
  std::error_code error;
  const bool created = fs::create_directory(folder, error);
  if (error) throw EFCreateError(fmt::runtime(msg::kFCreate), folder.string());
  std::vector<fs::path> written;
  try {
    for (const TPictureFile& picture : pictures) {
      const fs::path path = folder / picture.Name;
      SaveFileAtomically(path.string(), picture.Bytes);
      written.push_back(path);
    }
    TVoRExportToSpreadsheet::Commit(fileName, bytes);
  } catch (...) {
    for (const fs::path& path : written) fs::remove(path, error);
    if (created) fs::remove(folder, error);
    throw;
  }
}

// TVoRExportToXML

TVoRExportToXML::TVoRExportToXML(TComponent* owner) : TVoRExportToSpreadsheet(owner) {}

const TClassInfo& TVoRExportToXML::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToXML, TVoRExportToSpreadsheet>("TVoRExportToXML").Creatable();
  return info;
}

void TVoRExportToXML::WriteHeader() {
  Write(
      fmt::format("<?xml version=\"1.0\" encoding=\"windows-{}\" standalone=\"yes\"?>"
                  "<!-- Generated by {}-->  \r\n<RECORDS>\r\n",
                  AnsiCodePageNumber(), kMetafileExportProducer));
}

void TVoRExportToXML::WriteFooter() { Write("\r\n</RECORDS>"); }
void TVoRExportToXML::BeginRow() { Write("  <RECORD>\r\n    <ROW"); }
void TVoRExportToXML::EndRow() { Write("\r\n    />\r\n  </RECORD>\r\n"); }

void TVoRExportToXML::WriteCell(TVoRCellType, const TVoRMFERecord*, TColor, uint8_t,
                                const std::string& text, int32_t column, int32_t) {
  if (text.empty()) return;
  // The text is cut before escaping, so that no entity is ever cut in half.
  Write(fmt::format("\r\n     Column{}=\"{}\"", column + 1,
                    EscapeEntities(text.substr(0, kMaxCellText))));
}

}  // namespace qr2vor
