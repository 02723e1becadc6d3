// Error status, configuration, filter and interrupt mask.
#include <gtest/gtest.h>

#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using pci::Signal;
using pci::SignalState;

class StatusTest : public SimBoardTest {
 protected:
  // Latches an error of the signal and lets the signal come back, so the
  // latched bit stays until it is cleared.
  static void LatchError(Signal signal, SignalState error) {
    pci::sim::SetSignal(0, signal, error);
    pci::sim::SetSignal(0, signal, SignalState::kPresent);
  }
};

TEST_F(StatusTest, GetStatusComposesBothRegisters) {
  LatchError(Signal::kA1, SignalState::kGlitching);
  LatchError(Signal::kA3, SignalState::kMissing);
  Log();
  uint16_t status = 0;
  EXPECT_EQ(ZemtraGetStatus(handle_, &status), ZEMTRA_SUCCESS);
  EXPECT_EQ(status, ZEMTRA_STATUS_A1_GLITCH | ZEMTRA_STATUS_A3_NOSIG);
  EXPECT_TRUE(SameSequence(Log(), {R16(ZEMTRA_REG_A1_A2_STATUS), R16(ZEMTRA_REG_A3_REF_STATUS)}));
  EXPECT_EQ(ZemtraGetStatus(handle_, nullptr), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(StatusTest, ClearStatusBitsClearsOnlyTheBitsGiven) {
  LatchError(Signal::kA1, SignalState::kGlitching);
  LatchError(Signal::kRef, SignalState::kGlitching);
  LatchError(Signal::kA2, SignalState::kMissing);
  Log();
  uint16_t status = 0;
  EXPECT_EQ(ZemtraClearStatusBits(handle_, ZEMTRA_STATUS_A1_GLITCH | ZEMTRA_STATUS_REF_GLITCH, &status),
            ZEMTRA_SUCCESS);
  EXPECT_EQ(status, ZEMTRA_STATUS_A2_NOSIG);
  EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_GLITCH),
                                   W16(ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_REF_GLITCH),
                                   R16(ZEMTRA_REG_A1_A2_STATUS), R16(ZEMTRA_REG_A3_REF_STATUS)}));

  EXPECT_EQ(ZemtraClearStatusBits(handle_, 0, &status), ZEMTRA_SUCCESS);
  EXPECT_EQ(status, ZEMTRA_STATUS_A2_NOSIG);
  EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_A1_A2_STATUS, 0), W16(ZEMTRA_REG_A3_REF_STATUS, 0),
                                   R16(ZEMTRA_REG_A1_A2_STATUS), R16(ZEMTRA_REG_A3_REF_STATUS)}));
}

TEST_F(StatusTest, ClearStatusAllWritesBackExactlyWhatWasRead) {
  LatchError(Signal::kA2, SignalState::kGlitching);
  LatchError(Signal::kRef, SignalState::kGlitching);
  Log();
  uint16_t status = 0xFFFF;
  EXPECT_EQ(ZemtraClearStatusAll(handle_, &status), ZEMTRA_SUCCESS);
  const auto seen = Log();
  ASSERT_TRUE(SameSequence(seen, {R16(ZEMTRA_REG_A1_A2_STATUS), R16(ZEMTRA_REG_A3_REF_STATUS),
                                  W16(ZEMTRA_REG_A1_A2_STATUS, seen[0].value),
                                  W16(ZEMTRA_REG_A3_REF_STATUS, seen[1].value),
                                  R16(ZEMTRA_REG_A1_A2_STATUS), R16(ZEMTRA_REG_A3_REF_STATUS)}));
  EXPECT_EQ(seen[0].value, ZEMTRA_ST12_A2_GLITCH);
  EXPECT_EQ(seen[1].value, ZEMTRA_ST3_REF_GLITCH);
  EXPECT_EQ(status, 0);
}

TEST_F(StatusTest, ConfigCarriesIrqEnableInBothBitsOfItsRegister) {
  EXPECT_EQ(ZemtraSetConfig(handle_, ZEMTRA_CONFIG_IRQ_ENABLE), ZEMTRA_SUCCESS);
  EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_A1_A2_CONTROL, 0),
                                   W16(ZEMTRA_REG_A3_IRQ_CONTROL,
                                       ZEMTRA_CTL3_IRQ_ENABLE | ZEMTRA_CTL3_IRQ_ENABLE_LOW)}));
  uint16_t config = 0;
  EXPECT_EQ(ZemtraGetConfig(handle_, &config), ZEMTRA_SUCCESS);
  EXPECT_EQ(config, ZEMTRA_CONFIG_IRQ_ENABLE);
  EXPECT_TRUE(SameSequence(Log(), {R16(ZEMTRA_REG_A1_A2_CONTROL), R16(ZEMTRA_REG_A3_IRQ_CONTROL)}));
}

TEST_F(StatusTest, ConfigSplitsDirectionBitsOverTheTwoRegisters) {
  const uint16_t directions = ZEMTRA_CONFIG_A1_DIR | ZEMTRA_CONFIG_A3_DIR;
  EXPECT_EQ(ZemtraSetConfig(handle_, directions), ZEMTRA_SUCCESS);
  EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_CTL12_A1_DIR),
                                   W16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_A3_DIR)}));
  uint16_t config = 0;
  EXPECT_EQ(ZemtraGetConfig(handle_, &config), ZEMTRA_SUCCESS);
  EXPECT_EQ(config, directions);
}

TEST_F(StatusTest, GetConfigWithAFailedUnlockLeavesTheValue) {
  uint16_t config = 0xBEEF;
  faults::FailNext(faults::Fault::kUnlock);
  EXPECT_EQ(ZemtraGetConfig(handle_, &config), ZEMTRA_ERR_UNLOCK);
  EXPECT_EQ(config, 0xBEEF);
}

TEST_F(StatusTest, FilterAndMaskPassWordsUnchanged) {
  const uint16_t filter = ZEMTRA_FILTER_ENABLE | ZEMTRA_FILTER_KV_MASK;
  const uint16_t mask = ZEMTRA_IM_REF_GLITCH | ZEMTRA_IM_A2_NOSIG;
  EXPECT_EQ(ZemtraSetFilter(handle_, filter), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraSetInterruptMask(handle_, mask), ZEMTRA_SUCCESS);
  uint16_t filterRead = 0, maskRead = 0;
  EXPECT_EQ(ZemtraGetFilter(handle_, &filterRead), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraGetInterruptMask(handle_, &maskRead), ZEMTRA_SUCCESS);
  EXPECT_EQ(filterRead, filter);
  EXPECT_EQ(maskRead, mask);
  EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_FILTER, filter), W16(ZEMTRA_REG_INTERRUPT_MASK, mask),
                                   R16(ZEMTRA_REG_FILTER), R16(ZEMTRA_REG_INTERRUPT_MASK)}));
  EXPECT_EQ(ZemtraGetFilter(handle_, nullptr), ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_EQ(ZemtraSetInterruptMask(0, mask), ZEMTRA_ERR_NULL_PARAMETER);
}

}  // namespace
}  // namespace zemtra::test
