// Several threads on one handle while another closes and reopens the board:
// no call may report 23 because another holds the record, no call may reach
// another board, and nothing may be used after it was freed (the sanitizer
// builds watch that).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sim_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

class ThreadsTest : public SimBoardTest {};

TEST_F(ThreadsTest, CallsRaceCloseAndReopenSafely) {
  // Board 1 stays open under its own handle; nobody calls it.
  DeviceLocation second{};
  ASSERT_TRUE(pci::sim::BoardLocation(1, &second.bus, &second.slot));
  DeviceHandle bystander = 0;
  ASSERT_EQ(ZemtraOpen(&second, &bystander, nullptr), ZEMTRA_SUCCESS);
  pci::sim::SetAccessLog(0, false);
  Log(1);

  std::atomic<DeviceHandle> current{handle_};
  std::atomic<bool> stop{false};
  std::atomic<int> unexpected{0};
  std::atomic<long> succeeded{0};
  std::atomic<long> attempts{0};
  auto hammer = [&](int worker) {
    while (!stop.load(std::memory_order_relaxed)) {
      attempts.fetch_add(1, std::memory_order_relaxed);
      const DeviceHandle handle = current.load(std::memory_order_relaxed);
      int32_t v[6];
      uint16_t word = 0;
      uint32_t longword = 0;
      const ErrorCode code =
          worker % 2 == 0
              ? ZemtraGetRawPosVelAll(handle, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &word)
              : ZemtraReadRegisterLong(handle, ZEMTRA_REG_FPGA1_PRODUCT, &longword);
      if (code == ZEMTRA_SUCCESS) {
        succeeded.fetch_add(1, std::memory_order_relaxed);
        if (worker % 2 == 1 && longword != ZEMTRA_BOARD_ID) {
          unexpected.fetch_add(1);
        }
      } else if (code != ZEMTRA_ERR_INVALID_HANDLE) {
        unexpected.fetch_add(1);
      }
    }
  };
  std::vector<std::thread> workers;
  for (int worker = 0; worker < 3; ++worker) {
    workers.emplace_back(hammer, worker);
  }

  // Each cycle lets the workers make some calls on the open board first, so
  // that closes meet calls in flight however busy the machine is.
  for (int cycle = 0; cycle < 50; ++cycle) {
    const long before = attempts.load();
    while (attempts.load() < before + 8) {
      std::this_thread::yield();
    }
    DeviceHandle closing = current.load();
    DeviceHandle reopened = 0;
    const ErrorCode closed = ZemtraClose(&closing);
    const ErrorCode opened = ZemtraOpen(nullptr, &reopened, nullptr);
    EXPECT_EQ(closed, ZEMTRA_SUCCESS);
    EXPECT_EQ(opened, ZEMTRA_SUCCESS);
    current.store(reopened);
    if (closed != ZEMTRA_SUCCESS || opened != ZEMTRA_SUCCESS) {
      break;  // the workers must still be stopped and joined
    }
  }
  stop = true;
  for (std::thread& worker : workers) {
    worker.join();
  }
  handle_ = current.load();

  EXPECT_EQ(unexpected.load(), 0);
  EXPECT_GT(succeeded.load(), 0);
  EXPECT_TRUE(Log(1).empty()) << "a call on board 0's handles reached board 1";
  EXPECT_EQ(ZemtraClose(&bystander), ZEMTRA_SUCCESS);
}

TEST_F(ThreadsTest, ConcurrentClosesOfOneHandleCloseItOnce) {
  for (int round = 0; round < 50; ++round) {
    std::atomic<int> closed{0};
    std::atomic<int> refused{0};
    const DeviceHandle shared = handle_;
    std::vector<std::thread> closers;
    for (int i = 0; i < 3; ++i) {
      closers.emplace_back([&] {
        DeviceHandle mine = shared;
        const ErrorCode code = ZemtraClose(&mine);
        (code == ZEMTRA_SUCCESS ? closed : refused).fetch_add(1);
        EXPECT_TRUE(code == ZEMTRA_SUCCESS || code == ZEMTRA_ERR_INVALID_HANDLE) << code;
      });
    }
    for (std::thread& closer : closers) {
      closer.join();
    }
    ASSERT_EQ(closed.load(), 1);
    ASSERT_EQ(refused.load(), 2);
    ASSERT_EQ(ZemtraOpen(nullptr, &handle_, nullptr), ZEMTRA_SUCCESS);
  }
}

}  // namespace
}  // namespace zemtra::test
