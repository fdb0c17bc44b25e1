#include "platform/system/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "platform/system/exception.h"
#include "platform/system/files.h"

extern char** environ;

namespace vorn {

namespace {
int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::string& output_file) {
  if (arguments.empty()) throw Exception("No program to start");
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const int spawned = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    throw Exception("Cannot start " + arguments[0]);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ < 0 || done_) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 100 && !Finished(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!done_) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
}

bool ChildProcess::Finished() {
  if (!done_) Reap(WNOHANG);
  return done_;
}

int ChildProcess::Wait() {
  while (!done_) Reap(0);
  return status_;
}

void ChildProcess::Reap(int options) {
  int status = 0;
  const pid_t result = ::waitpid(pid_, &status, options);
  if (result == pid_) {
    done_ = true;
    status_ = ExitStatus(status);
  } else if (result < 0 && errno != EINTR) {
    // Reaped elsewhere: nothing more can be learnt of it.
    done_ = true;
  }
}

int RunProgram(const std::vector<std::string>& arguments, const std::string& output_file) {
  try {
    ChildProcess child(arguments, output_file);
    return child.Wait();
  } catch (const Exception&) {
    return -1;
  }
}

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::string();
  std::string_view rest(path);
  while (true) {
    const size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty()) {
      const std::string candidate = std::string(folder) + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0 && !DirectoryExists(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return std::string();
}

}  // namespace vorn
