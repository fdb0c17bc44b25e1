#include "platform/system/user_folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/system/exception.h"

namespace vorn {

namespace {
std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  // A program started by a service may have no HOME; the password database still knows.
  const passwd* entry = ::getpwuid(::geteuid());
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') return entry->pw_dir;
  return std::string();
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Makes one level when missing, then holds it to the rules: ours, a folder, closed to others.
void CheckPrivateLevel(const std::string& path, bool last) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    throw Exception("Cannot make the folder " + path + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    throw Exception("Cannot read the folder " + path + ": " + std::strerror(errno));
  }
  if (!S_ISDIR(st.st_mode)) throw Exception("Not a folder of the user's own: " + path);
  if (st.st_uid != ::geteuid()) throw Exception("The folder belongs to another user: " + path);
  const mode_t closed = last ? 077 : 022;
  if ((st.st_mode & closed) != 0 && ::chmod(path.c_str(), st.st_mode & 0700) != 0) {
    throw Exception("The folder is open to other users: " + path);
  }
}
}  // namespace

std::string UserFolder(UserFolderKind kind) {
  const char* variable = "XDG_CONFIG_HOME";
  const char* fallback = "/.config";
  if (kind == UserFolderKind::kData) variable = "XDG_DATA_HOME", fallback = "/.local/share";
  if (kind == UserFolderKind::kCache) variable = "XDG_CACHE_HOME", fallback = "/.cache";
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return WithoutTrailingSlashes(value);
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : WithoutTrailingSlashes(home) + fallback;
}

std::string PrivateUserFolder(UserFolderKind kind, const std::string& relative) {
  const std::string base = UserFolder(kind);
  if (base.empty()) throw Exception("No home folder to keep the program's files in");
  // The base and what holds it may be shared by design (a home folder); only what is missing is
  // our business, made as the XDG rules say: 0700.
  for (size_t slash = base.find('/', 1);; slash = base.find('/', slash + 1)) {
    const std::string level = base.substr(0, slash);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
      throw Exception("Cannot make the folder " + level + ": " + std::strerror(errno));
    }
    if (slash == std::string::npos) break;
  }
  std::string path = base;
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) {
      path += "/" + relative.substr(start, end - start);
      CheckPrivateLevel(path, end == relative.size());
    }
    start = end + 1;
  }
  return path;
}

bool FileLock::TryLock(const std::string& path) {
  Release();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw Exception("Cannot open the lock file " + path + ": " + std::strerror(errno));
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void FileLock::Release() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace vorn
