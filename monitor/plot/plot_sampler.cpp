#include "plot_sampler.h"

#include <QTimer>
#include <chrono>

namespace zemtra::plot {

namespace {

constexpr int kDefaultRate = 50;

int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

PlotSampler::PlotSampler(SampleRing& ring, CardSource card, QObject* parent)
    : QObject(parent), ring_(ring), card_(std::move(card)), clock_(MonotonicNs), timer_(new QTimer(this)), pacer_(1) {
  timer_->setObjectName(QStringLiteral("TimerSample"));
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, &PlotSampler::Tick);
  SetRate(kDefaultRate);
}

void PlotSampler::SetRate(int hertz) {
  rate_ = hertz;
  pacer_ = SamplePacer(1'000'000'000 / hertz);
  pacer_.Start(clock_());
  // The timer ticks once a period; the pacer makes up for late ticks.
  timer_->setInterval(1000 / hertz);
}

void PlotSampler::Start() {
  if (running_) return;
  running_ = true;
  breakPending_ = true;
  pacer_.Start(clock_() + pacer_.periodNs());
  timer_->start();
}

void PlotSampler::Stop() {
  running_ = false;
  timer_->stop();
}

void PlotSampler::Restart() {
  ring_.Clear();
  originNs_.reset();
  latched_ = 0;
  breakPending_ = true;
  lastError_ = ZEMTRA_SUCCESS;
  lastFunction_ = nullptr;
  pacer_.Start(clock_() + pacer_.periodNs());
}

void PlotSampler::Tick() {
  if (!running_) return;
  const DeviceHandle card = card_();
  if (card == 0) {
    breakPending_ = true;
    return;
  }
  for (int due = pacer_.Due(clock_()); due > 0; --due) TakeSample(card);
}

void PlotSampler::TakeSample(DeviceHandle card) {
  const int64_t nowNs = clock_();
  // The status word first: a sample command re-latches a glitching signal at
  // once, so read after it, a Glitch that was cleared would never be seen clear.
  uint16_t status = 0;
  const ErrorCode statusCode = ZemtraGetStatus(card, &status);
  PlotSample sample;
  const ErrorCode code =
      ZemtraGetRawPosVelAll(card, &sample.position[0], &sample.velocity[0], &sample.position[1], &sample.velocity[1],
                            &sample.position[2], &sample.velocity[2], &sample.sampleStatus);
  // An invalid axis (25) is a gap in its line; any other failure is no sample at all.
  if (code != ZEMTRA_SUCCESS && code != ZEMTRA_ERR_INVALID_DATA) {
    Fail("ZemtraGetRawPosVelAll", code);
    breakPending_ = true;
    return;
  }
  if (statusCode != ZEMTRA_SUCCESS) {
    Fail("ZemtraGetStatus", statusCode);
    status = latched_;  // nothing new is known
  } else {
    lastError_ = ZEMTRA_SUCCESS;
    lastFunction_ = nullptr;
  }
  if (!originNs_) originNs_ = nowNs;
  sample.elapsedNs = nowNs - *originNs_;
  sample.newlyLatched = static_cast<uint16_t>(status & ~latched_);
  latched_ = status;
  sample.breakBefore = breakPending_;
  breakPending_ = false;
  ring_.Append(sample);
}

void PlotSampler::Fail(const char* function, ErrorCode code) {
  lastError_ = code;
  lastFunction_ = function;
}

}  // namespace zemtra::plot
