#include "identity.h"

#include <vector>

#include "errors.h"
#include "python_types.h"

namespace zemtra::python {

namespace {

std::vector<DeviceLocation> FindBoards() {
  uint32_t count = 0;
  const ErrorCode counted = ZemtraFind(nullptr, &count, nullptr, 0);
  if (counted == ZEMTRA_ERR_DEVICE_NOT_FOUND) return {};
  Check("ZemtraFind", counted);
  std::vector<DeviceLocation> boards(count);
  if (count == 0) return boards;
  Check("ZemtraFind", ZemtraFind(nullptr, &count, boards.data(), count));
  // A board that went away between the two calls is simply not listed.
  boards.resize(count);
  return boards;
}

// A board opened only to be looked at, closed again on every way out.
struct Peek {
  DeviceHandle handle = 0;
  Peek() = default;
  Peek(const Peek&) = delete;
  Peek& operator=(const Peek&) = delete;
  ~Peek() { ZemtraClose(&handle); }
};

}  // namespace

py::object ReadIdentity(DeviceHandle handle) {
  uint32_t products[2] = {};
  uint32_t revisions[2] = {};
  uint16_t hardware = 0;
  Check("ZemtraGetFPGAIds", ZemtraGetFPGAIds(handle, &products[0], &products[1]));
  Check("ZemtraGetFPGARevs", ZemtraGetFPGARevs(handle, &revisions[0], &revisions[1]));
  Check("ZemtraGetHdwRev", ZemtraGetHdwRev(handle, &hardware));
  return Types().identity(py::make_tuple(products[0], products[1]), py::make_tuple(revisions[0], revisions[1]),
                          hardware);
}

py::list ListBoards() {
  py::list boards;
  for (DeviceLocation location : FindBoards()) {
    const DeviceLocation found = location;
    py::object identity = py::none();
    py::object error = py::none();
    try {
      Peek board;
      Check("ZemtraOpen", ZemtraOpen(&location, &board.handle, nullptr));
      identity = ReadIdentity(board.handle);
    } catch (py::error_already_set& failure) {
      if (!failure.matches(py::module_::import("zemtra._types").attr("ZemtraError"))) throw;
      error = failure.value();
    }
    boards.append(Types().boardInfo(found.bus, found.slot, identity, error));
  }
  return boards;
}

}  // namespace zemtra::python
