// ZemtraGetRawPosVelAll back to back through the public interface, as the tool
// calls it, on one simulated board (ZEMTRA_SIM=1 unless set otherwise).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "zemtra.h"

namespace {

void LibraryGetRawPosVelAll(benchmark::State& state) {
  DeviceLocation where{};
  DeviceHandle board = 0;
  if (ZemtraOpen(ZemtraDefaultDevice(&where), &board, nullptr) != ZEMTRA_SUCCESS) {
    state.SkipWithError("no simulated board");
    return;
  }
  int32_t position[3] = {};
  int32_t velocity[3] = {};
  uint16_t sampleStatus = 0;
  for (auto _ : state) {
    const ErrorCode code = ZemtraGetRawPosVelAll(board, &position[0], &velocity[0], &position[1], &velocity[1],
                                                 &position[2], &velocity[2], &sampleStatus);
    benchmark::DoNotOptimize(code);
    benchmark::DoNotOptimize(position);
  }
  state.SetItemsProcessed(state.iterations());
  ZemtraClose(&board);
}
BENCHMARK(LibraryGetRawPosVelAll)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("ZEMTRA_SIM", "1", 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
