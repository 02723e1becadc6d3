// One shared board from several threads of one process (also under
// ThreadSanitizer): accesses under the robust lock, faults injected, and
// events attached and released while errors latch.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "shared_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using pci::Signal;
using pci::SignalState;
namespace sim = pci::sim;

TEST_F(SharedBoardTest, ThreadsShareOneBoardThroughItsLock) {
  pci::Window reg = Board(Shared("motion=on,glitch=A2"));
  reg.Write16(ZEMTRA_REG_INTERRUPT_MASK, ZEMTRA_IM_A2_GLITCH | ZEMTRA_IM_A3_NOSIG);
  reg.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE);
  pci::InterruptSource source;
  ASSERT_EQ(pci::IntrEnable(device_, &source), pci::kSuccess);
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (uint32_t i = 0; i < 1000; ++i) {
        reg.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
        reg.Write32(ZEMTRA_REG_A1_PRESET, i);
        reg.Write16(ZEMTRA_REG_A1_A2_STATUS, 0x000F);
        if (reg.Read32(ZEMTRA_REG_FPGA1_PRODUCT) != 0x4D27B) ++bad;
        if (t == 0 && i % 50 == 0) sim::SetSignal(0, Signal::kA3, i % 100 ? SignalState::kMissing : SignalState::kPresent);
        if (t == 1 && i % 50 == 0) {
          pci::Location any;
          uint32_t device = 0, event = 0;
          if (pci::DeviceOpen(&any, &device) != pci::kSuccess || pci::IntrAttach(device, source, &event) != pci::kSuccess) ++bad;
          ::close(static_cast<int>(event));
          pci::DeviceClose(device);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(sim::AttachedEventCount(0), 0);
  EXPECT_GT(sim::InterruptCount(0), 0u);
}

}  // namespace
}  // namespace zemtra::test
