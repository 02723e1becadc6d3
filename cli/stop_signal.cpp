#include "stop_signal.h"

#include <poll.h>
#include <signal.h>

#include <cerrno>

namespace zemtra::cli {

namespace {

volatile sig_atomic_t stopRequested = 0;

void OnStopSignal(int) { stopRequested = 1; }

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: sleeps and polls return EINTR at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

bool WaitWritableUnlessStopped(int fd) {
  // The stop signals are held back between the check of the flag and the
  // wait, and let through only inside ppoll: a signal in between would
  // otherwise leave the wait blocked on a reader that never reads.
  const sigset_t stops = StopSignals();
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &stops, &previous);
  sigset_t waiting = previous;
  sigdelset(&waiting, SIGINT);
  sigdelset(&waiting, SIGTERM);
  bool writable = false;
  while (!writable && !StopRequested()) {
    pollfd output{fd, POLLOUT, 0};
    // An error (a closed pipe, a bad descriptor) counts as writable: the
    // write that follows reports it.
    writable = ppoll(&output, 1, nullptr, &waiting) > 0 || errno != EINTR;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return writable;
}

}  // namespace zemtra::cli
