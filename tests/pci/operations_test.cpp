// The seven operations of the access layer on simulated boards: arguments,
// device numbers, and the forced results the library's tests rely on.
#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using namespace pci;
using sim::Operation;

class Operations : public Library {};

TEST_F(Operations, NullArgumentsMissingBoardsAndUnknownDevicesAreRefused) {
  Location location;
  uint32_t value = 0;
  EXPECT_EQ(DeviceFind(&location, &value), kDeviceNotFound);
  EXPECT_EQ(DeviceOpen(&location, &value), kDeviceNotFound);
  EXPECT_EQ(value, 0u);
  Boards("1");
  EXPECT_EQ(DeviceFind(nullptr, &value), kNullParameter);
  EXPECT_EQ(DeviceFind(&location, nullptr), kNullParameter);
  EXPECT_EQ(DeviceOpen(nullptr, &value), kNullParameter);
  EXPECT_EQ(DeviceOpen(&location, nullptr), kNullParameter);
  const uint32_t device = OpenDevice();
  const InterruptSource source;
  EXPECT_EQ(BaseAddressesGet(device, nullptr), kNullParameter);
  EXPECT_EQ(IntrEnable(device, nullptr), kNullParameter);
  EXPECT_EQ(IntrDisable(device, nullptr), kNullParameter);
  EXPECT_EQ(IntrAttach(device, source, nullptr), kNullParameter);
  Window windows[kBaseAddressCount];
  for (const uint32_t forged : {0u, 1u, device + 1, device - 1, 0x80000000u, 0xFFFFFFFFu}) {
    uint32_t event = 7;
    EXPECT_EQ(BaseAddressesGet(forged, &windows), kInvalidHandle) << forged;
    EXPECT_EQ(IntrEnable(forged, &source), kInvalidHandle) << forged;
    EXPECT_EQ(IntrDisable(forged, &source), kInvalidHandle) << forged;
    EXPECT_EQ(IntrAttach(forged, source, &event), kInvalidHandle) << forged;
    EXPECT_EQ(DeviceClose(forged), kDeviceNotFound) << forged;
    EXPECT_EQ(event, 7u);
  }
  EXPECT_EQ(DeviceClose(device), kSuccess);
  EXPECT_EQ(DeviceClose(device), kDeviceNotFound);
  EXPECT_NE(OpenDevice(), device) << "a device number was handed out again at once";
}

// The forced results the library's tests use: after some normal calls, for
// some calls or until cleared, and never past a new configuration.
TEST_F(Operations, ForcingCanWaitRepeatAndBeCleared) {
  Boards("2");
  sim::ForceResult(Operation::kDeviceFind, kInsufficientResources, 2, 1);
  EXPECT_EQ(Count(), 2u);  // the first call runs normally
  Location location;
  uint32_t request = 0;
  EXPECT_EQ(DeviceFind(&location, &request), kInsufficientResources);
  EXPECT_EQ(DeviceFind(&location, &request), kInsufficientResources);
  EXPECT_EQ(DeviceFind(&location, &request), kSuccess);
  sim::ForceResult(Operation::kDeviceOpen, kDriverNotFound, -1);
  uint32_t device = 0;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(DeviceOpen(&location, &device), kDriverNotFound);
  sim::ClearForcedResult(Operation::kDeviceOpen);
  OpenDevice();
  sim::ForceResult(Operation::kDeviceFind, kDriverNotFound, -1);
  Boards("1");  // a new configuration clears them too
  EXPECT_EQ(Count(), 1u);
}

TEST_F(Operations, ControlOfAMissingBoardDoesNothing) {
  sim::SetSignal(5, Signal::kA1, SignalState::kMissing);
  EXPECT_EQ(sim::GetSignal(5, Signal::kA1), SignalState::kPresent);
  EXPECT_TRUE(sim::TakeAccessLog(-1).empty());
  EXPECT_EQ(sim::AttachedEventCount(3), 0);
  EXPECT_FALSE(sim::BridgeEnabled(0));
  EXPECT_EQ(sim::Model(0), nullptr);
  int32_t bus = 0;
  EXPECT_FALSE(sim::BoardLocation(0, &bus, nullptr));
}

}  // namespace
}  // namespace zemtra::test
