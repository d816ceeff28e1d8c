// Files that cannot seek, such as pipes (`qr2vor dump <(cat form.dfm)`), are read to their end.

#include "rtl/streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "stream/reader.h"
#include "stream/resource.h"

namespace qr2vor {
namespace {

// A pipe holding `bytes` with its writing end closed, named as the shell names it.
class Pipe {
 public:
  explicit Pipe(const std::string& bytes) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    readEnd_ = fds[0];
    // Small enough for the pipe's own buffer, so one write cannot block.
    const ssize_t written = ::write(fds[1], bytes.data(), bytes.size());
    ::close(fds[1]);
    if (written != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("write");
  }
  ~Pipe() { ::close(readEnd_); }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  std::string Path() const { return "/dev/fd/" + std::to_string(readEnd_); }

 private:
  int readEnd_ = -1;
};

TEST(FileStream, InputThatCannotSeekIsReadToItsEnd) {
  const std::string bytes = std::string(5000, 'x') + "end";
  EXPECT_EQ(LoadFile(Pipe(bytes).Path()), bytes);

  // A form file through a pipe: the header check seeks to the stream, the reader seeks back
  // over what it buffered.
  const std::string form = ResourceHeader("TFORM1", 10) + "TPF0" +
                           std::string(
                               "\x05TForm\x02"
                               "F1\0\0",
                               10) +
                           "tail";
  const Pipe pipe(form);
  TFileStream stream(pipe.Path(), TFileMode::fmOpenRead);
  EXPECT_EQ(stream.Size(), static_cast<int64_t>(form.size()));
  EXPECT_EQ(ReadResHeader(stream), "TFORM1");
  {
    TValueCursor cursor(stream);
    cursor.ReadSignature();
    EXPECT_EQ(cursor.ReadStr(), "TForm");
  }
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(ResourceHeader("TFORM1", 10).size() + 4 + 6));
}

}  // namespace
}  // namespace qr2vor
