// Sampling positions and velocities, and presetting positions. Every command
// is followed by exactly one read-back; nothing polls or waits.
#include <array>
#include <span>

#include "board_lock.h"
#include "register_access.h"
#include "zemtra.h"

using namespace zemtra;

namespace {

using AxisRegister = uint16_t ZemtraAxisRegisterSet::*;

constexpr uint16_t kReferenceErrors = ZEMTRA_ST3_REF_GLITCH | ZEMTRA_ST3_REF_NOSIG;

// Reads the valid bit left by an earlier sample command and, when it is set,
// the axis register named by `which`.
ErrorCode ReadSampledRegister(DeviceHandle handle, int16_t axis, int32_t* value, AxisRegister which) {
  if (handle == 0 || value == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  const ZemtraAxisRegisterSet* row = LookupAxis(axis);
  if (row == nullptr) {
    return ZEMTRA_ERR_NO_AXIS;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  ErrorCode result = ZEMTRA_ERR_INVALID_DATA;
  if (board.Read16(ZEMTRA_REG_SAMPLE) & row->sampleValid) {
    *value = static_cast<int32_t>(board.Read32(row->*which));
    result = ZEMTRA_SUCCESS;
  }
  if (!board.Unlock()) {
    return ZEMTRA_ERR_UNLOCK;
  }
  return result;
}

struct PresetWrite {
  uint16_t presetRegister;
  int32_t value;
};

// What one preset clears, loads and commands. The same sequence serves one
// axis and all three.
struct PresetPlan {
  uint16_t clearA1A2;  // error bits written to the A1/A2 error status, if any
  uint16_t clearA3Ref;  // error bits written to the A3/Ref error status
  std::span<const PresetWrite> presets;
  uint16_t command;
};

ErrorCode RunPreset(DeviceHandle handle, const PresetPlan& plan, uint16_t* status) {
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  if (plan.clearA1A2 != 0) {
    board.Write16(ZEMTRA_REG_A1_A2_STATUS, plan.clearA1A2);
  }
  board.Write16(ZEMTRA_REG_A3_REF_STATUS, plan.clearA3Ref);
  for (const PresetWrite& preset : plan.presets) {
    board.Write32(preset.presetRegister, static_cast<uint32_t>(preset.value));
  }
  // The board wants this read between loading the preset registers and the
  // preset command, whatever the axis.
  board.Read32(ZEMTRA_REG_A1_PRESET);
  board.Write16(ZEMTRA_REG_SAMPLE, plan.command);
  const uint16_t a1a2 = board.Read16(ZEMTRA_REG_A1_A2_STATUS);
  const uint16_t a3Ref = board.Read16(ZEMTRA_REG_A3_REF_STATUS);
  *status = ComposeStatusWord(a1a2, a3Ref);
  const bool errorPresent = (a1a2 & plan.clearA1A2) != 0 || (a3Ref & plan.clearA3Ref) != 0;
  if (!board.Unlock()) {
    return ZEMTRA_ERR_UNLOCK;
  }
  return errorPresent ? ZEMTRA_ERR_INVALID_DATA : ZEMTRA_SUCCESS;
}

}  // namespace

ErrorCode ZemtraSamplePosVel(DeviceHandle handle, int16_t axis) {
  const ZemtraAxisRegisterSet* row = LookupAxis(axis);
  if (row == nullptr) {
    return ZEMTRA_ERR_NO_AXIS;
  }
  return WriteRegister16(handle, ZEMTRA_REG_SAMPLE, row->sampleCommand);
}

ErrorCode ZemtraReadRawPos(DeviceHandle handle, int16_t axis, int32_t* position) {
  return ReadSampledRegister(handle, axis, position, &ZemtraAxisRegisterSet::positionRegister);
}

ErrorCode ZemtraReadRawVel(DeviceHandle handle, int16_t axis, int32_t* velocity) {
  return ReadSampledRegister(handle, axis, velocity, &ZemtraAxisRegisterSet::velocityRegister);
}

ErrorCode ZemtraGetRawPosVel(DeviceHandle handle, int16_t axis, int32_t* position, int32_t* velocity) {
  if (handle == 0 || position == nullptr || velocity == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  const ZemtraAxisRegisterSet* row = LookupAxis(axis);
  if (row == nullptr) {
    return ZEMTRA_ERR_NO_AXIS;
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  board.Write16(ZEMTRA_REG_SAMPLE, row->sampleCommand);
  const bool valid = (board.Read16(ZEMTRA_REG_SAMPLE) & row->sampleValid) != 0;
  if (valid) {
    *position = static_cast<int32_t>(board.Read32(row->positionRegister));
    *velocity = static_cast<int32_t>(board.Read32(row->velocityRegister));
  }
  if (!board.Unlock()) {
    return ZEMTRA_ERR_UNLOCK;
  }
  return valid ? ZEMTRA_SUCCESS : ZEMTRA_ERR_INVALID_DATA;
}

ErrorCode ZemtraGetRawPosVelAll(DeviceHandle handle, int32_t* position1, int32_t* velocity1,
                                int32_t* position2, int32_t* velocity2, int32_t* position3,
                                int32_t* velocity3, uint16_t* sampleStatus) {
  // Indexed like the axis table: A1, A2, A3.
  const std::array<int32_t*, ZEMTRA_AXIS_COUNT> positions{position1, position2, position3};
  const std::array<int32_t*, ZEMTRA_AXIS_COUNT> velocities{velocity1, velocity2, velocity3};
  if (handle == 0 || sampleStatus == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    if (positions[axis] == nullptr || velocities[axis] == nullptr) {
      return ZEMTRA_ERR_NULL_PARAMETER;
    }
  }
  BoardLock board(handle);
  if (!board) {
    return ZEMTRA_ERR_INVALID_HANDLE;
  }
  board.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  const uint16_t sampled = board.Read16(ZEMTRA_REG_SAMPLE);
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[axis];
    if (sampled & row.sampleValid) {
      *positions[axis] = static_cast<int32_t>(board.Read32(row.positionRegister));
      *velocities[axis] = static_cast<int32_t>(board.Read32(row.velocityRegister));
    }
  }
  if (!board.Unlock()) {
    return ZEMTRA_ERR_UNLOCK;
  }
  *sampleStatus = sampled;
  return (sampled & ZEMTRA_SMP_ALL_SAMPLE) == ZEMTRA_SMP_ALL_SAMPLE ? ZEMTRA_SUCCESS
                                                                   : ZEMTRA_ERR_INVALID_DATA;
}

ErrorCode ZemtraPresetRaw(DeviceHandle handle, int16_t axis, int32_t value, uint16_t* status) {
  if (handle == 0 || status == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  const ZemtraAxisRegisterSet* row = LookupAxis(axis);
  if (row == nullptr) {
    return ZEMTRA_ERR_NO_AXIS;
  }
  const PresetWrite preset{row->presetRegister, value};
  return RunPreset(handle,
                   {row->errorMaskA1A2Status,
                    static_cast<uint16_t>(row->errorMaskA3RefStatus | kReferenceErrors),
                    {&preset, 1}, row->presetCommand},
                   status);
}

ErrorCode ZemtraPresetRawAll(DeviceHandle handle, int32_t value1, int32_t value2, int32_t value3,
                             uint16_t* status) {
  if (handle == 0 || status == nullptr) {
    return ZEMTRA_ERR_NULL_PARAMETER;
  }
  const std::array<int32_t, ZEMTRA_AXIS_COUNT> values{value1, value2, value3};
  std::array<PresetWrite, ZEMTRA_AXIS_COUNT> presets{};
  PresetPlan plan{0, kReferenceErrors, presets, 0};
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[axis];
    presets[axis] = {row.presetRegister, values[axis]};
    plan.clearA1A2 |= row.errorMaskA1A2Status;
    plan.clearA3Ref |= row.errorMaskA3RefStatus;
    plan.command |= row.presetCommand;
  }
  return RunPreset(handle, plan, status);
}
