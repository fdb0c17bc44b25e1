#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A byte stream with a position, the shape the report writes and reads through.
// Failures throw vorn::Exception naming the stream and the reason.
class TStream {
 public:
  TStream() = default;
  virtual ~TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to `count` bytes at the position; returns how many were read.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual void Write(const void* data, size_t count) = 0;
  virtual int64_t Position() const = 0;
  virtual void Seek(int64_t position) = 0;
  virtual int64_t Size() const = 0;

  void Write(std::string_view text) { Write(text.data(), text.size()); }
};

// Growable in-memory stream; writing past the end extends it.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* data, size_t count) override;
  int64_t Position() const override { return static_cast<int64_t>(position_); }
  void Seek(int64_t position) override;
  int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
  using TStream::Write;

  const std::string& Bytes() const { return bytes_; }
  void Clear() {
    bytes_.clear();
    position_ = 0;
  }

 private:
  std::string bytes_;
  size_t position_ = 0;
};

// Buffered stream over an open file descriptor, which it owns and closes.
class TFileStream : public TStream {
 public:
  // Opens an existing file for reading and writing, or creates/truncates one for writing.
  enum class Mode { kRead, kCreate, kReadWrite };
  TFileStream(const std::string& path, Mode mode);
  // Takes an already open descriptor (for example from mkstemp).
  TFileStream(int fd, std::string path);
  ~TFileStream() override;

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* data, size_t count) override;
  int64_t Position() const override;
  void Seek(int64_t position) override;
  int64_t Size() const override;
  using TStream::Write;

  // Writes out buffered bytes; Close also syncs and reports any late write error.
  void Flush();
  // For a file that will be synced: its bytes go to the disk while more are written, so
  // that the sync has little left to wait for.
  void SetEarlyWriteback(bool value) { early_writeback_ = value; }
  void Sync();
  void Close();
  int Fd() const { return fd_; }
  const std::string& Path() const { return path_; }

 private:
  void ThrowErrno(const char* what) const;
  void DropReadBuffer();

  int fd_ = -1;
  std::string path_;
  // Write buffer: bytes not yet handed to the kernel, starting at file offset file_pos_.
  std::vector<char> buffer_;
  size_t buffered_ = 0;
  // Read buffer window.
  std::vector<char> read_buffer_;
  size_t read_begin_ = 0;
  size_t read_end_ = 0;
  int64_t file_pos_ = 0;  // kernel offset
  bool early_writeback_ = false;
  int64_t writeback_from_ = 0;  // the first byte not yet handed to the disk
  void StartWriteback();
};

// Copies `count` bytes from the position of `from` to the position of `to`, the
// cheapest way the two streams allow. Throws when `from` holds fewer bytes.
void CopyStreamBytes(TStream& from, TStream& to, int64_t count);

}  // namespace vorn
