// Raw register access at a byte offset of the register window, 16 or 32 bits
// wide; the width defaults to the register map's for the offset.
#pragma once

#include <optional>

#include "board.h"

namespace zemtra::python {

uint32_t ReadRegister(const Board& board, int64_t offset, std::optional<int> width);
void WriteRegister(const Board& board, int64_t offset, int64_t value, std::optional<int> width);

}  // namespace zemtra::python
