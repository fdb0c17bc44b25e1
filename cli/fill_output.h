#pragma once

#include <cstdint>
#include <string>

#include "platform/system/stream.h"

namespace vorn {

// Where vornfill's document goes. A regular file, or a name not yet taken, is replaced whole
// when the document is done, so a failed run leaves it as it was; a pipe, a character device and
// standard output ("-") cannot be replaced and take the bytes as they come.
struct FillOutput {
  enum class Kind { kFile, kStream };
  Kind kind = Kind::kFile;
  // The file to replace or the stream to open: OUTPUT, or the end of the symbolic links it
  // names, so a link keeps pointing where it did.
  std::string path;
};

// Throws vorn::Exception naming OUTPUT when it is a folder, a block device or a socket, a link
// that cannot be followed, or another user's symbolic link in a shared folder such as /tmp.
FillOutput ResolveFillOutput(const std::string& output);

// A pipe, a character device or standard output, written straight through without being held:
// it cannot go back, so a run's rewind to the start is accepted only where nothing would move.
class DescriptorOutput : public TStream {
 public:
  // Opens `path` for writing ("-": standard output, which stays open). Throws vorn::Exception.
  explicit DescriptorOutput(const std::string& path);
  ~DescriptorOutput() override;

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* data, size_t count) override;
  int64_t Position() const override { return written_; }
  void Seek(int64_t position) override;
  int64_t Size() const override { return written_; }
  using TStream::Write;

  // Closes what it opened, reporting an error the device gave only then.
  void Close();

 private:
  std::string name_;
  int fd_ = -1;
  bool owned_ = false;
  int64_t written_ = 0;
};

}  // namespace vorn
