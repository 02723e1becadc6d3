#include "released_loop.h"

#include <time.h>

#include <algorithm>
#include <cerrno>

#include <pybind11/pybind11.h>

namespace zemtra::python {

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;

}  // namespace

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

SignalCheck::SignalCheck() : dueNs_(INT64_MAX) {
  const pybind11::object mainThread = pybind11::module_::import("threading").attr("main_thread")();
  if (mainThread.attr("ident").cast<unsigned long>() == PyThread_get_thread_ident()) {
    dueNs_ = MonotonicNs() + kIntervalNs;
  }
}

void SignalCheck::CheckNow(int64_t nowNs) {
  if (dueNs_ == INT64_MAX) return;
  dueNs_ = nowNs + kIntervalNs;
  const pybind11::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() != 0) throw pybind11::error_already_set();
}

void SleepUntil(int64_t deadlineNs, SignalCheck& signals) {
  for (int64_t now = MonotonicNs(); now < deadlineNs; now = MonotonicNs()) {
    const int64_t wakeNs = std::min(deadlineNs, signals.dueNs());
    const timespec due{static_cast<time_t>(wakeNs / kNsPerSecond), static_cast<long>(wakeNs % kNsPerSecond)};
    if (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
      signals.CheckNow(MonotonicNs());
    } else {
      signals.Poll(MonotonicNs());
    }
  }
}

}  // namespace zemtra::python
