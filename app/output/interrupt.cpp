#include "app/output/interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iterator>

namespace vorn {

namespace {
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> pending_signal{0};
int depth = 0;
int wake_pipe[2] = {-1, -1};
struct sigaction saved[3];

// Async-signal-safe: an atomic and a write.
void NoteSignal(int signal) {
  int expected = 0;
  if (!pending_signal.compare_exchange_strong(expected, signal)) {
    // The second signal: the sender insists.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  const int saved_errno = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(wake_pipe[1], &byte, 1);
  errno = saved_errno;
}

void InstallHandlers() {
  if (wake_pipe[0] < 0 && ::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    wake_pipe[0] = wake_pipe[1] = -1;
  }
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &saved[i]);
}

std::string SignalName(int signal) {
  const char* name = ::sigabbrev_np(signal);
  return name != nullptr ? std::string("SIG") + name : std::to_string(signal);
}

void RestoreHandlers() {
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &saved[i], nullptr);
  char drained[64];
  while (::read(wake_pipe[0], drained, sizeof drained) > 0) {
  }
}
}  // namespace

Interrupted::Interrupted(int signal)
    : Exception("Stopped by signal " + SignalName(signal)), signal_(signal) {}

InterruptScope::InterruptScope() {
  if (depth++ == 0) InstallHandlers();
}

InterruptScope::~InterruptScope() {
  if (--depth > 0) return;
  RestoreHandlers();
  const int signal = pending_signal.exchange(0);
  if (signal != 0) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }
}

int PendingInterrupt() { return pending_signal.load(); }

void ThrowIfInterrupted() {
  if (const int signal = pending_signal.load(); signal != 0) throw Interrupted(signal);
}

int InterruptFd() { return depth > 0 ? wake_pipe[0] : -1; }

void PauseUnlessInterrupted(std::chrono::milliseconds wait) {
  pollfd interrupt{InterruptFd(), POLLIN, 0};
  ::poll(&interrupt, interrupt.fd >= 0 ? 1 : 0, static_cast<int>(wait.count()));
}

}  // namespace vorn
