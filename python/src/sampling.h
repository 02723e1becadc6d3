// Sampling the axes, reading what they latched, and presets.
#pragma once

#include <array>
#include <optional>

#include <pybind11/pybind11.h>

#include "board.h"
#include "conversion.h"

namespace zemtra::python {

namespace py = pybind11;

// One sample of the three axes in raw counts; SampleAll leaves an invalid
// axis's counts as they were, as the library does.
struct RawSample {
  std::array<int32_t, ZEMTRA_AXIS_COUNT> position{};
  std::array<int32_t, ZEMTRA_AXIS_COUNT> velocity{};
  std::array<bool, ZEMTRA_AXIS_COUNT> valid{};
};

// All three axes with one sample command. Returns the library's code: success,
// 25 (some axis not valid: see `sample.valid`) or a failure, which the caller
// raises. Needs no Python, so it runs without the GIL.
ErrorCode SampleAll(DeviceHandle handle, RawSample& sample);

// Raises InvalidAxisError (24) for an axis other than 0, 1, 2. The library
// itself looks only at the low 16 bits.
void CheckAxis(const char* function, int64_t axis);

// zemtra.Sample of the given axes ("all" = one command for all three, else
// an iterable of axis numbers, each sampled on its own); the others are nan.
py::object SampleAxes(const Board& board, const py::object& axes, const Conversion& conversion);

// (position, velocity) of one axis: sampled now, or as latched by the last
// sample command when `fresh` is false; nan when not valid.
py::tuple ReadAxis(const Board& board, int64_t axis, bool fresh, const Conversion& conversion);

// Loads raw counts into positions; returns the status word right after. Raises
// InvalidDataError (25) when an axis or the reference showed an error then.
py::object Preset(const Board& board, int64_t axis, int64_t value);
py::object PresetAll(const Board& board, const std::array<int64_t, ZEMTRA_AXIS_COUNT>& values);

}  // namespace zemtra::python
