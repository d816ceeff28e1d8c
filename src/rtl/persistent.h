#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "rtl/typinfo.h"

namespace qr2vor {

class TStream;

// What a defined property's reader procedure may read: the value operations of the stream reader.
class TValueReader {
 public:
  virtual ~TValueReader() = default;
  virtual int32_t ReadInteger() = 0;
  virtual bool ReadBoolean() = 0;
  virtual double ReadFloat() = 0;
  virtual std::string ReadString() = 0;
  virtual std::string ReadIdent() = 0;
  virtual void ReadListBegin() = 0;
  virtual void ReadListEnd() = 0;
  virtual bool EndOfList() = 0;
  // Reads the elements of a list up to its end byte (left unread), each through `readElement`.
  // The stream reader skips an element that fails and, when its error hook handles the error,
  // goes on with the next one, so one bad element does not cost the rest of the list.
  virtual void ReadListElements(const std::function<void()>& readElement) = 0;
};

// What a defined property's writer procedure may write.
class TValueWriter {
 public:
  virtual ~TValueWriter() = default;
  virtual void WriteInteger(int32_t value) = 0;
  virtual void WriteBoolean(bool value) = 0;
  virtual void WriteFloat(double value) = 0;
  virtual void WriteString(std::string_view value) = 0;
  virtual void WriteIdent(std::string_view value) = 0;
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;
};

using TReaderProc = std::function<void(TValueReader&)>;
using TWriterProc = std::function<void(TValueWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

// The common face of the stream reader and writer that objects see in DefineProperties: there
// they declare pseudo-properties, streamed by their own procedures.
class TFiler {
 public:
  virtual ~TFiler() = default;
  virtual void DefineProperty(std::string_view name, const TReaderProc& readProc,
                              const TWriterProc& writeProc, bool hasData) = 0;
  virtual void DefineBinaryProperty(std::string_view name, const TStreamProc& readProc,
                                    const TStreamProc& writeProc, bool hasData) = 0;
};

// The base of every streamable object.
class TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
  const std::string& ClassName() const { return ClassInfo().Name(); }
  bool InheritsFrom(const TClassInfo& type) const { return ClassInfo().InheritsFrom(type); }

  // Copies the state of `source`; a class that cannot take it asks the source to assign itself.
  virtual void Assign(const TPersistent& source);
  virtual void DefineProperties(TFiler& filer);
  // A dotted path naming the object, used in messages.
  virtual std::string GetNamePath() const { return ClassName(); }

 protected:
  // Raises "Cannot assign a %s to a %s" unless a class knows how to fill `dest`.
  virtual void AssignTo(TPersistent& dest) const;
};

}  // namespace qr2vor
