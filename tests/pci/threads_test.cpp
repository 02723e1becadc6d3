// The access layer under concurrency (also run under ThreadSanitizer).
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>
#include <vector>

#include "library_fixture.h"
#include "zemtra_registers.h"

namespace zemtra::test {
namespace {

using namespace pci;

class Threads : public Library {};

TEST_F(Threads, OpenCloseFindChurnTracedInWholeLines) {
  const TempDir dir;
  ::setenv("ZEMTRA_TRACE", (dir.Path() / "trace.txt").c_str(), 1);
  trace::Reload();
  Boards("boards=4,motion=off");
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        Location location{.slot = t};
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
        // Never handed out (from 0x2A000001 up); a neighbour could be another thread's board.
        if (DeviceClose(0x2A000000) != kDeviceNotFound) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  for (int b = 0; b < 4; ++b) EXPECT_EQ(sim::AttachedEventCount(b), 0);
  std::istringstream lines(ReadFile(dir.Path() / "trace.txt"));
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    EXPECT_TRUE(line.size() == 24 && (line.starts_with("W32 reg 0x11C 0x") || line.starts_with("R32 reg 0x11C 0x")))
        << line;
  }
  EXPECT_EQ(count, 4 * 300 * 2);
}

// 32 threads make a fresh process's first open at once; a slow ZEMTRA_SIM
// and a full standard error make the first reader hold up the others. Exits
// 0 when every variable was read once: one set of boards shared, a trace
// "file" opened once, one message per bad value (a "dir" as the trace).
[[noreturn]] void RaceToTheFirstOpen(const char* simValue, const char* pciMatch, const std::string& traceTo,
                                     int messages) {
  ::alarm(20);  // the parent waits for this process without a deadline of its own
  char dir[] = "/tmp/zemtra-test-XXXXXX";
  if (::mkdtemp(dir) == nullptr) std::exit(2);
  const std::string trace = std::string(dir) + "/trace";
  std::string slowToRead = "glitch=A1";
  for (int i = 0; i < 300000; ++i) slowToRead += "+A1";
  ::setenv("ZEMTRA_SYSFS_ROOT", "/nonexistent/zemtra", 1);
  ::setenv("ZEMTRA_SIM", (slowToRead + "," + simValue).c_str(), 1);
  ::setenv("ZEMTRA_PCI_MATCH", pciMatch, 1);
  ::setenv("ZEMTRA_TRACE", traceTo == "file" ? trace.c_str() : traceTo == "dir" ? dir : "", 1);
  int err[2];
  if (::pipe2(err, O_CLOEXEC) != 0) std::exit(2);
  ::dup2(err[1], STDERR_FILENO);
  ::close(err[1]);
  ::fcntl(STDERR_FILENO, F_SETFL, O_NONBLOCK);
  while (::write(STDERR_FILENO, "        ", 8) > 0) {
  }
  ::fcntl(STDERR_FILENO, F_SETFL, 0);
  std::string text;
  std::thread drain([&text, fd = err[0]] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  });
  const long before = OpenDescriptors();
  uint32_t devices[32] = {};
  std::latch start(32);
  std::vector<std::thread> threads;
  for (uint32_t& device : devices) {
    threads.emplace_back([&start, &device] {
      start.arrive_and_wait();
      Location location;
      DeviceOpen(&location, &device);
    });
  }
  for (std::thread& thread : threads) thread.join();
  int shared = 0;
  for (const uint32_t device : devices) {
    Window windows[kBaseAddressCount];
    if (device == 0 || BaseAddressesGet(devices[0], &windows) != kSuccess) continue;
    windows[kRegisterBar].Write32(ZEMTRA_REG_A2_PRESET, device);
    BaseAddressesGet(device, &windows);
    shared += windows[kRegisterBar].Read32(ZEMTRA_REG_A2_PRESET) == device;
  }
  const long opened = OpenDescriptors() - before;
  ::close(STDERR_FILENO);  // the drain's end of file
  drain.join();
  auto count = [&text](const std::string& what) {
    long n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  const long traceMessages = traceTo == "dir";
  const bool once = count("ZEMTRA_SIM:") == messages && count("ZEMTRA_PCI_MATCH:") == messages &&
                    count("ZEMTRA_TRACE:") == traceMessages && count("\n") == 2 * messages + traceMessages;
  ::unlink(trace.c_str());
  ::rmdir(dir);
  std::exit(shared == (devices[0] != 0 ? 32 : 0) && opened == (traceTo == "file") && once ? 0 : 1);
}

TEST(FirstUseThreads, ReadTheConfigurationOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: nothing read yet
  EXPECT_EXIT(RaceToTheFirstOpen("boards=64,motion=off", "", "", 0), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(RaceToTheFirstOpen("boards=0", "1234", "file", 1), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(RaceToTheFirstOpen("boards=1", "", "dir", 0), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zemtra::test
