#include "board.h"

#include "errors.h"
#include "python_types.h"

namespace zemtra::python {

namespace {

int32_t AnyOr(std::optional<int32_t> value, const char* what) {
  if (value && *value < 0) throw py::value_error(std::string(what) + " must not be negative");
  return value.value_or(-1);
}

}  // namespace

Board::Board(std::optional<int32_t> bus, std::optional<int32_t> slot)
    : location_{AnyOr(bus, "bus"), AnyOr(slot, "slot")} {
  Check("ZemtraOpen", ZemtraOpen(&location_, &handle_, &boardId_));
}

Board::~Board() {
  // Garbage collection of an open board: nobody is left to hear of a failure.
  ZemtraClose(&handle_);
}

void Board::Close() {
  if (closed()) return;
  Check("ZemtraClose", ZemtraClose(&handle_));
}

DeviceHandle Board::Handle(const char* function) const {
  if (closed()) RaiseLibraryError(function, ZEMTRA_ERR_INVALID_HANDLE);
  return handle_;
}

}  // namespace zemtra::python
