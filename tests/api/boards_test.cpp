// Finding, opening and closing boards, window lengths of real boards, handle
// values, and calls on a handle from several threads while another closes it.
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "handle_table.h"
#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using faults::Fault;

class Opening : public Library {};

// Against three boards: the count, then every entry of a list of 4 ("7/7": untouched).
TEST_F(Opening, FindListsNoMoreThanAskedAndOpenWritesBackWhereTheBoardIs) {
  Boards("boards=3,motion=off");
  const struct {
    std::optional<DeviceLocation> filter;
    bool list;
    uint32_t capacity;
    ErrorCode code;
    const char* found;
  } finds[] = {
      {std::nullopt, false, 0, 0, "3 7/7 7/7 7/7 7/7"},
      {std::nullopt, false, 1, 17, "0 7/7 7/7 7/7 7/7"},  // no list but a capacity
      {std::nullopt, true, 0, 0, "0 7/7 7/7 7/7 7/7"},
      {std::nullopt, true, 2, 0, "2 240/0 240/1 7/7 7/7"},
      {DeviceLocation{-1, -1}, true, 4, 0, "3 240/0 240/1 240/2 7/7"},
      {DeviceLocation{-1, 1}, true, 4, 0, "1 240/1 7/7 7/7 7/7"},
      {DeviceLocation{240, 2}, true, 4, 0, "1 240/2 7/7 7/7 7/7"},
      {DeviceLocation{-2, -1}, true, 4, 0, "0 7/7 7/7 7/7 7/7"},  // only -1 means any
      {DeviceLocation{241, -1}, false, 0, 0, "0 7/7 7/7 7/7 7/7"},
  };
  for (const auto& row : finds) {
    DeviceLocation list[4] = {{7, 7}, {7, 7}, {7, 7}, {7, 7}};
    uint32_t count = 99;
    const DeviceLocation* filter = row.filter ? &*row.filter : nullptr;
    EXPECT_EQ(ZemtraFind(filter, &count, row.list ? list : nullptr, row.capacity), row.code) << row.found;
    std::string found = std::to_string(count);
    for (const DeviceLocation& entry : list) {
      found += " " + std::to_string(entry.bus) + "/" + std::to_string(entry.slot);
    }
    EXPECT_EQ(found, row.found);
  }
  // The second entry fails: what was listed stays.
  pci::sim::ForceResult(pci::sim::Operation::kDeviceFind, pci::kDriverNotFound, 1, 2);
  DeviceLocation list[2] = {{7, 7}, {7, 7}};
  uint32_t count = 0;
  EXPECT_EQ(ZemtraFind(nullptr, &count, list, 2), ZEMTRA_ERR_DRIVER_NOT_FOUND);
  EXPECT_EQ(count * 100 + list[0].slot * 10 + list[1].slot, 107u);

  // An open writes back where the board is and reaches only that board.
  DeviceLocation any;
  EXPECT_EQ(ZemtraDefaultDevice(&any), &any);
  EXPECT_EQ(ZemtraDefaultDevice(nullptr), nullptr);
  OpenBoard(&any);
  EXPECT_EQ(any.bus * 100 + any.slot, 24000);
  DeviceLocation third{-1, 2};
  const DeviceHandle h = OpenBoard(&third);
  EXPECT_EQ(third.bus, 240);
  EXPECT_EQ(ZemtraSetFilter(h, 0x0013), ZEMTRA_SUCCESS);
  EXPECT_EQ(Log(0) + Log(1), "");
  EXPECT_EQ(Log(2), "W16 reg 0x01C 0x0013");

  DeviceLocation missing{-1, 9};
  DeviceHandle none = 1234;
  EXPECT_EQ(ZemtraOpen(&missing, &none, nullptr), ZEMTRA_ERR_DEVICE_NOT_FOUND);
  EXPECT_EQ(missing.slot, 9);
  EXPECT_EQ(none, 0u);
}

struct WindowCase : Named {
  std::size_t registers, revision;  // bytes
  ErrorCode code;
};

class RealBoard : public Library, public ::testing::WithParamInterface<WindowCase> {};

// A board too short for the registers the library reads is not opened; on
// one that is, every offset up to the mapped window's end works, none beyond.
TEST_P(RealBoard, WindowsLongEnoughOrRefused) {
  const WindowCase& row = GetParam();
  tree_.AddDevice("0000:05:00.0", pci::kVendorId, pci::kDeviceId, row.registers, row.revision);
  std::string registers(row.registers, '\0');
  const uint32_t id = ZEMTRA_BOARD_ID;
  std::memcpy(registers.data() + ZEMTRA_REG_FPGA1_PRODUCT, &id, sizeof id);
  WriteFile(tree_.Device("0000:05:00.0") / "resource2", registers);

  DeviceHandle h = 1234;
  int32_t boardId = 0;
  ASSERT_EQ(ZemtraOpen(nullptr, &h, &boardId), row.code);
  if (row.code != ZEMTRA_SUCCESS) {
    EXPECT_EQ(h, 0u);
    return;
  }
  EXPECT_EQ(boardId, ZEMTRA_BOARD_ID);
  const auto end = static_cast<int32_t>(row.registers);
  uint32_t value = 0;
  uint16_t word = 0;
  EXPECT_EQ(ZemtraWriteRegisterLong(h, end - 4, 0xCAFEF00Du), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraReadRegisterLong(h, end - 4, &value), ZEMTRA_SUCCESS);
  EXPECT_EQ(value, 0xCAFEF00Du);
  EXPECT_EQ(ZemtraReadRegisterWord(h, end - 2, &word), ZEMTRA_SUCCESS);
  EXPECT_EQ(word, 0xCAFE);
  EXPECT_EQ(ZemtraReadRegisterLong(h, end, &value), ZEMTRA_ERR_BAD_ADDRESS);
  EXPECT_EQ(ZemtraWriteRegisterWord(h, end, 1), ZEMTRA_ERR_BAD_ADDRESS);
  EXPECT_EQ(ZemtraGetHdwRev(h, &word), ZEMTRA_SUCCESS);
  EXPECT_EQ(ZemtraClose(&h), ZEMTRA_SUCCESS);
}

const WindowCase kWindows[] = {
    {"JustLongEnough", ZEMTRA_REG_WINDOW_MIN_LENGTH, 2, ZEMTRA_SUCCESS},
    {"Long", 0x1000, 0x10, ZEMTRA_SUCCESS},
    {"RegistersShort", ZEMTRA_REG_WINDOW_MIN_LENGTH - 2, 2, ZEMTRA_ERR_BASE_ADDRESS_CODE},
    {"RevisionShort", ZEMTRA_REG_WINDOW_MIN_LENGTH, 1, ZEMTRA_ERR_BASE_ADDRESS_CODE},
};

INSTANTIATE_TEST_SUITE_P(Lengths, RealBoard, ::testing::ValuesIn(kWindows), RowName());

// On a real board, so that a device the failed open did not give back stays
// mapped and fails the test; a close ignores a failed unlock.
TEST_F(Opening, AFailedRecordAtOpenGivesNoHandleAndReleasesTheDevice) {
  tree_.AddDevice("0000:02:00.0");
  const std::pair<Fault, ErrorCode> cases[] = {
      {Fault::kAllocate, ZEMTRA_ERR_HEAP}, {Fault::kLock, ZEMTRA_ERR_LOCK}, {Fault::kUnlock, ZEMTRA_ERR_UNLOCK}};
  for (const auto& [fault, code] : cases) {
    faults::FailNext(fault);
    DeviceHandle h = 1234;
    int32_t id = 5;
    EXPECT_EQ(ZemtraOpen(nullptr, &h, &id), code);
    EXPECT_EQ(h, 0u);
    EXPECT_TRUE(id == 5 || fault == Fault::kUnlock) << "read without a locked record";
  }
  DeviceHandle h = OpenBoard();
  const DeviceHandle value = h;
  faults::FailNext(Fault::kUnlock);
  EXPECT_EQ(ZemtraClose(&h), ZEMTRA_SUCCESS);
  EXPECT_EQ(h, 0u);
  uint16_t word = 0;
  EXPECT_EQ(ZemtraGetFilter(value, &word), ZEMTRA_ERR_INVALID_HANDLE);
}

// Slots two generations before their last: every value is handed out once,
// then there are none rather than a slot starting over.
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

// Threads on a handle being closed and reopened: a close waits for the calls
// inside, none reports 23 because another holds the record or reaches another
// board, nothing is used after it was given back (the sanitizer builds watch).
class Threads : public Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    Boards("boards=2,motion=off");
    pci::sim::SetAccessLog(0, false);
  }
};

TEST_F(Threads, CallsRaceCloseAndReopen) {
  DeviceLocation second{-1, 1};
  OpenBoard(&second);  // a bystander nobody calls
  std::atomic<DeviceHandle> current{OpenBoard()};
  std::atomic<bool> stop{false};
  std::atomic<int> unexpected{0};
  std::atomic<long> succeeded{0}, attempts{0};
  // Samples, reads the identification, or changes settings while A3 flickers.
  auto hammer = [&](int worker) {
    for (int call = 0; !stop.load(std::memory_order_relaxed); ++call) {
      attempts.fetch_add(1, std::memory_order_relaxed);
      const DeviceHandle handle = current.load(std::memory_order_relaxed);
      int32_t v[6];
      uint16_t word = 0;
      uint32_t id = ZEMTRA_BOARD_ID;
      ErrorCode code = ZEMTRA_SUCCESS;
      if (worker == 0) {
        code = ZemtraGetRawPosVelAll(handle, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &word);
        if (code == ZEMTRA_ERR_INVALID_DATA) code = ZEMTRA_SUCCESS;  // while A3 is missing
      } else if (worker == 1) {
        code = ZemtraReadRegisterLong(handle, ZEMTRA_REG_FPGA1_PRODUCT, &id);
      } else {
        pci::sim::SetSignal(0, pci::Signal::kA3,
                            call % 2 ? pci::SignalState::kMissing : pci::SignalState::kPresent);
        for (const ErrorCode each :
             {ZemtraPresetRaw(handle, 0, call, &word), ZemtraClearStatusAll(handle, &word),
              ZemtraSetConfig(handle, static_cast<uint16_t>(call & 0x0206))}) {
          code = each != ZEMTRA_SUCCESS ? each : code;
        }
      }
      if (code == ZEMTRA_SUCCESS && id == ZEMTRA_BOARD_ID) {
        succeeded.fetch_add(1, std::memory_order_relaxed);
      } else if (code != ZEMTRA_ERR_INVALID_HANDLE) {
        unexpected.fetch_add(1);
      }
    }
  };
  std::vector<std::thread> workers;
  for (int worker = 0; worker < 3; ++worker) workers.emplace_back(hammer, worker);

  // Some calls first, so that closes meet calls in flight however busy the machine is.
  for (int cycle = 0; cycle < 50; ++cycle) {
    const long before = attempts.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (attempts.load() < before + 8 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    DeviceHandle closing = current.load();
    DeviceHandle reopened = 0;
    const ErrorCode closed = ZemtraClose(&closing);
    const ErrorCode opened = ZemtraOpen(nullptr, &reopened, nullptr);
    current.store(reopened);
    EXPECT_EQ(closed, ZEMTRA_SUCCESS);
    EXPECT_EQ(opened, ZEMTRA_SUCCESS);
    if (closed != ZEMTRA_SUCCESS || opened != ZEMTRA_SUCCESS) break;  // still stop and join
  }
  stop = true;
  for (std::thread& worker : workers) worker.join();
  DeviceHandle last = current.load();
  EXPECT_EQ(ZemtraClose(&last), ZEMTRA_SUCCESS);

  EXPECT_EQ(unexpected.load(), 0);
  EXPECT_GT(succeeded.load(), 0);
  EXPECT_EQ(Log(1), "") << "a call on board 0's handles reached board 1";
}

TEST_F(Threads, ConcurrentClosesOfOneHandleCloseItOnce) {
  for (int round = 0; round < 50; ++round) {
    std::atomic<int> closed{0};
    const DeviceHandle shared = OpenBoard();
    std::vector<std::thread> closers;
    for (int i = 0; i < 3; ++i) {
      closers.emplace_back([&] {
        DeviceHandle mine = shared;
        const ErrorCode code = ZemtraClose(&mine);
        closed += code == ZEMTRA_SUCCESS;
        EXPECT_TRUE(code == ZEMTRA_SUCCESS || code == ZEMTRA_ERR_INVALID_HANDLE) << code;
      });
    }
    for (std::thread& closer : closers) closer.join();
    ASSERT_EQ(closed.load(), 1);
  }
}

}  // namespace
}  // namespace zemtra::test
