// A mutex in memory that several processes share, which a process killed
// while holding it cannot wedge: the next locker learns that the owner died,
// repairs what the mutex protects, marks it consistent and goes on. Every wait
// is bounded, so a process stopped while holding it (a debugger, Ctrl-Z)
// delays the others by at most kLockBound.
#pragma once

#include <pthread.h>

#include <chrono>

namespace zemtra::pci::sim {

inline constexpr std::chrono::milliseconds kLockBound{1000};

// Process-shared and robust; false when the system offers no such mutex.
bool InitRobustMutex(pthread_mutex_t* mutex);

enum class Locked {
  kYes,        // held
  kOwnerDied,  // held; its last owner died holding it: repair, then MarkConsistent
  kTimedOut,   // not held: another process kept it for kLockBound
  kBroken,     // not held: a repair was never finished (not recoverable)
};

// Spins briefly before sleeping: the sections it guards are short, and two
// processes on two cores would otherwise trade system calls on every access.
Locked LockRobust(pthread_mutex_t* mutex);
void MarkConsistent(pthread_mutex_t* mutex);
void Unlock(pthread_mutex_t* mutex);

}  // namespace zemtra::pci::sim
