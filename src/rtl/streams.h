#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qr2vor {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream with a position: the medium every reader and writer works on.
class TStream {
 public:
  virtual ~TStream() = default;

  // Moves up to `count` bytes and answers how many were moved.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  int64_t Size();
  int64_t Remaining() { return Size() - Position(); }

  // As Read/Write, but fail with "Stream read error"/"Stream write error" when fewer bytes moved.
  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count);
  void WriteBytes(std::string_view bytes) { WriteBuffer(bytes.data(), bytes.size()); }
  // Copies `count` bytes from `source` at its position (all of it from its start when 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  void SetSize(int64_t size);
  void Clear();
  const std::string& Bytes() const { return data_; }
  std::string TakeBytes();

 private:
  std::string data_;
  int64_t position_ = 0;
};

enum class TFileMode { fmOpenRead, fmCreate };

// A stream over a file; opening fails with "Cannot open file %s" or "Cannot create file %s".
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

 private:
  std::FILE* file_ = nullptr;
  // Input that cannot seek (a pipe) is read to its end when opened and served from memory, so
  // its size is known and readers can move back over what they buffered.
  std::unique_ptr<TMemoryStream> unseekable_;
};

// Whole-file helpers. SaveFileAtomically writes a temporary file beside `path` and renames it over
// the target, so a failure never leaves a half-written file; it fails with "Cannot create file %s".
std::string LoadFile(const std::string& path);
void SaveFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace qr2vor
