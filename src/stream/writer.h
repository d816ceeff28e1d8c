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

// Writes component trees as a component stream: every published property that differs from its
// default, in description order, then the defined properties, then the children.
class TWriter : public TFiler, public TValueWriter {
 public:
  explicit TWriter(TStream& stream, int bufferSize = kFilerBufferSize);
  // Writes out what is still buffered; call FlushBuffer first to see a failure.
  ~TWriter() override;
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  // The signature and the object record of `root` (no ancestor: every object is written whole).
  void WriteDescendent(TComponent& root);
  void WriteComponent(TComponent& component);
  void WriteProperties(TPersistent& instance);
  void WriteProperty(TPersistent& instance, const TPropInfo& property);
  void WriteCollection(TCollection& collection);

  // Values.
  void WriteSignature();
  void WriteValue(TValueType value);
  void WriteInteger(int32_t value) override;
  void WriteString(std::string_view value) override;
  // "False", "True" and "nil" (any case) become their own tags; anything else an identifier.
  void WriteIdent(std::string_view value) override;
  void WriteBoolean(bool value) override;
  void WriteChar(char value);
  void WriteFloat(double value) override;
  // Tag 5 and all 64 mantissa bits of `value`.
  void WriteExtended(long double value);
  void WriteSet(uint32_t value, const TEnumInfo& elements);
  void WriteBinary(const std::function<void(TStream&)>& producer);
  void WriteListBegin() override;
  void WriteListEnd() override;
  // A bare short string, cut to 255 characters: class, object and property names.
  void WriteStr(std::string_view value);
  // The current property path prefix followed by `name`.
  void WritePropName(std::string_view name);
  void Write(const void* buffer, size_t count);
  // A bare little-endian length (long strings, binary values).
  void WriteUInt32(uint32_t value);
  void FlushBuffer();

  TComponent* Root() const { return root_; }

  void DefineProperty(std::string_view name, const TReaderProc& readProc,
                      const TWriterProc& writeProc, bool hasData) override;
  void DefineBinaryProperty(std::string_view name, const TStreamProc& readProc,
                            const TStreamProc& writeProc, bool hasData) override;

 private:
  // How a component reference is written: "Name", "Owner", "Owner.Name" or "Name.Owner".
  std::string ReferenceName(const TComponent& component) const;

  TStream& stream_;
  std::vector<uint8_t> buffer_;
  size_t bufPos_ = 0;
  TComponent* root_ = nullptr;
  std::string propPath_;
};

}  // namespace qr2vor
