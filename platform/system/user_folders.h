#pragma once

#include <string>

namespace vorn {

// The folders a desktop keeps a user's files in, as the XDG base directories name them.
enum class UserFolderKind {
  kConfig,  // $XDG_CONFIG_HOME, else ~/.config
  kData,    // $XDG_DATA_HOME, else ~/.local/share
  kCache,   // $XDG_CACHE_HOME, else ~/.cache
};

// The base folder of `kind`, without a trailing "/"; a relative or empty variable counts as
// unset, as the XDG rules say. "" when neither the variable nor a home folder is known.
std::string UserFolder(UserFolderKind kind);

// `relative` ("vornreport/office") below the base folder of `kind`, made where missing with
// mode 0700 and checked at every level it makes or finds below the base: a real folder (no
// link), owned by this user, that nobody else may write; the last level nobody else may read
// either. Returns its path. Throws vorn::Exception naming the folder when it cannot be made, or
// when one is someone else's or open to others, so that nothing planted there is ever used.
std::string PrivateUserFolder(UserFolderKind kind, const std::string& relative);

// An exclusive lock on a file held for the object's lifetime (flock): another process, or another
// lock object of this one, cannot take it meanwhile. The file is made when missing (0600) and
// left in place. A killed holder's lock ends with its process.
class FileLock {
 public:
  // Takes the lock when it is free and returns true; false when someone holds it. Throws
  // vorn::Exception naming the file when it cannot be opened.
  bool TryLock(const std::string& path);
  ~FileLock();
  FileLock() = default;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  void Release() noexcept;
  int fd_ = -1;
};

}  // namespace vorn
