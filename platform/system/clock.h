#pragma once

#include <cstdint>
#include <functional>

namespace vorn {

// Milliseconds of a monotonic clock, modulo 2^32, like a system tick count.
uint32_t TickCount();
// A number in 0 .. bound-1 from a generator seeded from the clock at each call.
uint32_t RandomBelow(uint32_t bound);

// Tests replace the tick source to make names predictable; an empty function restores it.
void SetTickSource(std::function<uint32_t()> source);

}  // namespace vorn
