#pragma once

#include <functional>
#include <string>

namespace vorn::testing {

// The calls that finish an output file. The test binary defines fsync, close and rename
// itself, so every caller in the process (the platform library, the standard library)
// reaches them; each forwards to the C library's own unless a fault is armed.
enum class IoCall { kFsync, kClose, kRename };

// Whether a fault strikes its nth call only, or that one and every later one.
enum class Persistence { kTransient, kPersistent };

// While alive, the `nth` call of `call` that touches a file under `folder` (for fsync and
// close: a descriptor open for writing; for rename: either name), and with kPersistent every
// later one, fails with `error` without doing its work, except that close still releases the
// descriptor, as Linux does. With `error` 0 the call runs as usual; `before` runs first at
// the nth call. Only one at a time.
class ScopedIoFault {
 public:
  ScopedIoFault(IoCall call, int nth, int error, const std::string& folder,
                Persistence persistence = Persistence::kTransient,
                std::function<void()> before = {});
  ~ScopedIoFault();
  ScopedIoFault(const ScopedIoFault&) = delete;
  ScopedIoFault& operator=(const ScopedIoFault&) = delete;

  // Whether the nth call came.
  bool Struck() const;
};

}  // namespace vorn::testing
