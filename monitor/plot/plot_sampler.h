// The position plot's own sampling: ZemtraGetStatus and ZemtraGetRawPosVelAll
// on the main window's open card at the chosen rate, into the plot's ring.
// It runs from a timer on the GUI thread, where the main window makes its
// calls too, so the two never meet inside the library; it is independent of
// the main window's update cycle.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>

#include "sample_pacer.h"
#include "sample_ring.h"
#include "zemtra.h"

class QTimer;

namespace zemtra::plot {

class PlotSampler : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<int64_t()>;           // nanoseconds, never going back
  using CardSource = std::function<DeviceHandle()>;  // 0 while no card is open

  PlotSampler(SampleRing& ring, CardSource card, QObject* parent = nullptr);

  void SetRate(int hertz);
  int rate() const { return rate_; }
  // Tests move a clock of their own instead of the monotonic clock.
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  // Start takes the first sample one period later; it is not joined to the
  // sample before. Stop makes no library call until the next Start.
  void Start();
  void Stop();
  bool running() const { return running_; }
  // Empties the ring; the time axis starts again at the next sample.
  void Restart();

  // The timer's work: every sample due by now.
  void Tick();

  QTimer* Timer() const { return timer_; }
  // The last failed call, until a sample succeeds; 0 and null when none failed.
  ErrorCode lastError() const { return lastError_; }
  const char* lastFunction() const { return lastFunction_; }

 private:
  void TakeSample(DeviceHandle card);
  void Fail(const char* function, ErrorCode code);

  SampleRing& ring_;
  CardSource card_;
  Clock clock_;
  QTimer* timer_;
  SamplePacer pacer_;
  int rate_ = 0;
  bool running_ = false;
  bool breakPending_ = true;
  std::optional<int64_t> originNs_;
  uint16_t latched_ = 0;  // the status word at the sample before
  ErrorCode lastError_ = ZEMTRA_SUCCESS;
  const char* lastFunction_ = nullptr;
};

}  // namespace zemtra::plot
