#!/usr/bin/env bash
# The monitor's benchmarks, against one simulated board:
#  - CPU time of one full update of the main window (ButtonUpdateClick),
#    offscreen and without painting, in each display mode (goal < 200 us);
#  - the real Zemtra_Monitor under Xvfb for 30 s of automatic update: its share
#    of one core from /proc/PID/stat (goal < 1 %) and its peak resident memory.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
seconds=${MONITOR_BENCH_SECONDS:-30}
cmake --build "$build" --target zemtra_monitor_bench Zemtra_Monitor >/dev/null

csv=$(ZEMTRA_SIM=1 QT_QPA_PLATFORM=offscreen "$build/bench/monitor/zemtra_monitor_bench" \
        --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null)
echo "$csv" | awk -F, '
  NR > 1 {
    gsub(/"/, "", $1)
    split($1, parts, "/")
    mode = parts[2] == 0 ? "Raw Dec" : parts[2] == 1 ? "Raw Hex" : parts[2] == 2 ? "mm, mm/s" : "inch, in/s"
    printf "full update (ButtonUpdateClick), %-10s  %7.1f us CPU (goal < 200)\n", mode, $4 + 0
  }'

# The program itself: it finds its card 2 s after start and then updates once
# a second; the measurement starts after that and lasts `seconds`.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build/monitor"
ZEMTRA_SIM=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
  sh -c './Zemtra_Monitor & echo $! > "$1"; wait' sh "$work/pid" </dev/null >/dev/null 2>&1 &
runner=$!
for _ in $(seq 50); do [ -s "$work/pid" ] && break; sleep 0.1; done
pid=$(cat "$work/pid")
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
sleep 4
start=$(ticks)
sleep "$seconds"
end=$(ticks)
peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
kill "$pid"
wait "$runner" || true
hz=$(getconf CLK_TCK)
awk -v used=$((end - start)) -v hz="$hz" -v s="$seconds" -v kb="$peak" 'BEGIN {
  printf "Zemtra_Monitor, %d s of automatic update: %.2f %% of one core (goal < 1), peak RSS %.1f MiB\n",
    s, 100 * used / hz / s, kb / 1024
}'
