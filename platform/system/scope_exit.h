#pragma once

#include <utility>

namespace vorn {

// Runs `action` when the scope ends, on a return and on an exception alike: for undoing a
// setting made for the length of one call.
template <typename Action>
class ScopeExit {
 public:
  explicit ScopeExit(Action action) : action_(std::move(action)) {}
  ~ScopeExit() { action_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Action action_;
};

}  // namespace vorn
