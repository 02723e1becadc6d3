#include "register_access.h"

#include "board_lock.h"

namespace zemtra {

namespace {

// The window's length comes from the mapping, so an offset the caller made
// up is refused here rather than faulting the process.
bool InsideWindow(const pci::Window& window, int32_t offset, uint32_t width) {
  return offset >= 0 && static_cast<uint64_t>(offset) + width <= window.Length();
}

template <typename Value, typename Access>
ErrorCode AccessRegister(DeviceHandle handle, int32_t offset, Access access) {
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  const pci::Window& window = board.Record().Registers();
  if (!InsideWindow(window, offset, sizeof(Value))) {
    board.Unlock();
    return ZEMTRA_ERR_BAD_ADDRESS;
  }
  access(window, static_cast<uint32_t>(offset));
  return board.Unlock() ? ZEMTRA_SUCCESS : ZEMTRA_ERR_UNLOCK;
}

}  // namespace

ErrorCode WriteRegister16(DeviceHandle handle, int32_t offset, uint16_t value) {
  if (handle == 0) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  return AccessRegister<uint16_t>(handle, offset, [value](const pci::Window& window, uint32_t at) {
    window.Write16(at, value);
  });
}

ErrorCode ReadRegister16(DeviceHandle handle, int32_t offset, uint16_t* value) {
  if (handle == 0 || value == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  return AccessRegister<uint16_t>(handle, offset, [value](const pci::Window& window, uint32_t at) {
    *value = window.Read16(at);
  });
}

ErrorCode WriteRegister32(DeviceHandle handle, int32_t offset, uint32_t value) {
  if (handle == 0) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  return AccessRegister<uint32_t>(handle, offset, [value](const pci::Window& window, uint32_t at) {
    window.Write32(at, value);
  });
}

ErrorCode ReadRegister32(DeviceHandle handle, int32_t offset, uint32_t* value) {
  if (handle == 0 || value == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  return AccessRegister<uint32_t>(handle, offset, [value](const pci::Window& window, uint32_t at) {
    *value = window.Read32(at);
  });
}

const ZemtraAxisRegisterSet* LookupAxis(int16_t axis) {
  return axis >= 0 && axis < ZEMTRA_AXIS_COUNT ? &ZemtraAxisRegisters[axis] : nullptr;
}

uint16_t ComposeStatusWord(uint16_t a1a2Status, uint16_t a3RefStatus) {
  return static_cast<uint16_t>(LowByte(a3RefStatus) << 8 | LowByte(a1a2Status));
}

}  // namespace zemtra
