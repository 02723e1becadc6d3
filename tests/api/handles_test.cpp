// The handle protocol around open and close: values never handed out twice,
// made-up values that name no board, and the failures of the handle's record.
#include <memory>
#include <random>
#include <set>
#include <unordered_set>
#include <vector>

#include "handle_table.h"
#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using faults::Fault;

class Handles : public Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    Boards("boards=2,motion=off");
  }
};

TEST_F(Handles, AClosedValueIsNeverHandedOutAgain) {
  DeviceHandle handle = OpenBoard();
  std::set<DeviceHandle> seen{handle};
  for (int cycle = 0; cycle < 300; ++cycle) {
    const DeviceHandle closed = handle;
    ASSERT_EQ(ZemtraClose(&handle), ZEMTRA_SUCCESS);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(ZemtraClose(&handle), ZEMTRA_ERR_INVALID_HANDLE);
    ASSERT_EQ(ZemtraOpen(nullptr, &handle, nullptr), ZEMTRA_SUCCESS);
    ASSERT_TRUE(seen.insert(handle).second) << "value repeated after " << cycle << " cycles";
    uint16_t word = 0;
    EXPECT_EQ(ZemtraGetStatus(closed, &word), ZEMTRA_ERR_INVALID_HANDLE);
  }
  EXPECT_EQ(ZemtraClose(&handle), ZEMTRA_SUCCESS);
  EXPECT_EQ(Log(), "") << "a closed handle reached the board";
}

TEST_F(Handles, MadeUpValuesNameNoBoard) {
  std::set<DeviceHandle> open;
  for (int i = 0; i < 70; ++i) open.insert(OpenBoard());  // more than one chunk of the table
  ASSERT_EQ(open.size(), 70u) << "two open boards share a handle";
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const DeviceHandle value = random();
    if (value == 0 || open.contains(value)) continue;
    uint32_t read = 0;
    EXPECT_EQ(ZemtraReadRegisterLong(value, 0x030, &read), ZEMTRA_ERR_INVALID_HANDLE) << std::hex << value;
    DeviceHandle copy = value;
    EXPECT_EQ(ZemtraClose(&copy), ZEMTRA_ERR_INVALID_HANDLE);
    EXPECT_EQ(copy, value);
  }
  EXPECT_EQ(Log(), "");
  uint16_t filter = 0;
  for (const DeviceHandle h : open) EXPECT_EQ(ZemtraGetFilter(h, &filter), ZEMTRA_SUCCESS);
}

// On a real board, so that a device the failed open did not give back stays
// mapped and fails the test.
TEST_F(Handles, AFailedRecordAtOpenGivesNoHandleAndReleasesTheDevice) {
  tree_.AddDevice("0000:02:00.0");
  const struct {
    Fault fault;
    ErrorCode code;
  } cases[] = {{Fault::kAllocate, ZEMTRA_ERR_HEAP},
               {Fault::kLock, ZEMTRA_ERR_LOCK},
               {Fault::kUnlock, ZEMTRA_ERR_UNLOCK}};
  for (const auto& c : cases) {
    faults::FailNext(c.fault);
    DeviceHandle h = 1234;
    int32_t id = 5;
    EXPECT_EQ(ZemtraOpen(nullptr, &h, &id), c.code);
    EXPECT_EQ(h, 0u);
    if (c.fault != Fault::kUnlock) {
      EXPECT_EQ(id, 5) << "read without a locked record";
    }
  }
}

TEST_F(Handles, CloseIgnoresTheUnlockAndEndsTheHandle) {
  DeviceHandle h = OpenBoard();
  const DeviceHandle value = h;
  faults::FailNext(Fault::kUnlock);
  EXPECT_EQ(ZemtraClose(&h), ZEMTRA_SUCCESS);
  EXPECT_EQ(h, 0u);
  uint16_t word = 0;
  EXPECT_EQ(ZemtraGetFilter(value, &word), ZEMTRA_ERR_INVALID_HANDLE);
}

// A table whose slots start two generations before the last: every value is
// handed out once and works while open, then there are none rather than a
// slot starting over.
TEST(HandleTable, ASlotIsRetiredAfterItsLastGeneration) {
  constexpr std::size_t kValues = 2 * 65536;  // two generations of every slot
  auto table = std::make_unique<HandleTable>(0xFFFE);
  std::unordered_set<DeviceHandle> seen;
  for (std::size_t i = 0; i <= kValues; ++i) {
    const DeviceHandle value = table->Reserve();
    if (value == 0) break;
    ASSERT_TRUE(seen.insert(value).second) << std::hex << value << " handed out twice";
    HandleTable::Slot* slot = table->LockReserved(value);
    table->Publish(*slot);
    ASSERT_EQ(table->Lock(value), slot) << std::hex << value;
    table->Unlock(*slot);
    ASSERT_TRUE(table->BeginClose(*slot));
    table->Unlock(*slot);
    table->Discard(value);
    ASSERT_EQ(table->Lock(value), nullptr) << std::hex << value;
  }
  EXPECT_EQ(seen.size(), kValues);
  EXPECT_EQ(table->Reserve(), 0u);
}

TEST(HandleTable, GenerationsStartAtRandom) {
  std::set<DeviceHandle> firsts;
  for (int table = 0; table < 4; ++table) firsts.insert(HandleTable().Reserve());
  EXPECT_GT(firsts.size(), 1u) << "every table handed out " << std::hex << *firsts.begin() << " first";
}

}  // namespace
}  // namespace zemtra::test
