#include "platform/data/csv_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "platform/data/field_parse.h"
#include "platform/data/file_table.h"
#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

class FileSource : public CsvSource {
 public:
  FileSource(std::string path, int descriptor) : path_(std::move(path)), descriptor_(descriptor) {}
  ~FileSource() override { ::close(descriptor_); }

  size_t ReadAt(uint64_t offset, char* buffer, size_t count) override {
    for (;;) {
      ssize_t read = ::pread(descriptor_, buffer, count, static_cast<off_t>(offset));
      if (read >= 0) return static_cast<size_t>(read);
      if (errno != EINTR) {
        throw EDatabaseError("{}: read error: {}", path_, std::strerror(errno));
      }
    }
  }

 private:
  std::string path_;
  int descriptor_;
};

class MemorySource : public CsvSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}

  size_t ReadAt(uint64_t offset, char* buffer, size_t count) override {
    if (offset >= bytes_.size()) return 0;
    size_t n = std::min<size_t>(count, bytes_.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }

 private:
  std::string bytes_;
};

// The column types a header may declare: those with a text form.
bool HasTextForm(TFieldType type) {
  switch (type) {
    case ftString:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftAutoInc:
    case ftMemo:
    case ftFmtMemo:
      return true;
    default:
      return false;
  }
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsTextType(TFieldType type) { return type == ftString || type == ftMemo || type == ftFmtMemo; }

// What the values of an undeclared column could all be.
struct TypeGuess {
  bool integer = true;
  bool number = true;
  bool boolean = true;
  bool date = true;
  bool time = true;
  bool dateTime = true;
  bool anyValue = false;
  size_t maxLength = 0;

  void Add(std::string_view text) {
    Variant ignored;
    anyValue = true;
    integer = integer && TryParseFieldValue(text, ftInteger, ignored);
    number = number && TryParseFieldValue(text, ftFloat, ignored);
    boolean = boolean && TryParseFieldValue(text, ftBoolean, ignored);
    date = date && TryParseFieldValue(text, ftDate, ignored);
    time = time && TryParseFieldValue(text, ftTime, ignored);
    dateTime = dateTime && TryParseFieldValue(text, ftDateTime, ignored);
  }

  TFieldType Type() const {
    if (!anyValue) return ftString;
    if (integer) return ftInteger;
    if (number) return ftFloat;
    if (boolean) return ftBoolean;
    if (date) return ftDate;
    if (time) return ftTime;
    if (dateTime) return ftDateTime;
    return maxLength > static_cast<size_t>(CsvTable::kMaxStringSize) ? ftMemo : ftString;
  }
};

}  // namespace

std::unique_ptr<CsvSource> OpenCsvFileSource(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    if (descriptor >= 0) ::close(descriptor);
    throw EDatabaseError(fmt::runtime(msg::kFOpen), path);
  }
  return std::make_unique<FileSource>(path, descriptor);
}

std::unique_ptr<CsvSource> CsvMemorySource(std::string bytes) {
  return std::make_unique<MemorySource>(std::move(bytes));
}

// Buffered reading with the line and column (both from 1) of the next byte.
class CsvTable::Cursor {
 public:
  static constexpr size_t kBufferSize = 64 * 1024;

  explicit Cursor(std::unique_ptr<CsvSource> source)
      : source_(std::move(source)), buffer_(kBufferSize) {}

  void Seek(uint64_t offset, int64_t line) {
    if (offset >= start_ && offset < start_ + end_) {
      pos_ = static_cast<size_t>(offset - start_);
    } else {
      start_ = offset;
      pos_ = end_ = 0;
    }
    line_ = line;
    column_ = 1;
  }

  int Peek() {
    if (pos_ == end_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_]);
  }
  void Skip() {
    ++pos_;
    ++column_;
  }
  void NewLine() {
    ++line_;
    column_ = 1;
  }
  uint64_t Offset() const { return start_ + pos_; }
  int64_t Line() const { return line_; }
  int64_t Column() const { return column_; }

 private:
  bool Fill() {
    start_ += end_;
    pos_ = 0;
    end_ = source_->ReadAt(start_, buffer_.data(), buffer_.size());
    return end_ > 0;
  }

  std::unique_ptr<CsvSource> source_;
  std::vector<char> buffer_;
  uint64_t start_ = 0;  // file offset of buffer_[0]
  size_t pos_ = 0;
  size_t end_ = 0;
  int64_t line_ = 1;
  int64_t column_ = 1;
};

CsvTable::CsvTable(std::string name, std::unique_ptr<CsvSource> source)
    : name_(std::move(name)), cursor_(std::make_unique<Cursor>(std::move(source))) {
  ReadHeader();
  Scan();
}

CsvTable::~CsvTable() = default;

void CsvTable::Fail(int64_t line, int64_t column, const std::string& cause) const {
  throw EDatabaseError("{}: line {}, column {}: {}", name_, line, column, cause);
}

bool CsvTable::ReadRecord() {
  Cursor& in = *cursor_;
  const size_t maxCells = columns_.empty() ? kMaxColumns : columns_.size();
  for (;;) {
    cellCount_ = 0;
    if (in.Peek() < 0) return false;
    for (;;) {
      if (cellCount_ == maxCells) {
        Fail(in.Line(), in.Column(),
             columns_.empty() ? fmt::format("more than {} columns", kMaxColumns)
                              : fmt::format("more than the {} fields of the header", maxCells));
      }
      if (cellCount_ == cells_.size()) cells_.emplace_back();
      Cell& cell = cells_[cellCount_++];
      cell.text.clear();
      cell.line = in.Line();
      cell.column = in.Column();
      cell.quoted = in.Peek() == '"';
      if (cell.quoted) {
        in.Skip();
        for (;;) {
          int c = in.Peek();
          if (c < 0) Fail(cell.line, cell.column, "quoted field not closed");
          in.Skip();
          if (c == '"') {
            if (in.Peek() != '"') break;
            in.Skip();
          } else if (c == '\n' || (c == '\r' && in.Peek() != '\n')) {
            in.NewLine();
          }
          if (cell.text.size() == kMaxFieldBytes) {
            Fail(cell.line, cell.column, fmt::format("field longer than {} bytes", kMaxFieldBytes));
          }
          cell.text += static_cast<char>(c);
        }
        int c = in.Peek();
        if (c >= 0 && c != ',' && c != '\r' && c != '\n') {
          Fail(in.Line(), in.Column(), "unexpected character after a closing quote");
        }
      } else {
        for (int c = in.Peek(); c >= 0 && c != ',' && c != '\r' && c != '\n'; c = in.Peek()) {
          if (c == '"') Fail(in.Line(), in.Column(), "quote inside an unquoted field");
          if (cell.text.size() == kMaxFieldBytes) {
            Fail(cell.line, cell.column, fmt::format("field longer than {} bytes", kMaxFieldBytes));
          }
          cell.text += static_cast<char>(c);
          in.Skip();
        }
      }
      if (!IsAscii(cell.text)) {
        cell.text = Utf8ToAnsi(cell.text, scanned_ ? nullptr : &lostCharacters_);
      }
      int c = in.Peek();
      if (c < 0) break;
      in.Skip();
      if (c == ',') continue;
      if (c == '\r' && in.Peek() == '\n') in.Skip();
      in.NewLine();
      break;
    }
    bool blankLine = cellCount_ == 1 && !cells_[0].quoted && cells_[0].text.empty();
    if (!(blankLine && columns_.size() > 1)) return true;
  }
}

void CsvTable::ReadHeader() {
  if (cursor_->Peek() == 0xEF) {
    // A UTF-8 byte order mark before the header.
    char bom[3] = {};
    for (char& c : bom) {
      c = static_cast<char>(cursor_->Peek());
      cursor_->Skip();
    }
    if (std::memcmp(bom, "\xEF\xBB\xBF", 3) != 0) cursor_->Seek(0, 1);
  }
  if (!ReadRecord()) Fail(1, 1, "no header row");
  for (size_t i = 0; i < cellCount_; ++i) {
    const Cell& cell = cells_[i];
    CsvColumn column{cell.text, ftUnknown, 0};
    if (size_t colon = cell.text.rfind(':'); colon != std::string::npos) {
      std::string_view declared = std::string_view(cell.text).substr(colon + 1);
      std::string_view typeName = declared.substr(0, declared.find('('));
      for (int t = ftUnknown; t <= ftTypedBinary; ++t) {
        if (!SameText(typeName, FieldTypeName(static_cast<TFieldType>(t)))) continue;
        auto type = static_cast<TFieldType>(t);
        if (!HasTextForm(type)) {
          Fail(cell.line, cell.column, fmt::format("type {} cannot be read from text", typeName));
        }
        column.name = cell.text.substr(0, colon);
        column.dataType = type;
        if (typeName.size() != declared.size()) {
          std::string_view sizeText = declared.substr(typeName.size());
          int size = 0;
          bool valid = type == ftString && sizeText.size() > 2 && sizeText.back() == ')';
          for (char c : valid ? sizeText.substr(1, sizeText.size() - 2) : "") {
            valid = valid && c >= '0' && c <= '9' && size <= kMaxStringSize;
            size = size * 10 + (c - '0');
          }
          if (!valid || size < 1 || size > kMaxStringSize) {
            Fail(cell.line, cell.column, fmt::format("invalid column type '{}'", declared));
          }
          column.size = size;
        }
        break;
      }
    }
    if (column.name.empty()) Fail(cell.line, cell.column, "empty column name");
    for (const CsvColumn& other : columns_) {
      if (SameText(other.name, column.name)) {
        Fail(cell.line, cell.column, fmt::format("duplicate column name '{}'", column.name));
      }
    }
    columns_.push_back(std::move(column));
  }
}

void CsvTable::CheckRecord() {
  if (cellCount_ == columns_.size()) return;
  const Cell& last = cells_[cellCount_ - 1];
  Fail(last.line, last.column + static_cast<int64_t>(last.text.size()),
       fmt::format("{} fields where the header has {}", cellCount_, columns_.size()));
}

void CsvTable::Scan() {
  std::vector<TypeGuess> guesses(columns_.size());
  for (;;) {
    if (recordCount_ % kCheckpointInterval == 0) {
      checkpoints_.push_back({cursor_->Offset(), cursor_->Line()});
    }
    if (!ReadRecord()) break;
    CheckRecord();
    for (size_t i = 0; i < columns_.size(); ++i) {
      const Cell& cell = cells_[i];
      CsvColumn& column = columns_[i];
      guesses[i].maxLength = std::max(guesses[i].maxLength, cell.text.size());
      if (cell.text.empty()) continue;
      if (column.dataType == ftUnknown) {
        guesses[i].Add(cell.text);
        continue;
      }
      Variant ignored;
      if (!TryParseFieldValue(cell.text, column.dataType, ignored)) {
        Fail(cell.line, cell.column,
             fmt::format("'{}' is not a valid {} value for field '{}'", cell.text,
                         FieldTypeName(column.dataType), column.name));
      }
      if (column.dataType == ftString && column.size > 0 &&
          cell.text.size() > static_cast<size_t>(column.size)) {
        Fail(cell.line, cell.column,
             fmt::format("value longer than the {} characters of field '{}'", column.size,
                         column.name));
      }
    }
    ++recordCount_;
  }
  for (size_t i = 0; i < columns_.size(); ++i) {
    CsvColumn& column = columns_[i];
    const size_t longest = std::max<size_t>(guesses[i].maxLength, 1);
    if (column.dataType == ftUnknown) column.dataType = guesses[i].Type();
    if (column.dataType == ftString && column.size == 0) {
      if (longest > static_cast<size_t>(kMaxStringSize)) {
        throw EDatabaseError(
            "{}: field '{}' holds values longer than {} characters; declare it "
            "as Memo",
            name_, column.name, kMaxStringSize);
      }
      column.size = static_cast<int>(longest);
    }
  }
  nextRecord_ = recordCount_;
  scanned_ = true;
}

void CsvTable::OrderBy(const std::vector<int>& columns) {
  if (columns.empty()) return;
  struct Entry {
    std::vector<Variant> keys;
    int64_t record;
  };
  std::vector<Entry> entries;
  std::vector<Checkpoint> starts;
  entries.reserve(static_cast<size_t>(recordCount_));
  starts.reserve(static_cast<size_t>(recordCount_));
  size_t bytes = 0;
  const size_t recordBytes = sizeof(Entry) + sizeof(Checkpoint) + sizeof(int64_t);
  cursor_->Seek(checkpoints_.front().offset, checkpoints_.front().line);
  nextRecord_ = 0;
  current_ = -1;
  for (int64_t record = 0; record < recordCount_; ++record) {
    starts.push_back({cursor_->Offset(), cursor_->Line()});
    if (!ReadRecord()) {
      Fail(cursor_->Line(), cursor_->Column(), "the file ended early; it changed after opening");
    }
    CheckRecord();
    ++nextRecord_;
    Entry entry{{}, record};
    bytes += recordBytes;
    for (int column : columns) {
      entry.keys.push_back(Value(column));
      bytes += sizeof(Variant) + cells_[static_cast<size_t>(column)].text.size();
    }
    if (bytes > kMaxOrderBytes) {
      throw EDatabaseError("{}: the keys to order by take more than {} MiB", name_,
                           kMaxOrderBytes >> 20);
    }
    entries.push_back(std::move(entry));
  }
  // Records with equal keys keep the file's order.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return KeysBefore(a.keys, b.keys); });
  order_.clear();
  order_.reserve(entries.size());
  for (const Entry& entry : entries) order_.push_back(entry.record);
  recordStarts_ = std::move(starts);
}

bool CsvTable::Seek(int64_t record) {
  if (record < 0 || record >= recordCount_) return false;
  if (record == current_) return true;
  const int64_t physical = order_.empty() ? record : order_[static_cast<size_t>(record)];
  try {
    if (!order_.empty() && physical != nextRecord_) {
      const Checkpoint& start = recordStarts_[static_cast<size_t>(physical)];
      cursor_->Seek(start.offset, start.line);
      nextRecord_ = physical;
    } else if (physical != nextRecord_) {
      const Checkpoint& checkpoint =
          checkpoints_[static_cast<size_t>(physical / kCheckpointInterval)];
      cursor_->Seek(checkpoint.offset, checkpoint.line);
      nextRecord_ = physical - physical % kCheckpointInterval;
    }
    current_ = -1;
    while (nextRecord_ <= physical) {
      if (!ReadRecord()) {
        Fail(cursor_->Line(), cursor_->Column(), "the file ended early; it changed after opening");
      }
      CheckRecord();
      ++nextRecord_;
    }
  } catch (...) {
    nextRecord_ = -1;
    throw;
  }
  current_ = record;
  return true;
}

Variant CsvTable::Value(int column) const {
  const Cell& cell = cells_[static_cast<size_t>(column)];
  const CsvColumn& type = columns_[static_cast<size_t>(column)];
  if (cell.text.empty() && !(cell.quoted && IsTextType(type.dataType))) return Variant::Null();
  Variant value;
  if (!TryParseFieldValue(cell.text, type.dataType, value)) {
    Fail(cell.line, cell.column,
         fmt::format("'{}' is not a valid {} value for field '{}'", cell.text,
                     FieldTypeName(type.dataType), type.name));
  }
  return value;
}

}  // namespace qr2vor
