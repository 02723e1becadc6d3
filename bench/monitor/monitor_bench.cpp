// CPU time of one full update of the main window (ButtonUpdateClick) on one
// simulated board, offscreen and without painting: the window is never shown.
// Run by scripts/bench-monitor.sh.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "unit1.h"

namespace {

TForm1* g_form = nullptr;

// The window in a display mode with a card open, its timers stopped so that
// only the benchmark drives it.
void Prepare(int mode) {
  g_form->RadioGroupUnitSelect->SetItemIndex(mode);
  g_form->RadioGroupUnitSelectClick(g_form->RadioGroupUnitSelect);
  g_form->Timer2->stop();
}

void FullUpdate(benchmark::State& state) {
  Prepare(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    g_form->ButtonUpdateClick(g_form->Timer1);
    g_form->Timer2->stop();
  }
  state.SetLabel(g_form->LabelErrorData->text().isEmpty() ? "no errors" : "errors reported");
}
// 0 raw decimal, 1 raw hex, 2 millimetres, 3 inches.
BENCHMARK(FullUpdate)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // Offscreen on one moving simulated board unless the caller says otherwise.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("ZEMTRA_SIM", "1", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);

  auto form = std::make_unique<TForm1>();
  g_form = form.get();
  form->Timer3->stop();
  ZemtraDefaultDevice(&form->CardLocation);
  int32_t id = 0;
  form->CardOpen = ZemtraOpen(&form->CardLocation, &form->CardHandle, &id) == 0;
  if (!form->CardOpen) {
    std::fputs("monitor_bench: no simulated board could be opened\n", stderr);
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ZemtraClose(&form->CardHandle);
  return 0;
}
