#include "export/output_file.h"

#include <unistd.h>

#include <filesystem>

#include "rtl/exceptions.h"

namespace qr2vor {

TAtomicFile::TAtomicFile(std::string path) : path_(std::move(path)) {
  namespace fs = std::filesystem;
  const fs::path target(path_);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  temporary_ = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temporary_.data());
  if (fd < 0) throw EFCreateError(fmt::runtime(msg::kFCreate), path_);
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    ::close(fd);
    std::remove(temporary_.c_str());
    throw EFCreateError(fmt::runtime(msg::kFCreate), path_);
  }
}

TAtomicFile::~TAtomicFile() {
  if (file_ != nullptr) {
    std::fclose(file_);
    std::remove(temporary_.c_str());
  }
}

void TAtomicFile::Fail() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  std::remove(temporary_.c_str());
  throw EFCreateError(fmt::runtime(msg::kFCreate), path_);
}

void TAtomicFile::Write(std::string_view bytes) {
  if (file_ == nullptr) Fail();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail();
}

void TAtomicFile::Commit(const std::string& target) {
  if (file_ == nullptr) Fail();
  if (!target.empty()) path_ = target;
  bool ok = std::fflush(file_) == 0;
  ok = ::fsync(::fileno(file_)) == 0 && ok;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (ok) {
    // mkstemp creates the file readable by the owner only; give it the usual permissions.
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(temporary_,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    ignored);
    ok = std::rename(temporary_.c_str(), path_.c_str()) == 0;
  }
  if (!ok) {
    std::remove(temporary_.c_str());
    throw EFCreateError(fmt::runtime(msg::kFCreate), path_);
  }
}

}  // namespace qr2vor
