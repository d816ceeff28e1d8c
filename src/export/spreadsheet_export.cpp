#include "export/spreadsheet_export.h"

#include <charconv>

#include "rtl/codepage.h"
#include "rtl/streams.h"

namespace qr2vor {

int AnsiCodePageNumber() { return ProcessCodePage(); }

std::string EscapeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (static_cast<unsigned char>(c)) {
      case 34:
        out += "&quot;";
        break;
      case 38:
        out += "&amp;";
        break;
      case 39:
        out += "&apos;";
        break;
      case 60:
        out += "&lt;";
        break;
      case 62:
        out += "&gt;";
        break;
      case 124:
        out += "&brvbar";
        break;
      case 153:
        out += "&trade;";
        break;
      case 169:
        out += "&copy;";
        break;
      case 176:
        out += "&deg";
        break;
      case 177:
        out += "&plusmn";
        break;
      case 182:
        out += "&para";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

bool CellInteger(const std::string& text, int64_t& value) {
  const char* end = text.data() + text.size();
  const auto [last, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && last == end && !text.empty();
}

double CellNumber(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [last, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && last == end ? value : 0.0;
}

TVoRExportToSpreadsheet::TVoRExportToSpreadsheet(TComponent* owner) : TVoRExportAttributes(owner) {
  SetCollect(ckText | ckPictures);
}

const TClassInfo& TVoRExportToSpreadsheet::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToSpreadsheet, TVoRExportAttributes>("TVoRExportToSpreadsheet");
  return info;
}

void TVoRExportToSpreadsheet::ProcessRecord(const TEmfRecord& record) {
  TVoRExportAttributes::ProcessRecord(record);
  if (record.Type() == EMR_SETTEXTALIGN) textAlignment_ = static_cast<uint8_t>(record.U32(8));
}

void TVoRExportToSpreadsheet::WriteRecordHeader(uint16_t type, uint16_t length) {
  WriteWord(type);
  WriteWord(length);
}

void TVoRExportToSpreadsheet::WriteWord(uint16_t value) {
  WriteByte(static_cast<uint8_t>(value));
  WriteByte(static_cast<uint8_t>(value >> 8));
}

void TVoRExportToSpreadsheet::WriteHeader() {}
void TVoRExportToSpreadsheet::WriteFooter() {}
void TVoRExportToSpreadsheet::WriteDimensions(int32_t, int32_t) {}
void TVoRExportToSpreadsheet::BeginRow() {}
void TVoRExportToSpreadsheet::EndRow() {}
void TVoRExportToSpreadsheet::WriteCell(TVoRCellType, const TVoRMFERecord*, TColor, uint8_t,
                                        const std::string&, int32_t, int32_t) {}

void TVoRExportToSpreadsheet::Commit(const std::string& fileName, std::string_view bytes) {
  SaveFileAtomically(fileName, bytes);
}

void TVoRExportToSpreadsheet::SaveToFile(const std::string& fileName) {
  BuildGrid();
  output_.clear();
  WriteHeader();
  WriteDimensions(RowCount(), ColCount());
  int32_t column = 0;
  int32_t row = 0;
  for (const auto& item : Items()) {
    if (column == ColCount()) {
      EndRow();
      column = 0;
      ++row;
    }
    ++column;
    if (column == 1) BeginRow();
    std::string text = TrimText(item->Text);
    if (item->Kind == mkText && !text.empty()) {
      if (text.size() > kMaxCellText) text.resize(kMaxCellText);
      WriteCell(ctLabel, item.get(), item->Color, textAlignment_, text, column, row);
    } else {
      WriteCell(ctBlank, item.get(), clWhite, 0, std::string(), column, row);
    }
  }
  if (column > 0) {
    while (column < ColCount())
      WriteCell(ctBlank, nullptr, clWhite, 0, std::string(), ++column, row);
    EndRow();
  }
  WriteFooter();
  std::string bytes = std::move(output_);
  output_.clear();
  Commit(fileName, bytes);
  TVoRExport::SaveToFile(fileName);
}

}  // namespace qr2vor
