// Single-register access by handle, the axis table lookup and the status
// word: the building blocks of every exported function.
#pragma once

#include <cstdint>

#include "zemtra.h"
#include "zemtra_registers.h"

namespace zemtra {

// Each follows the handle protocol: 17 for a null handle or out-pointer, 16
// when the handle names no open board, 21 when the register does not lie
// wholly inside the mapped window, 23 when the unlock fails (a value read
// stays stored).
ErrorCode WriteRegister16(DeviceHandle handle, int32_t offset, uint16_t value);
ErrorCode ReadRegister16(DeviceHandle handle, int32_t offset, uint16_t* value);
ErrorCode WriteRegister32(DeviceHandle handle, int32_t offset, uint32_t value);
ErrorCode ReadRegister32(DeviceHandle handle, int32_t offset, uint32_t* value);

// The axis's row of the axis table, or null for anything but 0, 1, 2.
const ZemtraAxisRegisterSet* LookupAxis(int16_t axis);

// Status word: low byte from the A1/A2 error status register, high byte from
// the A3/Ref error status register.
uint16_t ComposeStatusWord(uint16_t a1a2Status, uint16_t a3RefStatus);

constexpr uint16_t LowByte(uint16_t word) { return word & 0x00FF; }
constexpr uint16_t HighByte(uint16_t word) { return word >> 8; }

}  // namespace zemtra
