// Sampling many times into a NumPy structured array: back to back, or paced
// on absolute deadlines of the monotonic clock, in C++ without the GIL.
#pragma once

#include <optional>

#include <pybind11/numpy.h>

#include "board.h"
#include "conversion.h"

namespace zemtra::python {

namespace py = pybind11;

// One record of the array; NumPy sees it as the dtype
// [("t", f8), ("pos", f8, (3,)), ("vel", f8, (3,)), ("valid", ?, (3,))].
struct CaptureRecord {
  double t;  // seconds since the capture began, monotonic clock
  double pos[ZEMTRA_AXIS_COUNT];
  double vel[ZEMTRA_AXIS_COUNT];
  bool valid[ZEMTRA_AXIS_COUNT];
};

// Registers the record's dtype with pybind11; once, at import.
void RegisterCaptureRecord();

// `count` samples of all three axes; `rateHz` none = back to back. A missed
// deadline (a stall longer than a period) is skipped rather than caught up in
// a burst. Ctrl-C raises KeyboardInterrupt within milliseconds; the board is
// only sampled, so nothing on it needs putting back.
py::array Capture(const Board& board, int64_t count, std::optional<double> rateHz, const Conversion& conversion);

}  // namespace zemtra::python
