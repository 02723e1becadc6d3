// Interrupts of a simulated board: interrupt mask, IRQ Enable and the bridge
// source must all be on for a newly latched error to make the event readable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "pci_test_support.h"
#include "zemtra_registers.h"

namespace zemtra::pci::testing {
namespace {

class InterruptTest : public PciTest {
 protected:
  void SetUp() override {
    PciTest::SetUp();
    ASSERT_TRUE(sim::Configure("motion=off"));
    device_ = Open();
    reg_ = Registers(device_);
  }
  void TearDown() override {
    for (int fd : fds_) ::close(fd);
    PciTest::TearDown();
  }
  int Attach(uint32_t device) {
    uint32_t event = 0xFFFFFFFF;
    EXPECT_EQ(IntrAttach(device, InterruptSource(), &event), kSuccess);
    int fd = static_cast<int>(event);
    if (fd >= 0) fds_.push_back(fd);
    return fd;
  }
  // Everything on for A1 No Sig.
  void EnableAll() {
    reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, ZEMTRA_IM_A1_NOSIG);
    reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE | ZEMTRA_CTL3_IRQ_ENABLE_LOW);
    InterruptSource source;
    ASSERT_EQ(IntrEnable(device_, &source), kSuccess);
  }
  static uint64_t Drain(int fd) {
    uint64_t count = 0;
    EXPECT_EQ(::read(fd, &count, sizeof count), static_cast<ssize_t>(sizeof count));
    return count;
  }
  uint32_t device_ = 0;
  Window reg_;
  std::vector<int> fds_;
};

TEST_F(InterruptTest, ANewErrorSignalsTheEvent) {
  int fd = Attach(device_);
  EnableAll();
  EXPECT_TRUE(sim::BridgeEnabled(0));
  EXPECT_FALSE(Readable(fd));
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  ASSERT_TRUE(Readable(fd));
  EXPECT_EQ(Drain(fd), 1u);
  EXPECT_FALSE(Readable(fd));
  EXPECT_EQ(sim::InterruptCount(0), 1u);
  // Clearing a missing signal's bit latches it anew: another interrupt.
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A1_NOSIG);
  EXPECT_TRUE(Readable(fd));
  // An error already latched is not new.
  Drain(fd);
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_FALSE(Readable(fd));
}

TEST_F(InterruptTest, EveryAttachedEventIsSignalled) {
  int a = Attach(device_);
  int again = Attach(device_);
  int other = Attach(Open());
  EXPECT_NE(a, again);
  EXPECT_EQ(sim::AttachedEventCount(0), 2) << "a second attach of one device took a new event";
  EnableAll();
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_TRUE(Readable(a));
  EXPECT_TRUE(Readable(again));
  EXPECT_TRUE(Readable(other));
}

TEST_F(InterruptTest, SilentWithoutTheMaskBit) {
  int fd = Attach(device_);
  EnableAll();
  reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, static_cast<uint16_t>(0x3333 & ~ZEMTRA_IM_A1_NOSIG));
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_FALSE(Readable(fd));
}

TEST_F(InterruptTest, SilentWithoutIrqEnable) {
  int fd = Attach(device_);
  EnableAll();
  reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE_LOW);  // bit 4 alone is not enough
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_FALSE(Readable(fd));
}

TEST_F(InterruptTest, SilentWithTheBridgeSourceDisabled) {
  int fd = Attach(device_);
  EnableAll();
  InterruptSource source;
  ASSERT_EQ(IntrDisable(device_, &source), kSuccess);
  EXPECT_FALSE(sim::BridgeEnabled(0));
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_FALSE(Readable(fd));
  EXPECT_EQ(sim::InterruptCount(0), 0u);
}

TEST_F(InterruptTest, IrqEnableAtBit12AloneIsEnough) {
  int fd = Attach(device_);
  EnableAll();
  reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE);
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_TRUE(Readable(fd));
}

TEST_F(InterruptTest, EachSourceUsesItsOwnMaskBit) {
  struct Case {
    Signal signal;
    SignalState state;
    uint16_t mask;
  };
  const Case cases[] = {
      {Signal::kA1, SignalState::kMissing, ZEMTRA_IM_A1_NOSIG},
      {Signal::kA1, SignalState::kGlitching, ZEMTRA_IM_A1_GLITCH},
      {Signal::kA2, SignalState::kMissing, ZEMTRA_IM_A2_NOSIG},
      {Signal::kA2, SignalState::kGlitching, ZEMTRA_IM_A2_GLITCH},
      {Signal::kA3, SignalState::kMissing, ZEMTRA_IM_A3_NOSIG},
      {Signal::kA3, SignalState::kGlitching, ZEMTRA_IM_A3_GLITCH},
      {Signal::kRef, SignalState::kMissing, ZEMTRA_IM_REF_NOSIG},
      {Signal::kRef, SignalState::kGlitching, ZEMTRA_IM_REF_GLITCH},
  };
  int fd = Attach(device_);
  EnableAll();
  for (const Case& c : cases) {
    for (Signal s : {Signal::kA1, Signal::kA2, Signal::kA3, Signal::kRef}) {
      sim::SetSignal(0, s, SignalState::kPresent);
    }
    reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x000F);
    reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, 0x0033);
    // Every other source enabled: silent. (No reference also latches every
    // axis's No Sig, so those stay off for that case.)
    uint16_t others = static_cast<uint16_t>(0x3333 & ~c.mask);
    if (c.signal == Signal::kRef && c.state == SignalState::kMissing) {
      others &= static_cast<uint16_t>(~(ZEMTRA_IM_A1_NOSIG | ZEMTRA_IM_A2_NOSIG | ZEMTRA_IM_A3_NOSIG));
    }
    reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, others);
    sim::SetSignal(0, c.signal, c.state);
    EXPECT_FALSE(Readable(fd)) << c.mask;
    // Its own bit: signalled.
    sim::SetSignal(0, c.signal, SignalState::kPresent);
    reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x000F);
    reg_.Write16(ZEMTRA_REG_A3_REF_STATUS, 0x0033);
    reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, c.mask);
    sim::SetSignal(0, c.signal, c.state);
    EXPECT_TRUE(Readable(fd)) << c.mask;
    if (Readable(fd)) Drain(fd);
  }
}

TEST_F(InterruptTest, AGlitchAtASampleCommandSignals) {
  ASSERT_TRUE(sim::Configure("motion=off,glitch=A2"));
  device_ = Open();
  reg_ = Registers(device_);
  int fd = Attach(device_);
  reg_.Write16(ZEMTRA_REG_INTERRUPT_MASK, ZEMTRA_IM_A2_GLITCH);
  reg_.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE);
  InterruptSource source;
  ASSERT_EQ(IntrEnable(device_, &source), kSuccess);
  EXPECT_FALSE(Readable(fd));  // latched before: not new
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_FALSE(Readable(fd));  // still latched: not new
  reg_.Write16(ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_ST12_A2_GLITCH);
  EXPECT_FALSE(Readable(fd));
  reg_.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
  EXPECT_TRUE(Readable(fd));
}

TEST_F(InterruptTest, TooManyDevicesWithEventsGive553) {
  std::vector<uint32_t> devices{device_};
  while (devices.size() < static_cast<std::size_t>(RegisterModel::kMaxAttachedEvents)) devices.push_back(Open());
  for (uint32_t device : devices) Attach(device);
  EXPECT_EQ(sim::AttachedEventCount(0), RegisterModel::kMaxAttachedEvents);
  uint32_t event = 12345;
  // The limit is the board's, whoever opened it.
  uint32_t other = Open();
  EXPECT_EQ(IntrAttach(other, InterruptSource(), &event), kInsufficientResources);
  EXPECT_EQ(event, 12345u);
  // A device with an event may attach again.
  Attach(device_);
  // Closing the caller's descriptors does not free the board's.
  for (int fd : fds_) ::close(fd);
  fds_.clear();
  EXPECT_EQ(IntrAttach(other, InterruptSource(), &event), kInsufficientResources);
  // Closing the device does.
  Close(device_);
  EXPECT_EQ(sim::AttachedEventCount(0), RegisterModel::kMaxAttachedEvents - 1);
  EXPECT_EQ(IntrAttach(other, InterruptSource(), &event), kSuccess);
  fds_.push_back(static_cast<int>(event));
}

TEST_F(InterruptTest, TheCallerMayCloseItsDescriptorAnyTime) {
  int fd = Attach(device_);
  EnableAll();
  ::close(fd);
  fds_.clear();
  int unrelated = ::dup(STDERR_FILENO);  // likely takes the same number
  fds_.push_back(unrelated);
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);  // must not write to `unrelated`
  EXPECT_EQ(sim::InterruptCount(0), 1u);
  EXPECT_EQ(sim::AttachedEventCount(0), 1);
}

TEST_F(InterruptTest, AfterDeviceCloseTheEventIsNeverSignalled) {
  uint32_t other = Open();
  Window reg = Registers(other);
  int fd = Attach(device_);
  Close(device_);
  reg.Write16(ZEMTRA_REG_INTERRUPT_MASK, ZEMTRA_IM_A1_NOSIG);
  reg.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE);
  InterruptSource source;
  ASSERT_EQ(IntrEnable(other, &source), kSuccess);
  sim::SetSignal(0, Signal::kA1, SignalState::kMissing);
  EXPECT_EQ(sim::InterruptCount(0), 1u);
  EXPECT_FALSE(Readable(fd));
}

TEST_F(InterruptTest, TheBoardsDescriptorsAreNeverStandardStreams) {
  // With 0, 1 and 2 closed at start, a descriptor of the board there would
  // take a stream's place (and 0 is what a failed attach stores).
  uint32_t other = Open();
  EXPECT_EXIT(
      {
        for (int fd = 0; fd < 3; ++fd) ::close(fd);
        bool ok = true;
        for (uint32_t device : {device_, device_, other}) {  // new event, shared event, new event
          uint32_t event = 0;
          ok = ok && IntrAttach(device, InterruptSource(), &event) == kSuccess && event >= 3 &&
               (::fcntl(static_cast<int>(event), F_GETFD) & FD_CLOEXEC) != 0;
        }
        for (int fd = 0; fd < 3; ++fd) ok = ok && ::fcntl(fd, F_GETFD) < 0;
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(InterruptTest, InterruptCallsCheckTheirArguments) {
  InterruptSource source;
  EXPECT_EQ(IntrEnable(device_, nullptr), kNullParameter);
  EXPECT_EQ(IntrDisable(device_, nullptr), kNullParameter);
  EXPECT_EQ(IntrAttach(device_, source, nullptr), kNullParameter);
  for (uint32_t forged : {0u, 1u, device_ + 1000, 0xFFFFFFFFu}) {
    uint32_t event = 7;
    EXPECT_EQ(IntrEnable(forged, &source), kInvalidHandle);
    EXPECT_EQ(IntrDisable(forged, &source), kInvalidHandle);
    EXPECT_EQ(IntrAttach(forged, source, &event), kInvalidHandle);
    EXPECT_EQ(event, 7u);
  }
}

}  // namespace
}  // namespace zemtra::pci::testing
