#include "sampling.h"

#include <pybind11/numpy.h>

#include "errors.h"
#include "python_types.h"

namespace zemtra::python {

namespace {

int32_t PresetValue(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw py::value_error("a preset must be a signed 32-bit count");
  return static_cast<int32_t>(value);
}

py::object ToSample(const RawSample& raw, const Conversion& conversion) {
  py::array_t<double> position(ZEMTRA_AXIS_COUNT);
  py::array_t<double> velocity(ZEMTRA_AXIS_COUNT);
  py::array_t<bool> valid(ZEMTRA_AXIS_COUNT);
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    position.mutable_at(axis) = raw.valid[axis] ? conversion.Position(axis, raw.position[axis]) : kNotValid;
    velocity.mutable_at(axis) = raw.valid[axis] ? conversion.Velocity(axis, raw.velocity[axis]) : kNotValid;
    valid.mutable_at(axis) = raw.valid[axis];
  }
  return Types().sample(position, velocity, valid);
}

}  // namespace

ErrorCode SampleAll(DeviceHandle handle, RawSample& sample) {
  uint16_t sampleStatus = 0;
  const ErrorCode code =
      ZemtraGetRawPosVelAll(handle, &sample.position[0], &sample.velocity[0], &sample.position[1],
                            &sample.velocity[1], &sample.position[2], &sample.velocity[2], &sampleStatus);
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    sample.valid[axis] = code == ZEMTRA_SUCCESS ||
                         (code == ZEMTRA_ERR_INVALID_DATA && (sampleStatus & ZemtraAxisRegisters[axis].sampleValid) != 0);
  }
  return code;
}

void CheckAxis(const char* function, int64_t axis) {
  if (axis < 0 || axis >= ZEMTRA_AXIS_COUNT) RaiseLibraryError(function, ZEMTRA_ERR_NO_AXIS);
}

py::object SampleAxes(const Board& board, const py::object& axes, const Conversion& conversion) {
  RawSample raw;
  if (py::isinstance<py::str>(axes)) {
    if (axes.cast<std::string>() != "all") throw py::value_error("axes must be \"all\" or axis numbers 0 to 2");
    CheckSample("ZemtraGetRawPosVelAll", SampleAll(board.Handle("ZemtraGetRawPosVelAll"), raw));
    return ToSample(raw, conversion);
  }
  for (const py::handle item : axes) {
    const auto axis = item.cast<int64_t>();
    CheckAxis("ZemtraGetRawPosVel", axis);
    const ErrorCode code = ZemtraGetRawPosVel(board.Handle("ZemtraGetRawPosVel"), static_cast<int16_t>(axis),
                                              &raw.position[axis], &raw.velocity[axis]);
    CheckSample("ZemtraGetRawPosVel", code);
    raw.valid[axis] = code == ZEMTRA_SUCCESS;
  }
  return ToSample(raw, conversion);
}

py::tuple ReadAxis(const Board& board, int64_t axis, bool fresh, const Conversion& conversion) {
  const char* function = fresh ? "ZemtraGetRawPosVel" : "ZemtraReadRawPos";
  CheckAxis(function, axis);
  const DeviceHandle handle = board.Handle(function);
  const auto index = static_cast<int16_t>(axis);
  int32_t position = 0;
  int32_t velocity = 0;
  ErrorCode code = ZEMTRA_SUCCESS;
  if (fresh) {
    code = ZemtraGetRawPosVel(handle, index, &position, &velocity);
    CheckSample(function, code);
  } else {
    code = ZemtraReadRawPos(handle, index, &position);
    CheckSample(function, code);
    // Both read the same latch: the sample valid bit decides for both.
    if (code == ZEMTRA_SUCCESS) CheckSample("ZemtraReadRawVel", ZemtraReadRawVel(handle, index, &velocity));
  }
  if (code != ZEMTRA_SUCCESS) return py::make_tuple(kNotValid, kNotValid);
  return py::make_tuple(conversion.Position(index, position), conversion.Velocity(index, velocity));
}

py::object Preset(const Board& board, int64_t axis, int64_t value) {
  CheckAxis("ZemtraPresetRaw", axis);
  uint16_t status = 0;
  Check("ZemtraPresetRaw",
        ZemtraPresetRaw(board.Handle("ZemtraPresetRaw"), static_cast<int16_t>(axis), PresetValue(value), &status));
  return Types().status(status);
}

py::object PresetAll(const Board& board, const std::array<int64_t, ZEMTRA_AXIS_COUNT>& values) {
  uint16_t status = 0;
  Check("ZemtraPresetRawAll", ZemtraPresetRawAll(board.Handle("ZemtraPresetRawAll"), PresetValue(values[0]),
                                                 PresetValue(values[1]), PresetValue(values[2]), &status));
  return Types().status(status);
}

}  // namespace zemtra::python
