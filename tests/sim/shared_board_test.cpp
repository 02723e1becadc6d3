// Shared simulated boards seen from several processes (the zemtra tool, forks
// of this program) and threads: what one does the others see, interrupts
// across processes, refused boards, processes killed inside an access, zemtra
// sim. Every child is waited for with a bound, every test has its own boards.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "library_fixture.h"
#include "pci/sim/shared_boards.h"
#include "zemtra_registers.h"

extern char** environ;

namespace zemtra::test {
namespace {

using pci::Signal;
using pci::SignalState;
using pci::Window;
namespace sim = pci::sim;

// Polls `done` every millisecond for up to timeoutMs.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; ++waited) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

struct Child {
  pid_t pid = -1;
  int out = -1, err = -1;  // memfds holding what it printed
};

struct Finished {
  int status = -1;  // exit status, 128 + signal when killed
  std::string out, err;
};

std::string Drain(int fd) {
  const std::string text = fd < 0 ? "" : ReadFile("/proc/self/fd/" + std::to_string(fd));
  if (fd >= 0) ::close(fd);
  return text;
}

Finished Finish(Child child, int timeoutMs = 20000) {
  int status = 0;
  if (!WaitFor([&] { return ::waitpid(child.pid, &status, WNOHANG) == child.pid; }, timeoutMs)) {
    ADD_FAILURE() << "child " << child.pid << " still runs after " << timeoutMs << " ms";
    ::kill(child.pid, SIGKILL);
    ::waitpid(child.pid, &status, 0);
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Drain(child.out), Drain(child.err)};
}

// What a hammer writes: A1's preset alternately all zeros and all ones, a
// count into A3's preset.
constexpr uint32_t kHammerPatterns[2] = {0x00000000, 0xFFFFFFFF};

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

  // zemtra with ZEMTRA_SIM=sim ("" = unset) and no other ZEMTRA_ variable.
  static Child Start(std::vector<std::string> words, const std::string& sim) {
    words.insert(words.begin(), ZEMTRA_CLI_PATH);
    std::vector<std::string> env{"ZEMTRA_SYSFS_ROOT=/nonexistent", "LC_ALL=C"};
    if (!sim.empty()) env.push_back("ZEMTRA_SIM=" + sim);
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string variable = *entry;
      if (!variable.starts_with("ZEMTRA_") && !variable.starts_with("LC_ALL=")) env.push_back(variable);
    }
    auto pointers = [](std::vector<std::string>& strings) {
      std::vector<char*> list;
      for (std::string& s : strings) list.push_back(s.data());
      list.push_back(nullptr);
      return list;
    };
    std::vector<char*> argv = pointers(words), envp = pointers(env);
    Child child{-1, ::memfd_create("out", MFD_CLOEXEC), ::memfd_create("err", MFD_CLOEXEC)};
    child.pid = ::fork();
    if (child.pid == 0) {
      ::dup2(child.out, STDOUT_FILENO);
      ::dup2(child.err, STDERR_FILENO);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    return child;
  }

  // A fork of this process writing kHammerPatterns through `reg` until it is killed.
  static Child Hammer(const Window& reg) {
    Child child;
    if ((child.pid = ::fork()) == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);  // never runs on unwatched
      for (uint32_t i = 1; std::chrono::steady_clock::now() < end; ++i) {
        reg.Write32(ZEMTRA_REG_A1_PRESET, kHammerPatterns[i & 1]);
        reg.Write32(ZEMTRA_REG_A3_PRESET, i);
        reg.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
      }
      ::_exit(0);
    }
    return child;
  }

  std::string name_;
  uint32_t device_ = 0;
};

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
  const Finished tool = Finish(Start(row.tool, row.shared ? "MOTION=Off, Share=" + name : "motion=off"));
  ASSERT_EQ(tool.status, 0) << tool.err;
  EXPECT_EQ(tool.out, row.toolPrints);
  EXPECT_TRUE(!row.after || row.after(reg));
}

INSTANTIATE_TEST_SUITE_P(Shared, SeenByAnother, ::testing::ValuesIn(kSeen), RowName());

// ---- Interrupts across processes -----------------------------------------------------
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
  // There, here: zemtra sim latches A1 No Sig; the event here becomes readable
  // and one read of 8 bytes resets it.
  EXPECT_EQ(Finish(Start({"sim", "signal", "A1", "missing"}, Shared())).status, 0);
  ASSERT_TRUE(WaitFor([fd] { return Readable(fd); }, 5000));
  uint64_t count = 0;
  EXPECT_EQ(::read(fd, &count, sizeof count), 8);
  EXPECT_FALSE(Readable(fd));
  ::close(fd);
  // Here, there: zemtra waits for A2 No Sig, latched here.
  Child waiter = Start({"wait-irq", "--source", "A2.nosig", "--timeout", "20"}, Shared());
  ASSERT_TRUE(WaitFor([] { return sim::AttachedEventCount(0) == 2; }));
  sim::SetSignal(0, Signal::kA2, SignalState::kMissing);
  const Finished waited = Finish(waiter);
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_NE(waited.out.find("A2 No Sig"), std::string::npos) << waited.out;
  // A waiter killed while attached is dropped at the next look, its FIFO removed.
  Child killed = Start({"wait-irq", "--source", "A3.nosig", "--timeout", "20"}, Shared());
  ASSERT_TRUE(WaitFor([] { return sim::AttachedEventCount(0) == 2; }));
  ::kill(killed.pid, SIGKILL);
  Finish(killed);
  EXPECT_EQ(sim::AttachedEventCount(0), 1);
  const std::string fifo = fs::path(sim::SharedObjectPath(name_)).filename().string() + ".";
  EXPECT_EQ(std::ranges::count_if(fs::directory_iterator("/dev/shm"),
                                  [&](const fs::directory_entry& e) { return e.path().filename().string().starts_with(fifo); }),
            1)
      << "only this process's event is left";
}

// ---- Boards refused ---------------------------------------------------------------------
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
  ASSERT_EQ(Finish(Start({"list"}, Shared())).status, 0);  // another process made them: boards=1,motion=off
  if (row.before) row.before(sim::SharedObjectPath(name_));
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::Configure("share=" + name_ + row.items));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(sim::BoardCount(), 0);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find(row.message), std::string::npos) << err;
  const Finished reset = Finish(Start({"sim", "reset"}, Shared()));
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_EQ(sim::Configure("share=" + name_ + row.items), row.items.starts_with(",")) << "a bad name stays bad";
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
    Child hammer = Hammer(reg);
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
  const std::string sim = row.sim[0] == '@' ? Shared() + (row.sim + 1) : row.sim;
  const Finished run = Finish(Start(row.args, sim));
  EXPECT_EQ(run.status, row.status) << run.err;
  EXPECT_NE((row.status == 0 ? run.out : run.err).find(row.prints), std::string::npos) << run.out << run.err;
  EXPECT_TRUE(!row.after || row.after());
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
