#pragma once

// The binary worksheet filters: records of a 16-bit type, a 16-bit length and their data, all
// little-endian. Excel writes the early cell records (BLANK, INTEGER, NUMBER, LABEL) under a
// BIFF5-style beginning-of-file record; Lotus 1-2-3 release 2 and Quattro Pro share one cell
// layout and differ in the version word, each cell's format byte and the length byte Quattro Pro
// gives its labels.

#include "export/spreadsheet_export.h"

namespace qr2vor {

class TVoRExportToExcel : public TVoRExportToSpreadsheet {
 public:
  explicit TVoRExportToExcel(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

 protected:
  void WriteHeader() override;
  void WriteFooter() override;
  void WriteDimensions(int32_t rows, int32_t columns) override;
  void WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor color, uint8_t alignment,
                 const std::string& text, int32_t column, int32_t row) override;
};

class TVoRExportToLotus : public TVoRExportToSpreadsheet {
 public:
  explicit TVoRExportToLotus(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

 protected:
  void WriteHeader() override;
  void WriteFooter() override;
  void WriteDimensions(int32_t rows, int32_t columns) override;
  void WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor color, uint8_t alignment,
                 const std::string& text, int32_t column, int32_t row) override;
};

class TVoRExportToQuattroPro : public TVoRExportToSpreadsheet {
 public:
  explicit TVoRExportToQuattroPro(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

 protected:
  void WriteHeader() override;
  void WriteFooter() override;
  // The range as Lotus writes it: 0, 0, last column, last row.
  void WriteDimensions(int32_t rows, int32_t columns) override;
  void WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor color, uint8_t alignment,
                 const std::string& text, int32_t column, int32_t row) override;
};

}  // namespace qr2vor
