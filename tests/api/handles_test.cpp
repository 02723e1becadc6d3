// The handle protocol: what a handle value reaches, and the failures of
// allocation, lock and unlock.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <unordered_set>
#include <vector>

#include "handle_table.h"
#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using faults::Fault;
using faults::FailNext;

class HandlesTest : public SimBoardTest {};

TEST_F(HandlesTest, ClosedHandleNeverReachesABoardOpenedAfterIt) {
  const DeviceHandle closed = handle_;
  ASSERT_EQ(ZemtraClose(&handle_), ZEMTRA_SUCCESS);
  ASSERT_EQ(ZemtraOpen(nullptr, &handle_, nullptr), ZEMTRA_SUCCESS);
  EXPECT_NE(handle_, closed) << "a closed handle's value was handed out again";
  Log();
  uint16_t value = 0;
  EXPECT_EQ(ZemtraReadRegisterWord(closed, ZEMTRA_REG_FILTER, &value), ZEMTRA_ERR_INVALID_HANDLE);
  EXPECT_EQ(ZemtraSetConfig(closed, ZEMTRA_CONFIG_A1_DIR), ZEMTRA_ERR_INVALID_HANDLE);
  EXPECT_TRUE(Log().empty());
}

TEST_F(HandlesTest, HandleValuesAreNotReusedOverManyCycles) {
  std::set<DeviceHandle> seen{handle_};
  for (int cycle = 0; cycle < 500; ++cycle) {
    ASSERT_EQ(ZemtraClose(&handle_), ZEMTRA_SUCCESS);
    ASSERT_EQ(ZemtraOpen(nullptr, &handle_, nullptr), ZEMTRA_SUCCESS);
    EXPECT_TRUE(seen.insert(handle_).second) << "value repeated after " << cycle << " cycles";
  }
}

TEST_F(HandlesTest, ForgedValuesGiveInvalidHandleAndTouchNoBoard) {
  std::vector<DeviceHandle> open{handle_};
  for (int i = 0; i < 70; ++i) {  // more than one chunk of the table
    DeviceHandle extra = 0;
    ASSERT_EQ(ZemtraOpen(nullptr, &extra, nullptr), ZEMTRA_SUCCESS);
    open.push_back(extra);
  }
  const std::set<DeviceHandle> live(open.begin(), open.end());
  EXPECT_EQ(live.size(), open.size()) << "two open boards share a handle";
  Log();

  std::mt19937 random(7);
  std::vector<DeviceHandle> forged{0xFFFFFFFFu, 0x0000FFFFu, 0x00010000u, 1u, handle_ ^ 0x10000u,
                                   handle_ + 0x10000u};
  for (int i = 0; i < 2000; ++i) {
    forged.push_back(random());
  }
  for (const DeviceHandle value : forged) {
    if (value == 0 || live.contains(value)) {  // 0 is "no handle", tested apart
      continue;
    }
    uint32_t read = 0;
    EXPECT_EQ(ZemtraReadRegisterLong(value, ZEMTRA_REG_A1_POSITION, &read), ZEMTRA_ERR_INVALID_HANDLE)
        << std::hex << value;
    DeviceHandle copy = value;
    EXPECT_EQ(ZemtraClose(&copy), ZEMTRA_ERR_INVALID_HANDLE);
    EXPECT_EQ(copy, value);
  }
  EXPECT_TRUE(Log().empty());

  for (DeviceHandle& extra : open) {
    uint16_t filter = 0;
    EXPECT_EQ(ZemtraGetFilter(extra, &filter), ZEMTRA_SUCCESS);
    if (extra != handle_) {
      EXPECT_EQ(ZemtraClose(&extra), ZEMTRA_SUCCESS);
    }
  }
}

TEST_F(HandlesTest, NullHandleValueGivesNullParameter) {
  uint16_t value = 0;
  EXPECT_EQ(ZemtraGetStatus(0, &value), ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_EQ(ZemtraReadRegisterWord(0, ZEMTRA_REG_FILTER, &value), ZEMTRA_ERR_NULL_PARAMETER);
  EXPECT_EQ(ZemtraPciInterruptEnable(0, 1), ZEMTRA_ERR_NULL_PARAMETER);
}

TEST_F(HandlesTest, AllocationFailureAtOpenGivesHeapErrorAndReleasesTheDevice) {
  pci::sim::ForceResult(pci::sim::Operation::kDeviceClose, pci::kDeviceNotFound);
  FailNext(Fault::kAllocate);
  DeviceHandle opened = 1234;
  EXPECT_EQ(ZemtraOpen(nullptr, &opened, nullptr), ZEMTRA_ERR_HEAP);
  EXPECT_EQ(opened, 0u);
  // The forced close result was taken by the failed open's own close.
  ASSERT_EQ(ZemtraOpen(nullptr, &opened, nullptr), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraClose(&opened), ZEMTRA_SUCCESS);
}

TEST_F(HandlesTest, LockFailureAtOpenGivesLockError) {
  FailNext(Fault::kLock);
  DeviceHandle opened = 1234;
  int32_t id = 0;
  EXPECT_EQ(ZemtraOpen(nullptr, &opened, &id), ZEMTRA_ERR_LOCK);
  EXPECT_EQ(opened, 0u);
  EXPECT_EQ(id, 0) << "the board was read without a locked record";
}

TEST_F(HandlesTest, UnlockFailureAtOpenGivesUnlockErrorAndNoHandle) {
  FailNext(Fault::kUnlock);
  DeviceHandle opened = 1234;
  EXPECT_EQ(ZemtraOpen(nullptr, &opened, nullptr), ZEMTRA_ERR_UNLOCK);
  EXPECT_EQ(opened, 0u);
}

TEST_F(HandlesTest, LockFailureOnACallGivesInvalidHandleAndTouchesNothing) {
  Log();
  FailNext(Fault::kLock);
  EXPECT_EQ(ZemtraSetFilter(handle_, ZEMTRA_FILTER_ENABLE), ZEMTRA_ERR_INVALID_HANDLE);
  EXPECT_TRUE(Log().empty());
}

TEST_F(HandlesTest, UnlockFailureOnACallGivesUnlockErrorAfterTheAccess) {
  Log();
  FailNext(Fault::kUnlock);
  EXPECT_EQ(ZemtraSetFilter(handle_, ZEMTRA_FILTER_ENABLE), ZEMTRA_ERR_UNLOCK);
  EXPECT_TRUE(SameSequence(Log(), {W16(ZEMTRA_REG_FILTER, ZEMTRA_FILTER_ENABLE)}));
  uint16_t filter = 0;
  EXPECT_EQ(ZemtraGetFilter(handle_, &filter), ZEMTRA_SUCCESS) << "one failed unlock broke the handle";
  EXPECT_EQ(filter, ZEMTRA_FILTER_ENABLE);
}

// A table whose slots start two generations before the end: every value is
// handed out once, then there are none rather than a slot starting over.
TEST(HandleTableTest, ASlotIsRetiredAfterItsLastGeneration) {
  constexpr std::size_t kValues = 2 * 65536;  // two generations of every slot
  auto table = std::make_unique<HandleTable>(0xFFFE);
  std::unordered_set<DeviceHandle> seen;
  for (std::size_t i = 0; i <= kValues; ++i) {
    const DeviceHandle value = table->Reserve();
    if (value == 0) {
      break;
    }
    ASSERT_TRUE(seen.insert(value).second) << std::hex << value << " handed out twice";
    HandleTable::Slot* slot = table->LockReserved(value);
    table->Publish(*slot);
    ASSERT_TRUE(table->BeginClose(*slot));
    table->Unlock(*slot);
    table->Discard(value);
    ASSERT_EQ(table->Lock(value), nullptr) << std::hex << value;
  }
  EXPECT_EQ(seen.size(), kValues);
  EXPECT_EQ(table->Reserve(), 0u);
}

TEST(HandleTableTest, GenerationsStartAtRandom) {
  std::set<DeviceHandle> firsts;
  for (int table = 0; table < 4; ++table) {
    firsts.insert(HandleTable().Reserve());
  }
  EXPECT_GT(firsts.size(), 1u) << "every table handed out " << std::hex << *firsts.begin() << " first";
}

}  // namespace
}  // namespace zemtra::test
