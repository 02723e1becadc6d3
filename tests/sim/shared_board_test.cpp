// Shared simulated boards seen from several processes: what one does the
// others see, interrupts across processes, refused boards, processes killed
// inside an access, the zemtra sim commands; and from several threads of one
// process (also under ThreadSanitizer).
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "pci/sim/shared_boards.h"
#include "shared_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using pci::Signal;
using pci::SignalState;
using pci::Window;
namespace sim = pci::sim;


// ---- What one process does, another sees -------------------------------------------

struct SeenRow : Named {
  bool shared;
  std::function<void(Window&)> here;     // in this process, before the tool runs
  std::vector<std::string> tool;         // zemtra in another process
  const char* toolPrints;                // its whole standard output
  std::function<bool(Window&)> after;    // in this process, after it ran
};

const SeenRow kSeen[] = {
    {{"WriteHereReadThere"}, true, [](Window& r) { r.Write32(ZEMTRA_REG_A1_PRESET, 0x12345678); },
     {"peek", "0x11C"}, "0x12345678\n", nullptr},
    {{"PresetThereCountsHere"}, true, nullptr, {"preset", "A2=77"}, "",
     [](Window& r) {
       r.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
       return r.Read32(ZEMTRA_REG_A2_POSITION) == 77;
     }},
    {{"LatchHereSeenThere"}, true, [](Window&) { sim::SetSignal(0, Signal::kA3, SignalState::kGlitching); },
     {"peek", "0x012"}, "0x0002\n", nullptr},
    {{"ClearThereSeenHere"}, true, [](Window&) { sim::SetSignal(0, Signal::kA1, SignalState::kGlitching); },
     {"clear"}, "Status after clearing 0x0000  -\n", [](Window& r) { return r.Read16(ZEMTRA_REG_A1_A2_STATUS) == 0; }},
    {{"OwnBoardsStayApart"}, false, [](Window& r) { r.Write32(ZEMTRA_REG_A1_PRESET, 0x12345678); },
     {"peek", "0x11C"}, "0x00000000\n", nullptr},
};

class SeenByAnother : public SharedBoardTest, public ::testing::WithParamInterface<SeenRow> {};

TEST_P(SeenByAnother, Process) {
  const SeenRow& row = GetParam();
  Window reg = Board(row.shared ? Shared() : "motion=off");
  if (row.here) row.here(reg);
  // The same items spelt otherwise name the same boards.
  std::string name = name_;
  std::ranges::transform(name, name.begin(), ::toupper);
  const Finished tool = Tool(row.tool, row.shared ? "MOTION=Off, Share=" + name : "motion=off");
  ASSERT_EQ(tool.status, 0) << tool.err;
  EXPECT_EQ(tool.out, row.toolPrints);
  if (row.after) {
    EXPECT_TRUE(row.after(reg));
  }
}

INSTANTIATE_TEST_SUITE_P(Shared, SeenByAnother, ::testing::ValuesIn(kSeen), RowName());

// ---- Interrupts across processes -----------------------------------------------------

TEST_F(SharedBoardTest, AnErrorLatchedInOneProcessInterruptsAnother) {
  Window reg = Board(Shared());
  const uint32_t device = device_;
  uint32_t event = 0;
  ASSERT_EQ(pci::IntrAttach(device, pci::InterruptSource(), &event), pci::kSuccess);
  const int fd = static_cast<int>(event);
  EXPECT_GT(fd, 2);
  EXPECT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  reg.Write16(ZEMTRA_REG_INTERRUPT_MASK, ZEMTRA_IM_A1_NOSIG | ZEMTRA_IM_A2_NOSIG);
  reg.Write16(ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_CTL3_IRQ_ENABLE);
  pci::InterruptSource source;
  ASSERT_EQ(pci::IntrEnable(device, &source), pci::kSuccess);

  // There, here: zemtra sim latches A1 No Sig; the event here becomes readable
  // and one read of 8 bytes resets it.
  EXPECT_EQ(Tool({"sim", "signal", "A1", "missing"}, Shared()).status, 0);
  ASSERT_TRUE(WaitFor([fd] { return Readable(fd); }, 5000));
  uint64_t count = 0;
  EXPECT_EQ(::read(fd, &count, sizeof count), 8);
  EXPECT_FALSE(Readable(fd));
  ::close(fd);

  // Here, there: zemtra waits for A2 No Sig, latched here.
  Child waiter = Start("zemtra", {"wait-irq", "--source", "A2.nosig", "--timeout", "20"}, Shared());
  ASSERT_TRUE(WaitFor([] { return sim::AttachedEventCount(0) == 2; }));
  sim::SetSignal(0, Signal::kA2, SignalState::kMissing);
  const Finished waited = Finish(waiter);
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_NE(waited.out.find("A2 No Sig"), std::string::npos) << waited.out;

  // A waiter killed while attached is dropped at the next look, its FIFO removed.
  Child killed = Start("zemtra", {"wait-irq", "--source", "A3.nosig", "--timeout", "20"}, Shared());
  ASSERT_TRUE(WaitFor([] { return sim::AttachedEventCount(0) == 2; }));
  ::kill(killed.pid, SIGKILL);
  Finish(killed);
  EXPECT_EQ(sim::AttachedEventCount(0), 1);
  int fifos = 0;
  for (const auto& entry : fs::directory_iterator("/dev/shm")) {
    fifos += entry.path().filename().string().starts_with("zemtra-" + std::to_string(::geteuid()) + "-" + name_ + ".");
  }
  EXPECT_EQ(fifos, 1) << "only this process's event is left";
}

// ---- Boards refused ---------------------------------------------------------------------

struct RefusedRow : Named {
  std::function<void(const std::string& path)> before;
  std::string items;       // this process's ZEMTRA_SIM after "share=NAME"
  std::string message;     // part of the one line on standard error ("" for a bad name)
};

const RefusedRow kRefused[] = {
    {{"BadName"}, nullptr, ".x,motion=off", ""},
    {{"OtherItems"}, nullptr, ",boards=2,motion=off",
     "were made with 'boards=1,motion=off,id=0x4D27B', this process asks for 'boards=2,motion=off,id=0x4D27B'"},
    {"StaleLayout",
     [](const std::string& path) {
       const int fd = ::open(path.c_str(), O_RDWR);
       auto* header = static_cast<sim::SharedHeader*>(
           ::mmap(nullptr, sizeof(sim::SharedHeader), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
       --header->layoutVersion;
       ::munmap(header, sizeof *header);
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
  const std::string path = sim::SharedObjectPath(name_);
  ASSERT_EQ(Tool({"list"}, Shared()).status, 0);  // another process made them: boards=1,motion=off
  if (row.before) row.before(path);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::Configure("share=" + name_ + row.items));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(sim::BoardCount(), 0);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  if (row.message.empty()) {
    EXPECT_NE(err.find("share must be 1 to 32 letters, digits, '-' or '_'; no simulated board"), std::string::npos) << err;
    return;
  }
  EXPECT_NE(err.find(row.message), std::string::npos) << err;
  const Finished reset = Tool({"sim", "reset"}, Shared());
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_TRUE(sim::Configure("share=" + name_ + row.items));
}

INSTANTIATE_TEST_SUITE_P(Shared, RefusedBoards, ::testing::ValuesIn(kRefused), RowName());

// ---- Processes killed inside an access ----------------------------------------------------

// A hammer killed at random moments, 200 times: the board never stays locked
// (a write and its read-back here always go through) and no read here ever
// sees a 32-bit register half written.
TEST_F(SharedBoardTest, KilledHammersNeverWedgeOrTearTheBoard) {
  Window reg = Board(Shared());
  std::mt19937 random(::getpid());
  for (uint32_t round = 1; round <= 200; ++round) {
    reg.Write32(ZEMTRA_REG_A3_PRESET, 0);
    Child hammer = Start("hammer", {}, Shared());
    ASSERT_TRUE(WaitFor([&] { return reg.Read32(ZEMTRA_REG_A3_PRESET) != 0; })) << "round " << round;
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 2000);
    while (std::chrono::steady_clock::now() < until) {
      const uint32_t seen = reg.Read32(ZEMTRA_REG_A1_PRESET);
      ASSERT_TRUE(seen == kHammerPatterns[0] || seen == kHammerPatterns[1]) << std::hex << seen;
    }
    ::kill(hammer.pid, SIGKILL);
    EXPECT_EQ(Finish(hammer).status, 128 + SIGKILL);
    reg.Write32(ZEMTRA_REG_A2_PRESET, round);
    ASSERT_EQ(reg.Read32(ZEMTRA_REG_A2_PRESET), round) << "the board stayed locked after round " << round;
  }
}

// ---- zemtra sim -------------------------------------------------------------------------------

struct CommandRow : Named {
  const char* sim;  // ZEMTRA_SIM of the tool; "@" stands for this test's share=NAME
  std::vector<std::string> args;
  int status;
  const char* prints;  // part of standard output (status 0) or standard error
  std::function<bool()> after;
};

const CommandRow kCommands[] = {
    {{"NoShareIsUsage"}, "1", {"sim", "status"}, 2, "nothing outside this process to drive", nullptr},
    {{"UnsetIsUsage"}, "", {"sim", "reset"}, 2, "names no shared boards", nullptr},
    {{"Status"}, "@", {"sim", "status"}, 0, "240:0  clock ", nullptr},
    {{"StatusOfNoBoard"}, "@", {"sim", "status", "240:1"}, 1, "no shared simulated board at 240:1", nullptr},
    {{"OtherItems"}, "@,boards=2", {"sim", "status"}, 1, "were made with", nullptr},
    {{"Signal"}, "@", {"sim", "signal", "A2", "missing"}, 0, "",
     [] { return sim::GetSignal(0, Signal::kA2) == SignalState::kMissing; }},
    {{"SignalOfABoard"}, "@", {"sim", "signal", "240:0", "ref", "GLITCH"}, 0, "",
     [] { return sim::GetSignal(0, Signal::kRef) == SignalState::kGlitching; }},
    {{"BadSignal"}, "@", {"sim", "signal", "A4", "missing"}, 2, "bad signal \"A4\"", nullptr},
    {{"SignalWithoutState"}, "@", {"sim", "signal", "A1"}, 2, "expected [BOARD]", nullptr},
    {{"Motion"}, "@", {"sim", "motion", "on"}, 0, "", [] { return sim::Model(0)->Report().motion; }},
    {{"BadMotion"}, "@", {"sim", "motion", "maybe"}, 2, "bad motion", nullptr},
    {{"ResetInUse"}, "@", {"sim", "reset"}, 1, "are in use by ", nullptr},
    {{"ResetForced"}, "@", {"sim", "reset", "--force"}, 0, "removed shared boards",
     [] { return sim::Model(0)->Report().signals[0] == SignalState::kPresent; }},
};

class SimCommand : public SharedBoardTest, public ::testing::WithParamInterface<CommandRow> {};

TEST_P(SimCommand, ExitStatusOutputAndEffect) {
  const CommandRow& row = GetParam();
  Board(Shared());
  std::string sim = row.sim;
  if (sim.starts_with("@")) sim = Shared() + sim.substr(1);
  const Finished run = Tool(row.args, sim);
  EXPECT_EQ(run.status, row.status) << run.err;
  EXPECT_NE((row.status == 0 ? run.out : run.err).find(row.prints), std::string::npos) << run.out << run.err;
  if (row.after) {
    EXPECT_TRUE(row.after());
  }
  EXPECT_EQ(fs::exists(sim::SharedObjectPath(name_)), std::string(row.name) != "ResetForced");
}

INSTANTIATE_TEST_SUITE_P(Zemtra, SimCommand, ::testing::ValuesIn(kCommands), RowName());

// ---- Threads of one process: accesses under the robust lock, faults injected,
// events attached and released while errors latch -----------------------------------------------

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
