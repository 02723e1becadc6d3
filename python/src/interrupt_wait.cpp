#include "interrupt_wait.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "errors.h"
#include "flags.h"
#include "python_types.h"
#include "released_loop.h"
#include "settings.h"
#include "zemtra_registers.h"

namespace zemtra::python {

namespace {

// The interrupt mask and configuration word as they were, written back when it
// goes, whatever happened in between.
class SavedInterruptSettings {
 public:
  explicit SavedInterruptSettings(DeviceHandle board) : board_(board) {
    Check("ZemtraGetInterruptMask", ZemtraGetInterruptMask(board_, &mask_));
    Check("ZemtraGetConfig", ZemtraGetConfig(board_, &config_));
  }
  ~SavedInterruptSettings() {
    // Best effort on the way out: a failure here has nothing better to do.
    ZemtraSetInterruptMask(board_, mask_);
    ZemtraSetConfig(board_, config_);
  }
  SavedInterruptSettings(const SavedInterruptSettings&) = delete;
  SavedInterruptSettings& operator=(const SavedInterruptSettings&) = delete;

  uint16_t mask() const { return mask_; }
  uint16_t config() const { return config_; }

 private:
  DeviceHandle board_;
  uint16_t mask_ = 0;
  uint16_t config_ = 0;
};

// The event the library hands out: a descriptor that is ours to close.
class InterruptEvent {
 public:
  explicit InterruptEvent(DeviceHandle board) {
    uint32_t event = 0;
    Check("ZemtraPciInterruptAttach", ZemtraPciInterruptAttach(board, &event));
    fd_ = static_cast<int>(event);
  }
  ~InterruptEvent() { ::close(fd_); }
  InterruptEvent(const InterruptEvent&) = delete;
  InterruptEvent& operator=(const InterruptEvent&) = delete;

  enum class Outcome { kSignalled, kTimedOut, kFailed };
  // Waits until signalled or `endNs` (0 = no limit); kFailed leaves errno
  // set. Runs without the GIL.
  Outcome Wait(int64_t endNs, SignalCheck& signals) const;

 private:
  int fd_ = -1;
};

InterruptEvent::Outcome InterruptEvent::Wait(int64_t endNs, SignalCheck& signals) const {
  for (;;) {
    const int64_t nowNs = MonotonicNs();
    if (endNs != 0 && nowNs >= endNs) return Outcome::kTimedOut;
    const int64_t wakeNs = std::min(endNs == 0 ? INT64_MAX : endNs, signals.dueNs());
    const int timeoutMs = wakeNs == INT64_MAX ? -1
                                              : static_cast<int>(std::min<int64_t>(
                                                    (wakeNs - nowNs + 999'999) / 1'000'000, INT32_MAX));
    pollfd event{fd_, POLLIN, 0};
    const int ready = ::poll(&event, 1, timeoutMs);
    if (ready > 0) {
      // A board removed from the bus leaves its UIO event in error: no interrupt came.
      if ((event.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0) return Outcome::kSignalled;
      errno = ENODEV;
      return Outcome::kFailed;
    }
    if (ready < 0 && errno != EINTR) return Outcome::kFailed;
    if (ready < 0) {
      signals.CheckNow(MonotonicNs());
    } else {
      signals.Poll(MonotonicNs());
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
  const SavedInterruptSettings saved(handle);
  Check("ZemtraSetInterruptMask", ZemtraSetInterruptMask(handle, saved.mask() | InterruptMaskFor(status)));
  Check("ZemtraSetConfig", ZemtraSetConfig(handle, saved.config() | ZEMTRA_CONFIG_IRQ_ENABLE));
  Check("ZemtraPciInterruptEnable", ZemtraPciInterruptEnable(handle, 1));
  const InterruptEvent event(handle);
  // Wait for the next occurrence: an error latched before now would not
  // interrupt again, so clear the chosen ones and let them latch anew.
  uint16_t latched = 0;
  Check("ZemtraClearStatusBits", ZemtraClearStatusBits(handle, status, &latched));
  InterruptEvent::Outcome outcome = InterruptEvent::Outcome::kFailed;
  SignalCheck signals;
  {
    const py::gil_scoped_release released;
    outcome = event.Wait(endNs, signals);
  }
  if (outcome == InterruptEvent::Outcome::kFailed) {
    PyErr_SetFromErrno(PyExc_OSError);
    throw py::error_already_set();
  }
  if (outcome == InterruptEvent::Outcome::kTimedOut) {
    PyErr_SetString(PyExc_TimeoutError, "no interrupt from the chosen sources in time");
    throw py::error_already_set();
  }
  Check("ZemtraGetStatus", ZemtraGetStatus(handle, &latched));
  return Types().status(latched & status);
}

}  // namespace zemtra::python
