// The seven operations: arguments, find and open semantics on simulated
// boards, device numbers, and forced result codes.
#include <gtest/gtest.h>

#include "pci_test_support.h"
#include "zemtra_registers.h"

namespace zemtra::pci::testing {
namespace {

using sim::Operation;

class OperationsTest : public PciTest {};

constexpr Result kAllResults[] = {kSuccess,       kNullParameter,         kDeviceNotFound,
                                  kDriverNotFound, kInsufficientResources, kInvalidHandle};

TEST_F(OperationsTest, NullArgumentsGive531) {
  ASSERT_TRUE(sim::Configure("1"));
  Location location;
  uint32_t value = kCountRequest;
  EXPECT_EQ(DeviceFind(nullptr, &value), kNullParameter);
  EXPECT_EQ(DeviceFind(&location, nullptr), kNullParameter);
  EXPECT_EQ(DeviceOpen(nullptr, &value), kNullParameter);
  EXPECT_EQ(DeviceOpen(&location, nullptr), kNullParameter);
  uint32_t device = Open();
  EXPECT_EQ(BaseAddressesGet(device, nullptr), kNullParameter);
}

TEST_F(OperationsTest, NoBoardMeansCountZeroAndNotFound) {
  EXPECT_EQ(Count(), 0u);
  Location location;
  uint32_t request = 0;
  EXPECT_EQ(DeviceFind(&location, &request), kDeviceNotFound);
  uint32_t device = 77;
  EXPECT_EQ(DeviceOpen(&location, &device), kDeviceNotFound);
  EXPECT_EQ(device, 77u);
}

TEST_F(OperationsTest, WithoutZemtraSimThereIsNoSimulatedBoard) {
  ::unsetenv("ZEMTRA_SIM");
  ASSERT_TRUE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 0u);
  ::setenv("ZEMTRA_SIM", "", 1);
  ASSERT_TRUE(sim::ConfigureFromEnvironment());
  EXPECT_EQ(Count(), 0u);
}

TEST_F(OperationsTest, FindByIndexAndFilter) {
  ASSERT_TRUE(sim::Configure("boards=3"));
  EXPECT_EQ(Count(), 3u);
  Location location;
  uint32_t request = 2;
  ASSERT_EQ(DeviceFind(&location, &request), kSuccess);
  EXPECT_EQ(location.bus, 240);
  EXPECT_EQ(location.slot, 2);
  request = 3;
  Location fresh;
  EXPECT_EQ(DeviceFind(&fresh, &request), kDeviceNotFound);
  Location filter;
  filter.slot = 1;
  EXPECT_EQ(Count(filter), 1u);
  filter.bus = 241;
  EXPECT_EQ(Count(filter), 0u);
  filter = Location();
  filter.bus = -2;  // only -1 means any
  EXPECT_EQ(Count(filter), 0u);
  filter = Location();
  filter.deviceId = 0x1234;
  EXPECT_EQ(Count(filter), 0u);
}

TEST_F(OperationsTest, OpenTakesTheFirstMatchAndFillsTheLocation) {
  ASSERT_TRUE(sim::Configure("boards=3,motion=off"));
  Location location;
  uint32_t device = 0;
  ASSERT_EQ(DeviceOpen(&location, &device), kSuccess);
  opened_.push_back(device);
  EXPECT_NE(device, 0u);
  EXPECT_EQ(location.bus, 240);
  EXPECT_EQ(location.slot, 0);
  Location second;
  second.slot = 2;
  uint32_t device2 = 0;
  ASSERT_EQ(DeviceOpen(&second, &device2), kSuccess);
  opened_.push_back(device2);
  EXPECT_EQ(second.bus, 240);
  EXPECT_EQ(second.slot, 2);
  EXPECT_NE(device, device2);
  // Device 2 is board 2.
  sim::SetAccessLog(2, true);
  Registers(device2).Read16(ZEMTRA_REG_SAMPLE);
  EXPECT_EQ(sim::TakeAccessLog(2).size(), 1u);
  Location missing;
  missing.slot = 9;
  uint32_t none = 0;
  EXPECT_EQ(DeviceOpen(&missing, &none), kDeviceNotFound);
  EXPECT_EQ(missing.slot, 9);
}

TEST_F(OperationsTest, ForgedDeviceNumbersAreRefused) {
  ASSERT_TRUE(sim::Configure("1"));
  uint32_t device = Open();
  Window windows[kBaseAddressCount];
  for (uint32_t forged : {0u, 1u, device + 1, device - 1, 0xFFFFFFFFu, 0x80000000u}) {
    EXPECT_EQ(BaseAddressesGet(forged, &windows), kInvalidHandle) << forged;
    EXPECT_EQ(DeviceClose(forged), kDeviceNotFound) << forged;
  }
  Close(device);
  EXPECT_EQ(DeviceClose(device), kDeviceNotFound);  // closed twice
  EXPECT_EQ(BaseAddressesGet(device, &windows), kInvalidHandle);
}

TEST_F(OperationsTest, DeviceNumbersAreNotReusedAtOnce) {
  ASSERT_TRUE(sim::Configure("1"));
  uint32_t a = Open();
  Close(a);
  uint32_t b = Open();
  EXPECT_NE(a, b);
}

// Calls `op` once with valid arguments and returns its result.
Result Call(Operation op, uint32_t device, uint32_t* out) {
  Location location;
  InterruptSource source;
  Window windows[kBaseAddressCount];
  switch (op) {
    case Operation::kDeviceFind: *out = kCountRequest; return DeviceFind(&location, out);
    case Operation::kDeviceOpen: return DeviceOpen(&location, out);
    case Operation::kBaseAddressesGet: return BaseAddressesGet(device, &windows);
    case Operation::kDeviceClose: return DeviceClose(device);
    case Operation::kIntrEnable: return IntrEnable(device, &source);
    case Operation::kIntrDisable: return IntrDisable(device, &source);
    case Operation::kIntrAttach: return IntrAttach(device, source, out);
  }
  return kSuccess;
}

TEST_F(OperationsTest, EveryOperationCanBeForcedToEveryResult) {
  ASSERT_TRUE(sim::Configure("1"));
  uint32_t device = Open();
  for (int o = 0; o < sim::kOperationCount; ++o) {
    auto op = static_cast<Operation>(o);
    for (Result result : kAllResults) {
      sim::ForceResult(op, result);
      uint32_t out = 0xABCDEF;
      EXPECT_EQ(Call(op, device, &out), result) << o << " " << result;
      EXPECT_EQ(out, op == Operation::kDeviceFind ? kCountRequest : 0xABCDEFu) << "forced calls write nothing";
    }
    // The next call runs normally again.
    if (op != Operation::kDeviceClose) {
      uint32_t out = 0;
      EXPECT_EQ(Call(op, device, &out), kSuccess) << o;
      if (op == Operation::kDeviceOpen) opened_.push_back(out);
      if (op == Operation::kIntrAttach) ::close(static_cast<int>(out));
    }
  }
  // A forced close leaves the device open.
  sim::ForceResult(Operation::kDeviceClose, kDeviceNotFound);
  EXPECT_EQ(DeviceClose(device), kDeviceNotFound);
  Window windows[kBaseAddressCount];
  EXPECT_EQ(BaseAddressesGet(device, &windows), kSuccess);
}

TEST_F(OperationsTest, ForcingCanWaitAndRepeat) {
  ASSERT_TRUE(sim::Configure("2"));
  sim::ForceResult(Operation::kDeviceFind, kInsufficientResources, 2, 1);
  EXPECT_EQ(Count(), 2u);  // the first call runs normally
  Location location;
  uint32_t request = 0;
  EXPECT_EQ(DeviceFind(&location, &request), kInsufficientResources);
  EXPECT_EQ(DeviceFind(&location, &request), kInsufficientResources);
  EXPECT_EQ(DeviceFind(&location, &request), kSuccess);

  sim::ForceResult(Operation::kDeviceOpen, kDriverNotFound, -1);
  uint32_t device = 0;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(DeviceOpen(&location, &device), kDriverNotFound);
  sim::ClearForcedResult(Operation::kDeviceOpen);
  device = Open();
  EXPECT_NE(device, 0u);

  sim::ForceResult(Operation::kIntrEnable, kInvalidHandle, -1);
  sim::ClearForcedResults();
  InterruptSource source;
  EXPECT_EQ(IntrEnable(device, &source), kSuccess);
}

TEST_F(OperationsTest, ConfigureClearsForcedResults) {
  sim::ForceResult(Operation::kDeviceFind, kDriverNotFound, -1);
  ASSERT_TRUE(sim::Configure("1"));
  EXPECT_EQ(Count(), 1u);
}

TEST_F(OperationsTest, ForcedResultsApplyToRealBoardsToo) {
  FakeSysfs tree;
  tree.AddDevice("0000:01:00.0");
  tree.Use();
  sim::ForceResult(Operation::kBaseAddressesGet, kInvalidHandle);
  uint32_t device = Open();
  Window windows[kBaseAddressCount];
  EXPECT_EQ(BaseAddressesGet(device, &windows), kInvalidHandle);
  EXPECT_EQ(BaseAddressesGet(device, &windows), kSuccess);
}

TEST_F(OperationsTest, ControlOfAMissingBoardDoesNothing) {
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
}  // namespace zemtra::pci::testing
