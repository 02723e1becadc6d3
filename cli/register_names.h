// Names from the board's register map: registers by offset, and the named bits
// set in a register value or in one of the words the library composes from two
// registers (status and configuration).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zemtra_registers.h"

namespace zemtra::cli {

// The map entry at `offset`, or null when no register starts there.
const ZemtraRegisterInfo* FindRegister(int32_t offset);

// Names of the bits set in `value` of the 16-bit register at `offset`,
// highest bit first, as the register map names them.
std::vector<std::string> RegisterBitNames(int32_t offset, uint16_t value);

// The same for the words the library composes: the status word (A1/A2 Error
// Status in the low byte, A3/Ref Error Status in the high byte) and the
// configuration word (A1/A2 and A3/IRQ Control and Setup).
std::vector<std::string> StatusWordBitNames(uint16_t status);
std::vector<std::string> ConfigWordBitNames(uint16_t config);

// "A1 No Sig, Ref Glitch", or "-" when no name is given.
std::string JoinNames(const std::vector<std::string>& names);

}  // namespace zemtra::cli
