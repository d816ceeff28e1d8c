#include "export/sheet_export.h"

#include <cstring>

namespace qr2vor {

namespace {

inline constexpr const char* kTooLarge =
    "The report's grid of {} rows and {} columns is too large for the file format";

// Row and column numbers are 16-bit words in every one of these formats.
void CheckSize(int32_t rows, int32_t columns) {
  if (rows > 0x10000 || columns > 0xFFFF)
    throw EExportError(fmt::runtime(kTooLarge), rows, columns);
}

void AppendWord(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void AppendDouble(std::string& out, double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

std::string Record(uint16_t type, std::string_view data) {
  std::string out;
  AppendWord(out, type);
  AppendWord(out, static_cast<uint16_t>(data.size()));
  out += data;
  return out;
}

// Excel's horizontal alignment codes: left 1, centre 2, right 3.
uint8_t ExcelAlignment(uint8_t alignment) {
  switch (alignment) {
    case 1:
      return 3;
    case 2:
      return 2;
    default:
      return 1;
  }
}

// Lotus label prefixes: "'" left, "\"" right, "^" centred.
char LotusPrefix(uint8_t alignment) {
  switch (alignment) {
    case 1:
      return '"';
    case 2:
      return '^';
    default:
      return '\'';
  }
}

// A Lotus-layout cell: format byte, column, row, then the value by type. `formats` holds the
// format bytes of blank, integer, number and label cells. A label is its alignment prefix, the
// text and a zero byte; Quattro Pro puts the text's length (a byte) between prefix and text.
std::string LotusCell(const uint8_t (&formats)[4], bool countedLabel, TVoRCellType cellType,
                      uint8_t alignment, const std::string& text, int32_t column, int32_t row) {
  const auto head = [&](uint8_t format) {
    std::string data(1, static_cast<char>(format));
    AppendWord(data, static_cast<uint16_t>(column));
    AppendWord(data, static_cast<uint16_t>(row));
    return data;
  };
  int64_t integer = 0;
  switch (cellType) {
    case ctBlank:
      return Record(12, head(formats[0]));
    case ctLabel: {
      std::string data = head(formats[3]);
      const std::string_view label =
          std::string_view(text).substr(0, TVoRExportToSpreadsheet::kMaxCellText);
      data += LotusPrefix(alignment);
      if (countedLabel) data += static_cast<char>(label.size());
      data += label;
      data += '\0';
      return Record(15, data);
    }
    case ctInteger:
      if (CellInteger(text, integer) && integer >= -32767 && integer <= 32767) {
        std::string data = head(formats[1]);
        AppendWord(data, static_cast<uint16_t>(integer));
        return Record(13, data);
      }
      [[fallthrough]];
    default: {
      std::string data = head(formats[2]);
      AppendDouble(data, CellNumber(text));
      return Record(14, data);
    }
  }
}

// The active range: first column and row 0, then the last column and row.
std::string LotusDimensions(int32_t rows, int32_t columns) {
  CheckSize(rows, columns);
  std::string data;
  AppendWord(data, 0);
  AppendWord(data, 0);
  AppendWord(data, static_cast<uint16_t>(columns - 1));
  AppendWord(data, static_cast<uint16_t>(rows - 1));
  return Record(6, data);
}

}  // namespace

// TVoRExportToExcel

TVoRExportToExcel::TVoRExportToExcel(TComponent* owner) : TVoRExportToSpreadsheet(owner) {}

const TClassInfo& TVoRExportToExcel::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToExcel, TVoRExportToSpreadsheet>("TVoRExportToExcel")
          .Creatable();
  return info;
}

void TVoRExportToExcel::WriteHeader() {
  WriteRecordHeader(0x0809, 6);
  WriteWord(0);
  WriteWord(16);
  WriteWord(0);
}

void TVoRExportToExcel::WriteFooter() { WriteRecordHeader(0x000A, 0); }

void TVoRExportToExcel::WriteDimensions(int32_t rows, int32_t columns) {
  CheckSize(rows, columns);
  WriteRecordHeader(0x0200, 10);
  WriteWord(0);
  WriteWord(static_cast<uint16_t>(rows));
  WriteWord(0);
  WriteWord(static_cast<uint16_t>(columns));
  WriteWord(0);
}

void TVoRExportToExcel::WriteCell(TVoRCellType cellType, const TVoRMFERecord*, TColor,
                                  uint8_t alignment, const std::string& text, int32_t column,
                                  int32_t row) {
  std::string data;
  AppendWord(data, static_cast<uint16_t>(row));
  AppendWord(data, static_cast<uint16_t>(column));
  data += std::string(2, '\0');
  data += static_cast<char>(ExcelAlignment(alignment));
  int64_t integer = 0;
  switch (cellType) {
    case ctBlank:
      Write(Record(1, data));
      return;
    case ctLabel: {
      const std::string_view label = std::string_view(text).substr(0, kMaxCellText);
      data += static_cast<char>(label.size());
      data += label;
      Write(Record(4, data));
      return;
    }
    case ctInteger:
      if (CellInteger(text, integer) && integer >= 0 && integer <= 255) {
        AppendWord(data, static_cast<uint16_t>(integer));
        Write(Record(2, data));
        return;
      }
      [[fallthrough]];
    default:
      AppendDouble(data, CellNumber(text));
      Write(Record(3, data));
      return;
  }
}

// TVoRExportToLotus

namespace {
constexpr uint8_t kLotusFormats[4] = {0x22, 0x82, 0xF1, 0xF1};
constexpr uint8_t kQuattroFormats[4] = {0, 0, 0, 0};
}  // namespace

TVoRExportToLotus::TVoRExportToLotus(TComponent* owner) : TVoRExportToSpreadsheet(owner) {}

const TClassInfo& TVoRExportToLotus::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToLotus, TVoRExportToSpreadsheet>("TVoRExportToLotus")
          .Creatable();
  return info;
}

void TVoRExportToLotus::WriteHeader() {
  WriteRecordHeader(0, 2);
  WriteWord(0x0404);
}

void TVoRExportToLotus::WriteFooter() { WriteRecordHeader(1, 0); }

void TVoRExportToLotus::WriteDimensions(int32_t rows, int32_t columns) {
  Write(LotusDimensions(rows, columns));
}

void TVoRExportToLotus::WriteCell(TVoRCellType cellType, const TVoRMFERecord*, TColor,
                                  uint8_t alignment, const std::string& text, int32_t column,
                                  int32_t row) {
  Write(LotusCell(kLotusFormats, false, cellType, alignment, text, column, row));
}

// TVoRExportToQuattroPro

TVoRExportToQuattroPro::TVoRExportToQuattroPro(TComponent* owner)
    : TVoRExportToSpreadsheet(owner) {}

const TClassInfo& TVoRExportToQuattroPro::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRExportToQuattroPro, TVoRExportToSpreadsheet>("TVoRExportToQuattroPro")
          .Creatable();
  return info;
}

void TVoRExportToQuattroPro::WriteHeader() {
  WriteRecordHeader(0, 2);
  WriteWord(0x5120);
}

void TVoRExportToQuattroPro::WriteFooter() { WriteRecordHeader(1, 0); }

void TVoRExportToQuattroPro::WriteDimensions(int32_t rows, int32_t columns) {
  Write(LotusDimensions(rows, columns));
}

void TVoRExportToQuattroPro::WriteCell(TVoRCellType cellType, const TVoRMFERecord*, TColor,
                                       uint8_t alignment, const std::string& text, int32_t column,
                                       int32_t row) {
  Write(LotusCell(kQuattroFormats, true, cellType, alignment, text, column, row));
}

}  // namespace qr2vor
