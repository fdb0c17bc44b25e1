#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system/stream.h"

namespace vorn {

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Size of a regular file, or nullopt when it does not exist or is no regular file.
std::optional<int64_t> FileSize(const std::string& path);
// Removes a file; false when there was none or it could not be removed.
bool DeleteFile(const std::string& path);
// The folder that holds the running program, with no trailing "/".
std::string ExecutableDir();
// The system's temporary folder: $TMPDIR when it names a folder, else /tmp.
std::string TempDir();
std::string DirName(const std::string& path);
// The file URL of an absolute path, every byte but letters, digits, "-._~" and "/" escaped as
// %XX, so that ";", "%", "#", blanks and non-ASCII names reach a program taking URLs intact.
std::string FileUrl(const std::string& absolute_path);

// A temporary file created with a unique name in the temporary folder and the given
// prefix; it is removed when the object goes away.
class TempFile {
 public:
  explicit TempFile(const std::string& prefix);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  TFileStream& Stream() { return *stream_; }
  const std::string& Path() const { return path_; }

  // Syncs the file and renames it to `final_path`, replacing what stood there atomically,
  // then gives it the mode of a new output (0644); afterwards the object owns nothing.
  // False, with the file left as it was, when `final_path` lies on another file system: the
  // caller then copies the bytes. Other failures throw vorn::Exception naming `final_path`.
  bool MoveTo(const std::string& final_path);

 private:
  std::string path_;
  std::unique_ptr<TFileStream> stream_;
  bool moved_ = false;
};

// A folder created with a unique name in the temporary folder and the given prefix; it is
// removed with everything in it when the object goes away.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Output written under a temporary name beside `final_path` and renamed into place by
// Commit(), so a failed run never leaves a partial file under the final name. Without a
// Commit the temporary file is removed.
class AtomicOutputFile {
 public:
  explicit AtomicOutputFile(const std::string& final_path);
  ~AtomicOutputFile();
  AtomicOutputFile(const AtomicOutputFile&) = delete;
  AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

  TFileStream& Stream() { return *stream_; }
  void Commit();

 private:
  std::string final_path_;
  std::string temp_path_;
  std::unique_ptr<TFileStream> stream_;
  bool committed_ = false;
};

// A file's bytes mapped into memory read-only, for reading a large file without holding a copy.
// Throws vorn::Exception naming the file when it cannot be opened or mapped.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view Bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

// Moves a finished file to `final_path`, which must not exist yet: a rename on one file system,
// else a copy under a temporary name beside `final_path`, synced and renamed, then the original
// removed; either way `final_path` never holds part of the file. Throws vorn::Exception naming
// `final_path` when it exists or cannot be written.
void MoveFileInto(const std::string& from, const std::string& final_path);

// Removes temporary files that an earlier, killed run left beside `final_path`.
void RemoveStaleOutputTemps(const std::string& final_path);

}  // namespace vorn
