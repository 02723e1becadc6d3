// The access layer under concurrency (also run under ThreadSanitizer):
// many threads on one simulated board, on different boards, open/close churn,
// and whole trace lines.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "pci_test_support.h"
#include "zemtra_registers.h"

namespace zemtra::pci::testing {
namespace {

class ThreadsTest : public PciTest {};

TEST_F(ThreadsTest, ManyThreadsOnOneBoard) {
  ASSERT_TRUE(sim::Configure("motion=on,glitch=A2"));
  uint32_t device = Open();
  Window reg = Registers(device);
  std::atomic<bool> bad{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        reg.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
        if ((reg.Read16(ZEMTRA_REG_SAMPLE) & ~0x0333) != 0) bad = true;
        reg.Read32(ZEMTRA_REG_A1_POSITION);
        reg.Write32(ZEMTRA_REG_A1_PRESET, static_cast<uint32_t>(i));
        reg.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x000F);
        reg.Write16(ZEMTRA_REG_A1_A2_CONTROL, (i & 1) ? 0x0004 : 0x0000);
        if (reg.Read32(ZEMTRA_REG_FPGA1_PRODUCT) != 0x4D27B) bad = true;
        if (t == 0 && i % 100 == 0) sim::SetSignal(0, Signal::kA3, i % 200 ? SignalState::kMissing : SignalState::kPresent);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_FALSE(bad);
}

TEST_F(ThreadsTest, OpenCloseFindChurn) {
  ASSERT_TRUE(sim::Configure("boards=4,motion=off"));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        Location location;
        location.slot = t;
        uint32_t device = 0;
        if (DeviceOpen(&location, &device) != kSuccess) {
          ++failures;
          continue;
        }
        Window windows[kBaseAddressCount];
        if (BaseAddressesGet(device, &windows) != kSuccess) ++failures;
        windows[kRegisterBar].Write32(ZEMTRA_REG_A1_PRESET, static_cast<uint32_t>(i));
        if (windows[kRegisterBar].Read32(ZEMTRA_REG_A1_PRESET) != static_cast<uint32_t>(i)) ++failures;
        uint32_t event = 0;
        if (IntrAttach(device, InterruptSource(), &event) == kSuccess) ::close(static_cast<int>(event));
        Location any;
        uint32_t request = kCountRequest;
        if (DeviceFind(&any, &request) != kSuccess || request != 4) ++failures;
        if (DeviceClose(device) != kSuccess) ++failures;
        // A number never handed out (they count up from 0x2A000001): must be
        // harmless. A neighbour of `device` could be another thread's board.
        if (DeviceClose(0x2A000000) != kDeviceNotFound) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, 0);
  for (int b = 0; b < 4; ++b) EXPECT_EQ(sim::AttachedEventCount(b), 0);
}

TEST_F(ThreadsTest, TraceLinesStayWhole) {
  TempDir dir;
  fs::path path = dir.Path() / "trace.txt";
  ::setenv("ZEMTRA_TRACE", path.c_str(), 1);
  trace::Reload();
  ASSERT_TRUE(sim::Configure("boards=2,motion=off"));
  uint32_t a = Open(240, 0), b = Open(240, 1);
  Window ra = Registers(a), rb = Registers(b);
  constexpr int kPerThread = 500;
  std::thread t1([&] {
    for (int i = 0; i < kPerThread; ++i) ra.Write32(ZEMTRA_REG_A1_PRESET, 0x11111111);
  });
  std::thread t2([&] {
    for (int i = 0; i < kPerThread; ++i) rb.Read16(ZEMTRA_REG_FILTER);
  });
  t1.join();
  t2.join();
  std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 2u * kPerThread);
  for (const std::string& line : lines) {
    EXPECT_TRUE(line == "W32 reg 0x11C 0x11111111" || line == "R16 reg 0x01C 0x0000") << line;
  }
}

}  // namespace
}  // namespace zemtra::pci::testing
