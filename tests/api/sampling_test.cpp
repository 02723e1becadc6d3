// Sampling and presets: the register sequences, and what a missing signal
// does to codes, values and status.
#include <gtest/gtest.h>

#include <array>

#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using pci::Signal;
using pci::SignalState;

constexpr int32_t kUntouched = 0x5EED5EED;
constexpr uint16_t kReferenceErrors = ZEMTRA_ST3_REF_GLITCH | ZEMTRA_ST3_REF_NOSIG;
constexpr uint16_t kA1A2Errors =
    ZEMTRA_ST12_A1_GLITCH | ZEMTRA_ST12_A1_NOSIG | ZEMTRA_ST12_A2_GLITCH | ZEMTRA_ST12_A2_NOSIG;
constexpr uint16_t kA3RefErrors = ZEMTRA_ST3_A3_GLITCH | ZEMTRA_ST3_A3_NOSIG | kReferenceErrors;

class SamplingTest : public SimBoardTest {};

TEST_F(SamplingTest, SampleWritesTheAxisCommandOnly) {
  for (int16_t axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    EXPECT_EQ(ZemtraSamplePosVel(handle_, axis), ZEMTRA_SUCCESS);
    EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_SAMPLE, ZemtraAxisRegisters[axis].sampleCommand)}));
  }
  EXPECT_EQ(ZemtraSamplePosVel(0, 5), ZEMTRA_ERR_NO_AXIS);
  EXPECT_EQ(ZemtraSamplePosVel(0, 0), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(SamplingTest, ReadRawWithoutAValidSampleLeavesTheValue) {
  int32_t value = kUntouched;
  EXPECT_EQ(ZemtraReadRawPos(handle_, 0, &value), ZEMTRA_ERR_INVALID_DATA);
  EXPECT_EQ(value, kUntouched);
  EXPECT_TRUE(SameSequence(Log(), {R16(ZEMTRA_REG_SAMPLE)}));
}

TEST_F(SamplingTest, ReadRawAfterASampleReadsTheLatchedRegisters) {
  ASSERT_EQ(ZemtraPresetRaw(handle_, 1, 4242, nullptr), ZEMTRA_ERR_NULL_PARAMETER);
  uint16_t status = 0;
  ASSERT_EQ(ZemtraPresetRaw(handle_, 1, 4242, &status), ZEMTRA_SUCCESS);
  ASSERT_EQ(ZemtraSamplePosVel(handle_, 1), ZEMTRA_SUCCESS);
  Log();
  int32_t position = 0, velocity = kUntouched;
  EXPECT_EQ(ZemtraReadRawPos(handle_, 1, &position), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraReadRawVel(handle_, 1, &velocity), ZEMTRA_SUCCESS);
  EXPECT_EQ(position, 4242);
  EXPECT_EQ(velocity, 0) << "motion is off";
  EXPECT_TRUE(SameSequence(Log(), {R16(ZEMTRA_REG_SAMPLE), R32(ZEMTRA_REG_A2_POSITION),
                                   R16(ZEMTRA_REG_SAMPLE), R32(ZEMTRA_REG_A2_VELOCITY)}));
  EXPECT_EQ(ZemtraReadRawPos(handle_, 3, &position), ZEMTRA_ERR_NO_AXIS);
  EXPECT_EQ(ZemtraReadRawPos(handle_, 3, nullptr), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(SamplingTest, GetRawPosVelSamplesOnceThenReads) {
  for (int16_t axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const ZemtraAxisRegisterSet& row = ZemtraAxisRegisters[axis];
    int32_t position = kUntouched, velocity = kUntouched;
    EXPECT_EQ(ZemtraGetRawPosVel(handle_, axis, &position, &velocity), ZEMTRA_SUCCESS);
    EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_SAMPLE, row.sampleCommand), R16(ZEMTRA_REG_SAMPLE),
                                     R32(row.positionRegister), R32(row.velocityRegister)}));
    EXPECT_EQ(position, 0);
  }
}

TEST_F(SamplingTest, GetRawPosVelAllReadsEveryAxisInOrder) {
  ASSERT_EQ(ZemtraWriteRawPresetRegister(handle_, 2, -7), ZEMTRA_SUCCESS);
  uint16_t status = 0;
  ASSERT_EQ(ZemtraPresetRaw(handle_, 2, -7, &status), ZEMTRA_SUCCESS);
  Log();
  std::array<int32_t, 6> values;
  values.fill(kUntouched);
  uint16_t sampled = 0;
  EXPECT_EQ(ZemtraGetRawPosVelAll(handle_, &values[0], &values[1], &values[2], &values[3],
                                  &values[4], &values[5], &sampled),
            ZEMTRA_SUCCESS);
  EXPECT_EQ(sampled & ZEMTRA_SMP_ALL_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(values, (std::array<int32_t, 6>{0, 0, 0, 0, -7, 0}));
  EXPECT_TRUE(SameSequence(
      Log(), {W16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE), R16(ZEMTRA_REG_SAMPLE),
              R32(ZEMTRA_REG_A1_POSITION), R32(ZEMTRA_REG_A1_VELOCITY), R32(ZEMTRA_REG_A2_POSITION),
              R32(ZEMTRA_REG_A2_VELOCITY), R32(ZEMTRA_REG_A3_POSITION), R32(ZEMTRA_REG_A3_VELOCITY)}));
}

TEST_F(SamplingTest, GetRawPosVelAllWithOneAxisInvalidLeavesItsValues) {
  pci::sim::SetSignal(0, Signal::kA2, SignalState::kMissing);
  Log();
  std::array<int32_t, 6> values;
  values.fill(kUntouched);
  uint16_t sampled = 0;
  EXPECT_EQ(ZemtraGetRawPosVelAll(handle_, &values[0], &values[1], &values[2], &values[3],
                                  &values[4], &values[5], &sampled),
            ZEMTRA_ERR_INVALID_DATA);
  EXPECT_EQ(sampled & ZEMTRA_SMP_ALL_SAMPLE, ZEMTRA_SMP_A1_SAMPLE | ZEMTRA_SMP_A3_SAMPLE);
  EXPECT_EQ(values, (std::array<int32_t, 6>{0, 0, kUntouched, kUntouched, 0, 0}));
  EXPECT_TRUE(SameSequence(
      Log(), {W16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE), R16(ZEMTRA_REG_SAMPLE),
              R32(ZEMTRA_REG_A1_POSITION), R32(ZEMTRA_REG_A1_VELOCITY), R32(ZEMTRA_REG_A3_POSITION),
              R32(ZEMTRA_REG_A3_VELOCITY)}));
}

TEST_F(SamplingTest, GetRawPosVelAllChecksEveryPointerFirst) {
  int32_t v[6];
  uint16_t sampled = 0;
  EXPECT_EQ(ZemtraGetRawPosVelAll(handle_, &v[0], &v[1], &v[2], nullptr, &v[4], &v[5], &sampled),
            ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_EQ(ZemtraGetRawPosVelAll(handle_, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], nullptr),
            ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_TRUE(Log().empty());
}

TEST_F(SamplingTest, GetRawPosVelAllWithAFailedUnlockStoresNoStatus) {
  int32_t v[6];
  uint16_t sampled = 0xBEEF;
  faults::FailNext(faults::Fault::kUnlock);
  EXPECT_EQ(ZemtraGetRawPosVelAll(handle_, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &sampled),
            ZEMTRA_ERR_UNLOCK);
  EXPECT_EQ(sampled, 0xBEEF);
}

TEST_F(SamplingTest, PresetOfA3LeavesTheA1A2StatusAlone) {
  uint16_t status = 0xFFFF;
  EXPECT_EQ(ZemtraPresetRaw(handle_, 2, 1000, &status), ZEMTRA_SUCCESS);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(SameSequence(
      Log(), {W16(ZEMTRA_REG_A3_REF_STATUS, kA3RefErrors),
              W32(ZEMTRA_REG_A3_PRESET, 1000), R32(ZEMTRA_REG_A1_PRESET),
              W16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A3_PRESET), R16(ZEMTRA_REG_A1_A2_STATUS),
              R16(ZEMTRA_REG_A3_REF_STATUS)}));
}

TEST_F(SamplingTest, PresetWithoutReferenceReportsItButStillPresets) {
  pci::sim::SetSignal(0, Signal::kRef, SignalState::kMissing);
  Log();
  uint16_t status = 0;
  EXPECT_EQ(ZemtraPresetRaw(handle_, 0, 1000, &status), ZEMTRA_ERR_INVALID_DATA);
  EXPECT_TRUE(status & ZEMTRA_STATUS_REF_NOSIG) << std::hex << status;
  EXPECT_TRUE(SameSequence(
      Log(), {W16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_GLITCH | ZEMTRA_ST12_A1_NOSIG),
              W16(ZEMTRA_REG_A3_REF_STATUS, kReferenceErrors), W32(ZEMTRA_REG_A1_PRESET, 1000),
              R32(ZEMTRA_REG_A1_PRESET), W16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A1_PRESET),
              R16(ZEMTRA_REG_A1_A2_STATUS), R16(ZEMTRA_REG_A3_REF_STATUS)}));
}

TEST_F(SamplingTest, PresetReportsOnlyErrorsOfItsOwnAxisAndTheReference) {
  pci::sim::SetSignal(0, Signal::kA2, SignalState::kMissing);
  uint16_t status = 0;
  EXPECT_EQ(ZemtraPresetRaw(handle_, 2, 1, &status), ZEMTRA_SUCCESS);
  EXPECT_TRUE(status & ZEMTRA_STATUS_A2_NOSIG) << "the status word shows every error";
  EXPECT_EQ(ZemtraPresetRaw(handle_, 1, 1, &status), ZEMTRA_ERR_INVALID_DATA);
}

TEST_F(SamplingTest, PresetAllLoadsThreeAxesWithOneCommand) {
  uint16_t status = 0xFFFF;
  EXPECT_EQ(ZemtraPresetRawAll(handle_, 11, -22, 33, &status), ZEMTRA_SUCCESS);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(SameSequence(
      Log(), {W16(ZEMTRA_REG_A1_A2_STATUS, kA1A2Errors), W16(ZEMTRA_REG_A3_REF_STATUS, kA3RefErrors),
              W32(ZEMTRA_REG_A1_PRESET, 11), W32(ZEMTRA_REG_A2_PRESET, static_cast<uint32_t>(-22)),
              W32(ZEMTRA_REG_A3_PRESET, 33), R32(ZEMTRA_REG_A1_PRESET),
              W16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_PRESET), R16(ZEMTRA_REG_A1_A2_STATUS),
              R16(ZEMTRA_REG_A3_REF_STATUS)}));

  int32_t v[6];
  uint16_t sampled = 0;
  ASSERT_EQ(ZemtraGetRawPosVelAll(handle_, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &sampled),
            ZEMTRA_SUCCESS);
  EXPECT_EQ(v[0], 11);
  EXPECT_EQ(v[2], -22);
  EXPECT_EQ(v[4], 33);

  pci::sim::SetSignal(0, Signal::kA3, SignalState::kMissing);
  EXPECT_EQ(ZemtraPresetRawAll(handle_, 0, 0, 0, &status), ZEMTRA_ERR_INVALID_DATA);
}

}  // namespace
}  // namespace zemtra::test
