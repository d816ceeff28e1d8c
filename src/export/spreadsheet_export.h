#pragma once

// The cell-oriented filters share one writing loop: the grid's items are walked row by row and
// handed to WriteCell between WriteHeader/WriteDimensions and WriteFooter; each descendant turns
// the calls into its own bytes. The bytes are gathered in memory and the file is written whole
// (or not at all) at the end.

#include <cstdint>
#include <string>
#include <string_view>

#include "export/export.h"

namespace qr2vor {

enum TVoRCellType : uint8_t { ctBlank = 0, ctInteger = 1, ctNumber = 2, ctLabel = 3, ctFloat = 5 };

class TVoRExportToSpreadsheet : public TVoRExportAttributes {
 public:
  explicit TVoRExportToSpreadsheet(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  void ProcessRecord(const TEmfRecord& record) override;
  // Builds the grid, runs the writing loop and writes the file.
  void SaveToFile(const std::string& fileName) override;

  // The low byte of the last text-alignment mode in the record stream; every cell gets it.
  uint8_t TextAlignment() const { return textAlignment_; }

  // Texts handed to WriteCell are cut to this many characters.
  static constexpr size_t kMaxCellText = 255;

 protected:
  // Two little-endian 16-bit words: a binary record's type and data length.
  virtual void WriteRecordHeader(uint16_t type, uint16_t length);
  virtual void WriteHeader();
  virtual void WriteFooter();
  virtual void WriteDimensions(int32_t rows, int32_t columns);
  virtual void BeginRow();
  virtual void EndRow();
  // Columns count from 1 for the grid's first column, rows from 0. `item` is null for the blank
  // cells that close a short last row.
  virtual void WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor color,
                         uint8_t alignment, const std::string& text, int32_t column, int32_t row);
  // Writes the finished bytes to the file; the base writes them atomically.
  virtual void Commit(const std::string& fileName, std::string_view bytes);

  void Write(std::string_view bytes) { output_ += bytes; }
  void WriteByte(uint8_t value) { output_ += static_cast<char>(value); }
  void WriteWord(uint16_t value);
  std::string& Output() { return output_; }

 private:
  std::string output_;
  uint8_t textAlignment_ = 0;
};

// The producer named in the XML and RTF headers.
inline constexpr const char* kMetafileExportProducer = "Quorvanta Metafile export 1.95";

// The number of the process code page as file headers name it ("windows-1252").
int AnsiCodePageNumber();
// Characters replaced by HTML/XML entities (some, as the files have always had them, without
// their closing semicolon: "&brvbar", "&deg", "&plusmn", "&para").
std::string EscapeEntities(std::string_view text);
// A cell text read as a whole number; false when it is not one.
bool CellInteger(const std::string& text, int64_t& value);
// A cell text read as a number; 0 when it is empty or not a number.
double CellNumber(const std::string& text);

}  // namespace qr2vor
