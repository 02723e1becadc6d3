// What the boards are: the identity of an open board, and every board found.
#pragma once

#include <pybind11/pybind11.h>

#include "zemtra.h"

namespace zemtra::python {

namespace py = pybind11;

// zemtra.Identity of an open board.
py::object ReadIdentity(DeviceHandle handle);

// A zemtra.BoardInfo for every board the library finds, in its order; a board
// that cannot be opened is listed with its error instead of its identity.
py::list ListBoards();

}  // namespace zemtra::python
