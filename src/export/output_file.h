#pragma once

// A file written whole or not at all: bytes go to a hidden temporary file beside the target,
// which Commit renames over the target; a file never committed is removed.

#include <cstdio>
#include <string>
#include <string_view>

namespace qr2vor {

class TAtomicFile {
 public:
  // Creates the temporary file; raises EFCreateError ("Cannot create file ...") naming `path`.
  explicit TAtomicFile(std::string path);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Raises EFCreateError when the bytes cannot be written.
  void Write(std::string_view bytes);
  // Flushes, syncs and renames the file to `target` (the path given at creation when empty),
  // which must lie on the same file system.
  void Commit(const std::string& target = {});

 private:
  [[noreturn]] void Fail();

  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
};

}  // namespace qr2vor
