#pragma once

// The PDF filter: texts, lines and pictures of a report as a PDF 1.2 file with the standard
// Type 1 fonts, written line by line with CR LF ends, the cross-reference table built from the
// offsets counted on the way. Pages break where a text lies below the current page.
//
// Items are written in the order they arrived. When the page driver names the file first
// (PrepareOutput), each item is written as soon as the next one arrives, so memory does not grow
// with the number of pages; the bytes are those of writing the collected items at SaveToFile.

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "export/export.h"

namespace qr2vor {

enum TVoRECompression : uint8_t { seNone, seFlate };
enum TVoRECompressionMethod : uint8_t { cmFastest, cmNormal, cmMaxCompress };
const TEnumInfo& CompressionInfo();
const TEnumInfo& CompressionMethodInfo();

class TAtomicFile;
class TPdfWriter;

// The producer named by the document information.
inline constexpr const char* kPdfCreator = "Quorvanta Metafile export 1.95";

class TVoRExportToPDF : public TVoRExportAttributes {
 public:
  explicit TVoRExportToPDF(TComponent* owner);
  ~TVoRExportToPDF() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Encoding of picture streams: ASCII hexadecimal, or Flate at the level CompressionMethod names.
  TVoRECompression Compression() const { return compression_; }
  void SetCompression(TVoRECompression value) { compression_ = value; }
  TVoRECompressionMethod CompressionMethod() const { return compressionMethod_; }
  void SetCompressionMethod(TVoRECompressionMethod value) { compressionMethod_ = value; }
  // The creation date of the document information, local time; 0 means the time of writing.
  std::time_t CreationTime() const { return creationTime_; }
  void SetCreationTime(std::time_t value) { creationTime_ = value; }

  // Opens the file beside `fileName`; items are written as they arrive from BeginExport on.
  void PrepareOutput(const std::string& fileName) override;
  void BeginExport() override;
  // Writes the document (the rest of it, when writing as items arrive) and puts it in place.
  void SaveToFile(const std::string& fileName) override;

 protected:
  void AddItem(std::unique_ptr<TVoRMFERecord> item) override;

 private:
  std::unique_ptr<TPdfWriter> NewWriter(TAtomicFile& file) const;
  std::time_t Now() const;

  TVoRECompression compression_ = seNone;
  TVoRECompressionMethod compressionMethod_ = cmNormal;
  std::time_t creationTime_ = 0;
  // While writing as items arrive.
  std::unique_ptr<TAtomicFile> file_;
  std::unique_ptr<TPdfWriter> writer_;
};

// The standard Type 1 font a font is shown with: "Courier", "Helvetica" or "Times" by its name,
// bold or not.
std::string PdfBaseFont(const TFont& font);
// A PDF literal string's content: "(", ")" and "\" escaped with a backslash.
std::string PdfEscape(std::string_view text);

}  // namespace qr2vor
