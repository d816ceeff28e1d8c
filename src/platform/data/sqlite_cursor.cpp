#include "platform/data/sqlite_cursor.h"

#include <sqlite3.h>

#include <cmath>

#include <fmt/format.h>

#include "platform/data/field_parse.h"
#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

// Date-time numbers of 0001-01-01 and of the day after 9999-12-31.
constexpr double kMinDateTime = -693593;
constexpr double kMaxDateTime = 2958466;
// Julian day number of 1899-12-30 00:00, the zero of date-time numbers.
constexpr double kJulianDayOfZero = 2415018.5;
// Date-time number of 1970-01-01, the zero of Unix time.
constexpr double kUnixEpoch = 25569;

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

int DeclaredSize(std::string_view declared, int fallback) {
  size_t open = declared.find('(');
  if (open == std::string_view::npos) return fallback;
  int size = 0;
  for (size_t i = open + 1; i < declared.size() && declared[i] >= '0' && declared[i] <= '9'; ++i) {
    size = std::min(size * 10 + (declared[i] - '0'), 1 << 20);
  }
  return size > 0 ? size : fallback;
}

bool HoldsText(TFieldType type) {
  return type == ftString || type == ftMemo || type == ftFmtMemo || type == ftUnknown;
}

// What a decoded value costs the window: the variant and the bytes of a text or blob.
size_t ValueBytes(const Variant& value) {
  return sizeof(Variant) + (value.Type() == varString ? value.StringPtr()->size() : 0);
}

}  // namespace

TFieldType FieldTypeFromDeclaredType(std::string_view declared, int& size) {
  std::string upper(declared);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  size = 0;
  if (upper.empty()) return ftUnknown;
  if (Contains(upper, "BOOL")) return ftBoolean;
  if (Contains(upper, "DATETIME") || Contains(upper, "TIMESTAMP")) return ftDateTime;
  if (Contains(upper, "DATE")) return ftDate;
  if (Contains(upper, "TIME")) return ftTime;
  if (Contains(upper, "SMALLINT") || Contains(upper, "TINYINT")) return ftSmallint;
  if (Contains(upper, "INT")) return ftInteger;
  if (Contains(upper, "MONEY") || Contains(upper, "CURRENCY")) return ftCurrency;
  if (Contains(upper, "DEC") || Contains(upper, "NUMERIC")) return ftBCD;
  if (Contains(upper, "REAL") || Contains(upper, "FLOA") || Contains(upper, "DOUB")) {
    return ftFloat;
  }
  if (Contains(upper, "MEMO") || Contains(upper, "CLOB")) return ftMemo;
  if (Contains(upper, "GRAPHIC") || Contains(upper, "IMAGE")) return ftGraphic;
  if (Contains(upper, "BLOB")) return ftBlob;
  size = DeclaredSize(upper, 255);
  return ftString;
}

SqliteCursor::SqliteCursor(std::string path) : path_(std::move(path)) {
  int rc = path_.empty() ? SQLITE_CANTOPEN
                         : sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) {
    std::string cause = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw EDatabaseError("Cannot open database {}: {}", path_, cause);
  }
  sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

SqliteCursor::~SqliteCursor() {
  sqlite3_finalize(statement_);
  sqlite3_close_v2(db_);
}

void SqliteCursor::Fail(const std::string& cause) const {
  throw EDatabaseError("{}: {}", path_, cause);
}

bool SqliteCursor::HasTable(const std::string& name) {
  sqlite3_stmt* query = nullptr;
  const char* sql =
      "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE";
  if (sqlite3_prepare_v2(db_, sql, -1, &query, nullptr) != SQLITE_OK) Fail(sqlite3_errmsg(db_));
  const std::string utf8 = AnsiToUtf8(name);
  sqlite3_bind_text(query, 1, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  int rc = sqlite3_step(query);
  sqlite3_finalize(query);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(sqlite3_errmsg(db_));
  return rc == SQLITE_ROW;
}

void SqliteCursor::Prepare(const std::string& ansiSql) {
  const std::string sql = AnsiToUtf8(ansiSql);
  sqlite3_finalize(statement_);
  statement_ = nullptr;
  columns_.clear();
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(),
                         static_cast<int>(std::min<size_t>(sql.size(), INT32_MAX)), &statement_,
                         &tail) != SQLITE_OK) {
    Fail(sqlite3_errmsg(db_));
  }
  if (statement_ == nullptr) Fail("the SQL text holds no statement");
  sqlite3_stmt* next = nullptr;
  int rc = sqlite3_prepare_v2(db_, tail, -1, &next, nullptr);
  sqlite3_finalize(next);
  if (rc != SQLITE_OK || next != nullptr) Fail("the SQL text holds more than one statement");
  const int count = sqlite3_column_count(statement_);
  if (count == 0) Fail("the SQL statement returns no rows");
  if (!sqlite3_stmt_readonly(statement_)) Fail("the SQL statement would change the database");

  for (int i = 0; i < count; ++i) {
    SqliteColumn column;
    const char* name = sqlite3_column_name(statement_, i);
    const std::string ansiName = name != nullptr ? Utf8ToAnsi(name) : std::string();
    column.name = !ansiName.empty() ? ansiName : fmt::format("Column{}", i + 1);
    for (int suffix = 1;; ++suffix) {
      bool taken = false;
      for (const SqliteColumn& other : columns_) taken = taken || SameText(other.name, column.name);
      if (!taken) break;
      column.name = fmt::format("{}_{}", !ansiName.empty() ? ansiName : "Column", suffix);
    }
    const char* declared = sqlite3_column_decltype(statement_, i);
    column.dataType = FieldTypeFromDeclaredType(declared != nullptr ? declared : "", column.size);
    columns_.push_back(std::move(column));
  }
  Restart();
}

void SqliteCursor::SettleColumnTypes() {
  Restart();
  const int count = static_cast<int>(columns_.size());
  int rc = sqlite3_step(statement_);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(sqlite3_errmsg(db_));
  for (int i = 0; i < count; ++i) {
    SqliteColumn& column = columns_[static_cast<size_t>(i)];
    if (column.dataType != ftUnknown) continue;
    switch (rc == SQLITE_ROW ? sqlite3_column_type(statement_, i) : SQLITE_NULL) {
      case SQLITE_INTEGER:
        column.dataType = ftInteger;
        break;
      case SQLITE_FLOAT:
        column.dataType = ftFloat;
        break;
      case SQLITE_BLOB:
        column.dataType = ftBlob;
        break;
      default:
        column.dataType = ftString;
        column.size = 255;
    }
  }
  Restart();
}

std::vector<std::string> SqliteCursor::ParameterNames() const {
  std::vector<std::string> names;
  for (int i = 1; i <= sqlite3_bind_parameter_count(statement_); ++i) {
    const char* name = sqlite3_bind_parameter_name(statement_, i);
    names.push_back(name != nullptr ? name + 1 : "");
  }
  return names;
}

void SqliteCursor::Bind(int index, const Variant& value) {
  Restart();
  countedRows_ = 0;  // other rows: their characters count anew
  int rc = SQLITE_OK;
  switch (value.Type()) {
    case varEmpty:
    case varNull:
      rc = sqlite3_bind_null(statement_, index);
      break;
    case varBoolean:
    case varInteger:
      rc = sqlite3_bind_int64(statement_, index, value.AsInteger());
      break;
    case varDouble:
    case varCurrency:
      rc = sqlite3_bind_double(statement_, index, value.AsDouble());
      break;
    case varDate:
    case varString: {
      std::string text = value.Type() == varDate ? DateTimeToIsoText(*value.DatePtr())
                                                 : AnsiToUtf8(*value.StringPtr());
      rc = sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                               SQLITE_UTF8);
      break;
    }
  }
  if (rc != SQLITE_OK) Fail(sqlite3_errmsg(db_));
}

void SqliteCursor::Restart() {
  sqlite3_reset(statement_);
  window_.clear();
  windowStart_ = 0;
  windowBytes_ = 0;
  stepped_ = 0;
  done_ = false;
}

bool SqliteCursor::InWindow(int64_t row) const {
  return row >= windowStart_ && row < windowStart_ + static_cast<int64_t>(window_.size());
}

bool SqliteCursor::Step(bool keep) {
  if (!keep) {
    window_.clear();
    windowBytes_ = 0;
  }
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_DONE) {
    done_ = true;
    return false;
  }
  if (rc != SQLITE_ROW) {
    // The statement starts over; the rows already decoded stay readable.
    sqlite3_reset(statement_);
    stepped_ = 0;
    Fail(sqlite3_errmsg(db_));
  }
  ++stepped_;  // counted first: a row that fails to decode has still been stepped past
  if (!keep) return true;
  Row row;
  row.reserve(columns_.size());
  size_t lost = 0;
  size_t bytes = 0;
  for (size_t i = 0; i < columns_.size(); ++i) {
    row.push_back(Decode(static_cast<int>(i), lost));
    bytes += ValueBytes(row.back());
  }
  if (stepped_ > countedRows_) {
    lostCharacters_ += lost;
    countedRows_ = stepped_;
  }
  // The window holds consecutive rows ending at the statement's position.
  if (windowStart_ + static_cast<int64_t>(window_.size()) != stepped_ - 1) {
    window_.clear();
    windowBytes_ = 0;
  }
  if (window_.empty()) windowStart_ = stepped_ - 1;
  window_.push_back(std::move(row));
  windowBytes_ += bytes;
  while (window_.size() > 1 && (window_.size() > kWindowRows || windowBytes_ > kWindowBytes)) {
    for (const Variant& value : window_.front()) windowBytes_ -= ValueBytes(value);
    window_.pop_front();
    ++windowStart_;
  }
  return true;
}

bool SqliteCursor::Seek(int64_t row) {
  if (row < 0) return false;
  if (InWindow(row)) {
    currentRow_ = row;
    return true;
  }
  if (done_ && row >= stepped_) return false;
  if (row < stepped_) Restart();
  while (stepped_ <= row) {
    if (!Step(stepped_ + static_cast<int64_t>(kWindowRows) > row)) return false;
  }
  currentRow_ = row;
  return true;
}

Variant SqliteCursor::Value(int column) const {
  if (!InWindow(currentRow_)) return Variant::Null();
  return window_[static_cast<size_t>(currentRow_ - windowStart_)][static_cast<size_t>(column)];
}

Variant SqliteCursor::Decode(int column, size_t& lost) const {
  const SqliteColumn& info = columns_[static_cast<size_t>(column)];
  const int storage = sqlite3_column_type(statement_, column);
  if (storage == SQLITE_NULL) return Variant::Null();
  auto bytes = [&] {
    const void* data = storage == SQLITE_BLOB ? sqlite3_column_blob(statement_, column)
                                              : sqlite3_column_text(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return data != nullptr ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                           : std::string();
  };
  auto invalid = [&](const std::string& text) {
    Fail(fmt::format("'{}' is not a valid {} value for field '{}' (record {})", text,
                     FieldTypeName(info.dataType), info.name, stepped_));
  };
  auto fromText = [&](TFieldType type) {
    std::string text = bytes();
    Variant value;
    if (!TryParseFieldValue(text, type, value)) invalid(text);
    return value;
  };
  const double real = sqlite3_column_double(statement_, column);
  switch (info.dataType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      if (storage == SQLITE_INTEGER) {
        return static_cast<int64_t>(sqlite3_column_int64(statement_, column));
      }
      if (storage == SQLITE_FLOAT) {
        if (!std::isfinite(real)) invalid(bytes());
        return real;
      }
      return fromText(ftInteger);
    case ftFloat:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
        if (!std::isfinite(real)) invalid(bytes());
        return real;
      }
      return fromText(ftFloat);
    case ftCurrency:
    case ftBCD:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
        if (!(std::fabs(real) < 9.2e14)) invalid(bytes());
        return Currency::FromDouble(real);
      }
      return fromText(info.dataType);
    case ftBoolean:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) return real != 0;
      return fromText(ftBoolean);
    case ftDate:
    case ftTime:
    case ftDateTime: {
      if (storage == SQLITE_TEXT || storage == SQLITE_BLOB) {
        std::string text = bytes();
        Variant value;
        if (!TryParseFieldValue(text, ftDateTime, value) &&
            !TryParseFieldValue(text, ftTime, value)) {
          invalid(text);
        }
        return value;
      }
      // Numbers are Julian day numbers (REAL) or Unix time in seconds (INTEGER), as SQLite's
      // date functions read them.
      double dateTime =
          storage == SQLITE_FLOAT ? real - kJulianDayOfZero : kUnixEpoch + real / 86400.0;
      if (!(dateTime >= kMinDateTime && dateTime < kMaxDateTime)) invalid(bytes());
      return Variant::FromDate(dateTime);
    }
    default:
      if (storage == SQLITE_TEXT && HoldsText(info.dataType)) return Utf8ToAnsi(bytes(), &lost);
      return bytes();
  }
}

}  // namespace qr2vor
