#pragma once

// The rich-text filter: one table with a cell per grid cell, the fonts and colours of the texts
// gathered into the document's font and colour tables.

#include <ctime>
#include <string>
#include <vector>

#include "export/spreadsheet_export.h"

namespace qr2vor {

class TVoRExportToRTF : public TVoRExportToSpreadsheet {
 public:
  explicit TVoRExportToRTF(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The document's body is built in memory, then written after the font and colour tables it
  // needs; the file is written whole or not at all.
  void SaveToFile(const std::string& fileName) override;

 protected:
  void WriteHeader() override;
  void WriteFooter() override;
  void WriteDimensions(int32_t rows, int32_t columns) override;
  void EndRow() override;
  void WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor color, uint8_t alignment,
                 const std::string& text, int32_t column, int32_t row) override;

  // The local time recorded as the document's creation time.
  virtual std::tm CreationTime() const;

 private:
  size_t FontIndex(const std::string& name);
  size_t ColorIndex(TColor rgb);

  std::string body_;
  std::vector<std::string> fonts_;
  // Colours as decimal text of their RGB value.
  std::vector<std::string> colors_;
};

// Pixels to twips at the scale the document uses: round(pixels * 14.4).
int64_t RtfTwips(int64_t pixels);
// Text for the document: "\", "{" and "}" escaped with a backslash.
std::string EscapeRtf(std::string_view text);

}  // namespace qr2vor
