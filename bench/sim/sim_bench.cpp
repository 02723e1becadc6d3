// Shared simulated boards against boards of one process: what a register read
// and a sample cost through the library (benchmarks), and with --processes
// how two processes hammering one shared board scale and how long an
// interrupt takes from one process to another.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pci/sim/shared_boards.h"
#include "pci/sim/sim_control.h"
#include "zemtra.h"
#include "zemtra_registers.h"

namespace {

constexpr int kHammerSeconds = 1;
constexpr int kInterruptRounds = 1000;
constexpr int kPollTimeoutMs = 5000;

DeviceHandle g_own = 0;     // a board of this process alone
DeviceHandle g_shared = 0;  // a shared board (the simulated boards now configured)

int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

void ReadRegisterLong(benchmark::State& state, const DeviceHandle* board) {
  uint32_t value = 0;
  for (auto _ : state) {
    ZemtraReadRegisterLong(*board, ZEMTRA_REG_A1_POSITION, &value);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK_CAPTURE(ReadRegisterLong, own, &g_own);
BENCHMARK_CAPTURE(ReadRegisterLong, shared, &g_shared);

void GetRawPosVelAll(DeviceHandle board) {
  std::array<int32_t, 6> v{};
  uint16_t sampled = 0;
  ZemtraGetRawPosVelAll(board, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &sampled);
  benchmark::DoNotOptimize(v);
}

void Sample(benchmark::State& state, const DeviceHandle* board) {
  for (auto _ : state) GetRawPosVelAll(*board);
}
BENCHMARK_CAPTURE(Sample, own, &g_own);
BENCHMARK_CAPTURE(Sample, shared, &g_shared);

void WritePreset(benchmark::State& state, const DeviceHandle* board) {
  int32_t i = 0;
  for (auto _ : state) ZemtraWriteRegisterLong(*board, ZEMTRA_REG_A1_PRESET, ++i);
}
BENCHMARK_CAPTURE(WritePreset, own, &g_own);
BENCHMARK_CAPTURE(WritePreset, shared, &g_shared);

// Calls per second of `call` on the shared board, summed over `processes`
// processes that start together and run kHammerSeconds each.
double Hammer(int processes, void (*call)(DeviceHandle)) {
  int start[2], counts[2];
  if (pipe(start) != 0 || pipe(counts) != 0) return 0;
  std::vector<pid_t> children;
  for (int p = 0; p < processes; ++p) {
    const pid_t child = fork();
    if (child == 0) {
      char go = 0;
      if (read(start[0], &go, 1) != 1) _exit(1);
      const int64_t end = NowNs() + kHammerSeconds * 1'000'000'000LL;
      uint64_t calls = 0;
      for (; (calls & 255) != 0 || NowNs() < end; ++calls) call(g_shared);
      _exit(write(counts[1], &calls, sizeof calls) == sizeof calls ? 0 : 1);
    }
    children.push_back(child);
  }
  const std::string go(static_cast<std::size_t>(processes), 'g');
  double total = 0;
  if (write(start[1], go.data(), go.size()) == static_cast<ssize_t>(go.size())) {
    for (int p = 0; p < processes; ++p) {
      uint64_t calls = 0;
      pollfd ready{counts[0], POLLIN, 0};
      if (poll(&ready, 1, (kHammerSeconds + 5) * 1000) != 1 || read(counts[0], &calls, sizeof calls) != sizeof calls) break;
      total += static_cast<double>(calls);
    }
  }
  for (pid_t child : children) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  for (int fd : {start[0], start[1], counts[0], counts[1]}) close(fd);
  return total / kHammerSeconds;
}

void WriteOnce(DeviceHandle board) { ZemtraWriteRegisterLong(board, ZEMTRA_REG_A1_PRESET, 7); }

// No board at all: what two processes get of this machine now.
void Arithmetic(DeviceHandle) {
  uint64_t x = 1;
  for (int i = 0; i < 100; ++i) x = x * 6364136223846793005u + 1442695040888963407u;
  benchmark::DoNotOptimize(x);
}

// A child attaches an event and waits; this process latches A1 Glitch with a
// sample command on the shared board; the child reports when poll returned.
// Latencies in nanoseconds, sorted; empty when the child failed.
std::vector<int64_t> InterruptLatencies() {
  uint16_t config = 0, status = 0;
  ZemtraSetInterruptMask(g_shared, ZEMTRA_IM_A1_GLITCH);
  ZemtraGetConfig(g_shared, &config);
  ZemtraSetConfig(g_shared, static_cast<uint16_t>(config | ZEMTRA_CONFIG_IRQ_ENABLE));
  ZemtraPciInterruptEnable(g_shared, 1);
  int ready[2], woke[2];
  if (pipe(ready) != 0 || pipe(woke) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    uint32_t event = 0;
    if (ZemtraPciInterruptAttach(g_shared, &event) != ZEMTRA_SUCCESS) _exit(1);
    pollfd wait{static_cast<int>(event), POLLIN, 0};
    for (int round = 0; round < kInterruptRounds; ++round) {
      if (write(ready[1], "r", 1) != 1 || poll(&wait, 1, kPollTimeoutMs) != 1) _exit(1);
      const int64_t at = NowNs();
      uint64_t count = 0;
      if (read(wait.fd, &count, sizeof count) != sizeof count || write(woke[1], &at, sizeof at) != sizeof at) _exit(1);
    }
    _exit(0);
  }
  std::vector<int64_t> latencies;
  for (int round = 0; round < kInterruptRounds; ++round) {
    char r = 0;
    pollfd childReady{ready[0], POLLIN, 0};
    if (poll(&childReady, 1, kPollTimeoutMs) != 1 || read(ready[0], &r, 1) != 1) break;
    ZemtraClearStatusAll(g_shared, &status);
    usleep(200);  // the child sleeps in poll by now
    const int64_t latched = NowNs();
    ZemtraSamplePosVel(g_shared, 0);
    int64_t woken = 0;
    pollfd childWoke{woke[0], POLLIN, 0};
    if (poll(&childWoke, 1, kPollTimeoutMs) != 1 || read(woke[0], &woken, sizeof woken) != sizeof woken) break;
    latencies.push_back(woken - latched);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  for (int fd : {ready[0], ready[1], woke[0], woke[1]}) close(fd);
  std::sort(latencies.begin(), latencies.end());
  return latencies.size() == kInterruptRounds ? latencies : std::vector<int64_t>{};
}

int Processes() {
  struct Load {
    const char* name;
    void (*call)(DeviceHandle);
  };
  for (const Load& load : {Load{"ZemtraGetRawPosVelAll", GetRawPosVelAll}, Load{"ZemtraWriteRegisterLong", WriteOnce}}) {
    const double one = Hammer(1, load.call), two = Hammer(2, load.call);
    std::printf("%-24s on one shared board: 1 process %.0f calls/s, 2 processes %.0f calls/s, ratio %.2f (goal >= 1)\n",
                load.name, one, two, one > 0 ? two / one : 0);
  }
  const double one = Hammer(1, Arithmetic), two = Hammer(2, Arithmetic);
  std::printf("control: plain arithmetic in 2 processes gets %.2f times 1 process on this machine now\n",
              one > 0 ? two / one : 0);
  const std::vector<int64_t> latencies = InterruptLatencies();
  if (latencies.empty()) {
    std::fprintf(stderr, "the interrupt child failed\n");
    return EXIT_FAILURE;
  }
  std::printf("interrupt from one process to another: median %.1f us, 99th percentile %.1f us over %d (goal: median <= 50)\n",
              latencies[latencies.size() / 2] / 1e3, latencies[latencies.size() * 99 / 100] / 1e3, kInterruptRounds);
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string share = "bench-" + std::to_string(getpid());
  const bool opened = zemtra::pci::sim::Configure("glitch=A1") && ZemtraOpen(nullptr, &g_own, nullptr) == ZEMTRA_SUCCESS &&
                      zemtra::pci::sim::Configure("share=" + share + ",glitch=A1") &&
                      ZemtraOpen(nullptr, &g_shared, nullptr) == ZEMTRA_SUCCESS;
  int status = EXIT_FAILURE;
  if (!opened) {
    std::fprintf(stderr, "cannot open the simulated boards\n");
  } else if (argc == 2 && std::strcmp(argv[1], "--processes") == 0) {
    status = Processes();
  } else {
    benchmark::Initialize(&argc, argv);
    if (!benchmark::ReportUnrecognizedArguments(argc, argv)) {
      benchmark::RunSpecifiedBenchmarks();
      benchmark::Shutdown();
      status = EXIT_SUCCESS;
    }
  }
  std::vector<zemtra::pci::sim::ProcessUse> users;
  std::string error;
  zemtra::pci::sim::RemoveSharedBoards(share, true, &users, &error);
  return status;
}
