// Several threads on one handle while another closes and reopens the board:
// a close waits for the calls inside, no call reports 23 because another
// holds the record, none reaches another board, and nothing is used after it
// was given back (the sanitizer builds watch that).
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

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
  // Samples, reads the identification, or changes settings while the A3
  // signal comes and goes.
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

  // Each cycle lets the workers make some calls on the open board first, so
  // that closes meet calls in flight however busy the machine is.
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
