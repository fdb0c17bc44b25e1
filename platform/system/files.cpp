#include "platform/system/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/system/exception.h"

namespace vorn {

namespace {
constexpr const char* kTempInfix = ".tmp";

std::string ErrnoText() { return std::strerror(errno); }

// A file larger than the process may write must fail as an error (EFBIG), not kill the run,
// so the signal is ignored before the first byte of any output is written.
void IgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

// Undoes a mkostemp whose file never got its owning stream (no memory for it), so that a
// failed constructor leaves neither the file nor the descriptor behind.
void DiscardCreated(int fd, const char* path) noexcept {
  ::close(fd);
  ::unlink(path);
}
}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<int64_t> FileSize(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return static_cast<int64_t>(st.st_size);
}

bool DeleteFile(const std::string& path) { return !path.empty() && ::unlink(path.c_str()) == 0; }

std::string ExecutableDir() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  return DirName(std::string(buffer.data(), static_cast<size_t>(n)));
}

std::string DirName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileUrl(const std::string& absolute_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const char c : absolute_path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                       c == '~' || c == '/';
    if (plain) {
      url.push_back(c);
    } else {
      url.push_back('%');
      url.push_back(kHex[byte >> 4]);
      url.push_back(kHex[byte & 15]);
    }
  }
  return url;
}

std::string TempDir() {
  const char* env = std::getenv("TMPDIR");
  if (env != nullptr && DirectoryExists(env)) {
    std::string dir(env);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
  }
  return "/tmp";
}

TempFile::TempFile(const std::string& prefix) {
  IgnoreFileSizeSignal();
  std::string pattern = TempDir() + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) throw Exception("Can't create a temporary file in " + TempDir() + ": " + ErrnoText());
  try {
    path_ = name.data();
    stream_ = std::make_unique<TFileStream>(fd, path_);
  } catch (...) {
    DiscardCreated(fd, name.data());
    throw;
  }
}

TempFolder::TempFolder(const std::string& prefix) {
  std::string pattern = TempDir() + "/" + prefix + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw Exception("Can't create a temporary folder in " + TempDir() + ": " + ErrnoText());
  }
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

TempFile::~TempFile() {
  stream_.reset();
  if (!moved_) ::unlink(path_.c_str());
}

bool TempFile::MoveTo(const std::string& final_path) {
  stream_->Flush();
  // From here on the bytes are the output's: its name is the one a failure reports.
  if (::fsync(stream_->Fd()) != 0 && errno != EINVAL && errno != EROFS) {
    throw Exception("Can't write file " + final_path + ": " + ErrnoText());
  }
  if (::rename(path_.c_str(), final_path.c_str()) != 0) {
    if (errno == EXDEV) return false;
    throw Exception("Can't write file " + final_path + ": " + ErrnoText());
  }
  moved_ = true;
  // Only once it is the output may others read it, as they may any new output.
  ::fchmod(stream_->Fd(), 0644);
  // The bytes are synced and under their final name: a late close error loses nothing.
  stream_.reset();
  RemoveStaleOutputTemps(final_path);
  return true;
}

AtomicOutputFile::AtomicOutputFile(const std::string& final_path) : final_path_(final_path) {
  IgnoreFileSizeSignal();
  RemoveStaleOutputTemps(final_path);
  std::string pattern = final_path + kTempInfix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) throw Exception("Can't create file " + final_path + ": " + ErrnoText());
  ::fchmod(fd, 0644);
  try {
    temp_path_ = name.data();
    stream_ = std::make_unique<TFileStream>(fd, final_path);
    stream_->SetEarlyWriteback(true);  // Commit syncs it
  } catch (...) {
    DiscardCreated(fd, name.data());
    throw;
  }
}

AtomicOutputFile::~AtomicOutputFile() {
  stream_.reset();
  if (!committed_) ::unlink(temp_path_.c_str());
}

void AtomicOutputFile::Commit() {
  stream_->Sync();
  stream_->Close();
  if (::rename(temp_path_.c_str(), final_path_.c_str()) != 0) {
    throw Exception("Can't write file " + final_path_ + ": " + ErrnoText());
  }
  committed_ = true;
}

void MoveFileInto(const std::string& from, const std::string& final_path) {
  // A hard link claims the name only when it is free, so nothing already there is replaced.
  if (::link(from.c_str(), final_path.c_str()) == 0) {
    ::unlink(from.c_str());
    return;
  }
  if (errno == EEXIST) throw Exception("Can't write file " + final_path + ": it exists already");
  if (errno != EXDEV) throw Exception("Can't write file " + final_path + ": " + ErrnoText());
  if (FileExists(final_path)) {
    throw Exception("Can't write file " + final_path + ": it exists already");
  }
  const MappedFile bytes(from);
  AtomicOutputFile out(final_path);
  out.Stream().Write(bytes.Bytes());
  out.Commit();
  ::unlink(from.c_str());
}

void RemoveStaleOutputTemps(const std::string& final_path) {
  const std::string dir = DirName(final_path);
  const size_t slash = final_path.find_last_of('/');
  const std::string base = slash == std::string::npos ? final_path : final_path.substr(slash + 1);
  const std::string prefix = base + kTempInfix;
  DIR* folder = ::opendir(dir.c_str());
  if (folder == nullptr) return;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    // Our temporaries are the final name, ".tmp" and exactly six mkstemp characters.
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
      ::unlink((dir + "/" + name).c_str());
    }
  }
  ::closedir(folder);
}

MappedFile::MappedFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Exception("Cannot open " + path + ": " + ErrnoText());
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Exception("Cannot read " + path + ": not a regular file");
  }
  size_ = static_cast<size_t>(st.st_size);
  if (size_ > 0) {
    data_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (data_ == MAP_FAILED) {
      const std::string reason = ErrnoText();
      ::close(fd);
      data_ = nullptr;
      throw Exception("Cannot read " + path + ": " + reason);
    }
  }
  ::close(fd);
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(data_, size_);
}

}  // namespace vorn
