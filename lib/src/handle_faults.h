// Test hooks that make the handle table's allocation, lock or unlock fail once,
// so that the codes for those failures can be reached. Internal only: these
// symbols are not exported from the shared library.
#pragma once

#include <atomic>

namespace zemtra::faults {

enum class Fault : unsigned { kAllocate = 1, kLock = 2, kUnlock = 4 };

// The next operation of this kind, in any thread, fails once.
void FailNext(Fault fault);
// Disarms every pending failure.
void Clear();

namespace detail {
extern std::atomic<unsigned> armed;
bool TakeArmed(Fault fault);
}  // namespace detail

// True when a failure of this kind was armed; disarms it. Costs one relaxed
// load when nothing is armed, which is always the case outside tests.
inline bool Take(Fault fault) {
  if (detail::armed.load(std::memory_order_relaxed) == 0) [[likely]] {
    return false;
  }
  return detail::TakeArmed(fault);
}

}  // namespace zemtra::faults
