#include "cli/fill_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
// As many as the kernel follows before it gives up on a loop.
constexpr int kMaxLinkHops = 40;

std::string ErrnoText() { return std::strerror(errno); }

// The kernel's rule for opening through a link: in a folder where everyone may create and only
// owners may delete, such as /tmp, follow only our own links or the folder owner's, so that no
// other user can plant a link that turns our output onto a file of ours.
void CheckLinkMayBeFollowed(const std::string& link, const struct stat& link_stat,
                            const std::string& output) {
  struct stat folder {};
  if (::stat(DirName(link).c_str(), &folder) != 0) return;
  const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
  if (shared && link_stat.st_uid != ::geteuid() && link_stat.st_uid != folder.st_uid) {
    throw Exception("Output is another user's symbolic link in a shared folder: " + output);
  }
}

// The name a chain of symbolic links ends at, which need not exist yet.
std::string FollowLinks(const std::string& output) {
  std::string path = output;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    CheckLinkMayBeFollowed(path, st, output);
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) throw Exception("Can't follow the symbolic link " + output + ": " + error.message());
    path = target.is_absolute() ? target.string()
                                : (std::filesystem::path(DirName(path)) / target).string();
  }
  throw Exception("Too many symbolic links in output: " + output);
}

bool IsStream(mode_t mode) { return S_ISFIFO(mode) || S_ISCHR(mode); }
}  // namespace

FillOutput ResolveFillOutput(const std::string& output) {
  if (output == "-") return {FillOutput::Kind::kStream, output};
  const std::string path = FollowLinks(output);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    // A missing folder on the way is the atomic file's to report.
    if (errno == ENOENT || errno == ENOTDIR) return {FillOutput::Kind::kFile, path};
    throw Exception("Can't write file " + output + ": " + ErrnoText());
  }
  if (S_ISREG(st.st_mode)) return {FillOutput::Kind::kFile, path};
  if (IsStream(st.st_mode)) return {FillOutput::Kind::kStream, path};
  if (S_ISDIR(st.st_mode)) throw Exception("Output is a folder: " + output);
  throw Exception("Output is neither a file, a pipe nor a character device: " + output);
}

DescriptorOutput::DescriptorOutput(const std::string& path)
    : name_(path == "-" ? "standard output" : path) {
  if (path == "-") {
    fd_ = STDOUT_FILENO;
    return;
  }
  // A pipe waits here for its reader, as the shell's redirection does.
  do {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) throw Exception("Can't open " + path + " for writing: " + ErrnoText());
  // What was a pipe or a device when it was looked at may have been swapped for a file since,
  // which would be written over in place.
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !IsStream(st.st_mode)) {
    ::close(fd_);
    throw Exception("Output changed while it was opened: " + path);
  }
  owned_ = true;
}

DescriptorOutput::~DescriptorOutput() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

size_t DescriptorOutput::Read(void*, size_t) { throw Exception("Can't read " + name_); }

void DescriptorOutput::Write(const void* data, size_t count) {
  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Exception("Can't write " + name_ + ": " + ErrnoText());
    }
    done += static_cast<size_t>(n);
  }
  written_ += static_cast<int64_t>(count);
}

void DescriptorOutput::Seek(int64_t position) {
  if (position != 0 && position != written_) {
    throw Exception("Can't move on " + name_ + " to " + std::to_string(position));
  }
}

void DescriptorOutput::Close() {
  if (!owned_ || fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) {
    throw Exception("Can't write " + name_ + ": " + ErrnoText());
  }
}

}  // namespace vorn
