#pragma once

// The data-set components that forms hold: TTable (a whole table) and TQuery (an SQL query),
// over SQLite databases and folders of CSV files, and the registration of the data classes.
//
// DatabaseName names, in this order:
// 1. an alias from the alias file: the file named by the environment variable QR2VOR_ALIASES,
//    else $XDG_CONFIG_HOME/qr2vor/aliases.ini, else $HOME/.config/qr2vor/aliases.ini. Lines are
//    "NAME=path" (names in any case; blank lines, lines starting with '#' or ';' and "[section]"
//    lines are ignored); a relative path is taken from the alias file's folder;
// 2. otherwise a path, relative to the working directory.
// A path to a file is a SQLite database; a path to a folder holds tables, one file each: Paradox
// (.db, in primary-key order unless IndexFieldNames says otherwise), dBase (.dbf) and CSV (.csv,
// .txt). A TableName with an extension names its file; one without is looked
// up as "<name>.db", "<name>.dbf" and "<name>.csv" (in lower or upper case), in that order. A
// TableName ending in ".db" whose file is absent is looked up the same way by its stem, so forms
// written for the old tables read the same data in another format.

#include <memory>
#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "rtl/strings.h"
#include "stream/later_properties.h"

namespace qr2vor {

class CsvTable;
class FileTable;
class SqliteCursor;

// The alias file in use (see above); empty when no location can be named.
std::string AliasFilePath();
// The path DatabaseName stands for: an alias's path, or the name itself.
std::string ResolveDatabaseName(const std::string& databaseName);

// The common part of TTable and TQuery: the database, the back end and the master link. Keeps
// the properties of later versions it reads (LaterProperties): events, caching, parameters.
class TDBDataSet : public TDataSet, public TLaterProperties {
 public:
  explicit TDBDataSet(TComponent* owner);
  ~TDBDataSet() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const std::string& name);
  const std::string& SessionName() const { return sessionName_; }
  void SetSessionName(const std::string& name) { sessionName_ = name; }
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool autoCalcFields) { autoCalcFields_ = autoCalcFields; }
  // The filter expression of the form. Opening with Filtered set and a Filter text raises
  // EDatabaseError unless OnFilterRecord is installed to evaluate it.
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter) { filter_ = filter; }
  // Characters of the data read so far (SQLite) or of the whole file (CSV) that the process
  // code page cannot hold; each became '?'.
  size_t LostCharacters() const;

 protected:
  // How the records are chosen once the database is resolved.
  struct Source {
    std::string sql;                      // for SQLite: the query
    std::string table;                    // for TTable: the table name
    std::vector<std::string> orderBy;     // for TTable: IndexFieldNames
    std::vector<std::string> keyFields;   // detail fields matched to the master's fields
    std::vector<std::string> masterKeys;  // the master's fields, or parameter names (TQuery)
  };
  virtual Source MakeSource() const = 0;
  // The data set whose current record selects this one's records, or nullptr.
  virtual TDataSet* MasterDataSet() const = 0;

  void InternalOpen() override;
  void InternalClose() override;
  bool InternalSeek(int64_t record) override;
  int64_t InternalRecordCount() override;
  Variant InternalGetValue(int column) const override;
  bool SyncWithMaster() override;
  bool InternalAccept() override;

 private:
  // Finds the table in a folder and opens it by its kind.
  void OpenFolder(const std::string& folder, const Source& source);
  void OpenCsv(const std::string& file, const Source& source);
  // Opens a table read from a file; without IndexFieldNames its records follow `keyOrder`.
  void OpenFileTable(std::unique_ptr<FileTable> table, const Source& source,
                     const std::vector<int>& keyOrder);
  void OpenSqlite(const std::string& path, const Source& source);
  std::vector<Variant> MasterValues() const;

  std::string databaseName_;
  std::string sessionName_;
  std::string filter_;
  bool autoCalcFields_ = true;
  std::unique_ptr<CsvTable> csv_;
  std::unique_ptr<SqliteCursor> sqlite_;
  std::unique_ptr<FileTable> table_;
  std::vector<int64_t> order_;           // file record of each record of table_, when ordered
  std::vector<std::string> masterKeys_;  // fields of the master whose values select records
  std::vector<int> detailColumns_;       // files: own columns compared with the master's values
  std::vector<Variant> masterValues_;
};

enum TTableType : uint8_t { ttDefault, ttParadox, ttDBase, ttFoxPro, ttASCII };

class TTable : public TDBDataSet {
 public:
  explicit TTable(TComponent* owner);
  ~TTable() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::string& TableName() const { return tableName_; }
  void SetTableName(const std::string& name);
  // Fields (';'-separated) the records are ordered by; with a master source, the first ones
  // are matched against MasterFields.
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const std::string& names);
  const std::string& IndexName() const { return indexName_; }
  void SetIndexName(const std::string& name) { indexName_ = name; }
  TDataSource* MasterSource() const { return masterSource_; }
  void SetMasterSource(TDataSource* source);
  const std::string& MasterFields() const { return masterFields_; }
  void SetMasterFields(const std::string& names);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool exclusive) { exclusive_ = exclusive; }
  TTableType TableType() const { return tableType_; }
  void SetTableType(TTableType type) { tableType_ = type; }

  void DefineProperties(TFiler& filer) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  Source MakeSource() const override;
  TDataSet* MasterDataSet() const override;

 private:
  std::string tableName_;
  std::string indexFieldNames_;
  std::string indexName_;
  TDataSource* masterSource_ = nullptr;
  std::string masterFields_;
  bool readOnly_ = false;
  bool exclusive_ = false;
  TTableType tableType_ = ttDefault;
};

class TQuery : public TDBDataSet {
 public:
  explicit TQuery(TComponent* owner);
  ~TQuery() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The SQL text; changing it closes the query.
  TStrings* SQL() const { return sql_.get(); }
  void SetSQL(TStrings* sql);
  // Parameters of the SQL (":Name") take the values of the same-named fields of this data
  // source's data set, and follow its current record.
  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  bool RequestLive() const { return requestLive_; }
  void SetRequestLive(bool requestLive) { requestLive_ = requestLive; }
  bool UniDirectional() const { return uniDirectional_; }
  void SetUniDirectional(bool uniDirectional) { uniDirectional_ = uniDirectional; }

  void DefineProperties(TFiler& filer) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  Source MakeSource() const override;
  TDataSet* MasterDataSet() const override;

 private:
  std::unique_ptr<TStringList> sql_;
  TDataSource* dataSource_ = nullptr;
  bool requestLive_ = false;
  bool uniDirectional_ = false;
};

// Registers TTable, TQuery and TDataSource with the class registry.
void RegisterDataClasses();

}  // namespace qr2vor
