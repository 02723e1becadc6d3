// Long loops (capture, waiting for an interrupt) run in C++ without the GIL,
// so other Python threads go on. Python runs signal handlers only in the main
// thread with the GIL held, so such a loop takes the GIL back every few
// milliseconds to let Ctrl-C raise KeyboardInterrupt promptly, wherever the
// signal was delivered.
#pragma once

#include <cstdint>

namespace zemtra::python {

int64_t MonotonicNs();

class SignalCheck {
 public:
  static constexpr int64_t kIntervalNs = 5'000'000;

  // Made with the GIL held. In any thread but the main one there is nothing
  // to check, and the loop never waits for the GIL.
  SignalCheck();

  // When the next check is due; a sleep should end by then.
  int64_t dueNs() const { return dueNs_; }

  // Runs Python's pending signal handlers when a check is due; throws
  // pybind11::error_already_set when one raised (KeyboardInterrupt).
  void Poll(int64_t nowNs) {
    if (nowNs >= dueNs_) CheckNow(nowNs);
  }
  // The same at once: a system call was cut short by a signal.
  void CheckNow(int64_t nowNs);

 private:
  int64_t dueNs_;
};

// Sleeps until `deadlineNs` on the monotonic clock, checking for signals.
void SleepUntil(int64_t deadlineNs, SignalCheck& signals);

}  // namespace zemtra::python
