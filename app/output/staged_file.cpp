#include "app/output/staged_file.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

void StageFile(const std::string& file, const std::string& staged) {
  if (::link(file.c_str(), staged.c_str()) == 0) return;
  std::error_code error;
  std::filesystem::copy_file(file, staged, error);
  if (error) throw Exception("Cannot read the file " + file + ": " + error.message());
}

void UnstageFile(const std::string& staged) {
  DeleteFile(staged);
  const size_t slash = staged.find_last_of('/');
  DeleteFile(staged.substr(0, slash + 1) + ".~lock." + staged.substr(slash + 1) + "#");
}

}  // namespace vorn
