#pragma once

#include <chrono>
#include <string>

#include "platform/system/exception.h"

namespace vorn {

// Thrown by a wait on another program (a renderer, LibreOffice, lp) when SIGINT, SIGTERM or
// SIGHUP arrived during an InterruptScope, so that unwinding ends the helpers and removes the
// temporary files and the half-made output before the program goes.
class Interrupted : public Exception {
 public:
  explicit Interrupted(int signal);
  int Signal() const { return signal_; }

 private:
  int signal_;
};

// While one lives, SIGINT, SIGTERM and SIGHUP do not end the program at once: they are noted,
// and the next wait on another program throws Interrupted. A second signal ends the program
// at once, as without a scope. When the outermost scope ends after a signal, that signal's
// default action runs, so the program still ends as the sender asked, but only after what the
// scope owned was released. Scopes nest; use them on the main thread only.
class InterruptScope {
 public:
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};

// The signal noted in the current scope, or 0.
int PendingInterrupt();

// Throws Interrupted when a signal has been noted.
void ThrowIfInterrupted();

// Sleeps up to `wait`, waking at once when a signal is noted (ThrowIfInterrupted then throws):
// the pause of a loop that waits for another program to end.
void PauseUnlessInterrupted(std::chrono::milliseconds wait);

// A descriptor that becomes readable when a signal is noted, for poll() beside other waits;
// -1 outside a scope.
int InterruptFd();

}  // namespace vorn
