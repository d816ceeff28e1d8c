#pragma once

// The markup filters: an HTML table with one cell per grid cell, and a flat XML record list with
// one RECORD per grid row and the row's texts as attributes Column2, Column3, ...

#include <string>
#include <vector>

#include "export/spreadsheet_export.h"

namespace qr2vor {

class TVoRExportToHTML : public TVoRExportToSpreadsheet {
 public:
  explicit TVoRExportToHTML(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Pictures go beside the page into the folder "NAME_files" (NAME being the page's file name
  // without its extension) as VOR1.bmp, VOR2.bmp, ..., referenced relatively, so the page and
  // its pictures move together. A failed export leaves neither page nor pictures.
  void SaveToFile(const std::string& fileName) override;

  // The folder the pictures of `fileName` go to.
  static std::string PictureFolder(const std::string& fileName);

 protected:
  void WriteHeader() override;
  void WriteFooter() override;
  void BeginRow() override;
  void EndRow() override;
  void WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor color, uint8_t alignment,
                 const std::string& text, int32_t column, int32_t row) override;
  void Commit(const std::string& fileName, std::string_view bytes) override;

 private:
  struct TPictureFile {
    std::string Name;
    std::string Bytes;
  };

  TColor bodyColor_ = clWhite;
  // The folder's name as the page refers to it, and the pictures waiting to be written.
  std::string pictureFolderName_;
  std::vector<TPictureFile> pictures_;
};

class TVoRExportToXML : public TVoRExportToSpreadsheet {
 public:
  explicit TVoRExportToXML(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

 protected:
  void WriteHeader() override;
  void WriteFooter() override;
  void BeginRow() override;
  void EndRow() override;
  void WriteCell(TVoRCellType cellType, const TVoRMFERecord* item, TColor color, uint8_t alignment,
                 const std::string& text, int32_t column, int32_t row) override;
};

// The HTML colour attribute of a colour: empty for black, else [bg]color="#RRGGBB".
std::string HtmlColorAttribute(TColor color, bool background);
// The HTML font size for a size in points: "1" to "6", or "-1" for none.
std::string HtmlFontSize(int32_t points);

}  // namespace qr2vor
