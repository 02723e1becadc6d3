// The interrupt path: mask, IRQ Enable and the bridge source must all be on
// for a newly latched error to make the attached descriptor readable.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <vector>

#include "pci/register_model.h"
#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using pci::sim::ForceResult;
using pci::sim::Operation;

bool Readable(uint32_t event) {
  pollfd ready{static_cast<int>(event), POLLIN, 0};
  return poll(&ready, 1, 0) == 1;
}

std::ptrdiff_t OpenDescriptors() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                       std::filesystem::directory_iterator());
}

class InterruptsTest : public SimBoardTest {
 protected:
  void TearDown() override {
    for (const uint32_t event : events_) {
      close(static_cast<int>(event));
    }
    SimBoardTest::TearDown();
  }

  uint32_t Attach() { return Attach(handle_); }
  uint32_t Attach(DeviceHandle handle) {
    uint32_t event = 0;
    EXPECT_EQ(ZemtraPciInterruptAttach(handle, &event), ZEMTRA_SUCCESS);
    events_.push_back(event);
    return event;
  }

  // Turns the three switches on or off, then latches a fresh A1 Glitch.
  bool InterruptArrives(bool mask, bool irqEnable, bool bridge) {
    uint16_t status = 0;
    EXPECT_EQ(ZemtraClearStatusAll(handle_, &status), ZEMTRA_SUCCESS);
    EXPECT_EQ(ZemtraSetInterruptMask(handle_, mask ? ZEMTRA_IM_A1_GLITCH : 0), ZEMTRA_SUCCESS);
    EXPECT_EQ(ZemtraSetConfig(handle_, irqEnable ? ZEMTRA_CONFIG_IRQ_ENABLE : 0), ZEMTRA_SUCCESS);
    EXPECT_EQ(ZemtraPciInterruptEnable(handle_, bridge ? 1 : 0), ZEMTRA_SUCCESS);
    EXPECT_EQ(pci::sim::BridgeEnabled(0), bridge);
    const uint32_t event = Attach();
    uint64_t earlier = 0;  // every attach on the handle shares one event
    if (Readable(event)) {
      EXPECT_EQ(read(static_cast<int>(event), &earlier, sizeof earlier), ssize_t{sizeof earlier});
    }
    pci::sim::SetSignal(0, pci::Signal::kA1, pci::SignalState::kGlitching);
    pci::sim::SetSignal(0, pci::Signal::kA1, pci::SignalState::kPresent);
    return Readable(event);
  }

  std::vector<uint32_t> events_;
};

TEST_F(InterruptsTest, AnErrorInterruptsOnlyWithAllThreeSwitchesOn) {
  EXPECT_TRUE(InterruptArrives(true, true, true));
  EXPECT_FALSE(InterruptArrives(false, true, true));
  EXPECT_FALSE(InterruptArrives(true, false, true));
  EXPECT_FALSE(InterruptArrives(true, true, false));
}

TEST_F(InterruptsTest, BridgeCallsTouchNoRegister) {
  Log();
  EXPECT_EQ(ZemtraPciInterruptEnable(handle_, 7), ZEMTRA_SUCCESS);
  EXPECT_TRUE(pci::sim::BridgeEnabled(0));
  Attach();
  EXPECT_EQ(ZemtraPciInterruptEnable(handle_, 0), ZEMTRA_SUCCESS);
  EXPECT_FALSE(pci::sim::BridgeEnabled(0));
  EXPECT_TRUE(Log().empty());
}

// The board's limit counts handles with events: one more handle is refused,
// while a handle that has its event may attach again.
TEST_F(InterruptsTest, TooManyHandlesWithEventsGivesItsCodeAndNoEvent) {
  std::vector<DeviceHandle> handles(pci::RegisterModel::kMaxAttachedEvents);
  handles.front() = handle_;
  for (DeviceHandle& handle : handles) {
    if (handle == 0) {
      ASSERT_EQ(ZemtraOpen(nullptr, &handle, nullptr), ZEMTRA_SUCCESS);
    }
    Attach(handle);
  }
  DeviceHandle oneMore = 0;
  ASSERT_EQ(ZemtraOpen(nullptr, &oneMore, nullptr), ZEMTRA_SUCCESS);
  uint32_t event = 1234;
  EXPECT_EQ(ZemtraPciInterruptAttach(oneMore, &event), ZEMTRA_ERR_TOO_MANY_EVENTS);
  EXPECT_EQ(event, 0u);
  Attach(handle_);
  EXPECT_EQ(ZemtraClose(&oneMore), ZEMTRA_SUCCESS);
  for (DeviceHandle& handle : handles) {
    if (handle != handle_) {
      EXPECT_EQ(ZemtraClose(&handle), ZEMTRA_SUCCESS);
    }
  }
}

// A caller that attaches for every wait and closes the event after it.
TEST_F(InterruptsTest, AttachAndCloseOnOneHandleNeitherFailsNorLeaks) {
  Attach();
  const std::ptrdiff_t before = OpenDescriptors();
  for (int cycle = 0; cycle < 1000; ++cycle) {
    uint32_t event = 0;
    ASSERT_EQ(ZemtraPciInterruptAttach(handle_, &event), ZEMTRA_SUCCESS) << "cycle " << cycle;
    ASSERT_EQ(close(static_cast<int>(event)), 0);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(InterruptArrives(true, true, true)) << "the shared event went deaf";
}

TEST_F(InterruptsTest, VendorFailuresAreMapped) {
  for (const auto& [vendor, code] : {std::pair{pci::kInvalidHandle, ZEMTRA_ERR_INVALID_HANDLE},
                                     std::pair{pci::kDeviceNotFound, ZEMTRA_ERR_INTERRUPT}}) {
    ForceResult(Operation::kIntrEnable, vendor);
    EXPECT_EQ(ZemtraPciInterruptEnable(handle_, 1), code);
    ForceResult(Operation::kIntrDisable, vendor);
    EXPECT_EQ(ZemtraPciInterruptEnable(handle_, 0), code);
    uint32_t event = 1234;
    ForceResult(Operation::kIntrAttach, vendor);
    EXPECT_EQ(ZemtraPciInterruptAttach(handle_, &event), code);
    EXPECT_EQ(event, 0u);
  }
  EXPECT_EQ(ZemtraPciInterruptAttach(handle_, nullptr), ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_EQ(ZemtraPciInterruptEnable(0xDEAD0001u, 1), ZEMTRA_ERR_INVALID_HANDLE);
}

}  // namespace
}  // namespace zemtra::test
