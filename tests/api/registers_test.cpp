// Raw register access: address rules, the window's limits, preset registers.
#include <gtest/gtest.h>

#include <cstdint>

#include "pci/register_model.h"
#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

constexpr int32_t kWindowLength = static_cast<int32_t>(pci::RegisterModel::kRegisterWindowLength);

class RegistersTest : public SimBoardTest {};

TEST_F(RegistersTest, MisalignedOffsetsAreRefusedBeforeTheHandle) {
  uint16_t word = 0;
  uint32_t longword = 0;
  for (const DeviceHandle handle : {DeviceHandle{0}, handle_, DeviceHandle{0xDEAD}}) {
    EXPECT_EQ(ZemtraReadRegisterWord(handle, 0x011, &word), ZEMTRA_ERR_BAD_ADDRESS);
    EXPECT_EQ(ZemtraWriteRegisterWord(handle, 0x013, 1), ZEMTRA_ERR_BAD_ADDRESS);
    EXPECT_EQ(ZemtraReadRegisterLong(handle, ZEMTRA_REG_A1_A2_STATUS, &longword),
              ZEMTRA_ERR_BAD_ADDRESS);
    EXPECT_EQ(ZemtraWriteRegisterLong(handle, 0x102, 1), ZEMTRA_ERR_BAD_ADDRESS);
    EXPECT_EQ(ZemtraReadRegisterWord(handle, 0x011, nullptr), ZEMTRA_ERR_BAD_ADDRESS);
  }
  EXPECT_TRUE(Log().empty());
}

TEST_F(RegistersTest, OffsetsOutsideTheWindowAreRefusedWithoutAccess) {
  uint16_t word = 0x5A5A;
  uint32_t longword = 0x5A5A5A5A;
  for (const int32_t offset : {-4, -0x7FFFFFFC, kWindowLength, kWindowLength + 4, 0x7FFFFFFC}) {
    EXPECT_EQ(ZemtraReadRegisterWord(handle_, offset, &word), ZEMTRA_ERR_BAD_ADDRESS) << offset;
    EXPECT_EQ(ZemtraWriteRegisterWord(handle_, offset, 1), ZEMTRA_ERR_BAD_ADDRESS) << offset;
    EXPECT_EQ(ZemtraReadRegisterLong(handle_, offset, &longword), ZEMTRA_ERR_BAD_ADDRESS) << offset;
    EXPECT_EQ(ZemtraWriteRegisterLong(handle_, offset, 1), ZEMTRA_ERR_BAD_ADDRESS) << offset;
  }
  // Negative offsets are refused even before the handle is looked at.
  EXPECT_EQ(ZemtraReadRegisterLong(0, -4, &longword), ZEMTRA_ERR_BAD_ADDRESS);
  EXPECT_EQ(word, 0x5A5A);
  EXPECT_EQ(longword, 0x5A5A5A5Au);
  EXPECT_TRUE(Log().empty());

  // The last word and the last long of the window are still inside it.
  EXPECT_EQ(ZemtraReadRegisterWord(handle_, kWindowLength - 2, &word), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraReadRegisterLong(handle_, kWindowLength - 4, &longword), ZEMTRA_SUCCESS);
  EXPECT_TRUE(SameSequence(Log(), {R16(kWindowLength - 2), R32(kWindowLength - 4)}));
}

TEST_F(RegistersTest, EachCallIsOneAccessOfItsWidth) {
  uint16_t word = 0;
  uint32_t longword = 0;
  EXPECT_EQ(ZemtraReadRegisterLong(handle_, ZEMTRA_REG_A1_A2_CONTROL, &longword), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraWriteRegisterWord(handle_, ZEMTRA_REG_FILTER, 0x0015), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraReadRegisterWord(handle_, ZEMTRA_REG_FILTER, &word), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraWriteRegisterLong(handle_, ZEMTRA_REG_A2_PRESET, 0x89ABCDEFu), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraReadRegisterLong(handle_, ZEMTRA_REG_A2_PRESET, &longword), ZEMTRA_SUCCESS);
  EXPECT_TRUE(SameSequence(Log(), {R32(ZEMTRA_REG_A1_A2_CONTROL), W16(ZEMTRA_REG_FILTER, 0x0015),
                                   R16(ZEMTRA_REG_FILTER), W32(ZEMTRA_REG_A2_PRESET, 0x89ABCDEFu),
                                   R32(ZEMTRA_REG_A2_PRESET)}));
  EXPECT_EQ(word, 0x0015);
  EXPECT_EQ(longword, 0x89ABCDEFu);
  EXPECT_EQ(ZemtraReadRegisterWord(handle_, ZEMTRA_REG_FILTER, nullptr), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(RegistersTest, PresetRegistersFollowTheAxisTable) {
  for (int16_t axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const uint32_t presetRegister = ZemtraAxisRegisters[axis].presetRegister;
    EXPECT_EQ(ZemtraWriteRawPresetRegister(handle_, axis, -1000 - axis), ZEMTRA_SUCCESS);
    int32_t value = 0;
    EXPECT_EQ(ZemtraGetRawPresetRegister(handle_, axis, &value), ZEMTRA_SUCCESS);
    EXPECT_EQ(value, -1000 - axis);
    EXPECT_TRUE(SameSequence(
        Log(), {W32(presetRegister, static_cast<uint32_t>(-1000 - axis)), R32(presetRegister)}));
  }
}

TEST_F(RegistersTest, BadAxesAreRefusedBeforeTheHandle) {
  int32_t value = 77;
  for (const int16_t axis : {int16_t{3}, int16_t{-1}, int16_t{0x7FFF}}) {
    EXPECT_EQ(ZemtraWriteRawPresetRegister(0, axis, 1), ZEMTRA_ERR_NO_AXIS);
    EXPECT_EQ(ZemtraGetRawPresetRegister(0, axis, &value), ZEMTRA_ERR_NO_AXIS);
    EXPECT_EQ(ZemtraWriteRawPresetRegister(handle_, axis, 1), ZEMTRA_ERR_NO_AXIS);
  }
  EXPECT_EQ(value, 77);
  EXPECT_TRUE(Log().empty());

}

}  // namespace
}  // namespace zemtra::test
