#include "capture.h"

#include <sys/prctl.h>

#include <cmath>

#include "errors.h"
#include "released_loop.h"
#include "sampling.h"

namespace zemtra::python {

namespace {

// Paced captures ask the kernel for the least timer slack, so that wake-ups
// are not deferred by the default 50 us; the thread's own value comes back after.
class LeastTimerSlack {
 public:
  LeastTimerSlack() : saved_(prctl(PR_GET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL)) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  }
  ~LeastTimerSlack() {
    if (saved_ > 0) prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(saved_), 0UL, 0UL, 0UL);
  }
  LeastTimerSlack(const LeastTimerSlack&) = delete;
  LeastTimerSlack& operator=(const LeastTimerSlack&) = delete;

 private:
  int saved_;
};

int64_t PeriodNs(std::optional<double> rateHz) {
  if (!rateHz) return 0;
  if (!std::isfinite(*rateHz) || *rateHz < 1e-3 || *rateHz > 1e6) {
    throw py::value_error("rate_hz must be 0.001 to 1000000 (or None: back to back)");
  }
  return std::llround(1e9 / *rateHz);
}

void Store(const RawSample& sample, const Conversion& conversion, CaptureRecord& record) {
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    record.valid[axis] = sample.valid[axis];
    record.pos[axis] = sample.valid[axis] ? conversion.Position(axis, sample.position[axis]) : kNotValid;
    record.vel[axis] = sample.valid[axis] ? conversion.Velocity(axis, sample.velocity[axis]) : kNotValid;
  }
}

}  // namespace

void RegisterCaptureRecord() { PYBIND11_NUMPY_DTYPE(CaptureRecord, t, pos, vel, valid); }

py::array Capture(const Board& board, int64_t count, std::optional<double> rateHz, const Conversion& conversion) {
  if (count < 0) throw py::value_error("the sample count must not be negative");
  const int64_t periodNs = PeriodNs(rateHz);
  const DeviceHandle handle = board.Handle("ZemtraGetRawPosVelAll");
  py::array_t<CaptureRecord> records(static_cast<py::ssize_t>(count));
  CaptureRecord* const out = records.mutable_data();
  ErrorCode failure = ZEMTRA_SUCCESS;
  SignalCheck signals;
  {
    const py::gil_scoped_release released;
    std::optional<LeastTimerSlack> slack;
    if (periodNs > 0) slack.emplace();
    const int64_t startNs = MonotonicNs();
    int64_t deadlineNs = startNs;
    RawSample sample;
    for (int64_t i = 0; i < count; ++i) {
      if (periodNs > 0) SleepUntil(deadlineNs, signals);
      const int64_t nowNs = MonotonicNs();
      signals.Poll(nowNs);
      failure = SampleAll(handle, sample);
      if (failure != ZEMTRA_SUCCESS && failure != ZEMTRA_ERR_INVALID_DATA) break;
      out[i].t = static_cast<double>(nowNs - startNs) * 1e-9;
      Store(sample, conversion, out[i]);
      if (periodNs > 0) {
        deadlineNs += periodNs;
        const int64_t lateNs = MonotonicNs() - deadlineNs;
        if (lateNs >= periodNs) deadlineNs += lateNs / periodNs * periodNs;
      }
    }
  }
  CheckSample("ZemtraGetRawPosVelAll", failure);
  return records;
}

}  // namespace zemtra::python
