// The position plot at its heaviest: 500 Hz with a full 10-minute window
// (300 000 samples per series), on one moving simulated board, the plot window
// and the main window shown. Measures the time to repaint both charts, the
// decimation alone, and then a live run: the process's share of one core while
// the plot samples at 500 Hz and repaints itself, the rate it kept, and the
// growth of its peak resident memory from before the plot window was opened.
// Run by scripts/bench-plot.sh under Xvfb (or offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "plot/column_decimation.h"
#include "plot/position_plot.h"
#include "plot/position_plot_choices.h"
#include "unit1.h"

namespace {

TFormPositionPlot* g_plot = nullptr;

int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Peak resident memory so far, in KiB.
long PeakKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
  }
  return 0;
}

// One frame as the plot makes it: new samples came since the last (taken
// outside the timing), so the columns are made again, then both charts paint.
void Redraw(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    g_plot->Sampler->Tick();
    state.ResumeTiming();
    g_plot->ChartPosition->repaint();
    g_plot->ChartVelocity->repaint();
  }
  state.SetLabel(std::to_string(g_plot->Samples().size()) + " samples");
}
BENCHMARK(Redraw)->Unit(benchmark::kMillisecond)->UseRealTime();

void Decimation(benchmark::State& state) {
  const zemtra::plot::TPlotChart::Draft draft = g_plot->ChartPosition->MakeDraft();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        zemtra::plot::Decimate(g_plot->Samples(), draft.startNs, draft.columnNs, draft.plotArea.width()));
  }
  state.SetLabel(std::to_string(draft.plotArea.width()) + " columns");
}
BENCHMARK(Decimation)->Unit(benchmark::kMillisecond);

// Fills the window at 500 Hz on a clock that runs 10 minutes ahead, then lets
// that clock go on in real time.
void FillWindow(TFormPositionPlot& plot) {
  int64_t fakeNs = 0;
  plot.Sampler->SetClock([&fakeNs] { return fakeNs; });
  plot.Sampler->SetRate(500);
  plot.ComboBoxRate->setCurrentIndex(3);
  plot.ComboBoxWindow->setCurrentIndex(3);
  plot.ButtonClearClick(plot.ButtonClear);
  const auto capacity = static_cast<int64_t>(plot.Samples().capacity());
  for (int64_t i = 0; i <= capacity; ++i) {
    fakeNs += 2'000'000;
    plot.Sampler->Tick();
  }
  // From here on the clock runs in real time from where the filling ended.
  const int64_t offsetNs = fakeNs - MonotonicNs();
  plot.Sampler->SetClock([offsetNs] { return MonotonicNs() + offsetNs; });
}

// The plot left to itself for `seconds`: sampling, repainting, the main
// window's own update once a second.
void LiveRun(TFormPositionPlot& plot, double seconds, long peakBeforeKiB) {
  int frames = 0;
  struct PaintCounter : QObject {
    int* frames;
    explicit PaintCounter(int* counter) : frames(counter) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++*frames;
      return false;
    }
  } counter(&frames);
  plot.ChartPosition->installEventFilter(&counter);
  const uint64_t versionBefore = plot.Samples().version();
  const double cpuBefore = ProcessCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
  const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  const double sampled = static_cast<double>(plot.Samples().version() - versionBefore);
  std::printf("live,%.1f,%.2f,%.1f,%.2f,%.1f,%zu\n", elapsed, 100 * cpu / elapsed, sampled / elapsed,
              frames / elapsed, static_cast<double>(PeakKiB() - peakBeforeKiB) / 1024, plot.Samples().size());
}

}  // namespace

// plot_bench [--live_seconds=S] [benchmark flags]
int main(int argc, char** argv) {
  setenv("ZEMTRA_SIM", "1", 0);
  double liveSeconds = 20;
  for (int i = 1; i < argc; ++i) {
    if (std::sscanf(argv[i], "--live_seconds=%lf", &liveSeconds) == 1) argv[i] = const_cast<char*>("");
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);

  auto form = std::make_unique<TForm1>();
  form->Timer3->stop();
  form->show();
  ZemtraDefaultDevice(&form->CardLocation);
  int32_t id = 0;
  form->CardOpen = ZemtraOpen(&form->CardLocation, &form->CardHandle, &id) == 0;
  if (!form->CardOpen) {
    std::fputs("plot_bench: no simulated board could be opened\n", stderr);
    return 1;
  }
  form->RadioButtonUpdateAutoClick(form->RadioButtonUpdateAuto);
  QApplication::processEvents();
  const long peakBeforeKiB = PeakKiB();

  form->PositionPlot1Click(form->PositionPlot1);
  g_plot = form->FormPositionPlot;
  FillWindow(*g_plot);
  QApplication::processEvents();

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  LiveRun(*g_plot, liveSeconds, peakBeforeKiB);
  ZemtraClose(&form->CardHandle);
  return 0;
}
