#include "platform/system/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/system/exception.h"

namespace vorn {

namespace {
constexpr size_t kWriteBufferSize = 1 << 18;
constexpr size_t kReadBufferSize = 1 << 16;
constexpr int64_t kWritebackStep = 8 << 20;
}  // namespace

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (position_ >= bytes_.size()) return 0;
  const size_t n = std::min(count, bytes_.size() - position_);
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

void TMemoryStream::Write(const void* data, size_t count) {
  if (count == 0) return;
  if (position_ == bytes_.size()) {
    bytes_.append(static_cast<const char*>(data), count);
  } else {
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, data, count);
  }
  position_ += count;
}

void TMemoryStream::Seek(int64_t position) {
  if (position < 0) throw Exception("Stream seek to a negative position");
  position_ = static_cast<size_t>(position);
  if (position_ > bytes_.size()) bytes_.resize(position_);
}

TFileStream::TFileStream(const std::string& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead:
      flags |= O_RDONLY;
      break;
    case Mode::kCreate:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case Mode::kReadWrite:
      flags |= O_RDWR;
      break;
  }
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) ThrowErrno("Can't open file ");
}

TFileStream::TFileStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

TFileStream::~TFileStream() {
  if (fd_ >= 0) {
    try {
      Flush();
    } catch (...) {
      // A destructor cannot report; callers that care call Close().
    }
    ::close(fd_);
  }
}

void TFileStream::ThrowErrno(const char* what) const {
  throw Exception(std::string(what) + path_ + ": " + std::strerror(errno));
}

void TFileStream::DropReadBuffer() {
  if (read_begin_ < read_end_) {
    // The kernel offset is ahead of the logical position by the unread bytes.
    file_pos_ -= static_cast<int64_t>(read_end_ - read_begin_);
    if (::lseek(fd_, file_pos_, SEEK_SET) < 0) ThrowErrno("Can't seek in file ");
  }
  read_begin_ = read_end_ = 0;
}

void TFileStream::Flush() {
  size_t done = 0;
  while (done < buffered_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffered_ - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      buffered_ = 0;
      ThrowErrno("Can't write file ");
    }
    done += static_cast<size_t>(n);
    file_pos_ += n;
  }
  buffered_ = 0;
  StartWriteback();
}

void TFileStream::StartWriteback() {
  if (!early_writeback_ || file_pos_ - writeback_from_ < kWritebackStep) return;
  // Only a hint that starts the disk writes: a failure shows in the sync that follows.
  if (file_pos_ > writeback_from_) {
    ::sync_file_range(fd_, writeback_from_, file_pos_ - writeback_from_, SYNC_FILE_RANGE_WRITE);
  }
  writeback_from_ = file_pos_;
}

size_t TFileStream::Read(void* buffer, size_t count) {
  Flush();
  char* out = static_cast<char*>(buffer);
  size_t total = 0;
  while (total < count) {
    if (read_begin_ == read_end_) {
      if (count - total >= kReadBufferSize) {
        const ssize_t n = ::read(fd_, out + total, count - total);
        if (n < 0) {
          if (errno == EINTR) continue;
          ThrowErrno("Can't read file ");
        }
        if (n == 0) break;
        total += static_cast<size_t>(n);
        file_pos_ += n;
        continue;
      }
      read_buffer_.resize(kReadBufferSize);
      const ssize_t n = ::read(fd_, read_buffer_.data(), kReadBufferSize);
      if (n < 0) {
        if (errno == EINTR) continue;
        ThrowErrno("Can't read file ");
      }
      if (n == 0) break;
      read_begin_ = 0;
      read_end_ = static_cast<size_t>(n);
      file_pos_ += n;
    }
    const size_t take = std::min(count - total, read_end_ - read_begin_);
    std::memcpy(out + total, read_buffer_.data() + read_begin_, take);
    read_begin_ += take;
    total += take;
  }
  return total;
}

void TFileStream::Write(const void* data, size_t count) {
  if (count == 0) return;
  DropReadBuffer();
  if (buffer_.empty()) buffer_.resize(kWriteBufferSize);
  const char* in = static_cast<const char*>(data);
  if (buffered_ + count > buffer_.size()) {
    Flush();
    if (count >= buffer_.size()) {
      // Large blocks go straight to the kernel.
      size_t done = 0;
      while (done < count) {
        const ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0) {
          if (errno == EINTR) continue;
          ThrowErrno("Can't write file ");
        }
        done += static_cast<size_t>(n);
        file_pos_ += n;
      }
      StartWriteback();
      return;
    }
  }
  std::memcpy(buffer_.data() + buffered_, in, count);
  buffered_ += count;
}

int64_t TFileStream::Position() const {
  return file_pos_ + static_cast<int64_t>(buffered_) -
         static_cast<int64_t>(read_end_ - read_begin_);
}

void TFileStream::Seek(int64_t position) {
  Flush();
  read_begin_ = read_end_ = 0;
  if (::lseek(fd_, position, SEEK_SET) < 0) ThrowErrno("Can't seek in file ");
  file_pos_ = position;
}

int64_t TFileStream::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) ThrowErrno("Can't read the size of file ");
  return std::max<int64_t>(st.st_size, file_pos_ + static_cast<int64_t>(buffered_));
}

void TFileStream::Sync() {
  Flush();
  if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno("Can't write file ");
}

void TFileStream::Close() {
  if (fd_ < 0) return;
  Flush();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) ThrowErrno("Can't write file ");
}

void CopyStreamBytes(TStream& from, TStream& to, int64_t count) {
  if (count <= 0) return;
  auto* file_from = dynamic_cast<TFileStream*>(&from);
  auto* file_to = dynamic_cast<TFileStream*>(&to);
  if (file_from != nullptr && file_to != nullptr) {
    // File to file: let the kernel move the bytes without a trip through user space.
    file_to->Flush();
    int64_t in_pos = file_from->Position();
    file_from->Seek(in_pos);
    int64_t out_pos = file_to->Position();
    int64_t left = count;
    while (left > 0) {
      loff_t in_off = in_pos;
      loff_t out_off = out_pos;
      const ssize_t n = ::copy_file_range(file_from->Fd(), &in_off, file_to->Fd(), &out_off,
                                          static_cast<size_t>(left), 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        break;  // not supported here: fall back to reading and writing
      }
      if (n == 0) throw Exception("Unexpected end of file in " + file_from->Path());
      in_pos += n;
      out_pos += n;
      left -= n;
    }
    file_from->Seek(in_pos);
    file_to->Seek(out_pos);
    count = left;
    if (count == 0) return;
  }
  if (auto* memory = dynamic_cast<TMemoryStream*>(&from)) {
    const int64_t pos = memory->Position();
    if (pos + count > memory->Size()) throw Exception("Unexpected end of stream");
    to.Write(memory->Bytes().data() + pos, static_cast<size_t>(count));
    memory->Seek(pos + count);
    return;
  }
  std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)));
  while (count > 0) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(count, buffer.size()));
    const size_t got = from.Read(buffer.data(), want);
    if (got == 0) throw Exception("Unexpected end of stream");
    to.Write(buffer.data(), got);
    count -= static_cast<int64_t>(got);
  }
}

}  // namespace vorn
