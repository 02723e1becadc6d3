// Waiting for the board's interrupt from chosen error sources, as
// `zemtra wait-irq` does, with the settings it changed put back on every way out.
#pragma once

#include <optional>

#include <pybind11/pybind11.h>

#include "board.h"

namespace zemtra::python {

namespace py = pybind11;

// Enables the sources (status word bits) in the interrupt mask, sets IRQ
// Enable and the bridge source, clears the sources' latched errors so that
// the next occurrence latches, and waits without the GIL. Returns the sources
// that latched (a Status); raises TimeoutError after `timeoutSeconds` (none =
// no limit) and KeyboardInterrupt on Ctrl-C.
py::object WaitInterrupt(const Board& board, int64_t sources, std::optional<double> timeoutSeconds);

}  // namespace zemtra::python
