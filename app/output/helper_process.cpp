#include "app/output/helper_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/system/exception.h"
#include "platform/system/files.h"

extern char** environ;

namespace vorn {

namespace {
constexpr std::string_view kFolderPrefix = "vornrender-";
// The descriptors the helper finds its socket and its folder's lock on.
constexpr int kHelperSocket = 3;
constexpr int kHelperLock = 4;

std::string ErrnoText() { return std::strerror(errno); }

// Descriptors above the ones the helper gets, so that placing one never overwrites another.
int MoveHigh(int fd) {
  const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
  ::close(fd);
  return high;
}

// The fonts the helper may use: the system's, or those the user's own FONTCONFIG_FILE names,
// without colour fonts. LibreOffice writes a colour emoji font into a PDF as glyphs without
// outlines, so every emoji would vanish from the printed card; without it, a black and white
// face (Symbola) draws them.
std::string WriteFontConfig(const std::string& folder) {
  const char* own = std::getenv("FONTCONFIG_FILE");
  const std::string base = own != nullptr && *own != '\0' ? own : "/etc/fonts/fonts.conf";
  const std::string path = folder + "/fonts.conf";
  std::ofstream file(path);
  file << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
       << "  <include ignore_missing=\"yes\">" << base << "</include>\n"
       << "  <selectfont><rejectfont><pattern><patelt name=\"color\"><bool>true</bool></patelt>"
          "</pattern></rejectfont></selectfont>\n</fontconfig>\n";
  if (!file) throw Exception("Cannot write the renderer's font settings: " + path);
  return path;
}

// The environment of ours with TMPDIR naming the helper's folder, and its font settings.
std::vector<std::string> HelperEnvironment(const std::string& folder) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::strncmp(*variable, "TMPDIR=", 7) != 0 &&
        std::strncmp(*variable, "FONTCONFIG_FILE=", 16) != 0) {
      variables.emplace_back(*variable);
    }
  }
  variables.push_back("TMPDIR=" + folder);
  variables.push_back("FONTCONFIG_FILE=" + WriteFontConfig(folder));
  return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The helper starts with default signal handling, whatever ours is, and in a process group of
// its own, so a Ctrl-C at the terminal reaches only us and we end it in order.
void SetSpawnAttributes(posix_spawnattr_t& attributes) {
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) {
    sigaddset(&defaults, signal);
  }
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
}

void SetFileActions(posix_spawn_file_actions_t& actions, int socket, int lock) {
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // LibreOffice talks on standard error; $VORN_RENDERER_LOG keeps what it says.
  const char* log = std::getenv("VORN_RENDERER_LOG");
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO,
                                   log != nullptr && *log != '\0' ? log : "/dev/null",
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&actions, socket, kHelperSocket);
  posix_spawn_file_actions_adddup2(&actions, lock, kHelperLock);
  posix_spawn_file_actions_addclosefrom_np(&actions, kHelperLock + 1);
}

}  // namespace

std::string RendererProgram() {
  const char* program = std::getenv("VORN_RENDERER");
  if (program != nullptr && *program != '\0') return program;
  return ExecutableDir() + "/vornrender";
}

HelperProcess::HelperProcess(const std::string& program, const std::vector<std::string>& arguments)
    : folder_(kFolderPrefix) {
  int sockets[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
    throw Exception("Cannot start the renderer " + program + ": " + ErrnoText());
  }
  socket_ = MoveHigh(sockets[0]);
  const int theirs = MoveHigh(sockets[1]);
  // The helper holds the folder's lock too, so the folder counts as in use while it lives.
  const int lock = ::fcntl(folder_.LockFd(), F_DUPFD_CLOEXEC, 10);

  std::vector<std::string> argv = {program, "--parent", std::to_string(::getpid()), "--folder",
                                   folder_.Path()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environment = HelperEnvironment(folder_.Path());
  posix_spawnattr_t attributes;
  SetSpawnAttributes(attributes);
  posix_spawn_file_actions_t actions;
  SetFileActions(actions, theirs, lock);
  const int spawned = ::posix_spawn(&pid_, program.c_str(), &actions, &attributes,
                                    Pointers(argv).data(), Pointers(environment).data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(theirs);
  ::close(lock);
  if (spawned != 0) {
    pid_ = -1;
    ::close(socket_);
    throw Exception("Cannot start the renderer " + program + ": " + std::strerror(spawned));
  }
}

HelperProcess::~HelperProcess() {
  Kill();
  ::close(socket_);
}

bool HelperProcess::Finished() {
  if (!done_) Reap(WNOHANG);
  return done_;
}

void HelperProcess::Kill() {
  if (done_ || pid_ < 0) return;
  ::kill(pid_, SIGKILL);
  while (!done_) Reap(0);
}

void HelperProcess::Reap(int options) {
  int status = 0;
  const pid_t result = ::waitpid(pid_, &status, options);
  if (result == pid_) {
    done_ = true;
    wait_status_ = status;
  } else if (result < 0 && errno != EINTR) {
    // Reaped elsewhere: nothing more can be learnt of it.
    done_ = true;
    wait_status_ = 0;
  }
}

int HelperProcess::Status() const {
  return done_ && WIFEXITED(wait_status_) ? WEXITSTATUS(wait_status_) : -1;
}

std::string HelperProcess::EndText() const {
  if (!done_) return "is running";
  if (WIFSIGNALED(wait_status_)) {
    const char* name = ::sigabbrev_np(WTERMSIG(wait_status_));
    return "was killed by signal " +
           (name != nullptr ? "SIG" + std::string(name) : std::to_string(WTERMSIG(wait_status_)));
  }
  return "ended with status " + std::to_string(WEXITSTATUS(wait_status_));
}

}  // namespace vorn
