// Library calls against the same register accesses made straight through a
// simulated board's window, and sampling throughput on one and two boards.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "pci/pci_access.h"
#include "pci/sim/sim_control.h"
#include "zemtra.h"
#include "zemtra_registers.h"

namespace {

using zemtra::pci::Window;

constexpr int kBoards = 2;

std::array<DeviceHandle, kBoards> g_handles{};
Window g_rawWindow;  // board 0's register window, opened without the library

void ReadRegisterLongLibrary(benchmark::State& state) {
  uint32_t value = 0;
  for (auto _ : state) {
    ZemtraReadRegisterLong(g_handles[0], ZEMTRA_REG_A1_POSITION, &value);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(ReadRegisterLongLibrary);

void ReadRegisterLongRaw(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(g_rawWindow.Read32(ZEMTRA_REG_A1_POSITION));
  }
}
BENCHMARK(ReadRegisterLongRaw);

void GetRawPosVelAllLibrary(benchmark::State& state) {
  std::array<int32_t, 6> values{};
  uint16_t sampled = 0;
  for (auto _ : state) {
    ZemtraGetRawPosVelAll(g_handles[0], &values[0], &values[1], &values[2], &values[3], &values[4],
                          &values[5], &sampled);
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(GetRawPosVelAllLibrary);

// The eight accesses of one GetRawPosVelAll with every axis valid.
void GetRawPosVelAllRaw(benchmark::State& state) {
  std::array<uint32_t, 6> values{};
  for (auto _ : state) {
    g_rawWindow.Write16(ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_ALL_SAMPLE);
    benchmark::DoNotOptimize(g_rawWindow.Read16(ZEMTRA_REG_SAMPLE));
    for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
      values[2 * axis] = g_rawWindow.Read32(ZemtraAxisRegisters[axis].positionRegister);
      values[2 * axis + 1] = g_rawWindow.Read32(ZemtraAxisRegisters[axis].velocityRegister);
    }
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(GetRawPosVelAllRaw);

// Each thread samples a board of its own.
void GetRawPosVelAllPerBoard(benchmark::State& state) {
  const DeviceHandle handle = g_handles[state.thread_index()];
  std::array<int32_t, 6> values{};
  uint16_t sampled = 0;
  for (auto _ : state) {
    ZemtraGetRawPosVelAll(handle, &values[0], &values[1], &values[2], &values[3], &values[4],
                          &values[5], &sampled);
    benchmark::DoNotOptimize(values);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(GetRawPosVelAllPerBoard)->Threads(1)->Threads(kBoards)->UseRealTime();

// The same measure for plain arithmetic: what a second thread gains on this
// machine at all, so that the sampling ratio can be read against it.
void ArithmeticPerThread(benchmark::State& state) {
  double x = 1;
  for (auto _ : state) {
    for (int step = 0; step < 50; ++step) {
      x = x * 1.0000001 + 1e-9;
    }
    benchmark::DoNotOptimize(x);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ArithmeticPerThread)->Threads(1)->Threads(kBoards)->UseRealTime();

bool OpenBoards() {
  if (!zemtra::pci::sim::Configure("boards=2,motion=off")) {
    return false;
  }
  for (int board = 0; board < kBoards; ++board) {
    DeviceLocation where{};
    if (!zemtra::pci::sim::BoardLocation(board, &where.bus, &where.slot) ||
        ZemtraOpen(&where, &g_handles[board], nullptr) != ZEMTRA_SUCCESS) {
      return false;
    }
  }
  zemtra::pci::Location first;
  zemtra::pci::sim::BoardLocation(0, &first.bus, &first.slot);
  uint32_t device = 0;
  Window windows[zemtra::pci::kBaseAddressCount];
  if (zemtra::pci::DeviceOpen(&first, &device) != zemtra::pci::kSuccess ||
      zemtra::pci::BaseAddressesGet(device, &windows) != zemtra::pci::kSuccess) {
    return false;
  }
  g_rawWindow = windows[zemtra::pci::kRegisterBar];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!OpenBoards()) {
    std::fprintf(stderr, "cannot open two simulated boards\n");
    return EXIT_FAILURE;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return EXIT_FAILURE;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return EXIT_SUCCESS;
}
