#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/collection.h"
#include "rtl/component.h"
#include "rtl/persistent.h"
#include "rtl/streams.h"
#include "stream/format.h"

namespace qr2vor {

// Reads a component stream: values, property records and object records, into objects created
// through the class registry and described by their class descriptions.
//
// Every read goes through one buffer and one bounds check; a length field is checked against the
// bytes that remain before anything is allocated, and nesting is limited, so any byte sequence
// ends in an exception rather than a crash.
// The collection items, outermost first, whose records hold a value being read.
using TItemPath = std::vector<const TCollectionItem*>;

class TReader : public TFiler, public TValueReader {
 public:
  // Hooks, each optional.
  // Asked with an error's message; setting `handled` lets reading go on.
  using TErrorHook = std::function<void(TReader&, const std::string& message, bool& handled)>;
  // Asked for an event handler name; `found` starts as whether the root publishes the method,
  // `error` as its negation.
  using TFindMethodHook =
      std::function<void(TReader&, const std::string& name, bool& found, bool& error)>;
  using TSetNameHook = std::function<void(TReader&, TComponent*, std::string& name)>;
  // Asked for an inherited object missing from the root; may supply one.
  using TAncestorNotFoundHook = std::function<void(TReader&, const std::string& name,
                                                   const TClassInfo* type, TComponent*& component)>;
  using TReferenceNameHook = std::function<void(TReader&, std::string& name)>;

  explicit TReader(TStream& stream, int bufferSize = kFilerBufferSize);
  // Moves the stream back over buffered bytes not consumed, so it stands behind the last read.
  ~TReader() override;
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  TErrorHook OnError;
  TFindMethodHook OnFindMethod;
  TSetNameHook OnSetName;
  TAncestorNotFoundHook OnAncestorNotFound;
  TReferenceNameHook OnReferenceName;

  // Reads a whole tree. With a root given, the stream's root record fills it; without one the
  // root's class comes from the registry and the caller owns the result.
  TComponent* ReadRootComponent(TComponent* root);
  // Reads one child object record under the current owner and parent; nullptr when skipped.
  TComponent* ReadComponent();
  // Property records of `instance` until the end byte, then its children.
  void ReadData(TComponent& instance);
  void ReadProperty(TPersistent& instance);
  void ReadCollection(TCollection& collection);

  TComponent* Root() const { return root_; }
  TComponent* Owner() const { return owner_; }
  TComponent* Parent() const { return parent_; }
  void SetOwner(TComponent* owner) { owner_ = owner; }
  void SetParent(TComponent* parent) { parent_ = parent; }

  // Values.
  void ReadSignature();
  void ReadPrefix(uint8_t& flags, int& position);
  TValueType ReadValue();
  TValueType NextValue();
  bool EndOfList() override;
  void ReadListBegin() override;
  void ReadListEnd() override;
  int32_t ReadInteger() override;
  int64_t ReadInt64();
  double ReadFloat() override;
  std::string ReadString() override;
  std::string ReadIdent() override;
  bool ReadBoolean() override;
  char ReadChar();
  // A bare short string: class, object and property names.
  std::string ReadStr();
  // Reads a set value into a bit mask over the element names of `elements`.
  uint32_t ReadSet(const TEnumInfo& elements);
  // Reads the length of a binary or long string value and checks it against what remains.
  uint32_t ReadLength();
  void Read(void* buffer, size_t count);
  uint8_t ReadByte();
  // Bare little-endian integers (payloads of value tags).
  uint16_t ReadUInt16();
  uint32_t ReadUInt32();
  uint64_t ReadUInt64();

  void SkipValue();
  void SkipProperty();
  // Skips an object record; with `skipHeader` false the prefix and names were already read.
  void SkipComponent(bool skipHeader);

  // TFiler: pseudo-properties of the object being read.
  void DefineProperty(std::string_view name, const TReaderProc& readProc,
                      const TWriterProc& writeProc, bool hasData) override;
  void DefineBinaryProperty(std::string_view name, const TStreamProc& readProc,
                            const TStreamProc& writeProc, bool hasData) override;

  // Asks the error hook; true when it handled the error.
  bool Error(const std::string& message);

 private:
  struct Fixup {
    TPersistent* instance;
    const TPropInfo* property;
    std::string name;
    TComponent* component;  // the component whose record held the reference
    TItemPath items;        // the collection items whose records held it, outermost first
  };
  class DepthGuard;

  void ReadBuffer();
  // The tag just read does not fit: give it back, skip the whole value and fail.
  [[noreturn]] void PropValueError();
  void ReadPropValue(TPersistent& instance, const TPropInfo& property);
  void ReadReference(TPersistent& instance, const TPropInfo& property);
  void ReadMethod(TPersistent& instance, const TPropInfo& property);
  std::string ReadLongString(uint32_t length);
  const TClassInfo& FindComponentClass(std::string_view name) const;
  // Frees the components created since `mark` (a failed object and what it holds).
  void DiscardCreatedSince(size_t mark);
  void FixupReferences();
  // Drops the references held inside the items of `collection`, which are about to be freed.
  void ForgetFixupsIn(const TCollection& collection);
  // Whether `name` is the property waiting for a defined property; claims it when it is.
  bool ClaimDefinedProperty(std::string_view name);
  int64_t RemainingBytes();

  TStream& stream_;
  std::vector<uint8_t> buffer_;
  size_t bufPos_ = 0;
  size_t bufEnd_ = 0;
  int depth_ = 0;

  TComponent* root_ = nullptr;
  TComponent* owner_ = nullptr;
  TComponent* parent_ = nullptr;
  TComponent* current_ = nullptr;  // the component whose record is being read
  std::vector<TComponent*> loaded_;
  std::vector<TComponent*> created_;
  std::vector<Fixup> fixups_;
  TItemPath items_;  // the collection items whose records are being read, outermost first
  // The last part of the property name being read while the object's defined properties are
  // asked for it; the one whose name matches claims the value.
  const std::string* definedName_ = nullptr;
  bool definedClaimed_ = false;
};

// References into other roots ("Form.Component") wait in a process-wide list until their root
// exists; each reader resolves what it can when its tree is loaded.
void GlobalFixupReferences();
// How many references are still waiting (tests use it).
size_t PendingGlobalFixups();

}  // namespace qr2vor
