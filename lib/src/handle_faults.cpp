#include "handle_faults.h"

namespace zemtra::faults {

namespace detail {
constinit std::atomic<unsigned> armed{0};

bool TakeArmed(Fault fault) {
  const auto bit = static_cast<unsigned>(fault);
  return (armed.fetch_and(~bit, std::memory_order_relaxed) & bit) != 0;
}
}  // namespace detail

void FailNext(Fault fault) {
  detail::armed.fetch_or(static_cast<unsigned>(fault), std::memory_order_relaxed);
}

void Clear() { detail::armed.store(0, std::memory_order_relaxed); }

}  // namespace zemtra::faults
