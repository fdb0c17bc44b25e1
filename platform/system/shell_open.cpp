#include "platform/system/shell_open.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/system/files.h"

extern char** environ;

namespace vorn {

namespace {
constexpr int kSuccess = 42;
constexpr int kFileNotFound = 2;
constexpr int kNoAssociation = 31;
constexpr int kUnknown = 1;
// An opener that is still running after this long has started the application.
constexpr auto kOpenerWait = std::chrono::seconds(10);

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> cwd(4096);
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return path;
  return std::string(cwd.data()) + "/" + path;
}

// xdg-open's exit codes: 1 bad arguments, 2 file missing, 3 a needed tool missing,
// 4 the action failed (no application took the file).
int MapExitCode(int code) {
  switch (code) {
    case 0:
      return kSuccess;
    case 2:
      return kFileNotFound;
    case 3:
    case 4:
      return kNoAssociation;
    default:
      return kUnknown;
  }
}
}  // namespace

std::string OpenerProgram() {
  const char* env_opener = std::getenv("VORN_OPEN_COMMAND");
  return env_opener != nullptr && *env_opener != '\0' ? env_opener : "xdg-open";
}

int ShellOpenFile(const std::string& path, int /*show_command*/) {
  // Reap openers left running by earlier calls.
  while (::waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  if (!FileExists(path)) return kFileNotFound;
  const std::string opener = OpenerProgram();
  // An absolute path can never be taken for one of the opener's options.
  const std::string target = AbsolutePath(path);
  std::vector<char*> argv = {const_cast<char*>(opener.c_str()), const_cast<char*>(target.c_str()),
                             nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) return rc == ENOENT || rc == EACCES ? kNoAssociation : kUnknown;
  const auto deadline = std::chrono::steady_clock::now() + kOpenerWait;
  while (true) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status)) {
        // posix_spawnp reports a missing program as exit 127 on some C libraries.
        if (WEXITSTATUS(status) == 127) return kNoAssociation;
        return MapExitCode(WEXITSTATUS(status));
      }
      return kUnknown;
    }
    if (done < 0 && errno != EINTR) return kUnknown;
    if (std::chrono::steady_clock::now() >= deadline) return kSuccess;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace vorn
