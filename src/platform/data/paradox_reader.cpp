#include "platform/data/paradox_reader.h"

#include <sys/stat.h>

// pxlib's header declares C functions without saying so.
extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <mutex>

#include <fmt/format.h>

#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace qr2vor {

namespace {

// Days from 1 January 0001 (day 1 of a Paradox date) to 30 December 1899 (day 0 of a date-time).
constexpr double kDateDelta = 693594;
constexpr double kMillisecondsPerDay = 86'400'000;

void KeepError(pxdoc_t*, int level, const char* message, void* data) {
  auto& error = *static_cast<std::string*>(data);
  if (level != PX_Warning && error.empty()) error = message != nullptr ? message : "unknown error";
}

TFieldType FieldType(int type) {
  switch (type) {
    case pxfAlpha:
      return ftString;
    case pxfDate:
      return ftDate;
    case pxfShort:
      return ftSmallint;
    case pxfLong:
      return ftInteger;
    case pxfCurrency:
      return ftCurrency;
    case pxfNumber:
      return ftFloat;
    case pxfLogical:
      return ftBoolean;
    case pxfMemoBLOb:
      return ftMemo;
    case pxfBLOb:
      return ftBlob;
    case pxfFmtMemoBLOb:
      return ftFmtMemo;
    case pxfOLE:
      return ftParadoxOle;
    case pxfGraphic:
      return ftGraphic;
    case pxfTime:
      return ftTime;
    case pxfTimestamp:
      return ftDateTime;
    case pxfAutoInc:
      return ftAutoInc;
    case pxfBCD:
      return ftBCD;
    case pxfBytes:
      return ftBytes;
    default:
      return ftUnknown;
  }
}

uint32_t Le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Reads exactly `count` bytes at `offset`; false when the source ends first.
bool ReadFully(CsvSource& source, uint64_t offset, void* buffer, size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  for (size_t done = 0; done < count;) {
    const size_t got = source.ReadAt(offset + done, bytes + done, count - done);
    if (got == 0) return false;
    done += got;
  }
  return true;
}

bool IsRegularFile(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Memory pxlib hands out, returned to it when done.
class PxMemory {
 public:
  explicit PxMemory(pxdoc_t* doc) : doc_(doc) {}
  ~PxMemory() {
    if (data_ != nullptr) doc_->free(doc_, data_);
  }
  char** Out() { return &data_; }
  const char* Data() const { return data_; }

 private:
  pxdoc_t* doc_;
  char* data_ = nullptr;
};

}  // namespace

ParadoxTable::ParadoxTable(const std::string& path) : name_(path) {
  static std::once_flag booted;
  std::call_once(booted, [] { PX_boot(); });
  doc_ = PX_new3(KeepError, nullptr, nullptr, nullptr, &error_);
  if (doc_ == nullptr) Fail("out of memory");
  try {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
      Fail("cannot open the file");
    }
    if (PX_open_file(doc_, path.c_str()) < 0 || doc_->px_head == nullptr) {
      Fail(fmt::format("not a Paradox table: {}", error_.empty() ? "unreadable header" : error_));
    }
    const pxhead_t& head = *doc_->px_head;
    if (head.px_filetype != pxfFileTypIndexDB && head.px_filetype != pxfFileTypNonIndexDB) {
      Fail("not a Paradox table: an index file");
    }
    codePage_ = IsSupportedCodePage(head.px_doscodepage) ? head.px_doscodepage : 0;
    recordCount_ = std::max(0, head.px_numrecords);
    if (head.px_recordsize <= 0 || head.px_numfields <= 0) Fail("the table has no fields");
    record_.resize(static_cast<size_t>(head.px_recordsize));
    int offset = 0;
    bool hasBlobs = false;
    for (int i = 0; i < head.px_numfields; ++i) {
      const pxfield_t& field = head.px_fields[i];
      const TFieldType type = FieldType(field.px_ftype);
      std::string fieldName = TableTextToAnsi(field.px_fname != nullptr ? field.px_fname : "",
                                              codePage_, lostCharacters_);
      if (type == ftUnknown) {
        Fail(fmt::format("field '{}' has type {}, which cannot be read", fieldName,
                         static_cast<int>(field.px_ftype)));
      }
      if (field.px_flen <= 0 || offset + field.px_flen > head.px_recordsize) {
        Fail(fmt::format("field '{}' ends past the {}-byte record", fieldName, head.px_recordsize));
      }
      hasBlobs = hasBlobs || IsBlobType(type);
      fields_.push_back({field.px_ftype, offset, field.px_flen});
      columns_.push_back({std::move(fieldName), type, type == ftString ? field.px_flen : 0});
      offset += field.px_flen;
    }
    if (head.px_filetype == pxfFileTypIndexDB) {
      for (int i = 0; i < std::min(head.px_primarykeyfields, head.px_numfields); ++i) {
        keyColumns_.push_back(i);
      }
    }
    if (hasBlobs) {
      std::filesystem::path memo(path);
      std::string found;
      for (const char* extension : {".mb", ".MB"}) {
        if (IsRegularFile(memo.replace_extension(extension))) {
          found = memo.string();
          break;
        }
      }
      if (found.empty()) {
        Fail(fmt::format("the memo file {} is missing", memo.replace_extension(".mb").string()));
      }
      memoName_ = found;
      memo_ = OpenCsvFileSource(found);
      char type = 1;
      if (memo_->ReadAt(0, &type, 1) != 1 || type != 0) {
        throw EDatabaseError("{}: not a Paradox memo file", found);
      }
    }
  } catch (...) {
    PX_delete(doc_);
    throw;
  }
}

ParadoxTable::~ParadoxTable() { PX_delete(doc_); }

void ParadoxTable::Fail(const std::string& cause) const {
  throw EDatabaseError("{}: {}", name_, cause);
}

void ParadoxTable::FailValue(int column, const std::string& cause) const {
  throw EDatabaseError("{}: record {}, field '{}': {}", name_, current_ + 1,
                       columns_[static_cast<size_t>(column)].name, cause);
}

bool ParadoxTable::Seek(int64_t record) {
  if (record < 0 || record >= recordCount_) return false;
  if (record == current_) return true;
  current_ = -1;
  error_.clear();
  if (PX_get_record(doc_, static_cast<int>(record), record_.data()) == nullptr) {
    Fail(fmt::format("record {} cannot be read: {}", record + 1,
                     error_.empty() ? "the file is damaged" : error_));
  }
  current_ = record;
  return true;
}

Variant ParadoxTable::Value(int column) const {
  const Field& field = fields_[static_cast<size_t>(column)];
  char* data = const_cast<char*>(record_.data()) + field.offset;
  // A field of zero bytes holds no value (pxlib reads a zero long as -2^31).
  if (std::all_of(data, data + field.length, [](char c) { return c == 0; })) {
    return Variant::Null();
  }
  error_.clear();
  const auto check = [&](int result) {
    if (result < 0) FailValue(column, error_.empty() ? "unreadable value" : error_);
    return result > 0;
  };
  switch (field.type) {
    case pxfAlpha: {
      PxMemory text(doc_);
      if (!check(PX_get_data_alpha(doc_, data, field.length, text.Out()))) return Variant::Null();
      return TableTextToAnsi(text.Data(), codePage_, lostCharacters_);
    }
    case pxfShort: {
      short number = 0;
      if (!check(PX_get_data_short(doc_, data, field.length, &number))) return Variant::Null();
      return int{number};
    }
    case pxfLong:
    case pxfAutoInc:
    case pxfDate:
    case pxfTime: {
      long number = 0;
      if (!check(PX_get_data_long(doc_, data, field.length, &number))) return Variant::Null();
      if (field.type == pxfDate) {
        if (number < 1 || number > 3652059) FailValue(column, "not a date");
        return Variant::FromDate(static_cast<double>(number) - kDateDelta);
      }
      if (field.type == pxfTime) {
        if (number < 0 || number >= kMillisecondsPerDay) FailValue(column, "not a time");
        return Variant::FromDate(static_cast<double>(number) / kMillisecondsPerDay);
      }
      return static_cast<int64_t>(number);
    }
    case pxfCurrency:
    case pxfNumber:
    case pxfTimestamp: {
      double number = 0;
      if (!check(PX_get_data_double(doc_, data, field.length, &number))) return Variant::Null();
      if (field.type == pxfNumber) return number;
      try {
        if (field.type == pxfCurrency) return Currency::FromDouble(number);
      } catch (const EConvertError&) {
        FailValue(column, "currency out of range");
      }
      const double days = number / kMillisecondsPerDay;
      if (!(days >= 1 && days < 3652060)) FailValue(column, "not a date-time");
      return Variant::FromDate(days - kDateDelta);
    }
    case pxfLogical: {
      char flag = 0;
      if (!check(PX_get_data_byte(doc_, data, field.length, &flag))) return Variant::Null();
      return flag != 0;
    }
    case pxfBCD: {
      PxMemory text(doc_);
      const int decimals = doc_->px_head->px_fields[column].px_fdc;
      if (!check(PX_get_data_bcd(doc_, reinterpret_cast<unsigned char*>(data), decimals,
                                 text.Out()))) {
        return Variant::Null();
      }
      double number = 0;
      const std::string_view digits(text.Data());
      auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
      if (error != std::errc() || end != digits.data() + digits.size()) {
        FailValue(column, fmt::format("'{}' is not a number", digits));
      }
      try {
        return Currency::FromDouble(number);
      } catch (const EConvertError&) {
        return number;
      }
    }
    case pxfBytes: {
      PxMemory bytes(doc_);
      if (!check(PX_get_data_bytes(doc_, data, field.length, bytes.Out()))) {
        return Variant::Null();
      }
      return std::string(bytes.Data(), static_cast<size_t>(field.length));
    }
    default: {
      std::string bytes = ReadBlob(field, column);
      if (bytes.empty()) return Variant::Null();
      if (field.type == pxfMemoBLOb || field.type == pxfFmtMemoBLOb) {
        return TableTextToAnsi(bytes, codePage_, lostCharacters_);
      }
      return bytes;
    }
  }
}

// A blob field ends with 10 bytes: the blob's place in the .mb file (little-endian; the low byte
// is its index in a block of small blobs, 0xFF for a blob with blocks of its own), its length and
// a modification number. The bytes before them hold the blob's start, all of it when it fits.
std::string ParadoxTable::ReadBlob(const Field& field, int column) const {
  const auto* tail =
      reinterpret_cast<const unsigned char*>(record_.data()) + field.offset + field.length - 10;
  const uint32_t place = Le32(tail);
  const uint32_t length = Le32(tail + 4);
  const auto leader = static_cast<uint32_t>(field.length - 10);
  if (length == 0) return {};
  if (length <= leader && place == 0) {
    return std::string(record_.data() + field.offset, length);
  }
  const auto fail = [&](const std::string& cause) {
    throw EDatabaseError("{}: the blob of record {}, field '{}': {}", memoName_, current_ + 1,
                         columns_[static_cast<size_t>(column)].name, cause);
  };
  if (length > kMaxBlobBytes) fail(fmt::format("longer than {} bytes", kMaxBlobBytes));
  const uint64_t block = place & ~0xFFu;
  const uint32_t index = place & 0xFF;
  unsigned char head[12];
  if (block == 0 || !ReadFully(*memo_, block, head, sizeof head)) {
    fail(fmt::format("offset {} is outside the memo file", block));
  }
  uint64_t start = 0;
  if (index == 0xFF) {
    if (head[0] != 2 || Le32(head + 3) != length) fail("not a blob block");
    start = block + 9;
  } else {
    unsigned char entry[5];
    if (head[0] != 3 || index >= 64 || !ReadFully(*memo_, block + 12 + 5 * index, entry, 5)) {
      fail("not a block of small blobs");
    }
    if (entry[1] == 0 || (entry[1] - 1) * 16u + (entry[4] == 0 ? 16u : entry[4]) != length) {
      fail("the block's entry does not match the record's length");
    }
    start = block + entry[0] * 16u;
  }
  // The blob's last byte is checked first, so that a damaged length allocates nothing.
  char last = 0;
  if (!ReadFully(*memo_, start + length - 1, &last, 1)) fail("the memo file is truncated");
  std::string bytes(length, '\0');
  if (!ReadFully(*memo_, start, bytes.data(), length)) fail("the memo file is truncated");
  return bytes;
}

}  // namespace qr2vor
