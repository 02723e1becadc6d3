#include "interrupt_wait.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "armed_interrupt.h"
#include "errors.h"
#include "flags.h"
#include "python_types.h"
#include "released_loop.h"
#include "settings.h"
#include "zemtra_registers.h"

namespace zemtra::python {

namespace {

enum class WaitOutcome { kSignalled, kTimedOut, kFailed };

// Waits until signalled or `endNs` (0 = no limit); kFailed leaves errno set.
// Runs without the GIL.
WaitOutcome WaitForInterrupt(const interrupts::ArmedInterrupt& armed, int64_t endNs, SignalCheck& signals) {
  for (;;) {
    const int64_t nowNs = MonotonicNs();
    if (endNs != 0 && nowNs >= endNs) return WaitOutcome::kTimedOut;
    const int64_t wakeNs = std::min(endNs == 0 ? INT64_MAX : endNs, signals.dueNs());
    const int timeoutMs = wakeNs == INT64_MAX ? -1
                                              : static_cast<int>(std::min<int64_t>(
                                                    (wakeNs - nowNs + 999'999) / 1'000'000, INT32_MAX));
    switch (armed.PollOnce(timeoutMs)) {
      case interrupts::Poll::kSignalled:
        return WaitOutcome::kSignalled;
      case interrupts::Poll::kFailed:
        return WaitOutcome::kFailed;
      case interrupts::Poll::kInterrupted:
        signals.CheckNow(MonotonicNs());
        break;
      case interrupts::Poll::kQuiet:
        signals.Poll(MonotonicNs());
        break;
    }
  }
}

int64_t EndNs(std::optional<double> timeoutSeconds) {
  if (!timeoutSeconds) return 0;
  if (!std::isfinite(*timeoutSeconds) || *timeoutSeconds <= 0 || *timeoutSeconds > 1e7) {
    throw py::value_error("timeout must be more than 0 and at most 1e7 seconds (or None: no limit)");
  }
  return MonotonicNs() + std::llround(*timeoutSeconds * 1e9);
}

}  // namespace

py::object WaitInterrupt(const Board& board, int64_t sources, std::optional<double> timeoutSeconds) {
  const uint16_t status = OnlyBits(sources, AllBits(StatusBits()), "the sources");
  if (status == 0) throw py::value_error("name at least one source");
  const int64_t endNs = EndNs(timeoutSeconds);
  const DeviceHandle handle = board.Handle("ZemtraGetInterruptMask");
  const interrupts::ArmedInterrupt armed(handle, InterruptMaskFor(status), status, Check);
  WaitOutcome outcome = WaitOutcome::kFailed;
  SignalCheck signals;
  {
    const py::gil_scoped_release released;
    outcome = WaitForInterrupt(armed, endNs, signals);
  }
  if (outcome == WaitOutcome::kFailed) {
    PyErr_SetFromErrno(PyExc_OSError);
    throw py::error_already_set();
  }
  if (outcome == WaitOutcome::kTimedOut) {
    PyErr_SetString(PyExc_TimeoutError, "no interrupt from the chosen sources in time");
    throw py::error_already_set();
  }
  uint16_t latched = 0;
  Check("ZemtraGetStatus", ZemtraGetStatus(handle, &latched));
  return Types().status(latched & status);
}

}  // namespace zemtra::python
