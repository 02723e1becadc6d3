// The simulated board as a model of the board: identity, read-only and unused
// offsets, byte lanes, sampling, presets, error latching, motion and Dir.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "pci_test_support.h"
#include "zemtra_registers.h"

namespace zemtra::pci::testing {
namespace {

class SimModelTest : public PciTest {
 protected:
  // Configures the boards and opens board 0.
  void Board(const char* config) {
    ASSERT_TRUE(sim::Configure(config));
    device_ = Open();
    reg_ = Registers(device_);
    rev_ = Revision(device_);
  }
  uint32_t device_ = 0;
  Window reg_, rev_;
};

TEST_F(SimModelTest, WindowsAreMapped) {
  Board("motion=off");
  Window windows[kBaseAddressCount];
  ASSERT_EQ(BaseAddressesGet(device_, &windows), kSuccess);
  for (int i = 0; i < kBaseAddressCount; ++i) {
    EXPECT_EQ(windows[i].Mapped(), i == kRegisterBar || i == kRevisionBar) << i;
  }
  EXPECT_GE(reg_.Length(), static_cast<std::size_t>(ZEMTRA_REG_WINDOW_MIN_LENGTH));
  EXPECT_GE(rev_.Length(), 2u);
}

TEST_F(SimModelTest, Identity) {
  Board("motion=off");
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x4D27Bu);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_FPGA2_PRODUCT), RegisterModel::kFpga2Product);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_FPGA1_REVISION), RegisterModel::kFpga1Revision);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_FPGA2_REVISION), RegisterModel::kFpga2Revision);
  EXPECT_NE(reg_.Read32(ZEMTRA_REG_FPGA1_REVISION), 0u);
  EXPECT_EQ(rev_.Read16(ZEMTRA_REV_HARDWARE), 0x0312);
  EXPECT_EQ(rev_.Read32(ZEMTRA_REV_HARDWARE), 0x0312u);
}

TEST_F(SimModelTest, IdOverridesTheFpga1ProductCode) {
  Board("id=0x12345,boards=2");
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x12345u);
  EXPECT_EQ(Registers(Open(240, 1)).Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x12345u);
}

TEST_F(SimModelTest, ReadOnlyRegistersIgnoreWrites) {
  Board("motion=off");
  for (uint32_t offset : {ZEMTRA_REG_FPGA1_PRODUCT, ZEMTRA_REG_FPGA1_REVISION, ZEMTRA_REG_FPGA2_PRODUCT,
                          ZEMTRA_REG_FPGA2_REVISION, ZEMTRA_REG_A1_POSITION, ZEMTRA_REG_A2_VELOCITY,
                          ZEMTRA_REG_A3_POSITION, ZEMTRA_REG_A3_VELOCITY}) {
    uint32_t before = reg_.Read32(offset);
    reg_.Write32(offset, 0xDEADBEEF);
    reg_.Write16(offset, 0x1234);
    reg_.Write16(offset + 2, 0x5678);
    EXPECT_EQ(reg_.Read32(offset), before) << std::hex << offset;
  }
  rev_.Write16(0, 0xFFFF);
  rev_.Write32(4, 0xFFFFFFFF);
  EXPECT_EQ(rev_.Read16(0), 0x0312);
  EXPECT_EQ(rev_.Read32(4), 0u);
}

TEST_F(SimModelTest, UnusedOffsetsReadZeroAndIgnoreWrites) {
  Board("motion=off");
  for (uint32_t offset : {0x004u, 0x00Cu, 0x024u, 0x028u, 0x034u, 0x040u, 0x0FCu, 0x104u, 0x114u,
                          0x124u, 0x134u, 0x180u, 0x1FCu}) {
    reg_.Write32(offset, 0xFFFFFFFF);
    EXPECT_EQ(reg_.Read32(offset), 0u) << std::hex << offset;
    EXPECT_EQ(reg_.Read16(offset + 2), 0u) << std::hex << offset;
  }
  reg_.Write16(0x014, 0xFFFF);
  EXPECT_EQ(reg_.Read16(0x014), 0);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_INTERRUPT_MASK), 0);
  reg_.Write16(0x022, 0xFFFF);
  reg_.Write16(0x01E, 0xFFFF);
  EXPECT_EQ(reg_.Read16(0x022), 0);
  EXPECT_EQ(reg_.Read16(0x01E), 0);
  EXPECT_EQ(rev_.Read16(0x0FE), 0);
}

TEST_F(SimModelTest, UndefinedBitsReadZero) {
  Board("motion=off");
  reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, 0xFFFF);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_INTERRUPT_MASK), 0x3333);
  reg_.Write16(ZEMTRA_REG_FILTER, 0xFFFF);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_FILTER), 0x001F);
  reg_.Write16(ZEMTRA_REG_A1_A2_CONTROL, 0xFFFF);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_CONTROL), 0x0006);
  reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, 0xFFFF);  // IRQ Enable, its low copy, A3 Dir
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_IRQ_CONTROL), 0x1012);
  reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, 0x0000);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_IRQ_CONTROL), 0x0000);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), 0x0000);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x0000);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), 0x0000);
}

TEST_F(SimModelTest, SixteenBitHalvesOfA32BitRegister) {
  Board("motion=off");
  reg_.Write32(ZEMTRA_REG_A1_PRESET, 0x12345678);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_PRESET), 0x5678);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_PRESET + 2), 0x1234);
  reg_.Write16(ZEMTRA_REG_A1_PRESET + 2, 0xABCD);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_PRESET), 0xABCD5678u);
  reg_.Write16(ZEMTRA_REG_A1_PRESET, 0x0001);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_PRESET), 0xABCD0001u);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_FPGA1_PRODUCT), 0xD27B);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_FPGA1_PRODUCT + 2), 0x0004);
}

TEST_F(SimModelTest, ThirtyTwoBitAccessSpansTwoSixteenBitRegisters) {
  Board("motion=off,glitch=A3+REF");
  // 0x010 (A3/IRQ Control) is the low half, 0x012 (A3/Ref Error Status) the high half.
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), 0x0022);
  reg_.Write32(ZEMTRA_REG_A3_IRQ_CONTROL, 0x00201002);  // set Enable + Dir, clear Ref Glitch
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_IRQ_CONTROL), 0x1002);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), 0x0002);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A3_IRQ_CONTROL), 0x00021002u);
  // 0x110 and 0x112 likewise.
  reg_.Write32(ZEMTRA_REG_A1_A2_CONTROL, 0x00000004);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_A2_CONTROL), 0x00000004u);
  // 0x01C (filter) and the unused 0x01E; 0x020 (sample) and the unused 0x022.
  reg_.Write32(ZEMTRA_REG_FILTER, 0xFFFF0015);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_FILTER), 0x00000015u);
  // A 32-bit write to 0x020 is a command in its low half.
  reg_.Write32(ZEMTRA_REG_A1_PRESET, 77);
  reg_.Write32(ZEMTRA_REG_SAMPLE, 0xFFFF0300);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_SAMPLE), 0x00000200u);
  EXPECT_EQ(static_cast<int32_t>(reg_.Read32(ZEMTRA_REG_A1_POSITION)), 77);
}

TEST_F(SimModelTest, SampleLatchesPositionAndVelocity) {
  Board("motion=off");
  reg_.Write32(ZEMTRA_REG_A1_PRESET, 1234);
  reg_.Write32(ZEMTRA_REG_A2_PRESET, static_cast<uint32_t>(-5));
  reg_.Write32(ZEMTRA_REG_A3_PRESET, 0x7FFFFFFF);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_PRESET);
  // Positions change only when sampled.
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_POSITION), 0u);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), 0x0000);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), 0x0222);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_POSITION), 1234u);
  EXPECT_EQ(static_cast<int32_t>(reg_.Read32(ZEMTRA_REG_A2_POSITION)), -5);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A3_POSITION), 0x7FFFFFFFu);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_VELOCITY), 0u);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_VELOCITY), 0u);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A3_VELOCITY), 0u);
}

TEST_F(SimModelTest, SampleOfOneAxisLeavesTheOthers) {
  Board("motion=off");
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A3_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), ZEMTRA_SMP_A3_SAMPLE);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A1_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), ZEMTRA_SMP_A3_SAMPLE | ZEMTRA_SMP_A1_SAMPLE);
}

TEST_F(SimModelTest, SampleWithoutSignalClearsValidAndKeepsTheValues) {
  Board("motion=off");
  reg_.Write32(ZEMTRA_REG_A2_PRESET, 100);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A2_PRESET);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_POSITION), 100u);
  sim::SetSignal(0, Signal::kA2, SignalState::kMissing);
  reg_.Write32(ZEMTRA_REG_A2_PRESET, 200);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A2_PRESET);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), 0x0220 | ZEMTRA_SMP_A2_PRESET);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_POSITION), 100u);  // the old value
  sim::SetSignal(0, Signal::kA2, SignalState::kPresent);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A2_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE) & ZEMTRA_SMP_A2_SAMPLE, ZEMTRA_SMP_A2_SAMPLE);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_POSITION), 200u);  // the preset took effect
}

TEST_F(SimModelTest, NoReferenceMakesEveryAxisInvalid) {
  Board("motion=off,nosig=REF");
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), 0x0000);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_PRESET);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), ZEMTRA_SMP_ALL_PRESET);
}

TEST_F(SimModelTest, PresetErrorTellsWhetherTheSignalWasMissing) {
  Board("motion=off,nosig=A1");
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_PRESET);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), ZEMTRA_SMP_A1_PRESET);
  sim::SetSignal(0, Signal::kA1, SignalState::kPresent);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A2_PRESET);  // A1 not commanded: its bit stays
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), ZEMTRA_SMP_A1_PRESET);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A1_PRESET);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), 0x0000);
  // A glitching signal is still a signal.
  sim::SetSignal(0, Signal::kA3, SignalState::kGlitching);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A3_PRESET | ZEMTRA_SMP_A3_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), ZEMTRA_SMP_A3_SAMPLE);
}

TEST_F(SimModelTest, ErrorBitsClearByWritingOne) {
  Board("motion=off,glitch=A1+A2+A3+REF");
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x000A);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), 0x0022);
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x0000);  // writing 0 leaves them
  reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, 0x0000);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x000A);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), 0x0022);
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_GLITCH);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), ZEMTRA_ST12_A2_GLITCH);
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0xFFFF);
  reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, 0xFFFF);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x0000);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), 0x0000);
}

TEST_F(SimModelTest, AGlitchingSignalLatchesGlitchAtEverySample) {
  Board("motion=off,glitch=A2");
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0xFFFF);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x0000);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A1_PRESET);  // a preset is not a sample
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x0000);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), ZEMTRA_ST12_A2_GLITCH);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_SAMPLE), 0x0222);  // still valid
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_GLITCH);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x0000);
  sim::SetSignal(0, Signal::kA2, SignalState::kPresent);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x0000);
}

TEST_F(SimModelTest, AMissingSignalLatchesNoSigAgainAtOnce) {
  Board("motion=off,nosig=A3");
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), ZEMTRA_ST3_A3_NOSIG);
  reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_A3_NOSIG);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), ZEMTRA_ST3_A3_NOSIG);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), 0x0000);
  // Back again: the latched bit stays until cleared.
  sim::SetSignal(0, Signal::kA3, SignalState::kPresent);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), ZEMTRA_ST3_A3_NOSIG);
  reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_ST3_A3_NOSIG);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), 0x0000);
  // Lost at run time: latched at once.
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), ZEMTRA_ST12_A1_NOSIG);
}

TEST_F(SimModelTest, NoReferenceLatchesNoSigOfEveryAxis) {
  Board("motion=off,nosig=REF");
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), ZEMTRA_ST3_REF_NOSIG | ZEMTRA_ST3_A3_NOSIG);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), ZEMTRA_ST12_A1_NOSIG | ZEMTRA_ST12_A2_NOSIG);
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x000F);
  reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, 0x0033);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A3_REF_STATUS), ZEMTRA_ST3_REF_NOSIG | ZEMTRA_ST3_A3_NOSIG);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_A2_STATUS), ZEMTRA_ST12_A1_NOSIG | ZEMTRA_ST12_A2_NOSIG);
}

TEST_F(SimModelTest, MotionOffStaysStill) {
  Board("motion=off");
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  uint32_t first = reg_.Read32(ZEMTRA_REG_A1_POSITION);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_POSITION), first);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_POSITION), 0u);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A3_POSITION), 0u);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_VELOCITY), 0u);
  // Dir changes nothing while nothing moves.
  reg_.Write16(ZEMTRA_REG_A1_A2_CONTROL, 0x0006);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_POSITION), first);
}

struct Sampled {
  int32_t position[3];
  int32_t velocity[3];
};

Sampled SampleAt(const Window& reg, double seconds) {
  sim::FreezeClock(0, seconds);
  reg.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  Sampled s{};
  for (int a = 0; a < 3; ++a) {
    s.position[a] = static_cast<int32_t>(reg.Read32(ZemtraAxisRegisters[a].positionRegister));
    s.velocity[a] = static_cast<int32_t>(reg.Read32(ZemtraAxisRegisters[a].velocityRegister));
  }
  return s;
}

TEST_F(SimModelTest, MotionOnMovesEveryAxisDifferently) {
  Board("motion=on");
  Sampled a = SampleAt(reg_, 1.0);
  Sampled b = SampleAt(reg_, 2.0);
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_NE(a.position[axis], b.position[axis]) << axis;
    EXPECT_NE(a.velocity[axis], 0) << axis;
  }
  EXPECT_NE(b.position[0] - a.position[0], b.position[1] - a.position[1]);
  EXPECT_NE(b.position[1] - a.position[1], b.position[2] - a.position[2]);
  // With the real clock, values live.
  sim::ThawClock(0);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  uint32_t first = reg_.Read32(ZEMTRA_REG_A3_POSITION);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_NE(reg_.Read32(ZEMTRA_REG_A3_POSITION), first);
}

TEST_F(SimModelTest, VelocityCountsPositionCountsPer204_8Microseconds) {
  Board("motion=on");
  // The travel over 100 velocity periods around t, per period.
  const double t = 2.2, h = 204.8e-6 * 100;
  Sampled at = SampleAt(reg_, t);
  Sampled a = SampleAt(reg_, t - h / 2);
  Sampled b = SampleAt(reg_, t + h / 2);
  for (int axis = 0; axis < 3; ++axis) {
    double perPeriod = (b.position[axis] - a.position[axis]) / 100.0;
    EXPECT_NEAR(at.velocity[axis], perPeriod, 0.6) << axis;
    EXPECT_NE(at.velocity[axis], 0) << axis;
  }
}

TEST_F(SimModelTest, PresetWhileMovingCountsOnFromThePreset) {
  Board("motion=on");
  sim::FreezeClock(0, 5.0);
  reg_.Write32(ZEMTRA_REG_A1_PRESET, 1000);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A1_PRESET | ZEMTRA_SMP_A1_SAMPLE);
  EXPECT_EQ(static_cast<int32_t>(reg_.Read32(ZEMTRA_REG_A1_POSITION)), 1000);
  Sampled before = SampleAt(reg_, 5.0);
  Sampled after = SampleAt(reg_, 5.5);
  EXPECT_EQ(before.position[0], 1000);
  EXPECT_NE(after.position[0], 1000);
}

TEST_F(SimModelTest, DirReversesCounting) {
  // The same motion counted forwards and, on a fresh board, backwards.
  Board("motion=on");
  Sampled f1 = SampleAt(reg_, 1.0);
  Sampled f2 = SampleAt(reg_, 1.5);
  Close(device_);

  Board("motion=on");
  sim::FreezeClock(0, 1.0);
  reg_.Write16(ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_CTL12_A1_DIR | ZEMTRA_CTL12_A2_DIR);
  reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_A3_DIR);
  Sampled r1 = SampleAt(reg_, 1.0);
  Sampled r2 = SampleAt(reg_, 1.5);
  for (int axis = 0; axis < 3; ++axis) {
    int32_t forwards = f2.position[axis] - f1.position[axis];
    ASSERT_NE(forwards, 0) << axis;
    EXPECT_EQ(r1.position[axis], f1.position[axis]) << axis;  // no jump at the change
    EXPECT_EQ(r2.position[axis] - r1.position[axis], -forwards) << axis;
    EXPECT_EQ(r2.velocity[axis], -f2.velocity[axis]) << axis;
  }
  // Clearing Dir counts forwards again from where the axis is.
  reg_.Write16(ZEMTRA_REG_A1_A2_CONTROL, 0);
  Sampled r3 = SampleAt(reg_, 1.5);
  Sampled r4 = SampleAt(reg_, 2.0);
  Sampled f = SampleAt(reg_, 1.5);
  EXPECT_EQ(r3.position[0], r2.position[0]);
  EXPECT_EQ(f.position[0], r2.position[0]);
  EXPECT_GT(std::abs(r4.position[0] - r3.position[0]), 0);
}

TEST_F(SimModelTest, OutOfWindowAccessesAreHarmless) {
  Board("motion=off");
  EXPECT_EQ(reg_.Read32(static_cast<uint32_t>(reg_.Length())), 0u);
  EXPECT_EQ(reg_.Read16(0xFFFFFFFE), 0u);
  reg_.Write32(0xFFFFFFFC, 0xFFFFFFFF);
  EXPECT_EQ(rev_.Read32(static_cast<uint32_t>(rev_.Length()) - 2), 0u);
}

TEST_F(SimModelTest, UnalignedAccessesUseTheRightBytes) {
  Board("motion=off");
  reg_.Write32(ZEMTRA_REG_A1_PRESET, 0x44332211);
  EXPECT_EQ(reg_.Read16(ZEMTRA_REG_A1_PRESET + 1), 0x3322);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_PRESET + 2), 0x00004433u);  // 0x120 reads 0 (not sampled)
  reg_.Write16(ZEMTRA_REG_A1_PRESET + 1, 0xBBAA);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A1_PRESET), 0x44BBAA11u);
}

TEST_F(SimModelTest, TheAccessLogRecordsEveryAccessInOrder) {
  Board("motion=off");
  sim::SetAccessLog(0, true);
  reg_.Write16(ZEMTRA_REG_SAMPLE, 0x0222);
  reg_.Read16(ZEMTRA_REG_SAMPLE);
  reg_.Write32(ZEMTRA_REG_A1_PRESET, 1000);
  rev_.Read16(0);
  std::vector<Access> log = sim::TakeAccessLog(0);
  std::vector<Access> expected = {
      {'W', 16, WindowKind::kRegister, 0x020, 0x0222},
      {'R', 16, WindowKind::kRegister, 0x020, 0x0222},
      {'W', 32, WindowKind::kRegister, 0x11C, 1000},
      {'R', 16, WindowKind::kRevision, 0x000, 0x0312},
  };
  EXPECT_EQ(log, expected);
  EXPECT_TRUE(sim::TakeAccessLog(0).empty());
  sim::SetAccessLog(0, false);
  reg_.Read16(ZEMTRA_REG_SAMPLE);
  EXPECT_TRUE(sim::TakeAccessLog(0).empty());
}

TEST_F(SimModelTest, OpeningTheSameBoardTwiceSharesIt) {
  Board("motion=off,boards=2");
  uint32_t again = Open(240, 0);
  EXPECT_NE(again, device_);
  Registers(again).Write32(ZEMTRA_REG_A2_PRESET, 42);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_PRESET), 42u);
  uint32_t other = Open(240, 1);
  EXPECT_EQ(Registers(other).Read32(ZEMTRA_REG_A2_PRESET), 0u);
  Close(again);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_PRESET), 42u);  // still open under device_
}

TEST_F(SimModelTest, AnOpenBoardOutlivesAReconfiguration) {
  Board("motion=off");
  reg_.Write32(ZEMTRA_REG_A2_PRESET, 42);
  ASSERT_TRUE(sim::Configure("boards=1,id=0x1"));
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_A2_PRESET), 42u);
  EXPECT_EQ(reg_.Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x4D27Bu);
  EXPECT_EQ(Registers(Open()).Read32(ZEMTRA_REG_FPGA1_PRODUCT), 0x1u);
}

}  // namespace
}  // namespace zemtra::pci::testing
