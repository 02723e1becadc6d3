// Shared simulated boards seen from the zemtra tool, forks and threads; each test has its own.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <random>
#include <thread>

#include "library_fixture.h"
#include "tool_runner.h"
#include "pci/sim/shared_boards.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using pci::Signal;
using pci::SignalState;
using pci::Window;
using cli::test::RunTool;
using cli::test::ToolRun;
namespace sim = pci::sim;

// Polls `done` every millisecond for up to timeoutMs.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; ++waited) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

class SharedBoardTest : public Library {
 protected:
  void SetUp() override {
    Library::SetUp();
    static int serial = 0;
    name_ = "test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  }
  void TearDown() override {
    Library::TearDown();
    std::vector<sim::ProcessUse> users;
    std::string error;
    sim::RemoveSharedBoards(name_, true, &users, &error);
  }

  // ZEMTRA_SIM naming this test's shared boards, with more items.
  std::string Shared(const std::string& items = "motion=off") const { return "share=" + name_ + "," + items; }
  // This process's board 0 of `sim`, opened as device_.
  Window Board(const std::string& sim) {
    EXPECT_TRUE(sim::Configure(sim)) << sim;
    device_ = OpenDevice();
    return Registers(device_);
  }

  std::string name_;
  uint32_t device_ = 0;
};

TEST_F(SharedBoardTest, AnErrorLatchedInOneProcessInterruptsAnother) {
  Window reg = Board(Shared());
  uint32_t event = 0;
  ASSERT_EQ(pci::IntrAttach(device_, pci::InterruptSource(), &event), pci::kSuccess);
  const int fd = static_cast<int>(event);
  EXPECT_GT(fd, 2);
  EXPECT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  reg.Write16(ZEMTRA_REG_INTERRUPT_MASK, ZEMTRA_IM_A1_NOSIG | ZEMTRA_IM_A2_NOSIG);
  reg.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE);
  pci::InterruptSource source;
  ASSERT_EQ(pci::IntrEnable(device_, &source), pci::kSuccess);
  // There, here: zemtra sim latches A1 No Sig; one read of 8 bytes here resets the event.
  EXPECT_EQ(RunTool({"sim", "signal", "A1", "missing"}, {.sim = Shared()}).status, 0);
  ASSERT_TRUE(WaitFor([fd] { return Readable(fd); }, 5000));
  uint64_t count = 0;
  EXPECT_EQ(::read(fd, &count, sizeof count), 8);
  EXPECT_FALSE(Readable(fd));
  ::close(fd);
  // Here, there: zemtra waits for A2 No Sig, latched here.
  auto waiter = std::async(std::launch::async, [this] {
    return RunTool({"wait-irq", "--source", "A2.nosig", "--timeout", "20"}, {.sim = Shared()});
  });
  ASSERT_TRUE(WaitFor([] { return sim::AttachedEventCount(0) == 2; }));
  sim::SetSignal(0, Signal::kA2, SignalState::kMissing);
  const ToolRun waited = waiter.get();
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_NE(waited.out.find("A2 No Sig"), std::string::npos) << waited.out;
  // A waiter killed while attached is dropped at the next look, its FIFO removed.
  auto killed = std::async(std::launch::async, [this] {
    return RunTool({"wait-irq", "--source", "A3.nosig", "--timeout", "20"},
                   {.sim = Shared(), .interruptAfterMs = 3000, .stopSignal = SIGKILL});
  });
  const bool attached = WaitFor([] { return sim::AttachedEventCount(0) == 2; });
  EXPECT_EQ(killed.get().status, 128 + SIGKILL);
  ASSERT_TRUE(attached);
  EXPECT_EQ(sim::AttachedEventCount(0), 1);
  const std::string fifo = fs::path(sim::SharedObjectPath(name_)).filename().string() + ".";
  EXPECT_EQ(std::ranges::count_if(fs::directory_iterator("/dev/shm"),
                                  [&](const fs::directory_entry& e) { return e.path().filename().string().starts_with(fifo); }),
            1)
      << "only this process's event is left";
}

struct RefusedRow : Named {
  std::function<void(const std::string& path)> before;
  std::string items;       // this process's ZEMTRA_SIM after "share=NAME"
  std::string message;     // part of the one line on standard error
};

const RefusedRow kRefused[] = {
    {{"BadName"}, nullptr, ".x,motion=off", "share must be 1 to 32 letters, digits, '-' or '_'; no simulated board"},
    {{"OtherItems"}, nullptr, ",boards=2,motion=off",
     "were made with 'boards=1,motion=off,id=0x4D27B', this process asks for 'boards=2,motion=off,id=0x4D27B'"},
    {"StaleLayout",
     [](const std::string& path) {
       const int fd = ::open(path.c_str(), O_RDWR);
       const uint32_t older = sim::kLayoutVersion - 1;
       EXPECT_EQ(::pwrite(fd, &older, sizeof older, offsetof(sim::SharedHeader, layoutVersion)), 4);
       ::close(fd);
     },
     ",motion=off", "another version of the library (layout " + std::to_string(sim::kLayoutVersion - 1) +
                        ", this one reads layout " + std::to_string(sim::kLayoutVersion) +
                        "): remove them with 'zemtra sim reset'"},
    {{"NotOurs"}, [](const std::string& path) { WriteFile(path, std::string(4096, 'x')); },
     ",motion=off", "is not an object of Zemtra shared boards: remove it with 'zemtra sim reset'"},
};

class RefusedBoards : public SharedBoardTest, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedBoards, GiveOneMessageAndNoBoardUntilReset) {
  const RefusedRow& row = GetParam();
  ASSERT_EQ(RunTool({"list"}, {.sim = Shared()}).status, 0);  // another process made them: boards=1,motion=off
  if (row.before) row.before(sim::SharedObjectPath(name_));
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::Configure("share=" + name_ + row.items));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(sim::BoardCount(), 0);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find(row.message), std::string::npos) << err;
  const ToolRun reset = RunTool({"sim", "reset"}, {.sim = Shared()});
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_EQ(sim::Configure("share=" + name_ + row.items), row.items.starts_with(",")) << "a bad name stays bad";
}

INSTANTIATE_TEST_SUITE_P(Shared, RefusedBoards, ::testing::ValuesIn(kRefused), RowName());

// A fork writing A1's preset all zeros then all ones, killed at random moments 200
// times: the board never stays locked and no read here sees a register half written.
TEST_F(SharedBoardTest, KilledHammersNeverWedgeOrTearTheBoard) {
  constexpr uint32_t kHammerPatterns[2] = {0x00000000, 0xFFFFFFFF};
  Window reg = Board(Shared());
  std::mt19937 random(::getpid());
  for (uint32_t round = 1; round <= 200; ++round) {
    reg.Write32(ZEMTRA_REG_A3_PRESET, 0);
    const pid_t hammer = ::fork();
    if (hammer == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);  // never runs on unwatched
      for (uint32_t i = 1; std::chrono::steady_clock::now() < end; ++i) {
        reg.Write32(ZEMTRA_REG_A1_PRESET, kHammerPatterns[i & 1]);
        reg.Write32(ZEMTRA_REG_A3_PRESET, i);
        reg.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
      }
      ::_exit(0);
    }
    ASSERT_TRUE(WaitFor([&] { return reg.Read32(ZEMTRA_REG_A3_PRESET) != 0; })) << "round " << round;
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 2000);
    while (std::chrono::steady_clock::now() < until) {
      const uint32_t seen = reg.Read32(ZEMTRA_REG_A1_PRESET);
      ASSERT_TRUE(seen == kHammerPatterns[0] || seen == kHammerPatterns[1]) << std::hex << seen;
    }
    ::kill(hammer, SIGKILL);
    int status = 0;
    ASSERT_TRUE(WaitFor([&] { return ::waitpid(hammer, &status, WNOHANG) == hammer; }));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    // Presets bypass the lock; the mask is written under it.
    const uint16_t mask = round % 2 ? ZEMTRA_IM_A1_NOSIG : ZEMTRA_IM_A2_NOSIG;
    reg.Write16(ZEMTRA_REG_INTERRUPT_MASK, mask);
    ASSERT_EQ(reg.Read16(ZEMTRA_REG_INTERRUPT_MASK), mask) << "the board stayed locked after round " << round;
  }
}

// What one process does, the zemtra tool and zemtra sim see.
struct ToolRow : Named {
  const char* sim;  // ZEMTRA_SIM of the tool; "@" stands for this test's share=NAME, "^" for NAME in capitals
  std::function<void(Window&)> here;  // in this process, on share=NAME, before the tool runs
  std::vector<std::string> args;
  int status;
  const char* prints;  // part of standard output (status 0) or standard error
  std::function<bool(Window&)> after;  // in this process, after it ran
};

const ToolRow kTool[] = {
    // The same items spelt otherwise name the same boards.
    {{"WriteHereReadThere"}, "MOTION=Off, Share=^", [](Window& r) { r.Write32(ZEMTRA_REG_A1_PRESET, 0x12345678); },
     {"peek", "0x11C"}, 0, "0x12345678\n", nullptr},
    {{"PresetThereCountsHere"}, "@", nullptr, {"preset", "A2=77"}, 0, "",
     [](Window& r) {
       r.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
       return r.Read32(ZEMTRA_REG_A2_POSITION) == 77;
     }},
    {{"ClearThereSeenHere"}, "@", [](Window&) { sim::SetSignal(0, Signal::kA1, SignalState::kGlitching); },
     {"clear"}, 0, "Status after clearing 0x0000  -\n", [](Window& r) { return r.Read16(ZEMTRA_REG_A1_A2_STATUS) == 0; }},
    {{"OwnBoardsStayApart"}, "motion=off", [](Window& r) { r.Write32(ZEMTRA_REG_A1_PRESET, 0x12345678); },
     {"peek", "0x11C"}, 0, "0x00000000\n", nullptr},
    {{"UnsetIsUsage"}, "", nullptr, {"sim", "reset"}, 2, "names no shared boards (share=NAME): every program", nullptr},
    {{"Status"}, "@", nullptr, {"sim", "status"}, 0, "240:0  clock ", nullptr},
    {{"StatusOfNoBoard"}, "@", nullptr, {"sim", "status", "240:1"}, 1, "no shared simulated board at 240:1", nullptr},
    {{"OtherItems"}, "@,boards=2", nullptr, {"sim", "status"}, 1, "were made with", nullptr},
    {{"SignalOfABoard"}, "@", nullptr, {"sim", "signal", "240:0", "ref", "GLITCH"}, 0, "",
     [](Window&) { return sim::GetSignal(0, Signal::kRef) == SignalState::kGlitching; }},
    {{"BadSignal"}, "@", nullptr, {"sim", "signal", "A4", "missing"}, 2, "bad signal \"A4\"", nullptr},
    {{"SignalWithoutState"}, "@", nullptr, {"sim", "signal", "A1"}, 2, "expected [BOARD]", nullptr},
    {{"Motion"}, "@", nullptr, {"sim", "motion", "on"}, 0, "", [](Window&) { return sim::Model(0)->Report().motion; }},
    {{"ResetInUse"}, "@", nullptr, {"sim", "reset"}, 1, "are in use by ", nullptr},
    {{"ResetForced"}, "@", nullptr, {"sim", "reset", "--force"}, 0, "removed shared boards",
     [](Window&) { return sim::Model(0)->Report().signals[0] == SignalState::kPresent; }},
};

class ToolTest : public SharedBoardTest, public ::testing::WithParamInterface<ToolRow> {};

TEST_P(ToolTest, ExitStatusOutputAndEffect) {
  const ToolRow& row = GetParam();
  Window reg = Board(Shared());
  if (row.here) row.here(reg);
  std::string sim = row.sim, upper = name_;
  std::ranges::transform(upper, upper.begin(), ::toupper);
  for (const auto& [mark, text] : {std::pair{'@', Shared()}, std::pair{'^', upper}}) {
    if (const size_t at = sim.find(mark); at != std::string::npos) sim.replace(at, 1, text);
  }
  const ToolRun run = RunTool(row.args, {.sim = sim});
  EXPECT_EQ(run.status, row.status) << run.err;
  EXPECT_NE((row.status == 0 ? run.out : run.err).find(row.prints), std::string::npos) << run.out << run.err;
  EXPECT_TRUE(!row.after || row.after(reg));
  EXPECT_EQ(fs::exists(sim::SharedObjectPath(name_)), std::string(row.name) != "ResetForced");
}

INSTANTIATE_TEST_SUITE_P(Zemtra, ToolTest, ::testing::ValuesIn(kTool), RowName());

TEST_F(SharedBoardTest, ThreadsShareOneBoardThroughItsLock) {
  Window reg = Board(Shared("motion=on,glitch=A2"));
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
