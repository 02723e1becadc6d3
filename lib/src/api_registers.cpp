// Raw register access by offset and the preset registers by axis.
#include "register_access.h"
#include "zemtra.h"

using namespace zemtra;

namespace {

// Offsets are checked before the handle is looked at: misaligned or negative
// ones name no register of any board.
template <typename Value>
bool UsableOffset(int32_t offset) {
  return offset >= 0 && offset % static_cast<int32_t>(sizeof(Value)) == 0;
}

}  // namespace

ErrorCode ZemtraReadRegisterWord(DeviceHandle handle, int32_t offset, uint16_t* value) {
  if (!UsableOffset<uint16_t>(offset)) {
    return ZEMTRA_ERR_BAD_ADDRESS;
  }
  return ReadRegister16(handle, offset, value);
}

ErrorCode ZemtraWriteRegisterWord(DeviceHandle handle, int32_t offset, uint16_t value) {
  if (!UsableOffset<uint16_t>(offset)) {
    return ZEMTRA_ERR_BAD_ADDRESS;
  }
  return WriteRegister16(handle, offset, value);
}

ErrorCode ZemtraReadRegisterLong(DeviceHandle handle, int32_t offset, uint32_t* value) {
  if (!UsableOffset<uint32_t>(offset)) {
    return ZEMTRA_ERR_BAD_ADDRESS;
  }
  return ReadRegister32(handle, offset, value);
}

ErrorCode ZemtraWriteRegisterLong(DeviceHandle handle, int32_t offset, uint32_t value) {
  if (!UsableOffset<uint32_t>(offset)) {
    return ZEMTRA_ERR_BAD_ADDRESS;
  }
  return WriteRegister32(handle, offset, value);
}

ErrorCode ZemtraWriteRawPresetRegister(DeviceHandle handle, int16_t axis, int32_t value) {
  const ZemtraAxisRegisterSet* row = LookupAxis(axis);
  if (row == nullptr) {
    return ZEMTRA_ERR_NO_AXIS;
  }
  return WriteRegister32(handle, row->presetRegister, static_cast<uint32_t>(value));
}

ErrorCode ZemtraGetRawPresetRegister(DeviceHandle handle, int16_t axis, int32_t* value) {
  const ZemtraAxisRegisterSet* row = LookupAxis(axis);
  if (row == nullptr) {
    return ZEMTRA_ERR_NO_AXIS;
  }
  // Signed and unsigned views of one integer may alias.
  return ReadRegister32(handle, row->presetRegister, reinterpret_cast<uint32_t*>(value));
}
