#include "app/output/work_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>

#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
constexpr const char* kLockName = "/lock";
constexpr std::string_view kPrefixStart = "vorn";

void RemoveAll(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

// The lock is taken before the file gets its name, so a sweep never finds it free in between.
int MakeLock(const std::string& folder) {
  const std::string passing = folder + kLockName + ".new";
  const int fd = ::open(passing.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX) != 0 || ::rename(passing.c_str(), (folder + kLockName).c_str()) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The first folder a process makes sweeps once for all: later folders of ours are alive.
void SweepOnce() {
  static std::once_flag swept;
  std::call_once(swept, RemoveStaleWorkFolders);
}

// "vornrender-a1B2c3": the program's prefix, a dash, and mkdtemp's six characters.
bool IsWorkFolderName(const std::string& name) {
  const size_t dash = name.rfind('-');
  return name.starts_with(kPrefixStart) && dash != std::string::npos && name.size() == dash + 7;
}
}  // namespace

WorkFolder::WorkFolder(std::string_view prefix) {
  SweepOnce();
  std::string pattern = TempDir() + "/" + std::string(prefix) + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw Exception("Can't create a temporary folder in " + TempDir() + ": " +
                    std::strerror(errno));
  }
  path_ = pattern;
  lock_ = MakeLock(path_);
  if (lock_ < 0) {
    const std::string why = std::strerror(errno);
    RemoveAll(path_);
    throw Exception("Can't create a temporary folder in " + TempDir() + ": " + why);
  }
}

WorkFolder::~WorkFolder() {
  RemoveAll(path_);
  ::close(lock_);
}

void RemoveStaleWorkFolders() {
  const std::string temp = TempDir();
  DIR* folder = ::opendir(temp.c_str());
  if (folder == nullptr) return;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (!IsWorkFolderName(name)) continue;
    const std::string path = temp + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
      continue;
    }
    // A folder without its lock is being made by a run that has not locked it yet.
    const int lock = ::open((path + kLockName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (lock < 0) continue;
    if (::flock(lock, LOCK_EX | LOCK_NB) == 0) RemoveAll(path);
    ::close(lock);
  }
  ::closedir(folder);
}

}  // namespace vorn
