#include "stream/reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "rtl/byte_order.h"
#include "rtl/codepage.h"
#include "rtl/exceptions.h"
#include "stream/extended.h"
#include "stream/registry.h"

namespace qr2vor {

namespace {

// A reference into another root, waiting for that root. A guard component asks every holder for
// free notification, so a waiting reference never outlives the object it would fill.
struct GlobalFixup {
  TPersistent* instance;
  const TPropInfo* property;
  std::string rootName;
  std::string name;
  TComponent* component;
  TItemPath items;
};

class GlobalFixupList : public TComponent {
 public:
  GlobalFixupList() : TComponent(nullptr) {}
  std::vector<GlobalFixup> fixups;

  void Add(GlobalFixup fixup) {
    fixup.component->FreeNotification(this);
    fixups.push_back(std::move(fixup));
  }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove) {
      std::erase_if(fixups, [&](const GlobalFixup& f) { return f.component == component; });
    }
  }
};

GlobalFixupList& GlobalFixups() {
  static GlobalFixupList list;
  return list;
}

TComponent* FindNestedComponent(TComponent* root, std::string_view name) {
  if (root == nullptr) return nullptr;
  if (TComponent* found = root->FindComponent(name)) return found;
  return SameText(name, "Owner") ? root : nullptr;
}

std::string LowLevelName(const TComponent* component) {
  return component->Name().empty() ? component->ClassName() : component->Name();
}

}  // namespace

void GlobalFixupReferences() {
  auto& list = GlobalFixups();
  // Resolving may free nothing, but setting a property may start notifications; work on a copy.
  std::vector<GlobalFixup> pending = list.fixups;
  for (const GlobalFixup& fixup : pending) {
    TComponent* root = FindGlobalComponent(fixup.rootName);
    if (root == nullptr) continue;
    const auto it = std::find_if(list.fixups.begin(), list.fixups.end(), [&](const auto& f) {
      return f.instance == fixup.instance && f.property == fixup.property;
    });
    if (it == list.fixups.end()) continue;
    list.fixups.erase(it);
    fixup.property->setObject(*fixup.instance, FindNestedComponent(root, fixup.name));
  }
}

size_t PendingGlobalFixups() { return GlobalFixups().fixups.size(); }

TValueCursor::Level::Level(TValueCursor& cursor) : cursor_(cursor) {
  if (++cursor_.depth_ > kMaxNestingDepth) {
    --cursor_.depth_;
    throw EStreamBroken(msg::kInvalidStreamFormat);
  }
}

TValueCursor::TValueCursor(TStream& stream, int bufferSize)
    : stream_(stream), buffer_(static_cast<size_t>(std::max(bufferSize, 1))) {}

TValueCursor::~TValueCursor() {
  if (bufEnd_ > bufPos_) {
    stream_.Seek(-static_cast<int64_t>(bufEnd_ - bufPos_), TSeekOrigin::soCurrent);
  }
}

void TValueCursor::ReadBuffer() {
  base_ += static_cast<int64_t>(bufEnd_);
  bufEnd_ = stream_.Read(buffer_.data(), buffer_.size());
  bufPos_ = 0;
  if (bufEnd_ == 0) throw EStreamBroken(msg::kStreamRead);
}

void TValueCursor::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (bufPos_ == bufEnd_) ReadBuffer();
    const size_t n = std::min(count, bufEnd_ - bufPos_);
    std::memcpy(out, buffer_.data() + bufPos_, n);
    bufPos_ += n;
    out += n;
    count -= n;
  }
}

uint8_t TValueCursor::ReadByte() {
  if (bufPos_ == bufEnd_) ReadBuffer();
  return buffer_[bufPos_++];
}

int64_t TValueCursor::RemainingBytes() {
  return static_cast<int64_t>(bufEnd_ - bufPos_) + stream_.Remaining();
}

uint16_t TValueCursor::ReadUInt16() {
  uint8_t bytes[2];
  Read(bytes, sizeof bytes);
  return LoadLE16(bytes);
}

uint32_t TValueCursor::ReadUInt32() {
  uint8_t bytes[4];
  Read(bytes, sizeof bytes);
  return LoadLE32(bytes);
}

uint64_t TValueCursor::ReadUInt64() {
  uint8_t bytes[8];
  Read(bytes, sizeof bytes);
  return LoadLE64(bytes);
}

uint32_t TValueCursor::ReadLength() {
  const uint32_t length = ReadUInt32();
  if (length > bufEnd_ - bufPos_ && static_cast<int64_t>(length) > RemainingBytes()) {
    throw EStreamBroken(msg::kStreamRead);
  }
  return length;
}

void TValueCursor::ReadSignature() {
  char signature[4];
  Read(signature, 4);
  if (std::memcmp(signature, kSignature, 4) != 0) throw EReadError(msg::kInvalidStreamFormat);
}

void TValueCursor::ReadPrefix(uint8_t& flags, int& position) {
  flags = 0;
  position = -1;
  if ((NextValue() & kPrefixMask) != kPrefixMask) return;
  flags = ReadByte() & 0x0F;
  if ((flags & ffChildPos) != 0) position = ReadInteger();
}

TValueType TValueCursor::ReadValue() { return static_cast<TValueType>(ReadByte()); }

TValueType TValueCursor::NextValue() {
  const TValueType value = ReadValue();
  --bufPos_;
  return value;
}

bool TValueCursor::EndOfList() { return NextValue() == vaNull; }

void TValueCursor::PropValueError() {
  --bufPos_;  // the tag byte just read is still in the buffer
  SkipValue();
  throw EReadError(msg::kInvalidPropertyValue);
}

void TValueCursor::ReadListBegin() {
  if (ReadValue() != vaList) PropValueError();
}

void TValueCursor::ReadListEnd() {
  if (ReadValue() != vaNull) PropValueError();
}

void TValueCursor::ReadListElements(const std::function<void()>& readElement) {
  while (!EndOfList()) readElement();
}

int64_t TValueCursor::ReadInt64() {
  switch (ReadValue()) {
    case vaInt8:
      return static_cast<int8_t>(ReadByte());
    case vaInt16:
      return static_cast<int16_t>(ReadUInt16());
    case vaInt32:
      return static_cast<int32_t>(ReadUInt32());
    case vaInt64:
      return static_cast<int64_t>(ReadUInt64());
    default:
      PropValueError();
  }
}

int32_t TValueCursor::ReadInteger() {
  const int64_t value = ReadInt64();
  if (value < INT32_MIN || value > INT32_MAX) throw EReadError(msg::kInvalidPropertyValue);
  return static_cast<int32_t>(value);
}

double TValueCursor::ReadFloat() {
  switch (ReadValue()) {
    case vaExtended: {
      Extended80 bytes;
      Read(bytes.data(), bytes.size());
      return ExtendedToDouble(bytes);
    }
    case vaSingle:
      return std::bit_cast<float>(ReadUInt32());
    case vaDouble:
    case vaDate:
      return std::bit_cast<double>(ReadUInt64());
    case vaCurrency:
      return static_cast<double>(static_cast<int64_t>(ReadUInt64())) / 10000.0;
    default:
      --bufPos_;
      return static_cast<double>(ReadInt64());
  }
}

long double TValueCursor::ReadExtended() {
  if (NextValue() != vaExtended) return ReadFloat();
  ReadValue();
  Extended80 bytes;
  Read(bytes.data(), bytes.size());
  return ExtendedToLongDouble(bytes);
}

std::string TValueCursor::ReadLongString(uint32_t length) {
  std::string text(length, '\0');
  Read(text.data(), length);
  return text;
}

std::string TValueCursor::ReadString() {
  switch (ReadValue()) {
    case vaString: {
      const uint8_t length = ReadByte();
      return ReadLongString(length);
    }
    case vaLString:
      return ReadLongString(ReadLength());
    case vaUTF8String:
      return Utf8ToCodePage(ReadLongString(ReadLength()), codePage_, &lostCharacters_);
    case vaWString: {
      const uint64_t units = ReadUInt32();
      if (static_cast<int64_t>(units * 2) > RemainingBytes()) throw EStreamBroken(msg::kStreamRead);
      std::u16string text(units, u'\0');
      for (char16_t& unit : text) unit = static_cast<char16_t>(ReadUInt16());
      return Utf16ToCodePage(text, codePage_, &lostCharacters_);
    }
    default:
      PropValueError();
  }
}

std::string TValueCursor::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent:
      return ReadStr();
    case vaFalse:
      return "False";
    case vaTrue:
      return "True";
    case vaNil:
      return "nil";
    default:
      PropValueError();
  }
}

bool TValueCursor::ReadBoolean() {
  switch (ReadValue()) {
    case vaTrue:
      return true;
    case vaFalse:
      return false;
    default:
      PropValueError();
  }
}

char TValueCursor::ReadChar() {
  if (ReadValue() != vaString) PropValueError();
  const uint8_t length = ReadByte();
  if (length != 1) {
    ReadLongString(length);
    throw EReadError(msg::kInvalidPropertyValue);
  }
  return static_cast<char>(ReadByte());
}

std::string TValueCursor::ReadStr() {
  const uint8_t length = ReadByte();
  return ReadLongString(length);
}

std::vector<std::string> TValueCursor::ReadSetNames() {
  if (ReadValue() != vaSet) PropValueError();
  std::vector<std::string> names;
  for (std::string name = ReadStr(); !name.empty(); name = ReadStr()) {
    names.push_back(std::move(name));
  }
  return names;
}

uint32_t TValueCursor::ReadSet(const TEnumInfo& elements) {
  uint32_t result = 0;
  for (const std::string& name : ReadSetNames()) {
    const int ordinal = elements.Ordinal(name);
    if (ordinal < 0 || ordinal > 31) throw EReadError(msg::kInvalidPropertyValue);
    result |= uint32_t{1} << ordinal;
  }
  return result;
}

std::string TValueCursor::ReadBinary() {
  if (ReadValue() != vaBinary) PropValueError();
  return ReadLongString(ReadLength());
}

bool TValueCursor::ReadItemStart() {
  if (EndOfList()) {
    ReadByte();
    return false;
  }
  const TValueType next = NextValue();
  if (next == vaInt8 || next == vaInt16 || next == vaInt32) ReadInt64();
  if (ReadValue() != vaList) throw EStreamBroken(msg::kInvalidStreamFormat);
  return true;
}

void TValueCursor::SkipValue() {
  const auto skipBytes = [this](uint64_t count) {
    uint8_t scratch[256];
    while (count > 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(count, sizeof scratch));
      Read(scratch, n);
      count -= n;
    }
  };
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaList: {
      Level level(*this);
      while (!EndOfList()) SkipValue();
      ReadByte();
      break;
    }
    case vaInt8:
      skipBytes(1);
      break;
    case vaInt16:
      skipBytes(2);
      break;
    case vaInt32:
    case vaSingle:
      skipBytes(4);
      break;
    case vaExtended:
      skipBytes(10);
      break;
    case vaCurrency:
    case vaDate:
    case vaInt64:
    case vaDouble:
      skipBytes(8);
      break;
    case vaString:
    case vaIdent:
      skipBytes(ReadByte());
      break;
    case vaBinary:
    case vaLString:
    case vaUTF8String:
      skipBytes(ReadLength());
      break;
    case vaWString:
      skipBytes(2 * uint64_t{ReadUInt32()});
      break;
    case vaSet:
      while (!ReadStr().empty()) {
      }
      break;
    case vaCollection: {
      Level level(*this);
      while (ReadItemStart()) {
        while (!EndOfList()) SkipProperty();
        ReadByte();
      }
      break;
    }
    default:
      throw EStreamBroken(msg::kInvalidStreamFormat);
  }
}

void TValueCursor::SkipProperty() {
  ReadStr();
  SkipValue();
}

void TValueCursor::SkipComponent(bool skipHeader) {
  Level level(*this);
  if (skipHeader) {
    uint8_t flags;
    int position;
    ReadPrefix(flags, position);
    ReadStr();
    ReadStr();
  }
  while (!EndOfList()) SkipProperty();
  ReadByte();
  while (!EndOfList()) SkipComponent(true);
  ReadByte();
}

TReader::TReader(TStream& stream, int bufferSize) : TValueCursor(stream, bufferSize) {}

bool TReader::Error(const std::string& message) {
  bool handled = false;
  if (OnError) OnError(*this, message, handled);
  return handled;
}

const TClassInfo& TReader::FindComponentClass(std::string_view name) const {
  if (root_ != nullptr) {
    for (const TClassInfo* c = &root_->ClassInfo(); c != nullptr; c = c->Parent()) {
      for (const TClassInfo* field : c->FieldClasses()) {
        if (SameText(field->Name(), name)) return *field;
      }
    }
  }
  return FindClass(name);
}

TComponent* TReader::ReadRootComponent(TComponent* root) {
  ReadSignature();
  uint8_t flags;
  int position;
  ReadPrefix(flags, position);
  std::unique_ptr<TComponent> created;
  if (root != nullptr) {
    ReadStr();
    std::string name = ReadStr();
    if (!root->HasState(csDesigning)) {
      // The root takes a name no other open root holds: "Name", else "Name_1", "Name_2", ...
      std::string unique = name;
      for (int i = 1; !unique.empty() && FindGlobalComponent(unique) != nullptr &&
                      FindGlobalComponent(unique) != root;
           ++i) {
        unique = fmt::format("{}_{}", name, i);
      }
      root->SetName(unique);
    }
  } else {
    const TClassInfo& type = FindClass(ReadStr());
    if (!type.Factory()) throw EClassNotFound(fmt::runtime(msg::kClassNotFound), type.Name());
    created.reset(type.Factory()(nullptr));
    root = created.get();
    root->SetName(ReadStr());
  }
  root_ = owner_ = current_ = root;
  parent_ = nullptr;
  loaded_.assign(1, root);
  root->IncludeState(csLoading | csReading);
  ReadData(*root);
  root->ExcludeState(csReading);
  FixupReferences();
  const std::vector<TComponent*> loaded = std::move(loaded_);
  loaded_.clear();
  created_.clear();
  for (TComponent* component : loaded) component->Loaded();
  GlobalFixupReferences();
  return created ? created.release() : root;
}

void TReader::ReadData(TComponent& instance) {
  TComponent* const savedCurrent = current_;
  current_ = &instance;
  while (!EndOfList()) ReadProperty(instance);
  ReadListEnd();
  TComponent* const savedParent = parent_;
  TComponent* const savedOwner = owner_;
  parent_ = instance.GetChildParent();
  owner_ = instance.GetChildOwner();
  if (owner_ == nullptr) owner_ = root_;
  while (!EndOfList()) ReadComponent();
  ReadListEnd();
  parent_ = savedParent;
  owner_ = savedOwner;
  current_ = savedCurrent;
}

void TReader::DiscardCreatedSince(size_t mark) {
  while (created_.size() > mark) {
    TComponent* component = created_.back();
    created_.pop_back();
    std::erase(loaded_, component);
    std::erase_if(fixups_, [&](const Fixup& f) { return f.component == component; });
    delete component;
  }
}

TComponent* TReader::ReadComponent() {
  const Level level(*this);
  uint8_t flags;
  int position;
  ReadPrefix(flags, position);
  const std::string className = ReadStr();
  const std::string name = ReadStr();

  const size_t mark = created_.size();
  TComponent* result = nullptr;
  try {
    if ((flags & ffInherited) != 0) {
      result = root_->FindComponent(name);
      if (result == nullptr && OnAncestorNotFound) {
        OnAncestorNotFound(*this, name, GetClass(className), result);
      }
      if (result == nullptr) throw EReadError(fmt::runtime(msg::kAncestorNotFound), name);
      result->SetParentComponent(parent_);
    } else {
      const TClassInfo& type = FindComponentClass(className);
      if (!type.Factory()) throw EClassNotFound(fmt::runtime(msg::kClassNotFound), className);
      result = type.Factory()(owner_);
      created_.push_back(result);
      result->IncludeState(csLoading);
      result->SetParentComponent(parent_);
      std::string newName = name;
      if (OnSetName) OnSetName(*this, result, newName);
      result->SetName(newName);
    }
  } catch (const Exception& e) {
    DiscardCreatedSince(mark);
    SkipComponent(false);
    if (!Error(e.Message())) throw;
    return nullptr;
  }

  try {
    result->IncludeState(csLoading | csReading);
    ReadData(*result);
    result->ExcludeState(csReading);
    if ((flags & ffChildPos) != 0 && parent_ != nullptr) parent_->SetChildOrder(result, position);
    // An inherited object may have been listed already; a created one is new.
    if ((flags & ffInherited) == 0 ||
        std::find(loaded_.begin(), loaded_.end(), result) == loaded_.end()) {
      loaded_.push_back(result);
    }
  } catch (...) {
    DiscardCreatedSince(mark);
    throw;
  }
  return result;
}

void TReader::ReadProperty(TPersistent& instance) {
  const std::string path = ReadStr();
  // This record is the one errors inside its value are reported for, until it is read.
  struct Scope {
    TReader& reader;
    const TPersistent* savedInstance;
    const std::string* savedPath;
    ~Scope() {
      reader.definedName_ = nullptr;
      reader.propertyInstance_ = savedInstance;
      reader.propertyPath_ = savedPath;
    }
  } scope{*this, propertyInstance_, propertyPath_};
  propertyInstance_ = &instance;
  propertyPath_ = &path;
  try {
    TPersistent* target = &instance;
    size_t start = 0;
    for (size_t dot = path.find('.'); dot != std::string::npos; dot = path.find('.', start)) {
      const TPropInfo* property = target->ClassInfo().FindProperty(path.substr(start, dot - start));
      if (property == nullptr) {
        SkipValue();
        throw EReadError(msg::kUnknownProperty);
      }
      TPersistent* nested =
          property->kind == TTypeKind::tkClass ? property->getObject(*target) : nullptr;
      if (nested == nullptr) {
        SkipValue();
        throw EReadError(msg::kInvalidPropertyPath);
      }
      target = nested;
      start = dot + 1;
    }
    const std::string last = path.substr(start);
    if (const TPropInfo* property = target->ClassInfo().FindProperty(last)) {
      ReadPropValue(*target, *property);
    } else {
      definedName_ = &last;
      definedClaimed_ = false;
      target->DefineProperties(*this);
      definedName_ = nullptr;
      if (!definedClaimed_) {
        SkipValue();
        throw EReadError(msg::kUnknownProperty);
      }
    }
  } catch (const EReadStopped&) {
    throw;
  } catch (const Exception& e) {
    definedName_ = nullptr;
    const std::string message = PropertyErrorMessage(instance, path, e);
    // Only an error raised after its value was skipped leaves the stream in step.
    if (dynamic_cast<const EStreamBroken*>(&e) != nullptr || !Error(message)) {
      throw EReadStopped(message);
    }
  }
}

std::string TReader::PropertyErrorMessage(const TPersistent& instance, const std::string& path,
                                          const Exception& error) const {
  const std::string owner = current_ != nullptr ? LowLevelName(current_) : instance.ClassName();
  return fmt::format(fmt::runtime(msg::kErrorReading), owner, path, error.Message());
}

void TReader::ReadListElements(const std::function<void()>& readElement) {
  while (!EndOfList()) {
    const int64_t start = Position();
    try {
      readElement();
    } catch (const EReadStopped&) {
      throw;
    } catch (const EStreamBroken&) {
      throw;
    } catch (const Exception& e) {
      if (Position() == start) SkipValue();
      if (propertyInstance_ == nullptr || propertyPath_ == nullptr) throw;
      const std::string message = PropertyErrorMessage(*propertyInstance_, *propertyPath_, e);
      if (!Error(message)) throw EReadStopped(message);
    }
  }
}

void TReader::ReadPropValue(TPersistent& instance, const TPropInfo& property) {
  if (!property.Writable()) {
    SkipValue();
    throw EReadError(msg::kReadOnlyProperty);
  }
  switch (property.kind) {
    case TTypeKind::tkInteger: {
      if (NextValue() == vaIdent) {
        const std::string ident = ReadIdent();
        int32_t value = 0;
        if (!IdentToIntOf(*property.intType, ident, value)) {
          throw EReadError(msg::kInvalidPropertyValue);
        }
        property.setOrd(instance, value);
      } else {
        property.setOrd(instance, ReadInteger());
      }
      break;
    }
    case TTypeKind::tkChar:
      property.setOrd(instance, static_cast<unsigned char>(ReadChar()));
      break;
    case TTypeKind::tkEnumeration: {
      const int ordinal = property.enumType->Ordinal(ReadIdent());
      if (ordinal < 0) throw EReadError(msg::kInvalidPropertyValue);
      property.setOrd(instance, ordinal);
      break;
    }
    case TTypeKind::tkSet:
      property.setOrd(instance, ReadSet(*property.enumType));
      break;
    case TTypeKind::tkFloat:
      property.setFloat(instance, ReadFloat());
      break;
    case TTypeKind::tkString:
      property.setString(instance, ReadString());
      break;
    case TTypeKind::tkClass:
      ReadReference(instance, property);
      break;
    case TTypeKind::tkMethod:
      ReadMethod(instance, property);
      break;
  }
}

void TReader::ReadReference(TPersistent& instance, const TPropInfo& property) {
  switch (NextValue()) {
    case vaNil:
      ReadValue();
      property.setObject(instance, nullptr);
      return;
    case vaCollection: {
      auto* collection = dynamic_cast<TCollection*>(property.getObject(instance));
      if (collection == nullptr) {
        SkipValue();
        throw EReadError(msg::kInvalidPropertyValue);
      }
      ReadValue();
      ReadCollection(*collection);
      return;
    }
    default:
      break;
  }
  const std::string name = ReadIdent();
  const size_t dot = name.find('.');
  if (dot == std::string::npos) {
    fixups_.push_back({&instance, &property, name, current_, items_});
  } else if (current_ != nullptr) {
    GlobalFixups().Add(
        {&instance, &property, name.substr(0, dot), name.substr(dot + 1), current_, items_});
  }
}

void TReader::ReadMethod(TPersistent& instance, const TPropInfo& property) {
  if (NextValue() == vaNil) {
    ReadValue();
    property.setMethod(instance, TMethod{});
    return;
  }
  const std::string name = ReadIdent();
  bool found = root_ != nullptr && root_->ClassInfo().HasMethod(name);
  bool error = !found;
  if (OnFindMethod) OnFindMethod(*this, name, found, error);
  if (found) {
    property.setMethod(instance, TMethod{name, root_});
  } else if (error) {
    throw EReadError(msg::kInvalidPropertyValue);
  }
}

void TReader::ReadCollection(TCollection& collection) {
  const Level level(*this);
  collection.BeginUpdate();
  try {
    if (!EndOfList()) {
      ForgetFixupsIn(collection);
      collection.Clear();
    }
    while (ReadItemStart()) {
      TCollectionItem* item = collection.Add();
      items_.push_back(item);
      try {
        while (!EndOfList()) ReadProperty(*item);
        ReadListEnd();
      } catch (...) {
        items_.pop_back();
        throw;
      }
      items_.pop_back();
    }
  } catch (...) {
    collection.EndUpdate();
    throw;
  }
  collection.EndUpdate();
}

void TReader::ForgetFixupsIn(const TCollection& collection) {
  TItemPath freed;
  for (int i = 0; i < collection.Count(); ++i) freed.push_back(collection.Items(i));
  const auto heldInFreed = [&](const TItemPath& items) {
    return std::find_first_of(items.begin(), items.end(), freed.begin(), freed.end()) !=
           items.end();
  };
  std::erase_if(fixups_, [&](const Fixup& f) { return heldInFreed(f.items); });
  std::erase_if(GlobalFixups().fixups, [&](const GlobalFixup& f) { return heldInFreed(f.items); });
}

void TReader::FixupReferences() {
  std::vector<Fixup> fixups = std::move(fixups_);
  fixups_.clear();
  for (Fixup& fixup : fixups) {
    if (OnReferenceName) OnReferenceName(*this, fixup.name);
    fixup.property->setObject(*fixup.instance, FindNestedComponent(root_, fixup.name));
  }
}

bool TReader::ClaimDefinedProperty(std::string_view name) {
  if (definedName_ == nullptr || !SameText(name, *definedName_)) return false;
  definedName_ = nullptr;
  definedClaimed_ = true;
  return true;
}

void TReader::DefineProperty(std::string_view name, const TReaderProc& readProc, const TWriterProc&,
                             bool) {
  if (readProc && ClaimDefinedProperty(name)) readProc(*this);
}

void TReader::DefineBinaryProperty(std::string_view name, const TStreamProc& readProc,
                                   const TStreamProc&, bool) {
  if (!readProc || !ClaimDefinedProperty(name)) return;
  TMemoryStream data(ReadBinary());
  readProc(data);
}

}  // namespace qr2vor
