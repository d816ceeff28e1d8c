#include "platform/data/dataset.h"

#include <algorithm>
#include <array>

#include "rtl/date_time_text.h"
#include "rtl/exceptions.h"
#include "rtl/number_text.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

constexpr std::array<const char*, ftTypedBinary + 1> kFieldTypeNames = {
    "Unknown", "String",  "Smallint", "Integer",    "Word",     "Boolean",    "Float",   "Currency",
    "BCD",     "Date",    "Time",     "DateTime",   "Bytes",    "VarBytes",   "AutoInc", "Blob",
    "Memo",    "Graphic", "FmtMemo",  "ParadoxOle", "DBaseOle", "TypedBinary"};

// Splits "a;b;c" into trimmed names, skipping empty pieces.
std::vector<std::string> SplitFieldNames(std::string_view names) {
  std::vector<std::string> result;
  while (!names.empty()) {
    size_t end = names.find(';');
    std::string_view piece = names.substr(0, end);
    while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
    while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
    if (!piece.empty()) result.emplace_back(piece);
    if (end == std::string_view::npos) break;
    names.remove_prefix(end + 1);
  }
  return result;
}

}  // namespace

const char* FieldTypeName(TFieldType type) {
  return type <= ftTypedBinary ? kFieldTypeNames[type] : "Unknown";
}

bool IsBlobType(TFieldType type) { return type >= ftBlob && type <= ftTypedBinary; }

std::string FieldValueText(const Variant& value, TFieldType dataType) {
  if (value.IsNull() || value.IsEmpty()) return {};
  switch (dataType) {
    case ftDate:
      return DateTimeToIsoText(static_cast<double>(static_cast<int64_t>(value.AsDateTime())));
    case ftTime: {
      int hour, minute, second, millisecond;
      DecodeTime(value.AsDateTime(), hour, minute, second, millisecond);
      return fmt::format("{:02}:{:02}:{:02}", hour, minute, second);
    }
    case ftDateTime:
      return DateTimeToIsoText(value.AsDateTime());
    default:
      return value.AsString();
  }
}

// ---------------------------------------------------------------------------------------------
// TField

TField::TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size,
               TFieldKind fieldKind)
    : dataSet_(dataSet),
      fieldName_(std::move(fieldName)),
      dataType_(dataType),
      size_(size),
      fieldKind_(fieldKind) {}

Variant TField::Value() const {
  dataSet_.CheckActive();
  if (fieldKind_ != fkData) return dataSet_.calcValues_[static_cast<size_t>(index_)];
  if (!dataSet_.hasRecord_) return Variant::Null();
  return dataSet_.InternalGetValue(dataIndex_);
}

void TField::SetValue(const Variant& value) {
  dataSet_.CheckActive();
  if (fieldKind_ == fkData) {
    dataSet_.RaiseError(fmt::format("Field '{}' cannot be modified", fieldName_));
  }
  dataSet_.calcValues_[static_cast<size_t>(index_)] = value;
}

template <typename T>
T TField::Convert(T (Variant::*conversion)() const, const char* typeName) const {
  Variant value = Value();
  if (value.IsNull()) return T{};
  try {
    return (value.*conversion)();
  } catch (const Exception&) {
    dataSet_.RaiseError(fmt::format("Field '{}': '{}' is not a valid {} value", fieldName_,
                                    value.AsString(), typeName));
  }
}

std::string TField::AsString() const {
  Variant value = Value();
  if (value.IsNull()) return {};
  if (IsBlobType(dataType_)) return value.AsString();
  return FieldValueText(value, dataType_);
}

std::string TField::DisplayText() const {
  if (IsBlobType(dataType_)) {
    std::string name = FieldTypeName(dataType_);
    if (!IsNull()) std::transform(name.begin(), name.end(), name.begin(), ::toupper);
    return "(" + name + ")";
  }
  const Variant value = Value();
  if (value.IsNull() || value.IsEmpty()) return {};
  const TFormatSettings& settings = FormatSettings();
  switch (dataType_) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return FloatToStr(value.AsDouble(), settings);
    case ftDate:
      return DateToStr(value.AsDateTime(), settings);
    case ftTime:
      return FormatDateTime(settings.longTimePattern, value.AsDateTime(), settings);
    case ftDateTime: {
      const TDateTime dateTime = value.AsDateTime();
      std::string text = DateToStr(dateTime, settings);
      int hour, minute, second, millisecond;
      DecodeTime(dateTime, hour, minute, second, millisecond);
      if (hour != 0 || minute != 0 || second != 0) {
        text += " " + FormatDateTime(settings.longTimePattern, dateTime, settings);
      }
      return text;
    }
    default:
      return FieldValueText(value, dataType_);
  }
}

int64_t TField::AsInteger() const { return Convert(&Variant::AsInteger, "integer"); }
double TField::AsFloat() const { return Convert(&Variant::AsDouble, "floating point"); }
bool TField::AsBoolean() const { return Convert(&Variant::AsBoolean, "Boolean"); }
TDateTime TField::AsDateTime() const { return Convert(&Variant::AsDateTime, "date and time"); }

// ---------------------------------------------------------------------------------------------
// TDataSet

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
  LinkToMaster(nullptr);
  for (TDataSource* source : dataSources_) source->dataSet_ = nullptr;
}

void TDataSet::LinkToMaster(TDataSource* source) {
  if (masterLink_ == source) return;
  if (masterLink_ != nullptr) std::erase(masterLink_->details_, this);
  masterLink_ = source;
  if (masterLink_ != nullptr) masterLink_->details_.push_back(this);
}

template <typename Move>
void TDataSet::Guarded(Move&& move) {
  const int64_t record = record_;
  const bool hasRecord = hasRecord_, eof = eof_, bof = bof_;
  std::vector<Variant> calcValues = calcValues_;
  try {
    move();
  } catch (...) {
    record_ = record;
    hasRecord_ = hasRecord;
    eof_ = eof;
    bof_ = bof;
    calcValues_ = std::move(calcValues);
    try {
      if (hasRecord_ && !InternalSeek(record_)) hasRecord_ = false;
    } catch (const Exception&) {
      hasRecord_ = false;
    }
    throw;
  }
}

bool TDataSet::Resync() {
  if (!SyncWithMaster()) return false;
  ++generation_;
  return true;
}

void TDataSet::MasterRecordChanged() {
  if (!active_) return;
  if (syncing_) RaiseError("Circular datalinks are not allowed");
  syncing_ = true;
  try {
    if (Resync()) Guarded([&] { MoveFirst(); });
  } catch (...) {
    syncing_ = false;
    throw;
  }
  syncing_ = false;
}

const TClassInfo& TDataSet::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derive<TDataSet, TComponent>("TDataSet");
  return info;
}

std::string TDataSet::DisplayName() const { return Name().empty() ? ClassName() : Name(); }

void TDataSet::RaiseError(const std::string& message) const {
  throw EDatabaseError("{}: {}", DisplayName(), message);
}

void TDataSet::CheckActive() const {
  if (!active_) RaiseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const {
  if (active_) RaiseError("Cannot perform this operation on an open dataset");
}

void TDataSet::SetActive(bool active) {
  if (HasState(csLoading)) {
    openOnLoaded_ = active;
    return;
  }
  if (active) {
    Open();
  } else {
    Close();
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (openOnLoaded_) {
    openOnLoaded_ = false;
    Open();
  }
}

void TDataSet::Open() {
  if (active_) return;
  try {
    InternalOpen();
    active_ = true;
    calcValues_.assign(fields_.size(), Variant::Null());
    First();
  } catch (...) {
    Close();
    throw;
  }
}

void TDataSet::Close() {
  std::erase_if(fields_, [](const auto& field) { return field->FieldKind() == fkData; });
  ReindexFields();
  InternalClose();
  ++generation_;
  active_ = false;
  hasRecord_ = false;
  eof_ = bof_ = true;
  record_ = -1;
  calcValues_.clear();
}

TField* TDataSet::AddField(std::unique_ptr<TField> field) {
  if (FindField(field->FieldName()) != nullptr) {
    RaiseError(fmt::format("Duplicate field name '{}'", field->FieldName()));
  }
  auto position = fields_.end();
  if (field->FieldKind() == fkData) {
    position = std::find_if(fields_.begin(), fields_.end(),
                            [](const auto& f) { return f->FieldKind() != fkData; });
  }
  TField* result = fields_.insert(position, std::move(field))->get();
  ReindexFields();
  return result;
}

void TDataSet::ReindexFields() {
  int dataIndex = 0;
  for (size_t i = 0; i < fields_.size(); ++i) {
    fields_[i]->index_ = static_cast<int>(i);
    fields_[i]->dataIndex_ = fields_[i]->FieldKind() == fkData ? dataIndex++ : -1;
  }
}

TField* TDataSet::AddDataField(const std::string& fieldName, TFieldType dataType, int size) {
  return AddField(std::make_unique<TField>(*this, fieldName, dataType, size, fkData));
}

TField* TDataSet::AddCalculatedField(const std::string& fieldName, TFieldType dataType, int size) {
  CheckInactive();
  return AddField(std::make_unique<TField>(*this, fieldName, dataType, size, fkCalculated));
}

TField* TDataSet::AddLookupField(const std::string& fieldName, TFieldType dataType, int size,
                                 TDataSet* lookupDataSet, std::string keyFields,
                                 std::string lookupKeyFields, std::string lookupResultField) {
  CheckInactive();
  if (lookupDataSet == nullptr || lookupDataSet == this) {
    RaiseError(fmt::format("Lookup field '{}' needs another data set to look in", fieldName));
  }
  TField* field = AddField(std::make_unique<TField>(*this, fieldName, dataType, size, fkLookup));
  field->lookupDataSet_ = lookupDataSet;
  field->KeyFields = std::move(keyFields);
  field->LookupKeyFields = std::move(lookupKeyFields);
  field->LookupResultField = std::move(lookupResultField);
  lookupDataSet->FreeNotification(this);
  return field;
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  for (auto& field : fields_) {
    if (field->lookupDataSet_ == component) field->lookupDataSet_ = nullptr;
  }
}

TField* TDataSet::Fields(int index) const {
  if (index < 0 || index >= FieldCount()) {
    throw EListError(fmt::runtime(msg::kListIndex), index);
  }
  return fields_[static_cast<size_t>(index)].get();
}

TField* TDataSet::FindField(std::string_view name) const {
  for (const auto& field : fields_) {
    if (SameText(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TField* TDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) RaiseError(fmt::format("Field '{}' not found", name));
  return field;
}

std::vector<std::string> TDataSet::GetFieldNames() const {
  std::vector<std::string> names;
  for (const auto& field : fields_) names.push_back(field->FieldName());
  return names;
}

void TDataSet::SetFiltered(bool filtered) {
  if (filtered_ == filtered) return;
  filtered_ = filtered;
  ++generation_;
  if (active_) First();
}

bool TDataSet::Accepted() {
  if (!InternalAccept()) return false;
  CalculateFields();
  bool accept = true;
  if (filtered_ && OnFilterRecord) OnFilterRecord(*this, accept);
  return accept;
}

int64_t TDataSet::SeekAccepted(int64_t record, int step) {
  for (; record >= 0; record += step) {
    if (!InternalSeek(record)) return -1;
    hasRecord_ = true;
    if (Accepted()) return record;
  }
  return -1;
}

void TDataSet::First() {
  CheckActive();
  Guarded([&] {
    Resync();
    MoveFirst();
  });
}

void TDataSet::MoveFirst() {
  int64_t found = SeekAccepted(0, 1);
  hasRecord_ = found >= 0;
  record_ = found;
  bof_ = true;
  eof_ = !hasRecord_;
  RecordChanged();
}

void TDataSet::Next() {
  CheckActive();
  Guarded([&] {
    if (Resync()) {
      MoveFirst();
      return;
    }
    if (eof_ || !hasRecord_) return;
    int64_t found = SeekAccepted(record_ + 1, 1);
    if (found < 0) {
      InternalSeek(record_);
      hasRecord_ = true;
      eof_ = true;
      CalculateFields();
      return;
    }
    record_ = found;
    bof_ = eof_ = false;
    RecordChanged();
  });
}

void TDataSet::Prior() {
  CheckActive();
  Guarded([&] {
    if (Resync()) {
      MoveFirst();
      return;
    }
    if (bof_ || !hasRecord_) return;
    int64_t found = SeekAccepted(record_ - 1, -1);
    if (found < 0) {
      InternalSeek(record_);
      hasRecord_ = true;
      bof_ = true;
      CalculateFields();
      return;
    }
    record_ = found;
    bof_ = eof_ = false;
    RecordChanged();
  });
}

void TDataSet::Last() {
  CheckActive();
  Guarded([&] { LastInGuard(); });
}

void TDataSet::LastInGuard() {
  if (Resync()) MoveFirst();
  int64_t last = InternalRecordCount() - 1;
  if (last < -1) {
    last = std::max<int64_t>(record_, 0);
    if (InternalSeek(last)) {
      while (InternalSeek(last + 1)) ++last;
    } else {
      last = -1;
    }
  }
  int64_t found = last >= 0 ? SeekAccepted(last, -1) : -1;
  hasRecord_ = found >= 0;
  record_ = found;
  eof_ = true;
  bof_ = !hasRecord_;
  RecordChanged();
}

int64_t TDataSet::MoveBy(int64_t distance) {
  int64_t moved = 0;
  for (; distance > 0 && !eof_; --distance) {
    int64_t before = record_;
    Next();
    if (record_ != before) ++moved;
  }
  for (; distance < 0 && !bof_; ++distance) {
    int64_t before = record_;
    Prior();
    if (record_ != before) ++moved;
  }
  return moved;
}

int64_t TDataSet::RecordCount() {
  CheckActive();
  int64_t count = 0;
  Guarded([&] {
    if (Resync()) MoveFirst();
    count = InternalRecordCount();
    if (count >= 0 && !filtered_) return;
    count = 0;
    for (int64_t record = 0; InternalSeek(record); ++record) {
      hasRecord_ = true;
      if (Accepted()) ++count;
    }
    hasRecord_ = record_ >= 0 && InternalSeek(record_);
    CalculateFields();
  });
  return count;
}

int64_t TDataSet::RecNo() const { return hasRecord_ ? record_ + 1 : 0; }

TBookmark TDataSet::GetBookmark() const {
  return hasRecord_ ? TBookmark{record_, generation_} : TBookmark{};
}

// Told without moving the cursor: a bookmark of the same records, below the record count when
// the back end knows it.
bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
  if (!active_ || !bookmark.Valid() || bookmark.generation != generation_) return false;
  const int64_t count = const_cast<TDataSet&>(*this).InternalRecordCount();
  return count < 0 || bookmark.record < count;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckActive();
  Guarded([&] {
    if (!BookmarkValid(bookmark) || !InternalSeek(bookmark.record)) {
      if (hasRecord_) InternalSeek(record_);
      RaiseError("Record not found");
    }
    record_ = bookmark.record;
    hasRecord_ = true;
    bof_ = eof_ = false;
    RecordChanged();
  });
}

bool TDataSet::Locate(std::string_view keyFields, const std::vector<Variant>& keyValues) {
  CheckActive();
  bool found = false;
  Guarded([&] { found = LocateInGuard(keyFields, keyValues); });
  return found;
}

bool TDataSet::LocateInGuard(std::string_view keyFields, const std::vector<Variant>& keyValues) {
  if (Resync()) MoveFirst();
  std::vector<TField*> keys;
  for (const std::string& name : SplitFieldNames(keyFields)) keys.push_back(FieldByName(name));
  if (keys.size() != keyValues.size()) {
    RaiseError(fmt::format("{} key fields but {} key values", keys.size(), keyValues.size()));
  }
  auto matches = [&] {
    for (size_t i = 0; i < keys.size(); ++i) {
      if (Compare(keys[i]->Value(), keyValues[i]) != vcEqual) return false;
    }
    return true;
  };
  for (int64_t record = SeekAccepted(0, 1); record >= 0; record = SeekAccepted(record + 1, 1)) {
    if (matches()) {
      record_ = record;
      bof_ = eof_ = false;
      RecordChanged();
      return true;
    }
  }
  hasRecord_ = record_ >= 0 && InternalSeek(record_);
  CalculateFields();
  return false;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ == 0) RecordChanged();
}

void TDataSet::RecordChanged() {
  CalculateFields();
  // Details follow at once, whether controls are enabled or not.
  for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) {
    for (TDataSet* detail : std::vector<TDataSet*>(source->details_)) detail->MasterRecordChanged();
  }
  if (ControlsDisabled()) return;
  for (TDataSource* source : dataSources_) {
    if (source->Enabled() && source->OnDataChange) source->OnDataChange(*source);
  }
}

void TDataSet::CalculateFields() {
  if (calcValues_.empty() || calculating_) return;
  calculating_ = true;
  try {
    std::fill(calcValues_.begin(), calcValues_.end(), Variant::Null());
    if (hasRecord_) {
      for (const auto& field : fields_) {
        if (field->FieldKind() == fkLookup) {
          calcValues_[static_cast<size_t>(field->Index())] = LookupValue(*field);
        }
      }
      if (OnCalcFields) OnCalcFields(*this);
    }
  } catch (...) {
    calculating_ = false;
    throw;
  }
  calculating_ = false;
}

Variant TDataSet::LookupValue(const TField& field) {
  TDataSet* lookup = field.lookupDataSet_;
  if (lookup == nullptr || !lookup->Active()) return Variant::Null();
  if (lookup->calculating_) RaiseError("Circular lookup fields are not allowed");
  std::vector<Variant> keyValues;
  for (const std::string& name : SplitFieldNames(field.KeyFields)) {
    keyValues.push_back(FieldByName(name)->Value());
  }
  TBookmark saved = lookup->GetBookmark();
  Variant value = Variant::Null();
  if (lookup->Locate(field.LookupKeyFields, keyValues)) {
    value = lookup->FieldByName(field.LookupResultField)->Value();
  }
  if (saved.Valid()) lookup->GotoBookmark(saved);
  return value;
}

// ---------------------------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  for (TDataSet* detail : details_) detail->masterLink_ = nullptr;
  SetDataSet(nullptr);
}

const TClassInfo& TDataSource::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TDataSource, TComponent>("TDataSource")
          .Boolean("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit, true)
          .Object<TDataSet>("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
          .Boolean("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled, true)
          .Creatable();
  return info;
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet_ == dataSet) return;
  if (dataSet_ != nullptr) std::erase(dataSet_->dataSources_, this);
  dataSet_ = dataSet;
  if (dataSet_ != nullptr) dataSet_->dataSources_.push_back(this);
}

}  // namespace qr2vor
