#include "stream/writer.h"

#include <cstring>
#include <utility>

#include "rtl/byte_order.h"
#include "rtl/exceptions.h"
#include "stream/extended.h"

namespace qr2vor {

TWriter::TWriter(TStream& stream, int bufferSize)
    : stream_(stream), buffer_(static_cast<size_t>(std::max(bufferSize, 16))) {}

TWriter::~TWriter() {
  try {
    FlushBuffer();
  } catch (const Exception&) {
    // A destructor cannot report; callers that care call FlushBuffer themselves.
  }
}

void TWriter::FlushBuffer() {
  if (bufPos_ == 0) return;
  const size_t count = bufPos_;
  bufPos_ = 0;
  stream_.WriteBuffer(buffer_.data(), count);
}

void TWriter::Write(const void* buffer, size_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    if (bufPos_ == buffer_.size()) FlushBuffer();
    const size_t n = std::min(count, buffer_.size() - bufPos_);
    std::memcpy(buffer_.data() + bufPos_, in, n);
    bufPos_ += n;
    in += n;
    count -= n;
  }
}

void TWriter::WriteValue(TValueType value) {
  const auto byte = static_cast<uint8_t>(value);
  Write(&byte, 1);
}

void TWriter::WriteSignature() { Write(kSignature, sizeof kSignature); }

void TWriter::WriteInteger(int32_t value) {
  if (value >= -128 && value <= 127) {
    WriteValue(vaInt8);
    const auto b = static_cast<uint8_t>(value);
    Write(&b, 1);
  } else if (value >= -32768 && value <= 32767) {
    WriteValue(vaInt16);
    uint8_t b[2];
    StoreLE16(b, static_cast<uint16_t>(value));
    Write(b, sizeof b);
  } else {
    WriteValue(vaInt32);
    WriteUInt32(static_cast<uint32_t>(value));
  }
}

void TWriter::WriteUInt32(uint32_t value) {
  uint8_t b[4];
  StoreLE32(b, value);
  Write(b, sizeof b);
}

void TWriter::WriteStr(std::string_view value) {
  const auto length = static_cast<uint8_t>(std::min<size_t>(value.size(), 255));
  Write(&length, 1);
  Write(value.data(), length);
}

void TWriter::WriteString(std::string_view value) {
  if (value.size() <= 255) {
    WriteValue(vaString);
    WriteStr(value);
    return;
  }
  WriteValue(vaLString);
  WriteUInt32(static_cast<uint32_t>(value.size()));
  Write(value.data(), value.size());
}

void TWriter::WriteIdent(std::string_view value) {
  if (SameText(value, "False")) {
    WriteValue(vaFalse);
  } else if (SameText(value, "True")) {
    WriteValue(vaTrue);
  } else if (SameText(value, "nil")) {
    WriteValue(vaNil);
  } else {
    WriteValue(vaIdent);
    WriteStr(value);
  }
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteChar(char value) { WriteString(std::string_view(&value, 1)); }

void TWriter::WriteExtended(long double value) {
  WriteValue(vaExtended);
  const Extended80 bytes = LongDoubleToExtended(value);
  Write(bytes.data(), bytes.size());
}

void TWriter::WriteFloat(double value) {
  WriteValue(vaExtended);
  const Extended80 bytes = DoubleToExtended(value);
  Write(bytes.data(), bytes.size());
}

void TWriter::WriteSet(uint32_t value, const TEnumInfo& elements) {
  WriteValue(vaSet);
  // Bits without an element name cannot be written: an empty name would end the set early.
  for (int bit = 0; bit < 32; ++bit) {
    const std::string name = elements.NameOf(bit);
    if ((value & (uint32_t{1} << bit)) != 0 && !name.empty()) WriteStr(name);
  }
  WriteStr("");
}

void TWriter::WriteBinary(const std::function<void(TStream&)>& producer) {
  TMemoryStream data;
  producer(data);
  WriteValue(vaBinary);
  WriteUInt32(static_cast<uint32_t>(data.Bytes().size()));
  Write(data.Bytes().data(), data.Bytes().size());
}

void TWriter::WriteListBegin() { WriteValue(vaList); }

void TWriter::WriteListEnd() { WriteValue(vaNull); }

void TWriter::WritePropName(std::string_view name) {
  WriteStr(propPath_.empty() ? std::string(name) : propPath_ + std::string(name));
}

void TWriter::WriteDescendent(TComponent& root) {
  root_ = &root;
  WriteSignature();
  WriteComponent(root);
}

void TWriter::WriteComponent(TComponent& component) {
  component.IncludeState(csWriting);
  // Keep the header of an object record in one piece of the buffer.
  if (component.ClassName().size() + component.Name().size() + 9 > buffer_.size() - bufPos_) {
    FlushBuffer();
  }
  WriteStr(component.ClassName());
  WriteStr(component.Name());
  WriteProperties(component);
  WriteListEnd();
  component.GetChildren([this](TComponent* child) { WriteComponent(*child); }, root_);
  WriteListEnd();
  component.ExcludeState(csWriting);
}

void TWriter::WriteProperties(TPersistent& instance) {
  for (const TPropInfo& property : instance.ClassInfo().Properties()) {
    if (property.Writable() && property.IsStored(instance)) WriteProperty(instance, property);
  }
  instance.DefineProperties(*this);
}

std::string TWriter::ReferenceName(const TComponent& component) const {
  if (&component == root_) return "Owner";
  const TComponent* owner = component.Owner();
  if (owner == nullptr) return component.Name() + ".Owner";
  if (owner == root_) return component.Name();
  return owner->Name() + "." + component.Name();
}

void TWriter::WriteProperty(TPersistent& instance, const TPropInfo& property) {
  switch (property.kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet: {
      const int64_t value = property.getOrd(instance);
      if (property.defaultValue && *property.defaultValue == value) return;
      WritePropName(property.name);
      if (property.kind == TTypeKind::tkInteger) {
        std::string ident;
        if (IntToIdentOf(*property.intType, static_cast<int32_t>(value), ident)) {
          WriteIdent(ident);
        } else {
          WriteInteger(static_cast<int32_t>(value));
        }
      } else if (property.kind == TTypeKind::tkChar) {
        WriteChar(static_cast<char>(value));
      } else if (property.kind == TTypeKind::tkEnumeration) {
        WriteIdent(property.enumType->NameOf(value));
      } else {
        WriteSet(static_cast<uint32_t>(value), *property.enumType);
      }
      return;
    }
    case TTypeKind::tkFloat: {
      const double value = property.getFloat(instance);
      if (value == 0) return;
      WritePropName(property.name);
      WriteFloat(value);
      return;
    }
    case TTypeKind::tkString: {
      const std::string value = property.getString(instance);
      if (value.empty()) return;
      WritePropName(property.name);
      WriteString(value);
      return;
    }
    case TTypeKind::tkClass: {
      TPersistent* value = property.getObject(instance);
      if (value == nullptr) return;
      if (const auto* component = dynamic_cast<const TComponent*>(value)) {
        const std::string reference = ReferenceName(*component);
        if (reference.empty()) return;
        WritePropName(property.name);
        WriteIdent(reference);
      } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
        WritePropName(property.name);
        WriteCollection(*collection);
      } else {
        const std::string saved = propPath_;
        propPath_ += property.name + ".";
        WriteProperties(*value);
        propPath_ = saved;
      }
      return;
    }
    case TTypeKind::tkMethod: {
      const TMethod method = property.getMethod(instance);
      if (!method.Assigned() || root_ == nullptr || !root_->ClassInfo().HasMethod(method.name)) {
        return;
      }
      WritePropName(property.name);
      WriteIdent(method.name);
      return;
    }
  }
}

void TWriter::WriteCollection(TCollection& collection) {
  WriteValue(vaCollection);
  const std::string saved = std::exchange(propPath_, {});
  for (int i = 0; i < collection.Count(); ++i) {
    WriteListBegin();
    WriteProperties(*collection.Items(i));
    WriteListEnd();
  }
  WriteListEnd();
  propPath_ = saved;
}

void TWriter::DefineProperty(std::string_view name, const TReaderProc&,
                             const TWriterProc& writeProc, bool hasData) {
  if (!hasData || !writeProc) return;
  WritePropName(name);
  writeProc(*this);
}

void TWriter::DefineBinaryProperty(std::string_view name, const TStreamProc&,
                                   const TStreamProc& writeProc, bool hasData) {
  if (!hasData || !writeProc) return;
  WritePropName(name);
  WriteBinary(writeProc);
}

}  // namespace qr2vor
