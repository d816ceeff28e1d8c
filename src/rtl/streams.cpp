#include "rtl/streams.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

#include "rtl/exceptions.h"

namespace qr2vor {

int64_t TStream::Size() {
  const int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(msg::kStreamRead);
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(msg::kStreamWrite);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char chunk[4096];
  int64_t left = count;
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(left, sizeof chunk));
    source.ReadBuffer(chunk, n);
    WriteBuffer(chunk, n);
    left -= static_cast<int64_t>(n);
  }
  return count;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  const int64_t size = static_cast<int64_t>(data_.size());
  if (position_ >= size) return 0;
  const size_t n =
      static_cast<size_t>(std::min<int64_t>(size - position_, static_cast<int64_t>(count)));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += static_cast<int64_t>(n);
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  const size_t end = static_cast<size_t>(position_) + count;
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = static_cast<int64_t>(end);
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = position_;
  if (origin == TSeekOrigin::soEnd) base = static_cast<int64_t>(data_.size());
  // A position before the start is clamped; one past the end is allowed (a later write fills it).
  if (offset < 0 && base + offset < 0) {
    position_ = 0;
  } else if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) {
    position_ = std::numeric_limits<int64_t>::max();
  } else {
    position_ = base + offset;
  }
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  position_ = std::min(position_, static_cast<int64_t>(data_.size()));
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

std::string TMemoryStream::TakeBytes() {
  position_ = 0;
  return std::exchange(data_, {});
}

TFileStream::TFileStream(const std::string& path, TFileMode mode) {
  if (mode == TFileMode::fmOpenRead) {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr || std::filesystem::is_directory(path)) {
      if (file_ != nullptr) std::fclose(file_);
      throw EFOpenError(fmt::runtime(msg::kFOpen), path);
    }
    if (std::fseek(file_, 0, SEEK_CUR) != 0) {
      unseekable_ = std::make_unique<TMemoryStream>();
      char chunk[4096];
      for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) {
        unseekable_->Write(chunk, n);
      }
      const bool failed = std::ferror(file_) != 0;
      std::fclose(file_);
      file_ = nullptr;
      if (failed) throw EFOpenError(fmt::runtime(msg::kFOpen), path);
      unseekable_->SetPosition(0);
    }
  } else {
    file_ = std::fopen(path.c_str(), "w+b");
    if (file_ == nullptr) throw EFCreateError(fmt::runtime(msg::kFCreate), path);
  }
}

TFileStream::~TFileStream() {
  if (file_ != nullptr) std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  if (unseekable_) return unseekable_->Read(buffer, count);
  return std::fread(buffer, 1, count, file_);
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  if (unseekable_) return 0;
  return std::fwrite(buffer, 1, count, file_);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (unseekable_) return unseekable_->Seek(offset, origin);
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  if (std::fseek(file_, offset, whence) != 0 && offset < 0) std::fseek(file_, 0, SEEK_SET);
  return std::ftell(file_);
}

std::string LoadFile(const std::string& path) {
  TFileStream file(path, TFileMode::fmOpenRead);
  const int64_t size = file.Size();
  std::string bytes(static_cast<size_t>(size), '\0');
  file.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

void SaveFileAtomically(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string hidden = ".";
  hidden += target.filename().string();
  hidden += ".XXXXXX";
  std::string pattern = (folder / hidden).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw EFCreateError(fmt::runtime(msg::kFCreate), path);
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok) {
    // mkstemp creates the file readable by the owner only; give it the usual permissions.
    std::error_code ignored;
    fs::permissions(pattern,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    ignored);
    ok = std::rename(pattern.c_str(), path.c_str()) == 0;
  }
  if (!ok) {
    std::remove(pattern.c_str());
    throw EFCreateError(fmt::runtime(msg::kFCreate), path);
  }
}

}  // namespace qr2vor
