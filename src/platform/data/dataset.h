#pragma once

// Data sets and fields: a tabular data source with a current record, as report generation and
// report expressions see it. Back ends (memory, CSV files, SQLite) derive from TDataSet and
// supply a cursor over records numbered from 0; navigation, end-of-data flags, bookmarks,
// filtering, calculated and lookup fields and attached-control notification live here once.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/component.h"
#include "rtl/variant.h"

namespace qr2vor {

// The data-access field types, in their ordinal order.
enum TFieldType : uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary
};

// The type's name without the "ft" prefix ("String", "DateTime", ...).
const char* FieldTypeName(TFieldType type);
// Binary and memo types, whose display text is a placeholder rather than the value.
bool IsBlobType(TFieldType type);

enum TFieldKind : uint8_t { fkData, fkCalculated, fkLookup };

class TDataSet;

// One column of a data set. Fields belong to their data set: data fields exist while it is open,
// calculated and lookup fields are defined before opening and last as long as the data set.
class TField {
 public:
  TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size,
         TFieldKind fieldKind);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  TDataSet& DataSet() const { return dataSet_; }
  const std::string& FieldName() const { return fieldName_; }
  TFieldType DataType() const { return dataType_; }
  // Characters of string fields, bytes of fixed binary fields, 0 for the others.
  int Size() const { return size_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  // Position among the data set's fields, from 0.
  int Index() const { return index_; }

  // The value of the current record: Null when the field has no value or there is no record.
  // Raises EDatabaseError when the data set is closed. Reading never moves a cursor.
  Variant Value() const;
  bool IsNull() const { return Value().IsNull(); }
  // Sets a calculated or lookup field's value; only OnCalcFields should call it.
  void SetValue(const Variant& value);

  // The value as text ("" for Null); blobs and memos give their bytes.
  std::string AsString() const;
  // The value as a user sees it: the format settings of FormatSettings() for numbers (decimal
  // separator) and dates (short date, long time pattern),
  // "(MEMO)"/"(Memo)" style placeholders for blob types (upper case when there is data).
  std::string DisplayText() const;
  // Conversions of the value; Null gives 0, 0.0, False and 0. Raises EDatabaseError naming the
  // field when the value does not convert.
  int64_t AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;

  // Lookup fields: the value is LookupResultField of the first LookupDataSet record whose
  // LookupKeyFields equal this data set's KeyFields (field names separated by ';').
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  void SetLookupDataSet(TDataSet* dataSet) { lookupDataSet_ = dataSet; }
  std::string KeyFields;
  std::string LookupKeyFields;
  std::string LookupResultField;

 private:
  friend class TDataSet;
  template <typename T>
  T Convert(T (Variant::*conversion)() const, const char* typeName) const;

  TDataSet& dataSet_;
  std::string fieldName_;
  TFieldType dataType_;
  int size_;
  TFieldKind fieldKind_;
  int index_ = 0;
  int dataIndex_ = -1;  // column of the back end, for data fields
  TDataSet* lookupDataSet_ = nullptr;
};

// A position in a data set, valid while the data set holds the same records: until it is
// closed, filtered anew or, as a detail, moved to another master record. A default one points
// nowhere.
struct TBookmark {
  int64_t record = -1;
  uint64_t generation = 0;
  bool Valid() const { return record >= 0; }
  bool operator==(const TBookmark&) const = default;
};

// The text of a field value: one place for number, Boolean and date formatting, so that the
// format settings can take it over. Null gives "".
std::string FieldValueText(const Variant& value, TFieldType dataType);

class TDataSource;

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool Active() const { return active_; }
  // Opens or closes. While the component is being loaded from a stream, opening waits for Loaded.
  void SetActive(bool active);
  // Opens the data set and moves to its first record. A failure leaves it closed.
  void Open();
  void Close();

  void First();
  void Next();
  void Prior();
  void Last();
  // Moves by `distance` records (negative: backwards); returns how many records were moved.
  int64_t MoveBy(int64_t distance);
  // True after a move past the last record, and when there is no record.
  bool Eof() const { return eof_; }
  // True after First and after a move before the first record, and when there is no record.
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return active_ && eof_ && bof_; }
  // The number of records, counting through the data when the back end cannot tell. Filtered
  // data sets count the accepted records.
  int64_t RecordCount();
  // The current record's number from 1 (0 when there is none).
  int64_t RecNo() const;

  TBookmark GetBookmark() const;
  // Raises EDatabaseError "Record not found" when the bookmark does not lead to a record.
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) const { bookmark = TBookmark{}; }
  bool BookmarkValid(const TBookmark& bookmark) const;

  // Attached controls (data sources) hear of record changes only while controls are enabled;
  // the calls nest, and the last EnableControls tells them of the current record.
  void DisableControls() { ++disableCount_; }
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField* Fields(int index) const;
  // The field of that name (case-insensitive), or nullptr.
  TField* FindField(std::string_view name) const;
  // As FindField, but raises EDatabaseError "Field '%s' not found".
  TField* FieldByName(std::string_view name) const;
  // The field names in order.
  std::vector<std::string> GetFieldNames() const;

  // Defines a calculated field (values set by OnCalcFields) or a lookup field; only while closed.
  TField* AddCalculatedField(const std::string& fieldName, TFieldType dataType, int size = 0);
  TField* AddLookupField(const std::string& fieldName, TFieldType dataType, int size,
                         TDataSet* lookupDataSet, std::string keyFields,
                         std::string lookupKeyFields, std::string lookupResultField);

  // Filtering: with Filtered set, records that OnFilterRecord does not accept are skipped.
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool filtered);
  std::function<void(TDataSet&, bool& accept)> OnFilterRecord;
  // Called whenever a record becomes current, to fill calculated fields.
  std::function<void(TDataSet&)> OnCalcFields;

  // Finds the first record whose `keyFields` (';'-separated) equal `keyValues` and makes it
  // current; false (position unchanged) when there is none.
  bool Locate(std::string_view keyFields, const std::vector<Variant>& keyValues);

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // The back-end cursor. Records are numbered from 0 in the back end's order.
  // Prepares the data and adds the data fields (AddDataField); raises EDatabaseError on failure.
  virtual void InternalOpen() = 0;
  // Releases everything InternalOpen acquired; must not throw.
  virtual void InternalClose() = 0;
  // Makes record `record` current; false when there is no such record.
  virtual bool InternalSeek(int64_t record) = 0;
  // The number of records if known without reading them or moving; -1 otherwise.
  virtual int64_t InternalRecordCount() { return -1; }
  // The value of column `column` in the current record.
  virtual Variant InternalGetValue(int column) const = 0;
  // Asked when the master's record changes and before every move: a detail data set whose
  // master has moved takes the master's new values and returns true, and the data set then
  // moves to its first record.
  virtual bool SyncWithMaster() { return false; }
  // Whether the back end's current record belongs to the data set (a detail's master match).
  virtual bool InternalAccept() { return true; }
  // The name used in messages: the component name, or the class name when it has none.
  std::string DisplayName() const;

  TField* AddDataField(const std::string& fieldName, TFieldType dataType, int size);
  // The data source through which this detail data set follows its master (nullptr: none); the
  // master's record changes then reach the detail at once.
  void LinkToMaster(TDataSource* source);
  [[noreturn]] void RaiseError(const std::string& message) const;

 private:
  friend class TField;
  friend class TDataSource;

  void CheckActive() const;
  void CheckInactive() const;
  TField* AddField(std::unique_ptr<TField> field);
  void ReindexFields();
  // Seeks to `record`, then forward (step 1) or backward (step -1) to the first accepted
  // record; returns the record found or -1.
  int64_t SeekAccepted(int64_t record, int step);
  bool Accepted();
  void MoveFirst();
  void RecordChanged();
  void CalculateFields();
  Variant LookupValue(const TField& field);
  // SyncWithMaster; a new master record makes the bookmarks taken before invalid.
  bool Resync();
  void LastInGuard();
  bool LocateInGuard(std::string_view keyFields, const std::vector<Variant>& keyValues);
  void MasterRecordChanged();
  // Runs a move; when it fails, the data set and its cursor return to the record they were on.
  template <typename Move>
  void Guarded(Move&& move);

  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<Variant> calcValues_;
  std::vector<TDataSource*> dataSources_;
  bool active_ = false;
  bool openOnLoaded_ = false;
  bool filtered_ = false;
  bool eof_ = true;
  bool bof_ = true;
  bool hasRecord_ = false;
  bool calculating_ = false;
  bool syncing_ = false;
  int64_t record_ = -1;
  uint64_t generation_ = 0;
  int disableCount_ = 0;
  TDataSource* masterLink_ = nullptr;
};

// Connects data-aware parts (report bands, master-detail links) to a data set. It does not own
// the data set and forgets it when the data set is destroyed.
class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  // Told when the data set's current record changes while its controls are enabled.
  std::function<void(TDataSource&)> OnDataChange;

 private:
  friend class TDataSet;

  TDataSet* dataSet_ = nullptr;
  std::vector<TDataSet*> details_;  // data sets that follow this source's data set
  bool autoEdit_ = true;
  bool enabled_ = true;
};

}  // namespace qr2vor
