#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/codepage.h"
#include "rtl/collection.h"
#include "rtl/component.h"
#include "rtl/exceptions.h"
#include "rtl/persistent.h"
#include "rtl/streams.h"
#include "stream/format.h"

namespace qr2vor {

// The stream cannot be followed past this point: a tag no stream holds, nesting too deep, a
// length beyond the input, the input's end inside a record, a collection item without its list.
// Nothing after it can be read in step, so reading stops: the error is never offered to the error
// hook as one to go on from.
class EStreamBroken : public EReadError {
 public:
  using EReadError::EReadError;
};

// Reading stops with an error already given its "Error reading ..." form: a broken stream, or an
// error the error hook did not handle. Raised unchanged through every enclosing record.
class EReadStopped : public EReadError {
 public:
  using EReadError::EReadError;
};

// Walks a component stream value by value: object headers, property names, values of every
// tag, lists, sets and collection items, and skips any of them. The reader builds objects on it;
// the text form and the form outline walk streams with it alone.
//
// Every read goes through one buffer and one bounds check; a length field is checked against the
// bytes that remain before anything is allocated, and nesting is limited, so any byte sequence
// ends in an exception rather than a crash.
class TValueCursor : public TValueReader {
 public:
  explicit TValueCursor(TStream& stream, int bufferSize = kFilerBufferSize);
  // Moves the stream back over buffered bytes not consumed, so it stands behind the last read.
  ~TValueCursor() override;
  TValueCursor(const TValueCursor&) = delete;
  TValueCursor& operator=(const TValueCursor&) = delete;

  // Counts one level of nesting (an object, a list, a collection) for as long as it lives; a
  // stream nesting deeper than kMaxNestingDepth is refused as "Invalid stream format".
  class Level {
   public:
    explicit Level(TValueCursor& cursor);
    ~Level() { --cursor_.depth_; }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

   private:
    TValueCursor& cursor_;
  };

  // UTF-8 and wide strings (of later form files) become bytes of this code page, the process
  // code page unless set; characters it cannot hold become '?' and are counted.
  int CodePage() const { return codePage_; }
  void SetCodePage(int codePage) { codePage_ = codePage; }
  size_t LostCharacters() const { return lostCharacters_; }

  void ReadSignature();
  void ReadPrefix(uint8_t& flags, int& position);
  // A bare short string: class, object and property names.
  std::string ReadStr();

  TValueType ReadValue();
  TValueType NextValue();
  bool EndOfList() override;
  void ReadListBegin() override;
  void ReadListEnd() override;
  void ReadListElements(const std::function<void()>& readElement) override;
  int32_t ReadInteger() override;
  int64_t ReadInt64();
  double ReadFloat() override;
  // A float value with all 64 mantissa bits of an Extended; other float tags and integers are
  // converted.
  long double ReadExtended();
  std::string ReadString() override;
  std::string ReadIdent() override;
  bool ReadBoolean() override;
  char ReadChar();
  // A set value's element names, in stream order.
  std::vector<std::string> ReadSetNames();
  // Reads a set value into a bit mask over the element names of `elements`.
  uint32_t ReadSet(const TEnumInfo& elements);
  // A binary value's bytes.
  std::string ReadBinary();
  // The start of the next item of a collection whose tag has been read: an optional integer
  // index (discarded) and the list-begin byte. At the collection's end byte it consumes that
  // byte and answers false. The item's property records follow, then its end byte.
  bool ReadItemStart();

  void SkipValue();
  void SkipProperty();
  // Skips an object record; with `skipHeader` false the prefix and names were already read.
  void SkipComponent(bool skipHeader);

 protected:
  // Bytes consumed since the cursor was created.
  int64_t Position() const { return base_ + static_cast<int64_t>(bufPos_); }

 private:
  void ReadBuffer();
  void Read(void* buffer, size_t count);
  uint8_t ReadByte();
  // Bare little-endian integers (payloads of value tags).
  uint16_t ReadUInt16();
  uint32_t ReadUInt32();
  uint64_t ReadUInt64();
  // Reads the length of a binary or long string value and checks it against what remains.
  uint32_t ReadLength();
  std::string ReadLongString(uint32_t length);
  int64_t RemainingBytes();
  // The tag just read does not fit: give it back, skip the whole value and fail.
  [[noreturn]] void PropValueError();

  TStream& stream_;
  std::vector<uint8_t> buffer_;
  size_t bufPos_ = 0;
  size_t bufEnd_ = 0;
  int64_t base_ = 0;  // bytes consumed before the buffer's first byte
  int depth_ = 0;
  int codePage_ = ProcessCodePage();
  size_t lostCharacters_ = 0;
};

// The collection items, outermost first, whose records hold a value being read.
using TItemPath = std::vector<const TCollectionItem*>;

// Reads a component stream: property records and object records, into objects created through
// the class registry and described by their class descriptions.
class TReader : public TFiler, public TValueCursor {
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

  // TFiler: pseudo-properties of the object being read.
  void DefineProperty(std::string_view name, const TReaderProc& readProc,
                      const TWriterProc& writeProc, bool hasData) override;
  void DefineBinaryProperty(std::string_view name, const TStreamProc& readProc,
                            const TStreamProc& writeProc, bool hasData) override;

  // Asks the error hook; true when it handled the error.
  bool Error(const std::string& message);

  // An element that fails is skipped (when it was not read at all) and reported to the error hook
  // as an error of the property being read; when handled, the next element is read.
  void ReadListElements(const std::function<void()>& readElement) override;

 private:
  struct Fixup {
    TPersistent* instance;
    const TPropInfo* property;
    std::string name;
    TComponent* component;  // the component whose record held the reference
    TItemPath items;        // the collection items whose records held it, outermost first
  };
  void ReadPropValue(TPersistent& instance, const TPropInfo& property);
  void ReadReference(TPersistent& instance, const TPropInfo& property);
  void ReadMethod(TPersistent& instance, const TPropInfo& property);
  const TClassInfo& FindComponentClass(std::string_view name) const;
  // Frees the components created since `mark` (a failed object and what it holds).
  void DiscardCreatedSince(size_t mark);
  void FixupReferences();
  // Drops the references held inside the items of `collection`, which are about to be freed.
  void ForgetFixupsIn(const TCollection& collection);
  // "Error reading %s.%s: %s" for an error in the value of the property record being read.
  std::string PropertyErrorMessage(const TPersistent& instance, const std::string& path,
                                   const Exception& error) const;
  // Whether `name` is the property waiting for a defined property; claims it when it is.
  bool ClaimDefinedProperty(std::string_view name);

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
  // The property record being read, for the messages of errors inside its value.
  const TPersistent* propertyInstance_ = nullptr;
  const std::string* propertyPath_ = nullptr;
};

// References into other roots ("Form.Component") wait in a process-wide list until their root
// exists; each reader resolves what it can when its tree is loaded.
void GlobalFixupReferences();
// How many references are still waiting (tests use it).
size_t PendingGlobalFixups();

}  // namespace qr2vor
