#include "hostile/io_faults.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace vorn::testing {
namespace {

// Plain data only: close runs during start-up and exit, outside any object's lifetime.
struct Armed {
  bool active = false;
  IoCall call = IoCall::kFsync;
  int nth = 0;
  int error = 0;
  bool persistent = false;
  int calls = 0;
  bool struck = false;
  char folder[4096] = {};
};
Armed g_armed;
std::function<void()> g_before;  // touched only while a fault is armed

template <typename Fn>
Fn Real(const char* name) {
  void* symbol = ::dlsym(RTLD_NEXT, name);
  if (symbol == nullptr) std::abort();
  return reinterpret_cast<Fn>(symbol);
}

bool UnderFolder(const char* path) {
  if (path == nullptr) return false;
  const std::string_view folder(g_armed.folder);
  const std::string_view p(path);
  return p.size() > folder.size() && p.compare(0, folder.size(), folder) == 0 &&
         p[folder.size()] == '/';
}

bool WritableUnderFolder(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return false;
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t n = ::readlink(link, target, sizeof target - 1);
  if (n <= 0) return false;
  target[n] = '\0';
  return UnderFolder(target);
}

// Whether this call is the one to fail; runs the `before` action when it is the nth. The
// file is looked at only while a fault of this kind is armed, so other calls stay cheap.
template <typename Matches>
bool Strikes(IoCall call, Matches matches) {
  if (!g_armed.active || g_armed.call != call || !matches()) return false;
  ++g_armed.calls;
  if (g_armed.calls < g_armed.nth) return false;
  if (g_armed.calls > g_armed.nth) return g_armed.persistent && g_armed.error != 0;
  g_armed.struck = true;
  if (g_before) g_before();
  return g_armed.error != 0;
}

}  // namespace

ScopedIoFault::ScopedIoFault(IoCall call, int nth, int error, const std::string& folder,
                             Persistence persistence, std::function<void()> before) {
  if (g_armed.active || folder.size() >= sizeof g_armed.folder) std::abort();
  g_armed = Armed{};
  g_armed.call = call;
  g_armed.nth = nth;
  g_armed.error = error;
  g_armed.persistent = persistence == Persistence::kPersistent;
  folder.copy(g_armed.folder, folder.size());
  g_before = std::move(before);
  g_armed.active = true;
}

ScopedIoFault::~ScopedIoFault() {
  g_armed.active = false;
  g_before = nullptr;
}

bool ScopedIoFault::Struck() const { return g_armed.struck; }

}  // namespace vorn::testing

namespace t = vorn::testing;

extern "C" int fsync(int fd) {
  static const auto real = t::Real<int (*)(int)>("fsync");
  if (t::Strikes(t::IoCall::kFsync, [fd] { return t::WritableUnderFolder(fd); })) {
    errno = t::g_armed.error;
    return -1;
  }
  return real(fd);
}

extern "C" int close(int fd) {
  static const auto real = t::Real<int (*)(int)>("close");
  if (t::Strikes(t::IoCall::kClose, [fd] { return t::WritableUnderFolder(fd); })) {
    real(fd);
    errno = t::g_armed.error;
    return -1;
  }
  return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  static const auto real = t::Real<int (*)(const char*, const char*)>("rename");
  if (t::Strikes(t::IoCall::kRename, [=] { return t::UnderFolder(from) || t::UnderFolder(to); })) {
    errno = t::g_armed.error;
    return -1;
  }
  return real(from, to);
}
