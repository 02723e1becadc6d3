#!/usr/bin/env bash
# The position plot at 500 Hz with a full 10-minute window (300 000 samples per
# series), on one moving simulated board under Xvfb, plot and main window shown:
#  - time to repaint both charts (goal < 8 ms) and the decimation within it;
#  - a live run of PLOT_BENCH_SECONDS (default 20): the process's share of one
#    core (goal < 15 %), the sampling rate kept, the repaints per second, and
#    the growth of peak resident memory since before the plot opened (goal < 40 MiB).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
seconds=${PLOT_BENCH_SECONDS:-20}
cmake --build "$build" --target zemtra_plot_bench >/dev/null
out=$(ZEMTRA_SIM=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/monitor/zemtra_plot_bench" \
        --live_seconds="$seconds" --benchmark_format=csv --benchmark_min_time=2 2>/dev/null </dev/null)
echo "$out" | awk -F, '
  /^"Redraw/     { printf "plot frame, both charts, 300000 samples: %6.2f ms (goal < 8), of it %.2f ms CPU\n", $3, $4 }
  /^"Decimation/ { printf "  of which min/max decimation:           %6.2f ms CPU\n", $4 }
  /^live,/ {
    printf "live run %.0f s at 500 Hz: %.1f %% of one core (goal < 15), %.1f samples/s kept, %.1f repaints/s\n", $2, $3, $4, $5
    printf "peak memory growth with the plot window open: %.1f MiB (goal < 40), %d samples held\n", $6, $7
  }'
