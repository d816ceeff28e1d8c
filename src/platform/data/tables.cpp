#include "platform/data/tables.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <fmt/format.h>

#include "platform/data/csv_reader.h"
#include "platform/data/dbf_reader.h"
#include "platform/data/file_table.h"
#include "platform/data/paradox_reader.h"
#include "platform/data/sqlite_cursor.h"
#include "rtl/exceptions.h"
#include "stream/registry.h"

namespace qr2vor {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

std::vector<std::string> SplitNames(std::string_view names) {
  std::vector<std::string> result;
  while (!names.empty()) {
    size_t end = names.find(';');
    if (std::string_view piece = Trim(names.substr(0, end)); !piece.empty()) {
      result.emplace_back(piece);
    }
    if (end == std::string_view::npos) break;
    names.remove_prefix(end + 1);
  }
  return result;
}

std::string QuoteIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

const TEnumInfo& TableTypeInfo() {
  static const TEnumInfo info("TTableType",
                              {"ttDefault", "ttParadox", "ttDBase", "ttFoxPro", "ttASCII"});
  return info;
}

using enum TLaterValue;

// What later versions of the data-access layer publish on every data set that forms show: its
// events (kept as the handlers' names), cached updates and their update object.
constexpr TLaterProperty kDataSetLater[] = {
    {"AfterOpen", lvIdent},    {"AfterPost", lvIdent},       {"BeforeClose", lvIdent},
    {"BeforeOpen", lvIdent},   {"CachedUpdates", lvBoolean}, {"OnCalcFields", lvIdent},
    {"UpdateObject", lvIdent},
};
// Queries of later versions: parameters with their values, refreshing, and the options of
// queries over other database engines that forms save under the same class name.
constexpr TLaterProperty kQueryLater[] = {
    {"AutoRefresh", lvBoolean},  {"EnableBCD", lvBoolean},    {"LockType", lvIdent},
    {"MarshalOptions", lvIdent}, {"ParamData", lvCollection}, {"Parameters", lvCollection},
};

}  // namespace

std::string AliasFilePath() {
  if (const char* file = std::getenv("QR2VOR_ALIASES"); file != nullptr && *file != 0) {
    return file;
  }
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
    return std::string(config) + "/qr2vor/aliases.ini";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
    return std::string(home) + "/.config/qr2vor/aliases.ini";
  }
  return {};
}

std::string ResolveDatabaseName(const std::string& databaseName) {
  const std::string aliasFile = AliasFilePath();
  if (aliasFile.empty() || databaseName.find_first_of("/\\") != std::string::npos) {
    return databaseName;
  }
  std::ifstream in(aliasFile);
  for (std::string line; std::getline(in, line);) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#' || text.front() == ';' || text.front() == '[') {
      continue;
    }
    size_t equals = text.find('=');
    if (equals == std::string_view::npos || !SameText(Trim(text.substr(0, equals)), databaseName)) {
      continue;
    }
    std::filesystem::path path(std::string(Trim(text.substr(equals + 1))));
    if (path.is_relative()) path = std::filesystem::path(aliasFile).parent_path() / path;
    return path.string();
  }
  return databaseName;
}

// ---------------------------------------------------------------------------------------------
// TDBDataSet

TDBDataSet::TDBDataSet(TComponent* owner) : TDataSet(owner) {}

TDBDataSet::~TDBDataSet() = default;

const TClassInfo& TDBDataSet::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TDBDataSet, TDataSet>("TDBDataSet");
  return info;
}

void TDBDataSet::SetDatabaseName(const std::string& name) {
  if (name == databaseName_) return;
  Close();
  databaseName_ = name;
}

void TDBDataSet::InternalOpen() {
  if (Filtered() && !Trim(filter_).empty() && !OnFilterRecord) {
    RaiseError(fmt::format("Filter '{}' cannot be evaluated: no filter handler", filter_));
  }
  const Source source = MakeSource();
  const std::string path = ResolveDatabaseName(databaseName_.empty() ? "." : databaseName_);
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    RaiseError(
        fmt::format("Database '{}' not found: no file or folder {} and no alias of that "
                    "name in {}",
                    databaseName_, path, AliasFilePath()));
  }
  // A chain of masters that comes back to a data set would open and follow itself for ever.
  std::vector<const TDataSet*> chain = {this};
  for (const TDBDataSet* link = this; link != nullptr;) {
    const TDataSet* master = link->MasterDataSet();
    if (master == nullptr) break;
    if (std::find(chain.begin(), chain.end(), master) != chain.end()) {
      RaiseError("Circular datalinks are not allowed");
    }
    chain.push_back(master);
    link = dynamic_cast<const TDBDataSet*>(master);
  }
  try {
    if (TDataSet* master = MasterDataSet(); master != nullptr && !master->Active()) master->Open();
    if (S_ISDIR(status.st_mode)) {
      OpenFolder(path, source);
    } else {
      OpenSqlite(path, source);
    }
  } catch (...) {
    InternalClose();
    throw;
  }
}

namespace {

bool IsRegularFile(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The file `name` in `folder`, its name in any case when there is no exact match (forms written
// on case-blind systems say "orders" for ORDERS.DBF); empty when there is none.
std::filesystem::path FindFile(const std::filesystem::path& folder, const std::string& name) {
  if (IsRegularFile(folder / name)) return folder / name;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (SameText(entry.path().filename().string(), name) && IsRegularFile(entry.path())) {
      return entry.path();
    }
  }
  return {};
}

// The column of each name; a name the table does not have raises EDatabaseError for the data
// set called `owner`.
template <typename Column>
std::vector<int> ColumnIndexes(const std::string& owner, const std::vector<Column>& columns,
                               const std::vector<std::string>& names) {
  std::vector<int> indexes;
  for (const std::string& name : names) {
    auto column = std::find_if(columns.begin(), columns.end(),
                               [&](const Column& c) { return SameText(c.name, name); });
    if (column == columns.end()) throw EDatabaseError("{}: Field '{}' not found", owner, name);
    indexes.push_back(static_cast<int>(column - columns.begin()));
  }
  return indexes;
}

}  // namespace

void TDBDataSet::OpenFolder(const std::string& folder, const Source& source) {
  if (!source.sql.empty()) {
    RaiseError(fmt::format("SQL needs a SQLite database; {} is a folder of CSV files", folder));
  }
  if (source.table.empty()) RaiseError(fmt::format("No table name given for {}", folder));
  const std::filesystem::path named(source.table);
  std::filesystem::path file;
  if (named.has_extension()) file = FindFile(folder, source.table);
  if (named.has_extension() && file.empty() && !SameText(named.extension().string(), ".db")) {
    RaiseError(fmt::format("Table '{}' not found: no file {}", source.table,
                           (std::filesystem::path(folder) / named).string()));
  }
  for (const char* extension : {".db", ".dbf", ".csv"}) {
    if (!file.empty()) break;
    file = FindFile(folder, named.stem().string() + extension);
  }
  if (file.empty()) {
    RaiseError(fmt::format("Table '{}' not found: no file {}.db, .dbf or .csv in {}", source.table,
                           named.stem().string(), folder));
  }
  if (SameText(file.extension().string(), ".db")) {
    auto table = std::make_unique<ParadoxTable>(file.string());
    std::vector<int> keys = table->KeyColumns();
    OpenFileTable(std::move(table), source, keys);
  } else if (SameText(file.extension().string(), ".dbf")) {
    OpenFileTable(OpenDbfFile(file.string()), source, {});
  } else {
    OpenCsv(file.string(), source);
  }
}

void TDBDataSet::OpenCsv(const std::string& file, const Source& source) {
  csv_ = std::make_unique<CsvTable>(file, OpenCsvFileSource(file));
  for (const CsvColumn& column : csv_->Columns()) {
    AddDataField(column.name, column.dataType, column.size);
  }
  csv_->OrderBy(ColumnIndexes(DisplayName(), csv_->Columns(), source.orderBy));
  detailColumns_ = ColumnIndexes(DisplayName(), csv_->Columns(), source.keyFields);
  masterKeys_ = source.masterKeys;
  masterValues_ = MasterValues();
}

void TDBDataSet::OpenFileTable(std::unique_ptr<FileTable> table, const Source& source,
                               const std::vector<int>& keyOrder) {
  table_ = std::move(table);
  for (const TableColumn& column : table_->Columns()) {
    AddDataField(column.name, column.dataType, column.size);
  }
  if (!source.orderBy.empty()) {
    order_ = OrderRecords(*table_, ColumnIndexes(DisplayName(), table_->Columns(), source.orderBy));
  } else if (!keyOrder.empty()) {
    order_ = OrderRecords(*table_, keyOrder);
  }
  detailColumns_ = ColumnIndexes(DisplayName(), table_->Columns(), source.keyFields);
  masterKeys_ = source.masterKeys;
  masterValues_ = MasterValues();
}

void TDBDataSet::OpenSqlite(const std::string& path, const Source& source) {
  sqlite_ = std::make_unique<SqliteCursor>(path);
  std::string sql = source.sql;
  if (sql.empty()) {
    std::string table = source.table;
    if (!sqlite_->HasTable(table)) {
      std::string stem = std::filesystem::path(table).stem().string();
      if (stem == table || !sqlite_->HasTable(stem)) {
        RaiseError(fmt::format("Table '{}' not found in {}", table, path));
      }
      table = stem;
    }
    sql = "SELECT * FROM " + QuoteIdentifier(table);
    for (size_t i = 0; i < source.keyFields.size(); ++i) {
      sql += fmt::format("{} {} = ?{}", i == 0 ? " WHERE" : " AND",
                         QuoteIdentifier(source.keyFields[i]), i + 1);
    }
    for (size_t i = 0; i < source.orderBy.size(); ++i) {
      sql += (i == 0 ? " ORDER BY " : ", ") + QuoteIdentifier(source.orderBy[i]);
    }
  }
  sqlite_->Prepare(sql);
  masterKeys_ = source.masterKeys;
  if (MasterDataSet() != nullptr && !source.sql.empty()) masterKeys_ = sqlite_->ParameterNames();
  if (MasterDataSet() == nullptr) masterKeys_.clear();
  masterValues_ = MasterValues();
  for (size_t i = 0; i < masterValues_.size(); ++i) {
    sqlite_->Bind(static_cast<int>(i) + 1, masterValues_[i]);
  }
  sqlite_->SettleColumnTypes();
  for (const SqliteColumn& column : sqlite_->Columns()) {
    AddDataField(column.name, column.dataType, column.size);
  }
}

void TDBDataSet::InternalClose() {
  csv_.reset();
  sqlite_.reset();
  table_.reset();
  order_.clear();
  masterKeys_.clear();
  detailColumns_.clear();
  masterValues_.clear();
}

std::vector<Variant> TDBDataSet::MasterValues() const {
  std::vector<Variant> values;
  TDataSet* master = MasterDataSet();
  for (const std::string& key : masterKeys_) {
    TField* field = master != nullptr && master->Active() ? master->FindField(key) : nullptr;
    values.push_back(field != nullptr ? field->Value() : Variant::Null());
  }
  return values;
}

bool TDBDataSet::SyncWithMaster() {
  if (masterKeys_.empty()) return false;
  std::vector<Variant> values = MasterValues();
  bool same = true;
  for (size_t i = 0; i < values.size() && same; ++i) {
    same = values[i].Type() == masterValues_[i].Type() &&
           Compare(values[i], masterValues_[i]) == vcEqual;
  }
  if (same) return false;
  masterValues_ = std::move(values);
  if (sqlite_) {
    for (size_t i = 0; i < masterValues_.size(); ++i) {
      sqlite_->Bind(static_cast<int>(i) + 1, masterValues_[i]);
    }
  }
  return true;
}

bool TDBDataSet::InternalAccept() {
  for (size_t i = 0; i < detailColumns_.size(); ++i) {
    if (Compare(InternalGetValue(detailColumns_[i]), masterValues_[i]) != vcEqual) return false;
  }
  return true;
}

bool TDBDataSet::InternalSeek(int64_t record) {
  if (table_) {
    if (order_.empty()) return table_->Seek(record);
    return record >= 0 && record < static_cast<int64_t>(order_.size()) &&
           table_->Seek(order_[static_cast<size_t>(record)]);
  }
  return csv_ ? csv_->Seek(record) : sqlite_->Seek(record);
}

int64_t TDBDataSet::InternalRecordCount() {
  if (csv_) return detailColumns_.empty() ? csv_->RecordCount() : -1;
  if (table_) return detailColumns_.empty() ? table_->RecordCount() : -1;
  return sqlite_->KnownRowCount();
}

size_t TDBDataSet::LostCharacters() const {
  if (csv_) return csv_->LostCharacters();
  if (table_) return table_->LostCharacters();
  return sqlite_ ? sqlite_->LostCharacters() : 0;
}

Variant TDBDataSet::InternalGetValue(int column) const {
  if (table_) return table_->Value(column);
  return csv_ ? csv_->Value(column) : sqlite_->Value(column);
}

// ---------------------------------------------------------------------------------------------
// TTable

TTable::TTable(TComponent* owner) : TDBDataSet(owner) {}

TTable::~TTable() { Close(); }

const TClassInfo& TTable::StaticClassInfo() {
  using T = TTable;
  static const TClassInfo info =
      TClassInfo::Derive<T, TDBDataSet>("TTable")
          .Boolean("Active", &T::Active, &T::SetActive, false)
          .Boolean("AutoCalcFields", &T::AutoCalcFields, &T::SetAutoCalcFields, true)
          .String("DatabaseName", &T::DatabaseName, &T::SetDatabaseName)
          .Boolean("Exclusive", &T::Exclusive, &T::SetExclusive, false)
          .String("Filter", &T::Filter, &T::SetFilter)
          .Boolean("Filtered", &T::Filtered, &T::SetFiltered, false)
          .String("IndexFieldNames", &T::IndexFieldNames, &T::SetIndexFieldNames)
          .String("IndexName", &T::IndexName, &T::SetIndexName)
          .String("MasterFields", &T::MasterFields, &T::SetMasterFields)
          .Object<TDataSource>("MasterSource", &T::MasterSource, &T::SetMasterSource)
          .Boolean("ReadOnly", &T::ReadOnly, &T::SetReadOnly, false)
          .String("SessionName", &T::SessionName, &T::SetSessionName)
          .String("TableName", &T::TableName, &T::SetTableName)
          .Enum("TableType", TableTypeInfo(), &T::TableType, &T::SetTableType, ttDefault)
          .Creatable();
  return info;
}

void TTable::SetTableName(const std::string& name) {
  if (name == tableName_) return;
  Close();
  tableName_ = name;
}

void TTable::SetIndexFieldNames(const std::string& names) {
  if (names == indexFieldNames_) return;
  Close();
  indexFieldNames_ = names;
}

void TTable::SetMasterFields(const std::string& names) {
  if (names == masterFields_) return;
  Close();
  masterFields_ = names;
}

void TTable::SetMasterSource(TDataSource* source) {
  if (source == masterSource_) return;
  Close();
  if (masterSource_ != nullptr) masterSource_->RemoveFreeNotification(this);
  masterSource_ = source;
  if (masterSource_ != nullptr) masterSource_->FreeNotification(this);
  LinkToMaster(source);
}

void TTable::DefineProperties(TFiler& filer) {
  TDBDataSet::DefineProperties(filer);
  DefineLaterProperties(filer, kDataSetLater);
}

void TTable::Notification(TComponent* component, TOperation operation) {
  TDBDataSet::Notification(component, operation);
  if (operation == TOperation::opRemove && component == masterSource_) {
    Close();
    masterSource_ = nullptr;
    LinkToMaster(nullptr);
  }
}

TDataSet* TTable::MasterDataSet() const {
  TDataSet* master = masterSource_ != nullptr ? masterSource_->DataSet() : nullptr;
  return master != this ? master : nullptr;
}

TDBDataSet::Source TTable::MakeSource() const {
  Source source;
  source.table = tableName_;
  source.orderBy = SplitNames(indexFieldNames_);
  if (MasterDataSet() != nullptr) {
    source.masterKeys = SplitNames(masterFields_);
    for (size_t i = 0; i < source.masterKeys.size(); ++i) {
      source.keyFields.push_back(i < source.orderBy.size() ? source.orderBy[i]
                                                           : source.masterKeys[i]);
    }
  }
  return source;
}

// ---------------------------------------------------------------------------------------------
// TQuery

TQuery::TQuery(TComponent* owner) : TDBDataSet(owner), sql_(std::make_unique<TStringList>()) {
  sql_->OnChange = [this] { Close(); };
}

TQuery::~TQuery() { Close(); }

const TClassInfo& TQuery::StaticClassInfo() {
  using T = TQuery;
  static const TClassInfo info =
      TClassInfo::Derive<T, TDBDataSet>("TQuery")
          .Boolean("Active", &T::Active, &T::SetActive, false)
          .Boolean("AutoCalcFields", &T::AutoCalcFields, &T::SetAutoCalcFields, true)
          .String("DatabaseName", &T::DatabaseName, &T::SetDatabaseName)
          .Object<TDataSource>("DataSource", &T::DataSource, &T::SetDataSource)
          .String("Filter", &T::Filter, &T::SetFilter)
          .Boolean("Filtered", &T::Filtered, &T::SetFiltered, false)
          .Boolean("RequestLive", &T::RequestLive, &T::SetRequestLive, false)
          .String("SessionName", &T::SessionName, &T::SetSessionName)
          .Object<TStrings>("SQL", &T::SQL, &T::SetSQL)
          .Boolean("UniDirectional", &T::UniDirectional, &T::SetUniDirectional, false)
          .Creatable();
  return info;
}

void TQuery::SetSQL(TStrings* sql) {
  if (sql != nullptr) sql_->Assign(*sql);
}

void TQuery::SetDataSource(TDataSource* source) {
  if (source == dataSource_) return;
  Close();
  if (dataSource_ != nullptr) dataSource_->RemoveFreeNotification(this);
  dataSource_ = source;
  if (dataSource_ != nullptr) dataSource_->FreeNotification(this);
  LinkToMaster(source);
}

void TQuery::DefineProperties(TFiler& filer) {
  TDBDataSet::DefineProperties(filer);
  DefineLaterProperties(filer, kDataSetLater);
  DefineLaterProperties(filer, kQueryLater);
}

void TQuery::Notification(TComponent* component, TOperation operation) {
  TDBDataSet::Notification(component, operation);
  if (operation == TOperation::opRemove && component == dataSource_) {
    Close();
    dataSource_ = nullptr;
    LinkToMaster(nullptr);
  }
}

TDataSet* TQuery::MasterDataSet() const {
  TDataSet* master = dataSource_ != nullptr ? dataSource_->DataSet() : nullptr;
  return master != this ? master : nullptr;
}

TDBDataSet::Source TQuery::MakeSource() const {
  Source source;
  source.sql = sql_->Text();
  if (Trim(source.sql).empty()) RaiseError("No SQL statement available");
  return source;
}

// ---------------------------------------------------------------------------------------------

void RegisterDataClasses() {
  RegisterClass(TDataSource::StaticClassInfo());
  RegisterClass(TTable::StaticClassInfo());
  RegisterClass(TQuery::StaticClassInfo());
}

}  // namespace qr2vor
