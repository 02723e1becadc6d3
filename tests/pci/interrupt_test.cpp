// Interrupts of a simulated board: a newly latched error whose mask bit is
// set, with IRQ Enable (bit 12) and the bridge source on, makes every
// attached event readable.
#include <sys/eventfd.h>
#include <unistd.h>

#include "library_fixture.h"
#include "pci/sim/register_model.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using namespace pci;

class Irq : public Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    Boards("motion=off");
    device_ = OpenDevice();
    reg_ = Registers(device_);
  }
  int Attach(uint32_t device) {
    uint32_t event = 0;
    EXPECT_EQ(IntrAttach(device, InterruptSource(), &event), kSuccess);
    return static_cast<int>(Keep(event));
  }
  void Enable(uint16_t mask, uint16_t control = ZEMTRA_CTL3_IRQ_ENABLE, bool bridge = true) {
    reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, mask);
    reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, control);
    const InterruptSource source;
    EXPECT_EQ(bridge ? IntrEnable(device_, &source) : IntrDisable(device_, &source), kSuccess);
    EXPECT_EQ(sim::BridgeEnabled(0), bridge);
  }
  static uint64_t Drain(int fd) {
    uint64_t count = 0;
    EXPECT_EQ(::read(fd, &count, sizeof count), ssize_t{sizeof count});
    return count;
  }
  uint32_t device_ = 0;
  pci::Window reg_;
};

struct Source : Named {
  Signal signal;
  SignalState state;
  uint16_t mask;
};

class Sources : public Irq, public ::testing::WithParamInterface<Source> {};

TEST_P(Sources, InterruptThroughTheirOwnMaskBitOnly) {
  const Source& s = GetParam();
  const int fd = Attach(device_);
  // Every other source enabled: silent. (No reference also latches every
  // axis's No Sig, so those stay off for that source.)
  uint16_t others = 0x3333 & ~s.mask;
  if (s.signal == Signal::kRef && s.state == SignalState::kMissing) others &= 0x2222;
  Enable(others);
  sim::SetSignal(0, s.signal, s.state);
  EXPECT_FALSE(Readable(fd));
  sim::SetSignal(0, s.signal, SignalState::kPresent);
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x000F);
  reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, 0x0033);
  reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, s.mask);
  sim::SetSignal(0, s.signal, s.state);
  EXPECT_TRUE(Readable(fd));
}

const Source kSources[] = {{"A1NoSig", Signal::kA1, SignalState::kMissing, ZEMTRA_IM_A1_NOSIG},
                           {"A1Glitch", Signal::kA1, SignalState::kGlitching, ZEMTRA_IM_A1_GLITCH},
                           {"A2NoSig", Signal::kA2, SignalState::kMissing, ZEMTRA_IM_A2_NOSIG},
                           {"A2Glitch", Signal::kA2, SignalState::kGlitching, ZEMTRA_IM_A2_GLITCH},
                           {"A3NoSig", Signal::kA3, SignalState::kMissing, ZEMTRA_IM_A3_NOSIG},
                           {"A3Glitch", Signal::kA3, SignalState::kGlitching, ZEMTRA_IM_A3_GLITCH},
                           {"RefNoSig", Signal::kRef, SignalState::kMissing, ZEMTRA_IM_REF_NOSIG},
                           {"RefGlitch", Signal::kRef, SignalState::kGlitching, ZEMTRA_IM_REF_GLITCH}};

INSTANTIATE_TEST_SUITE_P(Each, Sources, ::testing::ValuesIn(kSources), RowName());

TEST_F(Irq, OnlyANewErrorWithIrqEnableAtBit12AndTheBridgeOnInterrupts) {
  const int fd = Attach(device_);
  Enable(ZEMTRA_IM_A1_NOSIG, ZEMTRA_CTL3_IRQ_ENABLE_LOW);  // bit 4 alone is not enough
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  Enable(ZEMTRA_IM_A3_NOSIG, ZEMTRA_CTL3_IRQ_ENABLE, false);
  sim::SetSignal(0, Signal::kA3, SignalState::kMissing);
  EXPECT_FALSE(Readable(fd));
  EXPECT_EQ(sim::InterruptCount(0), 0u);

  Enable(ZEMTRA_IM_A1_NOSIG | ZEMTRA_IM_A3_NOSIG);
  sim::SetSignal(0, Signal::kA2, SignalState::kMissing);  // masked
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);  // latched before: not new
  EXPECT_FALSE(Readable(fd));
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_NOSIG);  // latches again at once: new
  ASSERT_TRUE(Readable(fd));
  EXPECT_EQ(Drain(fd), 1u);
  EXPECT_EQ(sim::InterruptCount(0), 1u);
}

TEST_F(Irq, AGlitchLatchedAnewAtASampleCommandInterrupts) {
  Boards("motion=off,glitch=A2");
  device_ = OpenDevice();
  reg_ = Registers(device_);
  const int fd = Attach(device_);
  Enable(ZEMTRA_IM_A2_GLITCH);
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_FALSE(Readable(fd)) << "still latched: not new";
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_GLITCH);
  EXPECT_FALSE(Readable(fd));
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_TRUE(Readable(fd));
}

// One event per device, shared by its attaches; a closed descriptor or
// device is never written to.
TEST_F(Irq, EveryAttachedEventIsSignalledAndEachDeviceHasOne) {
  const int first = Attach(device_), again = Attach(device_);
  const uint32_t other = OpenDevice(), closing = OpenDevice();
  const int third = Attach(other);
  uint32_t event = 0;
  ASSERT_EQ(IntrAttach(closing, InterruptSource(), &event), kSuccess);
  ::close(static_cast<int>(event));
  const int unrelated = ::eventfd(0, EFD_CLOEXEC);  // likely takes the same number
  const int kept = Attach(closing);
  ASSERT_EQ(DeviceClose(closing), kSuccess);
  EXPECT_NE(first, again);
  EXPECT_EQ(sim::AttachedEventCount(0), 2) << "a second attach of one device took another event";
  Enable(ZEMTRA_IM_A1_NOSIG);
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_TRUE(Readable(first) && Readable(again) && Readable(third));
  EXPECT_FALSE(Readable(kept) || Readable(unrelated)) << "a closed device's event was signalled";
  ::close(unrelated);
  EXPECT_EQ(Drain(again), 1u);
  EXPECT_FALSE(Readable(first)) << "one read resets every descriptor of the device's event";
}

// The limit is the board's whoever opened it; closing the caller's
// descriptors does not free an event, closing the device does.
TEST_F(Irq, TooManyDevicesWithEventsGive553) {
  for (int i = 0; i < RegisterModel::kMaxAttachedEvents; ++i) Attach(i == 0 ? device_ : OpenDevice());
  const uint32_t other = OpenDevice();
  uint32_t event = 12345;
  EXPECT_EQ(IntrAttach(other, InterruptSource(), &event), kInsufficientResources);
  EXPECT_EQ(event, 12345u);
  const int shared = Attach(device_);
  ::close(shared);
  EXPECT_EQ(IntrAttach(other, InterruptSource(), &event), kInsufficientResources);
  EXPECT_EQ(DeviceClose(device_), kSuccess);
  EXPECT_EQ(sim::AttachedEventCount(0), RegisterModel::kMaxAttachedEvents - 1);
  Attach(other);
}

}  // namespace
}  // namespace zemtra::test
