#pragma once

// The text filter (texts placed on a character grid, one line per 16 record units, one column
// per 6.5) and the CSV filter (the item grid as rows of ";"-separated fields).

#include <string>
#include <vector>

#include "export/export.h"

namespace qr2vor {

class TVoRExportToText : public TVoRExport {
 public:
  explicit TVoRExportToText(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Record units per character and per line.
  static constexpr double kCharWidth = 6.5;
  static constexpr double kLineHeight = 16.0;
  // Texts are placed on at most this many lines and from at most this column: a metafile
  // placing text further away is refused rather than filling memory with blanks.
  static constexpr int64_t kMaxLines = 1 << 20;
  static constexpr int64_t kMaxColumn = 1 << 12;

  void NewPage(int pageNumber, bool continued) override;
  void ProcessRecord(const TEmfRecord& record) override;
  // Writes the lines (trailing blank lines dropped) with CR LF ends and empties the list.
  void SaveToFile(const std::string& fileName) override;

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

class TVoRExportToCSV : public TVoRExportAttributes {
 public:
  explicit TVoRExportToCSV(TComponent* owner);

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Builds the grid and writes its texts: ";" between fields, CR LF between rows, no line end
  // after the last field. A field holding ";", a double quote, CR or LF is quoted.
  void SaveToFile(const std::string& fileName) override;
};

// The file image SaveToFile of TVoRExportToCSV writes for the items as they stand (grid built).
std::string CsvText(const std::vector<std::unique_ptr<TVoRMFERecord>>& items);

}  // namespace qr2vor
