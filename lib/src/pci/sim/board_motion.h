// The motion of a simulated board's axes: where each axis is and how fast it
// goes at a moment of the board's clock. A pure function of the moment and of
// the board's phase, which never changes once the board is made, so a command
// works it out before it takes the board's lock and holds the lock only to
// apply it: two processes sampling one shared board do the trigonometry side
// by side instead of one after the other.
#pragma once

#include <array>
#include <cstdint>

#include "pci/sim/board_state.h"

namespace zemtra::pci {

inline constexpr unsigned kAllAxes = 0b111;

struct MotionAt {
  double t = 0;                     // seconds on the board's clock
  unsigned axes = 0;                // bit a: axis a worked out
  std::array<int64_t, 3> travel{};  // counts travelled since the clock's origin, rounded
  std::array<double, 3> speed{};    // counts per second
};

// The axes in `axes` of a moving board of phase `phase` at `t`.
MotionAt MovingAt(double phase, double t, unsigned axes);

// The axes in `axes` at `t` of the board as it is now: still ones travel
// nowhere at any time.
MotionAt MotionOf(const BoardState& s, double t, unsigned axes);

// Whether the board's clock runs (motion on, not frozen).
bool ClockRuns(const BoardState& s);

// Seconds on the board's clock now: 0 when nothing moves, the frozen time
// when frozen.
double Now(const BoardState& s);

// MotionOf now, kept as the board's latest moment when its clock runs (the
// caller holds the board's lock).
MotionAt Clock(BoardState& s, unsigned axes);

// Before the lock: the axes in `axes` now, when the board's clock seems to
// run; otherwise nothing (axes 0).
MotionAt Prepare(const BoardState& s, unsigned axes);
// Under the lock: whether what Prepare gave holds for a command on `axes`.
// It does while the clock runs and no command since took a later moment, so
// that the board's moments never go back.
bool Usable(const BoardState& s, const MotionAt& ready, unsigned axes);

}  // namespace zemtra::pci
