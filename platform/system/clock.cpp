#include "platform/system/clock.h"

#include <chrono>
#include <random>

namespace vorn {

namespace {
std::function<uint32_t()>& TickSource() {
  static std::function<uint32_t()> source;
  return source;
}
}  // namespace

uint32_t TickCount() {
  if (TickSource()) return TickSource()();
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

uint32_t RandomBelow(uint32_t bound) {
  if (bound == 0) return 0;
  // Seeded from the clock each time, as the names it feeds need no stronger source;
  // the mix of nanoseconds and a counter keeps two calls in one tick apart.
  static uint64_t counter = 0;
  const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::mt19937_64 generator(static_cast<uint64_t>(now) ^ (++counter * 0x9E3779B97F4A7C15ULL));
  return static_cast<uint32_t>(std::uniform_int_distribution<uint64_t>(0, bound - 1)(generator));
}

void SetTickSource(std::function<uint32_t()> source) { TickSource() = std::move(source); }

}  // namespace vorn
