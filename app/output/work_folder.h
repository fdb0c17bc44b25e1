#pragma once

#include <string>
#include <string_view>

namespace vorn {

// A private folder in the temporary folder (mkdtemp, mode 0700) named `prefix` (which starts
// with "vorn" and ends with "-") and six random characters, removed with everything in it when
// the object goes. It holds a lock for as long as the object, or a helper given LockFd(),
// lives, so that the next run can tell the folders of a killed run from those of a run still
// working and remove them: the first WorkFolder of a process does so.
class WorkFolder {
 public:
  // Throws vorn::Exception when the folder cannot be made.
  explicit WorkFolder(std::string_view prefix);
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::string& Path() const { return path_; }
  // The descriptor holding the lock (close-on-exec), for a helper to hold it too.
  int LockFd() const { return lock_; }

 private:
  std::string path_;
  int lock_ = -1;
};

// Removes the work folders in the temporary folder that are the user's own and whose lock
// nobody holds: those of runs killed before they could.
void RemoveStaleWorkFolders();

}  // namespace vorn
