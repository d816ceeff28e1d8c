#include "export/pdf_export.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "export/output_file.h"
#include "rtl/constants.h"

namespace qr2vor {

namespace {

// Pages per intermediate page-tree node.
constexpr int kPagesPerGroup = 10;
// Hexadecimal picture data is written in lines of a little more than this.
constexpr size_t kHexLineLength = 77;

std::string Rgb(TColor color, const char* operatorName) {
  const auto rgb = static_cast<uint32_t>(ColorToRgb(color));
  const auto component = [](uint32_t value) { return (value & 0xFF) * (1.0 / 255); };
  return fmt::format("{:.3f} {:.3f} {:.3f} {}", component(rgb), component(rgb >> 8),
                     component(rgb >> 16), operatorName);
}

bool IsBlack(TColor color) { return (static_cast<uint32_t>(ColorToRgb(color)) & 0xFFFFFF) == 0; }
bool IsWhite(TColor color) {
  return (static_cast<uint32_t>(ColorToRgb(color)) & 0xFFFFFF) == 0xFFFFFF;
}

int ZlibLevel(TVoRECompressionMethod method) {
  switch (method) {
    case cmFastest:
      return Z_BEST_SPEED;
    case cmMaxCompress:
      return Z_BEST_COMPRESSION;
    default:
      return Z_DEFAULT_COMPRESSION;
  }
}

}  // namespace

const TEnumInfo& CompressionInfo() {
  static const TEnumInfo info("TVoRECompression", {"seNone", "seFlate"});
  return info;
}

const TEnumInfo& CompressionMethodInfo() {
  static const TEnumInfo info("TVoRECompressionMethod", {"cmFastest", "cmNormal", "cmMaxCompress"});
  return info;
}

std::string PdfBaseFont(const TFont& font) {
  std::string name = font.Name();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
  const bool bold = (font.Style() & FontStyleBit(fsBold)) != 0;
  std::string base = "Times-Roman";
  if (name.find("COURIER") != std::string::npos) base = bold ? "Courier-Bold" : "Courier";
  if (name.find("ARIAL") != std::string::npos) base = bold ? "Helvetica-Bold" : "Helvetica";
  if (name.find("TIMES") != std::string::npos) base = bold ? "Times-Bold" : "Times-Roman";
  return base;
}

std::string PdfEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// Writes one document: lines to the file, or to the page's content buffer while a page is open.
class TPdfWriter {
 public:
  TPdfWriter(TAtomicFile& file, int32_t pageWidth, int32_t pageHeight, TVoRECompression compression,
             TVoRECompressionMethod method)
      : file_(file),
        pageWidth_(pageWidth),
        pageHeight_(pageHeight),
        compression_(compression),
        level_(ZlibLevel(method)) {
    Line("%PDF-1.2");
    Register(1);
    Line("1 0 obj");
    Line("<< /Type /Catalog ");
    Line("/Pages 3 0 R >> ");
    Line("endobj");
    StartPage();
  }
  ~TPdfWriter() {
    if (pictureData_ != nullptr) std::fclose(pictureData_);
  }
  TPdfWriter(const TPdfWriter&) = delete;
  TPdfWriter& operator=(const TPdfWriter&) = delete;

  void Write(const TVoRMFERecord& item) {
    switch (item.Kind) {
      case mkText:
        WriteText(item);
        break;
      case mkLine:
        WriteLine(item);
        break;
      case mkPicture:
        WritePicture(item);
        break;
      default:
        break;
    }
  }

  void Finish(const TVoProperty& properties, std::time_t created) {
    EndPage();
    for (size_t i = 0; i < fonts_.size(); ++i) {
      const int object = fontObjects_[i];
      Register(object);
      Line(fmt::format("{} 0 obj", object));
      Line("<< /Type /Font ");
      Line("/Subtype /Type1 ");
      Line(fmt::format("/Name /F{} ", i));
      Line(fmt::format("/BaseFont /{} ", fonts_[i]));
      Line("/FirstChar 32 ");
      Line("/LastChar 255 ");
      Line("/Encoding /WinAnsiEncoding >> ");
      Line("endobj");
    }
    for (size_t j = 0; j < pictures_.size(); ++j) WritePictureObject(pictures_[j], j + 1);

    std::tm local{};
    localtime_r(&created, &local);
    Register(2);
    Line("2 0 obj");
    Line(fmt::format("<< /Creator ({})", kPdfCreator));
    Line(fmt::format("/CreationDate (D:{:04}{:02}{:02}{:02}{:02}{:02})", local.tm_year + 1900,
                     local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec));
    Line(fmt::format("/Title ({})", PdfEscape(properties.Title())));
    Line(fmt::format("/Author ({})", PdfEscape(properties.Author())));
    Line("/Producer (Quorvanta VoReport)");
    Line(fmt::format("/Keywords ({})", PdfEscape(properties.Keywords())));
    Line(fmt::format("/Subject ({}) >>", PdfEscape(properties.Subject())));
    Line("endobj");

    Register(3);
    Line("3 0 obj");
    Line("<< /Type /Pages ");
    std::string kids = "/Kids [ ";
    for (const TGroup& group : groups_) kids += fmt::format("{} 0 R ", group.object);
    Line(kids + " ] ");
    Line(fmt::format("/Count {} >> ", pageCount_));
    Line("endobj");
    for (const TGroup& group : groups_) {
      Register(group.object);
      Line(fmt::format("{} 0 obj", group.object));
      Line("<< /Type /Pages ");
      Line("/Kids [ " + group.references + " ] ");
      Line(fmt::format("/Count {} ",
                       std::count(group.references.begin(), group.references.end(), 'R')));
      Line("/Parent 3 0 R >> ");
      Line("endobj");
    }

    const int64_t xrefOffset = total_;
    std::sort(xref_.begin(), xref_.end());
    Line("xref");
    Line(fmt::format("0 {}", xref_.size() + 1));
    Line("0000000000 65535 f");
    for (const auto& [object, offset] : xref_) Line(fmt::format("{:010} 00000 n", offset));
    Line("trailer");
    Line("<< /Root 1 0 R ");
    Line("/Info 2 0 R ");
    Line(fmt::format("/Size {} >> ", xref_.size() + 1));
    Line("startxref");
    Line(fmt::format("{}", xrefOffset));
    Line("%%EOF");
  }

 private:
  struct TGroup {
    int object = 0;
    std::string references;
  };
  // A picture's data, kept in a temporary file until the end of the document.
  struct TPicture {
    int object = 0;
    int32_t width = 0;
    int32_t height = 0;
    long offset = 0;
    size_t size = 0;
    size_t length = 0;
  };

  void Emit(std::string_view bytes) {
    total_ += static_cast<int64_t>(bytes.size());
    if (buffering_) {
      buffer_ += bytes;
      buffered_ += static_cast<int64_t>(bytes.size());
    } else {
      file_.Write(bytes);
    }
  }
  void Line(std::string_view text) {
    Emit(text);
    Emit("\r\n");
  }
  int TakeObject() { return nextObject_++; }
  void Register(int object) { xref_.emplace_back(object, total_ - buffered_); }

  // The position of a top within its own page.
  int64_t PagePosition(int32_t top) const {
    if (pageHeight_ <= 0) return top;
    const int64_t position = int64_t{top} % pageHeight_;
    return position < 0 ? position + pageHeight_ : position;
  }

  void StartPage() {
    if (pageCount_ % kPagesPerGroup == 0) {
      const int group = TakeObject();
      groups_.push_back(TGroup{group, {}});
    }
    ++pageCount_;
    const int page = TakeObject();
    groups_.back().references += fmt::format("{} 0 R ", page);
    Register(page);
    Line(fmt::format("{} 0 obj", page));
    Line("<< /Type /Page ");
    Line(fmt::format("/Parent {} 0 R ", groups_.back().object));
    contents_ = TakeObject();
    length_ = TakeObject();
    procSet_ = TakeObject();
    resources_ = TakeObject();
    Line(fmt::format("/MediaBox [0 0 {} {}] ", pageWidth_, pageHeight_));
    Line(fmt::format("/Resources {} 0 R", resources_));
    Line(fmt::format("/Contents {} 0 R >> ", contents_));
    Line("endobj");
    Register(resources_);
    Line(fmt::format("{} 0 obj", resources_));
    buffered_ = 0;
    buffering_ = true;
  }

  void EndPage() {
    buffering_ = false;
    Line("<<");
    if (!fonts_.empty()) {
      std::string line = "/Font << ";
      for (size_t i = 0; i < fonts_.size(); ++i)
        line += fmt::format("/F{} {} 0 R ", i, fontObjects_[i]);
      Line(line + ">>");
    }
    if (!pictures_.empty()) {
      std::string line = "/XObject << ";
      for (size_t j = 0; j < pictures_.size(); ++j)
        line += fmt::format("/Im{} {} 0 R ", j + 1, pictures_[j].object);
      Line(line + ">>");
    }
    Line(fmt::format("/ProcSet {} 0 R", procSet_));
    Line(">>");
    Line("endobj");
    Register(contents_);
    Line(fmt::format("{} 0 obj", contents_));
    Line(fmt::format("<< /Length {} 0 R >> ", length_));
    Line("stream");
    // The content's last line end is the end-of-line marker before "endstream".
    const int64_t length = buffered_ > 0 ? buffered_ - 1 : 0;
    file_.Write(buffer_);
    buffer_.clear();
    buffered_ = 0;
    Line("endstream");
    Line("endobj");
    Register(length_);
    Line(fmt::format("{} 0 obj", length_));
    Line(fmt::format("{}", length));
    Line("endobj");
    Register(procSet_);
    Line(fmt::format("{} 0 obj", procSet_));
    Line(pictures_.empty() ? "[ /PDF /Text ] " : "[ /PDF /Text /ImageC ] ");
    Line("endobj");
  }

  size_t FontIndex(const TFont& font) {
    const std::string base = PdfBaseFont(font);
    const auto found = std::find(fonts_.begin(), fonts_.end(), base);
    if (found != fonts_.end()) return static_cast<size_t>(found - fonts_.begin());
    fonts_.push_back(base);
    fontObjects_.push_back(TakeObject());
    return fonts_.size() - 1;
  }

  void WriteText(const TVoRMFERecord& item) {
    if (item.Text.empty()) return;
    if (int64_t{pageHeight_} * pageCount_ <= item.Top) {
      EndPage();
      StartPage();
    }
    const int32_t size = item.Font.Size();
    Line("BT");
    Line(Rgb(item.Font.Color(), "rg"));
    Line(fmt::format("/F{} {} Tf", FontIndex(item.Font), size));
    Line(fmt::format("{} TL", int64_t{size} + 2));
    Line(fmt::format("{} {} Td ({}) Tj ", int64_t{item.Left} + 10,
                     pageHeight_ - PagePosition(item.Top) - 10, PdfEscape(item.Text)));
    Line("0.000 0.000 0.000 RG");
    Line("ET");
  }

  void WriteLine(const TVoRMFERecord& item) {
    const bool fontColored = !IsBlack(item.Font.Color());
    const bool colored = !IsWhite(item.Color);
    if (fontColored) Line(Rgb(item.Font.Color(), "rg"));
    if (colored) Line(Rgb(item.Color, "RG"));
    Line(fmt::format("{} {} {} {} re", item.Left, pageHeight_ - PagePosition(item.Top),
                     int64_t{item.Width} - 1, int64_t{item.Height} - 1));
    Line("B");
    if (colored) Line("1.000 1.000 1.000 RG");
    if (fontColored) Line("0.000 0.000 0.000 rg");
  }

  void WritePicture(const TVoRMFERecord& item) {
    const TRasterImage picture = item.Picture();
    if (picture.Empty()) return;
    TPicture stored{TakeObject(), picture.Width(), picture.Height(), 0, 0, 0};
    StorePictureData(picture, stored);
    pictures_.push_back(stored);
    Line("q");
    Line(fmt::format("{} 0 0 {} {} {} cm", stored.width, stored.height, int64_t{item.Left} + 10,
                     pageHeight_ - PagePosition(item.Top) - stored.height));
    Line(fmt::format("/Im{} Do", pictures_.size()));
    Line("Q");
  }

  // The stream data of a picture: hexadecimal lines ending in ">", or the Flate-compressed
  // pixels followed by a line end. `length` is what the length object holds.
  void StorePictureData(const TRasterImage& picture, TPicture& stored) {
    std::string data;
    if (compression_ == seFlate) {
      std::string pixels;
      pixels.reserve(static_cast<size_t>(picture.Width()) * picture.Height() * 3);
      for (uint32_t argb : picture.Pixels()) {
        pixels += static_cast<char>((argb >> 16) & 0xFF);
        pixels += static_cast<char>((argb >> 8) & 0xFF);
        pixels += static_cast<char>(argb & 0xFF);
      }
      uLongf size = compressBound(static_cast<uLong>(pixels.size()));
      data.resize(size);
      if (compress2(reinterpret_cast<Bytef*>(data.data()), &size,
                    reinterpret_cast<const Bytef*>(pixels.data()),
                    static_cast<uLong>(pixels.size()), level_) != Z_OK)
        throw EWriteError(msg::kStreamWrite);
      data.resize(size);
      stored.length = data.size();
      data += "\r\n";
    } else {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      std::string line;
      for (uint32_t argb : picture.Pixels()) {
        for (int shift : {16, 8, 0}) {
          const uint32_t value = (argb >> shift) & 0xFF;
          line += kDigits[value >> 4];
          line += kDigits[value & 0x0F];
        }
        if (line.size() > kHexLineLength) {
          data += line + "\r\n";
          line.clear();
        }
      }
      data += line + ">\r\n";
      stored.length = data.size();
    }
    if (pictureData_ == nullptr) pictureData_ = std::tmpfile();
    if (pictureData_ == nullptr || std::fseek(pictureData_, 0, SEEK_END) != 0)
      throw EWriteError(msg::kStreamWrite);
    stored.offset = std::ftell(pictureData_);
    stored.size = data.size();
    if (std::fwrite(data.data(), 1, data.size(), pictureData_) != data.size())
      throw EWriteError(msg::kStreamWrite);
  }

  void WritePictureObject(const TPicture& picture, size_t number) {
    const int length = TakeObject();
    Register(picture.object);
    Line(fmt::format("{} 0 obj", picture.object));
    Line("<< ");
    Line("/Type /XObject");
    Line("/Subtype /Image");
    Line(fmt::format("/Name /Im{}", number));
    Line(fmt::format("/Width {}", picture.width));
    Line(fmt::format("/Height {}", picture.height));
    Line("/BitsPerComponent 8");
    Line("/ColorSpace /DeviceRGB");
    Line(compression_ == seFlate ? "/Filter /FlateDecode " : "/Filter /ASCIIHexDecode ");
    Line(fmt::format("/Length {} 0 R >> ", length));
    Line("stream");
    std::string data(picture.size, '\0');
    if (std::fseek(pictureData_, picture.offset, SEEK_SET) != 0 ||
        std::fread(data.data(), 1, data.size(), pictureData_) != data.size())
      throw EReadError(msg::kStreamRead);
    Emit(data);
    Line("endstream");
    Line("endobj");
    Register(length);
    Line(fmt::format("{} 0 obj", length));
    Line(fmt::format("{}", picture.length));
    Line("endobj");
  }

  TAtomicFile& file_;
  int32_t pageWidth_;
  int32_t pageHeight_;
  TVoRECompression compression_;
  int level_;
  std::FILE* pictureData_ = nullptr;

  std::string buffer_;
  bool buffering_ = false;
  int64_t total_ = 0;
  int64_t buffered_ = 0;
  int nextObject_ = 4;
  int pageCount_ = 0;
  std::vector<std::pair<int, int64_t>> xref_;
  std::vector<std::string> fonts_;
  std::vector<int> fontObjects_;
  std::vector<TPicture> pictures_;
  std::vector<TGroup> groups_;
  int contents_ = 0;
  int length_ = 0;
  int procSet_ = 0;
  int resources_ = 0;
};

// TVoRExportToPDF

TVoRExportToPDF::TVoRExportToPDF(TComponent* owner) : TVoRExportAttributes(owner) {
  SetCollect(ckText | ckLines | ckPictures);
}

TVoRExportToPDF::~TVoRExportToPDF() = default;

const TClassInfo& TVoRExportToPDF::StaticClassInfo() {
  using T = TVoRExportToPDF;
  static const TClassInfo info =
      TClassInfo::Derive<T, TVoRExportAttributes>("TVoRExportToPDF")
          .Enum("Compression", CompressionInfo(), &T::Compression, &T::SetCompression, seNone)
          .Enum("CompressionMethod", CompressionMethodInfo(), &T::CompressionMethod,
                &T::SetCompressionMethod, cmNormal)
          .Creatable();
  return info;
}

std::unique_ptr<TPdfWriter> TVoRExportToPDF::NewWriter(TAtomicFile& file) const {
  return std::make_unique<TPdfWriter>(file, PageWidth(), PageHeight(), compression_,
                                      compressionMethod_);
}

std::time_t TVoRExportToPDF::Now() const {
  return creationTime_ != 0 ? creationTime_ : std::time(nullptr);
}

void TVoRExportToPDF::PrepareOutput(const std::string& fileName) {
  writer_.reset();
  file_ = std::make_unique<TAtomicFile>(fileName);
}

void TVoRExportToPDF::BeginExport() {
  TVoRExportAttributes::BeginExport();
  if (file_ != nullptr) writer_ = NewWriter(*file_);
}

void TVoRExportToPDF::AddItem(std::unique_ptr<TVoRMFERecord> item) {
  // The item before the new one can no longer grow: it is written and let go.
  if (writer_ != nullptr)
    for (const auto& finished : TakeItems(Items().size())) writer_->Write(*finished);
  TVoRExportAttributes::AddItem(std::move(item));
}

void TVoRExportToPDF::SaveToFile(const std::string& fileName) {
  if (writer_ != nullptr) {
    const std::unique_ptr<TAtomicFile> file = std::move(file_);
    const std::unique_ptr<TPdfWriter> writer = std::move(writer_);
    for (const auto& item : TakeItems(Items().size())) writer->Write(*item);
    writer->Finish(*Properties(), Now());
    file->Commit(fileName);
  } else {
    file_.reset();
    TAtomicFile file(fileName);
    const std::unique_ptr<TPdfWriter> writer = NewWriter(file);
    for (const auto& item : Items()) writer->Write(*item);
    writer->Finish(*Properties(), Now());
    file.Commit();
  }
  TVoRExportAttributes::SaveToFile(fileName);
}

}  // namespace qr2vor
