#include "pci/sim/robust_mutex.h"

#include <linux/futex.h>
#include <sched.h>
#include <time.h>

#include <cerrno>

namespace zemtra::pci::sim {
namespace {

constexpr int kSpins = 200;
constexpr long kSleepSliceNs = 10'000'000;  // timedlock's realtime deadline, renewed

Locked FromResult(int result) {
  switch (result) {
    case 0: return Locked::kYes;
    case EOWNERDEAD: return Locked::kOwnerDied;
    case ENOTRECOVERABLE: return Locked::kBroken;
    default: return Locked::kTimedOut;
  }
}

void Relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// glibc keeps the owner's thread id in a robust mutex's futex word. Looking
// before trying keeps a waiter from taking the mutex's cache line away from
// its holder at every spin.
bool LooksFree(pthread_mutex_t* mutex) {
  return (__atomic_load_n(&mutex->__data.__lock, __ATOMIC_RELAXED) & FUTEX_TID_MASK) == 0;
}

int64_t MonotonicNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

}  // namespace

bool InitRobustMutex(pthread_mutex_t* mutex) {
  pthread_mutexattr_t attributes;
  if (::pthread_mutexattr_init(&attributes) != 0) return false;
  const bool made = ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                    ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                    ::pthread_mutex_init(mutex, &attributes) == 0;
  ::pthread_mutexattr_destroy(&attributes);
  return made;
}

Locked LockRobust(pthread_mutex_t* mutex) {
  for (int spin = 0; spin < kSpins; ++spin) {
    if (LooksFree(mutex)) {
      const int result = ::pthread_mutex_trylock(mutex);
      if (result != EBUSY) return FromResult(result);
    }
    if (spin % 50 == 49) ::sched_yield();
    Relax();
  }
  // Deadlines of timedlock are on the realtime clock, which may jump: short
  // slices, with the bound measured on the monotonic clock.
  const int64_t giveUp = MonotonicNs() + std::chrono::nanoseconds(kLockBound).count();
  while (true) {
    timespec deadline{};
    ::clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_nsec += kSleepSliceNs;
    if (deadline.tv_nsec >= 1'000'000'000L) {
      deadline.tv_sec += 1;
      deadline.tv_nsec -= 1'000'000'000L;
    }
    const int result = ::pthread_mutex_timedlock(mutex, &deadline);
    if (result != ETIMEDOUT || MonotonicNs() >= giveUp) return FromResult(result);
  }
}

void MarkConsistent(pthread_mutex_t* mutex) { ::pthread_mutex_consistent(mutex); }

void Unlock(pthread_mutex_t* mutex) { ::pthread_mutex_unlock(mutex); }

}  // namespace zemtra::pci::sim
