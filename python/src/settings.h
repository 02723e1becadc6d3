// The board's status, configuration, filter and interrupt mask as Python
// flags and records rather than bare words.
#pragma once

#include <optional>

#include <pybind11/pybind11.h>

#include "board.h"

namespace zemtra::python {

namespace py = pybind11;

py::object GetStatus(const Board& board);
// Clears the given status errors (None = every error present); returns the
// status word read right after.
py::object ClearStatus(const Board& board, const std::optional<int64_t>& flags);

py::object GetConfig(const Board& board);
void SetConfig(const Board& board, int64_t config);
py::object GetInterruptMask(const Board& board);
void SetInterruptMask(const Board& board, int64_t mask);
py::object GetFilter(const Board& board);
void SetFilter(const Board& board, const py::object& filter);

py::object GetDirection(const Board& board, int64_t axis);
void SetDirection(const Board& board, int64_t axis, int64_t direction);

// Raises ValueError unless `value` has only bits of `all` (named `what`).
uint16_t OnlyBits(int64_t value, uint16_t all, const char* what);

}  // namespace zemtra::python
