// Error status, configuration, filter and interrupt mask.
#include "board_lock.h"
#include "register_access.h"
#include "zemtra.h"

using namespace zemtra;

namespace {

// Reads both error status registers (A1/A2 first) into a status word.
uint16_t ReadStatusWord(const BoardLock& board) {
  const uint16_t a1a2 = board.Read16(ZEMTRA_REG_A1_A2_STATUS);
  return ComposeStatusWord(a1a2, board.Read16(ZEMTRA_REG_A3_REF_STATUS));
}

// Writes one error status word back to the two registers, A1/A2 first; a 1
// clears that error, a 0 leaves it.
void WriteStatusWord(const BoardLock& board, uint16_t status) {
  board.Write16(ZEMTRA_REG_A1_A2_STATUS, LowByte(status));
  board.Write16(ZEMTRA_REG_A3_REF_STATUS, HighByte(status));
}

// The common shape of the three status calls: optionally clear, then report.
template <typename Clear>
ErrorCode ClearAndReport(DeviceHandle handle, uint16_t* status, Clear clear) {
  if (handle == 0 || status == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  clear(board);
  *status = ReadStatusWord(board);
  return board.Unlock() ? ZEMTRA_SUCCESS : ZEMTRA_ERR_UNLOCK;
}

}  // namespace

ErrorCode ZemtraGetStatus(DeviceHandle handle, uint16_t* status) {
  return ClearAndReport(handle, status, [](const BoardLock&) {});
}

ErrorCode ZemtraClearStatusBits(DeviceHandle handle, uint16_t bits, uint16_t* status) {
  return ClearAndReport(handle, status,
                        [bits](const BoardLock& board) { WriteStatusWord(board, bits); });
}

ErrorCode ZemtraClearStatusAll(DeviceHandle handle, uint16_t* status) {
  // Writing back what was read clears exactly the errors present.
  return ClearAndReport(handle, status, [](const BoardLock& board) {
    const uint16_t a1a2 = board.Read16(ZEMTRA_REG_A1_A2_STATUS);
    const uint16_t a3Ref = board.Read16(ZEMTRA_REG_A3_REF_STATUS);
    board.Write16(ZEMTRA_REG_A1_A2_STATUS, a1a2);
    board.Write16(ZEMTRA_REG_A3_REF_STATUS, a3Ref);
  });
}

// IRQ Enable sits in the configuration word's high byte, so it lands in the
// A3/IRQ control register twice: at its own bit and, shifted down with the
// rest of the byte, at the low copy.
ErrorCode ZemtraSetConfig(DeviceHandle handle, uint16_t config) {
  if (handle == 0) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  board.Write16(ZEMTRA_REG_A1_A2_CONTROL, LowByte(config));
  board.Write16(ZEMTRA_REG_A3_IRQ_CONTROL,
                static_cast<uint16_t>(HighByte(config) | (config & ZEMTRA_CONFIG_IRQ_ENABLE)));
  return board.Unlock() ? ZEMTRA_SUCCESS : ZEMTRA_ERR_UNLOCK;
}

ErrorCode ZemtraGetConfig(DeviceHandle handle, uint16_t* config) {
  if (handle == 0 || config == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  const uint16_t a1a2 = board.Read16(ZEMTRA_REG_A1_A2_CONTROL);
  const uint16_t a3Irq = board.Read16(ZEMTRA_REG_A3_IRQ_CONTROL);
  if (!board.Unlock()) {
    return ZEMTRA_ERR_UNLOCK;
  }
  *config = static_cast<uint16_t>((a3Irq & ZEMTRA_CTL3_IRQ_ENABLE) | LowByte(a1a2) |
                                  LowByte(a3Irq) << 8);
  return ZEMTRA_SUCCESS;
}

ErrorCode ZemtraSetFilter(DeviceHandle handle, uint16_t filter) {
  return WriteRegister16(handle, ZEMTRA_REG_FILTER, filter);
}

ErrorCode ZemtraGetFilter(DeviceHandle handle, uint16_t* filter) {
  return ReadRegister16(handle, ZEMTRA_REG_FILTER, filter);
}

ErrorCode ZemtraSetInterruptMask(DeviceHandle handle, uint16_t mask) {
  return WriteRegister16(handle, ZEMTRA_REG_INTERRUPT_MASK, mask);
}

ErrorCode ZemtraGetInterruptMask(DeviceHandle handle, uint16_t* mask) {
  return ReadRegister16(handle, ZEMTRA_REG_INTERRUPT_MASK, mask);
}
