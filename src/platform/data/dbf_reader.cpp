#include "platform/data/dbf_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace qr2vor {

namespace {

constexpr size_t kBufferBytes = 64 * 1024;
constexpr uint32_t kMinHeaderLength = 32 + 1;

uint32_t Le16(const unsigned char* p) { return p[0] | p[1] << 8; }
uint32_t Le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint32_t Be32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
int64_t Le64(const unsigned char* p) {
  return static_cast<int64_t>(Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32);
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

bool IsVisualFoxPro(uint8_t version) { return version >= 0x30 && version <= 0x32; }

// Reads exactly `count` bytes at `offset`; false when the source ends first.
bool ReadExactly(CsvSource& source, uint64_t offset, char* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    size_t got = source.ReadAt(offset + done, buffer + done, count - done);
    if (got == 0) return false;
    done += got;
  }
  return true;
}

}  // namespace

int DbfLanguageDriverCodePage(uint8_t driver) {
  switch (driver) {
    case 0x01:
      return 437;
    case 0x02:
      return 850;
    case 0x03:
    case 0x57:
      return 1252;
    case 0x64:
      return 852;
    case 0x65:
      return 866;
    case 0x66:
      return 865;
    case 0x67:
      return 861;
    case 0xC8:
      return 1250;
    case 0xC9:
      return 1251;
    case 0xCA:
      return 1254;
    case 0xCB:
      return 1253;
    case 0x4D:
      return 936;
    case 0x4E:
      return 949;
    case 0x4F:
      return 950;
    case 0x13:
      return 932;
    default:
      return 0;
  }
}

DbfTable::DbfTable(std::string name, std::unique_ptr<CsvSource> source, std::string memoName,
                   std::unique_ptr<CsvSource> memo)
    : name_(std::move(name)),
      source_(std::move(source)),
      memoName_(std::move(memoName)),
      memo_(std::move(memo)) {
  ReadHeader();
  ReadDeletionMarks();
  ReadMemoHeader();
}

DbfTable::~DbfTable() = default;

void DbfTable::Fail(const std::string& cause) const {
  throw EDatabaseError("{}: {}", name_, cause);
}

void DbfTable::FailValue(int column, const std::string& cause) const {
  throw EDatabaseError("{}: record {}, field '{}': {}", name_, current_ + 1,
                       columns_[static_cast<size_t>(column)].name, cause);
}

void DbfTable::ReadHeader() {
  unsigned char head[32];
  if (!ReadExactly(*source_, 0, reinterpret_cast<char*>(head), sizeof head)) {
    Fail("not a dBase table: the file is shorter than a table header");
  }
  version_ = head[0];
  const uint8_t level = version_ & 0x07;
  if (!IsVisualFoxPro(version_) && level != 3 && level != 4 && level != 2) {
    Fail(fmt::format("not a dBase table: unknown version byte 0x{:02X}", version_));
  }
  foxPro_ = IsVisualFoxPro(version_) || version_ == 0xF5 || version_ == 0xFB;
  physicalCount_ = Le32(head + 4);
  headerLength_ = Le16(head + 8);
  recordLength_ = Le16(head + 10);
  codePage_ = DbfLanguageDriverCodePage(head[29]);
  if (headerLength_ < kMinHeaderLength) {
    Fail(fmt::format("not a dBase table: header length {} is too small", headerLength_));
  }
  if (recordLength_ < 2) Fail(fmt::format("invalid record length {}", recordLength_));
  std::string header(headerLength_, '\0');
  if (!ReadExactly(*source_, 0, header.data(), header.size())) {
    Fail(fmt::format("the file is truncated: it ends inside its {}-byte header", headerLength_));
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(header.data());
  uint32_t offset = 1;
  for (size_t pos = 32; pos < header.size() && bytes[pos] != 0x0D; pos += 32) {
    if (pos + 32 > header.size()) Fail("a field description runs past the header");
    const unsigned char* desc = bytes + pos;
    std::string_view rawName(reinterpret_cast<const char*>(desc), 11);
    rawName = TrimSpaces(rawName.substr(0, rawName.find('\0')));
    const char type = static_cast<char>(std::toupper(desc[11]));
    const uint32_t length = desc[16];
    const int decimals = desc[17];
    const std::string fieldName = TableTextToAnsi(rawName, codePage_, lostCharacters_);
    if (length == 0) Fail(fmt::format("field '{}' has length 0", fieldName));
    if (offset + length > recordLength_) {
      Fail(fmt::format("field '{}' ends past the {}-byte record", fieldName, recordLength_));
    }
    const uint32_t fieldOffset = offset - 1;
    offset += length;
    // Visual FoxPro's hidden field of null flags.
    if (type == '0') continue;
    if (rawName.empty()) Fail(fmt::format("field {} has no name", fields_.size() + 1));
    const bool visual = IsVisualFoxPro(version_);
    TFieldType dataType = ftUnknown;
    uint32_t fixedLength = 0;
    switch (type) {
      case 'C':
        dataType = ftString;
        break;
      case 'N':
      case 'F':
        dataType = type == 'N' && decimals == 0 && length < 10 ? ftInteger : ftFloat;
        break;
      case 'D':
        dataType = ftDate;
        fixedLength = 8;
        break;
      case 'L':
        dataType = ftBoolean;
        fixedLength = 1;
        break;
      case 'M':
        dataType = ftMemo;
        break;
      case 'G':
        dataType = ftBlob;
        break;
      case 'B':
        dataType = visual ? ftFloat : ftBlob;
        if (visual) fixedLength = 8;
        break;
      case 'I':
        dataType = ftInteger;
        fixedLength = 4;
        break;
      case 'Y':
        dataType = ftCurrency;
        fixedLength = 8;
        break;
      case 'T':
        dataType = ftDateTime;
        fixedLength = 8;
        break;
      default:
        Fail(fmt::format("field '{}' has type '{}', which cannot be read", fieldName,
                         std::isprint(static_cast<unsigned char>(type))
                             ? std::string(1, type)
                             : fmt::format("\\x{:02X}", static_cast<uint8_t>(type))));
    }
    if (IsBlobType(dataType) && length != 10 && length != 4) fixedLength = 10;
    if (fixedLength != 0 && length != fixedLength) {
      Fail(fmt::format("field '{}' of type '{}' has length {} instead of {}", fieldName, type,
                       length, fixedLength));
    }
    for (const TableColumn& other : columns_) {
      if (SameText(other.name, fieldName)) {
        Fail(fmt::format("duplicate field name '{}'", fieldName));
      }
    }
    fields_.push_back({type, fieldOffset, length, decimals});
    columns_.push_back({fieldName, dataType, dataType == ftString ? static_cast<int>(length) : 0});
  }
  if (columns_.empty()) Fail("the table has no fields");
}

void DbfTable::ReadMemoHeader() {
  const bool hasMemo = std::any_of(columns_.begin(), columns_.end(),
                                   [](const TableColumn& c) { return IsBlobType(c.dataType); });
  if (!hasMemo) return;
  if (!memo_) Fail(fmt::format("the memo file {} is missing", memoName_));
  unsigned char memoHead[32];
  if (!ReadExactly(*memo_, 0, reinterpret_cast<char*>(memoHead), sizeof memoHead)) {
    throw EDatabaseError("{}: not a memo file: shorter than its header", memoName_);
  }
  if (foxPro_) {
    memoBlockSize_ = memoHead[6] << 8 | memoHead[7];
  } else {
    const uint32_t declared = Le16(memoHead + 20);
    // dBase IV gives its block size; dBase III blocks are 512 bytes.
    memoBlockSize_ = version_ != 0x83 && declared != 0 ? declared : 512;
  }
  if (memoBlockSize_ == 0) throw EDatabaseError("{}: memo block size 0", memoName_);
}

void DbfTable::ReadDeletionMarks() {
  const uint64_t end = headerLength_ + static_cast<uint64_t>(physicalCount_) * recordLength_;
  char last = 0;
  if (physicalCount_ > 0 && !ReadExactly(*source_, end - 1, &last, 1)) {
    int64_t held = 0;
    char probe = 0;
    // The number of whole records the file holds, found by halving.
    for (int64_t low = 0, high = physicalCount_; low < high;) {
      const int64_t middle = low + (high - low + 1) / 2;
      if (ReadExactly(*source_, headerLength_ + static_cast<uint64_t>(middle) * recordLength_ - 1,
                      &probe, 1)) {
        low = held = middle;
      } else {
        high = middle - 1;
      }
    }
    Fail(fmt::format("the file is truncated: the header announces {} records, it holds {}",
                     physicalCount_, held));
  }
  bool anyDeleted = false;
  for (int64_t physical = 0; physical < physicalCount_; physical += bufferCount_) {
    Fill(physical);
    for (int64_t i = 0; i < bufferCount_; ++i) {
      const bool deleted = buffer_[static_cast<size_t>(i) * recordLength_] == '*';
      if (deleted && !anyDeleted) {
        anyDeleted = true;
        live_.reserve(static_cast<size_t>(physicalCount_));
        for (int64_t before = 0; before < physical + i; ++before) {
          live_.push_back(static_cast<uint32_t>(before));
        }
      }
      if (anyDeleted && !deleted) live_.push_back(static_cast<uint32_t>(physical + i));
    }
  }
  if (anyDeleted) live_.shrink_to_fit();
  hasDeleted_ = anyDeleted;
}

int64_t DbfTable::RecordCount() const {
  return hasDeleted_ ? static_cast<int64_t>(live_.size()) : physicalCount_;
}

void DbfTable::Fill(int64_t physical) {
  const int64_t perBuffer = std::max<int64_t>(1, kBufferBytes / recordLength_);
  const int64_t count = std::min(perBuffer, physicalCount_ - physical);
  buffer_.resize(static_cast<size_t>(count) * recordLength_);
  bufferCount_ = 0;
  if (!ReadExactly(*source_, headerLength_ + static_cast<uint64_t>(physical) * recordLength_,
                   buffer_.data(), buffer_.size())) {
    Fail("the file ended early; it changed after opening");
  }
  bufferStart_ = physical;
  bufferCount_ = count;
}

bool DbfTable::Seek(int64_t record) {
  if (record < 0 || record >= RecordCount()) return false;
  const int64_t physical = hasDeleted_ ? live_[static_cast<size_t>(record)] : record;
  if (physical < bufferStart_ || physical >= bufferStart_ + bufferCount_) {
    current_ = -1;
    Fill(physical);
  }
  current_ = physical;
  return true;
}

Variant DbfTable::Value(int column) const {
  const Field& field = fields_[static_cast<size_t>(column)];
  const char* record =
      buffer_.data() + static_cast<size_t>(current_ - bufferStart_) * recordLength_ + 1;
  const std::string_view cell(record + field.offset, field.length);
  const auto* raw = reinterpret_cast<const unsigned char*>(cell.data());
  switch (field.type) {
    case 'C': {
      std::string_view text = cell;
      while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
      if (text.empty()) return Variant::Null();
      return TableTextToAnsi(text, codePage_, lostCharacters_);
    }
    case 'N':
    case 'F': {
      std::string_view text = TrimSpaces(cell);
      if (text.empty()) return Variant::Null();
      const char* end = text.data() + text.size();
      const char* first = text.data() + (text.front() == '+' ? 1 : 0);
      if (columns_[static_cast<size_t>(column)].dataType == ftInteger) {
        int64_t number = 0;
        auto [ptr, error] = std::from_chars(first, end, number);
        if (error == std::errc() && ptr == end) return number;
      } else {
        double number = 0;
        auto [ptr, error] = std::from_chars(first, end, number);
        if (error == std::errc() && ptr == end) return number;
      }
      FailValue(column, fmt::format("'{}' is not a number", text));
    }
    case 'D': {
      std::string_view text = TrimSpaces(cell);
      if (text.empty() || text == "00000000") return Variant::Null();
      int parts[3] = {};
      const int widths[3] = {4, 2, 2};
      bool valid = text.size() == 8;
      for (size_t i = 0, at = 0; i < 3 && valid; at += static_cast<size_t>(widths[i]), ++i) {
        auto [ptr, error] =
            std::from_chars(text.data() + at, text.data() + at + widths[i], parts[i]);
        valid = error == std::errc() && ptr == text.data() + at + widths[i] && parts[i] >= 0;
      }
      if (valid) {
        try {
          return Variant::FromDate(EncodeDate(parts[0], parts[1], parts[2]));
        } catch (const EConvertError&) {
        }
      }
      FailValue(column, fmt::format("'{}' is not a date", text));
    }
    case 'L':
      switch (cell[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          return true;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          return false;
        case ' ':
        case '?':
        case '\0':
          return Variant::Null();
        default:
          FailValue(column, fmt::format("'{}' is not a logical value", cell[0]));
      }
    case 'I':
      return static_cast<int64_t>(static_cast<int32_t>(Le32(raw)));
    case 'Y':
      return Currency{Le64(raw)};
    case 'T': {
      const auto day = static_cast<int32_t>(Le32(raw));
      const uint32_t milliseconds = Le32(raw + 4);
      if (day == 0 && milliseconds == 0) return Variant::Null();
      if (milliseconds >= 86'400'000u || day < 1721426 || day > 5373484) {
        FailValue(column, "not a date-time");
      }
      // Julian day 2415019 is 30 December 1899, day 0 of a date-time.
      return Variant::FromDate(static_cast<double>(day - 2415019) + milliseconds / 86'400'000.0);
    }
    case 'B':
      if (IsVisualFoxPro(version_)) {
        uint64_t bits = static_cast<uint32_t>(Le32(raw)) | static_cast<uint64_t>(Le32(raw + 4))
                                                               << 32;
        double number = 0;
        std::memcpy(&number, &bits, sizeof number);
        return number;
      }
      [[fallthrough]];
    default: {
      std::string bytes = ReadMemo(field, cell, column);
      if (bytes.empty()) return Variant::Null();
      if (field.type == 'M') return TableTextToAnsi(bytes, codePage_, lostCharacters_);
      return bytes;
    }
  }
}

std::string DbfTable::ReadMemo(const Field& field, std::string_view cell, int column) const {
  uint64_t block = 0;
  if (field.length == 4) {
    block = Le32(reinterpret_cast<const unsigned char*>(cell.data()));
  } else {
    std::string_view text = TrimSpaces(cell);
    if (text.empty()) return {};
    auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), block);
    if (error != std::errc() || ptr != text.data() + text.size()) {
      FailValue(column, fmt::format("'{}' is not a memo block number", text));
    }
  }
  if (block == 0) return {};
  const uint64_t start = block * memoBlockSize_;
  const auto fail = [&](const std::string& cause) {
    throw EDatabaseError("{}: memo block {} of record {}, field '{}': {}", memoName_, block,
                         current_ + 1, columns_[static_cast<size_t>(column)].name, cause);
  };
  unsigned char head[8];
  const bool hasHead = ReadExactly(*memo_, start, reinterpret_cast<char*>(head), sizeof head);
  uint64_t length = 0;
  uint64_t dataStart = start + 8;
  if (foxPro_ || (hasHead && Le32(head) == 0x0008FFFFu)) {
    if (!hasHead) fail("past the end of the memo file");
    length = foxPro_ ? Be32(head + 4) : Le32(head + 4);
    if (!foxPro_) {
      // dBase IV counts the 8 bytes of the block's head in the length.
      if (length < 8) fail(fmt::format("invalid memo length {}", length));
      length -= 8;
    }
    if (length > kMaxMemoBytes) fail(fmt::format("memo longer than {} bytes", kMaxMemoBytes));
    // The memo's last byte is checked first, so that a damaged length allocates nothing.
    char last = 0;
    std::string bytes;
    if (length > 0 && !ReadExactly(*memo_, dataStart + length - 1, &last, 1)) {
      fail("the memo file is truncated");
    }
    bytes.resize(static_cast<size_t>(length));
    if (!ReadExactly(*memo_, dataStart, bytes.data(), bytes.size())) {
      fail("the memo file is truncated");
    }
    return bytes;
  }
  // dBase III: the text runs to a 0x1A mark.
  dataStart = start;
  std::string bytes;
  char chunk[4096];
  for (;;) {
    const size_t got = memo_->ReadAt(dataStart + bytes.size(), chunk, sizeof chunk);
    if (got == 0) fail("the memo has no end mark; the memo file is truncated");
    const char* mark = static_cast<const char*>(std::memchr(chunk, 0x1A, got));
    bytes.append(chunk, mark != nullptr ? static_cast<size_t>(mark - chunk) : got);
    if (bytes.size() > kMaxMemoBytes) fail(fmt::format("memo longer than {} bytes", kMaxMemoBytes));
    if (mark != nullptr) return bytes;
  }
}

std::unique_ptr<DbfTable> OpenDbfFile(const std::string& path) {
  std::unique_ptr<CsvSource> source = OpenCsvFileSource(path);
  char version = 0;
  source->ReadAt(0, &version, 1);
  const auto v = static_cast<uint8_t>(version);
  const bool foxPro = IsVisualFoxPro(v) || v == 0xF5 || v == 0xFB;
  std::filesystem::path memoPath(path);
  std::string memoName = memoPath.replace_extension(foxPro ? ".fpt" : ".dbt").string();
  std::unique_ptr<CsvSource> memo;
  const char* const foxProMemos[] = {".fpt", ".FPT"};
  const char* const dBaseMemos[] = {".dbt", ".DBT"};
  for (const char* extension : foxPro ? foxProMemos : dBaseMemos) {
    memoPath.replace_extension(extension);
    struct stat status {};
    if (::stat(memoPath.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      memoName = memoPath.string();
      memo = OpenCsvFileSource(memoName);
      break;
    }
  }
  return std::make_unique<DbfTable>(path, std::move(source), memoName, std::move(memo));
}

}  // namespace qr2vor
