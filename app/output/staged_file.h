#pragma once

#include <string>

namespace vorn {

// Gives LibreOffice its own name for a file: a hard link at `staged` when both lie on one file
// system, else a copy. LibreOffice follows symbolic links and leaves its lock file
// (".~lock.NAME#") beside the file it opened, which must be in a private folder of ours rather
// than beside the user's file. Throws vorn::Exception naming `file` when neither works.
void StageFile(const std::string& file, const std::string& staged);

// Removes a staged file and the lock file LibreOffice may have left beside it.
void UnstageFile(const std::string& staged);

}  // namespace vorn
