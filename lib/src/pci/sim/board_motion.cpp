#include "pci/sim/board_motion.h"

#include <time.h>

#include <cmath>
#include <numbers>

namespace zemtra::pci {
namespace {

// Motion of each axis: a sum of two sines and a drift, in counts.
struct Stroke {
  double amplitude, period, amplitude2, period2, drift;
};
constexpr Stroke kStrokes[3] = {
    {300000.0, 12.0, 4000.0, 1.7, 0.0},     // A1: a long stroke
    {80000.0, 5.0, 0.0, 1.0, 2500.0},       // A2: short stroke with a slow drift
    {1200000.0, 40.0, 30000.0, 3.1, 0.0},   // A3: slow and wide with a wobble
};

int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

double RunningTime(const BoardState& s) { return static_cast<double>(NowNs() - s.startNs) * 1e-9; }

}  // namespace

MotionAt MovingAt(double phase, double t, unsigned axes) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  MotionAt at;
  at.t = t;
  at.axes = axes;
  for (int axis = 0; axis < 3; ++axis) {
    if (!(axes & (1u << axis))) continue;
    const Stroke& m = kStrokes[axis];
    const double first = kTwoPi * t / m.period + phase + axis, second = kTwoPi * t / m.period2 + 2 * phase;
    at.travel[axis] = std::llround(m.amplitude * std::sin(first) + m.amplitude2 * std::sin(second) + m.drift * t);
    at.speed[axis] = m.amplitude * kTwoPi / m.period * std::cos(first) +
                     m.amplitude2 * kTwoPi / m.period2 * std::cos(second) + m.drift;
  }
  return at;
}

MotionAt MotionOf(const BoardState& s, double t, unsigned axes) {
  if (s.config.motion) return MovingAt(s.phase, t, axes);
  MotionAt still;
  still.t = t;
  still.axes = axes;
  return still;
}

bool ClockRuns(const BoardState& s) { return s.config.motion && !s.frozen; }

double Now(const BoardState& s) {
  if (!s.config.motion) return 0;  // nothing moves: time does not matter
  if (s.frozen) return s.frozenTime;
  return RunningTime(s);
}

MotionAt Clock(BoardState& s, unsigned axes) {
  const MotionAt at = MotionOf(s, Now(s), axes);
  if (ClockRuns(s)) s.latestTime = at.t;
  return at;
}

MotionAt Prepare(const BoardState& s, unsigned axes) {
  // The phase and the clock's origin are set once when the board is made.
  if (axes == 0 || !s.clockRuns.load(std::memory_order_relaxed)) return {};
  return MovingAt(s.phase, RunningTime(s), axes);
}

bool Usable(const BoardState& s, const MotionAt& ready, unsigned axes) {
  return (ready.axes & axes) == axes && ClockRuns(s) && ready.t >= s.latestTime;
}

}  // namespace zemtra::pci
