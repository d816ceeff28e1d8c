#include "export/text_export.h"

#include <cmath>

#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace qr2vor {

namespace {

inline constexpr const char* kTextTooFar = "Text at line {}, column {} lies too far from the page";

// Rounds to the nearest integer, halves to even.
int64_t RoundHalfEven(double value) { return static_cast<int64_t>(std::nearbyint(value)); }

bool NeedsQuotes(std::string_view field) {
  return field.find_first_of(";\"\r\n") != std::string_view::npos;
}

void AppendField(std::string& out, std::string_view field) {
  if (!NeedsQuotes(field)) {
    out += field;
    return;
  }
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

// TVoRExportToText

TVoRExportToText::TVoRExportToText(TComponent* owner) : TVoRExport(owner) {}

const TClassInfo& TVoRExportToText::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToText, TVoRExport>("TVoRExportToText").Creatable();
  return info;
}

void TVoRExportToText::NewPage(int pageNumber, bool continued) {
  TVoRExport::NewPage(pageNumber, continued);
  if (pageNumber >= 1 && !continued && lines_.size() >= 2) lines_.back() += '\f';
}

void TVoRExportToText::ProcessRecord(const TEmfRecord& record) {
  TVoRExport::ProcessRecord(record);
  if (record.Type() != EMR_EXTTEXTOUTA && record.Type() != EMR_EXTTEXTOUTW) return;
  const TRect bounds = GrownBounds(record);
  const std::string text = TrimText(ReadTextOut(record).Text);
  if (text.empty()) return;
  const int64_t line = std::max<int64_t>(
      RoundHalfEven(static_cast<double>(int64_t{OffsetY()} + bounds.Top) / kLineHeight), 0);
  const int64_t column = std::max<int64_t>(
      RoundHalfEven(static_cast<double>(int64_t{OffsetX()} + bounds.Left) / kCharWidth), 0);
  if (line >= kMaxLines || column > kMaxColumn)
    throw EInvalidGraphic(fmt::runtime(kTextTooFar), line, column);
  if (lines_.size() <= static_cast<size_t>(line)) lines_.resize(static_cast<size_t>(line) + 1);
  std::string& target = lines_[static_cast<size_t>(line)];
  if (target.size() < static_cast<size_t>(column)) target.resize(static_cast<size_t>(column), ' ');
  // Column c starts at the c-th character; column 0 counts as the first.
  const size_t start = column == 0 ? 0 : static_cast<size_t>(column) - 1;
  if (target.size() < start + text.size()) target.resize(start + text.size(), ' ');
  target.replace(start, text.size(), text);
}

void TVoRExportToText::SaveToFile(const std::string& fileName) {
  size_t count = lines_.size();
  while (count > 0 && TrimText(lines_[count - 1]).empty()) --count;
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    out += lines_[i];
    out += "\r\n";
  }
  SaveFileAtomically(fileName, out);
  lines_.clear();
  TVoRExport::SaveToFile(fileName);
}

// TVoRExportToCSV

TVoRExportToCSV::TVoRExportToCSV(TComponent* owner) : TVoRExportAttributes(owner) {
  SetCollect(ckText | ckPictures);
}

const TClassInfo& TVoRExportToCSV::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToCSV, TVoRExportAttributes>("TVoRExportToCSV").Creatable();
  return info;
}

std::string CsvText(const std::vector<std::unique_ptr<TVoRMFERecord>>& items) {
  std::string out;
  const TVoRMFERecord* previous = nullptr;
  for (const auto& item : items) {
    if (previous != nullptr) {
      // A row starts wherever the top moves by more than 5, the first row at the page's very
      // top included.
      const int64_t step = int64_t{item->Top} - previous->Top;
      out += step > 5 || step < -5 ? "\r\n" : ";";
    }
    AppendField(out, item->Text);
    previous = item.get();
  }
  return out;
}

void TVoRExportToCSV::SaveToFile(const std::string& fileName) {
  BuildGrid();
  SaveFileAtomically(fileName, CsvText(Items()));
  TVoRExport::SaveToFile(fileName);
}

}  // namespace qr2vor
