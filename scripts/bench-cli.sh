#!/usr/bin/env bash
# zemtra read against the library, on one simulated board:
#  - back to back: the rate `zemtra read --format csv > /dev/null` sustains,
#    as a share of the rate of bare ZemtraGetRawPosVelAll calls (goal >= 80 %),
#    by the wall clock and by CPU time per record (steadier on a busy machine);
#  - paced at 1 kHz: median and worst lateness of the sample starts
#    (goal: worst under 1 ms on an idle machine).
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target zemtra zemtra_cli_bench >/dev/null
zemtra=$build/cli/zemtra
export ZEMTRA_SIM=1
records=2000000

# name,iterations,real_time,cpu_time,time_unit,bytes_per_second,items_per_second,...
read -r library_rate library_cpu_ns < <("$build/bench/cli/zemtra_cli_bench" --benchmark_format=csv \
  --benchmark_min_time=2 2>/dev/null | awk -F, 'NR > 1 { print $7 + 0, $4 + 0 }')

summary=$(mktemp)
TIMEFORMAT='%U %S'
cpu=$({ time "$zemtra" read --format csv --count "$records" >/dev/null 2>"$summary"; } 2>&1)
tool_rate=$(sed -n 's/.*rate \([0-9.]*\)\/s.*/\1/p' "$summary")
rm -f "$summary"

awk -v lib="$library_rate" -v libcpu="$library_cpu_ns" -v tool="$tool_rate" -v cpu="$cpu" -v n="$records" 'BEGIN {
  split(cpu, t, " ")
  toolcpu = (t[1] + t[2]) * 1e9 / n
  printf "ZemtraGetRawPosVelAll  %9.0f calls/s     %6.0f ns CPU per call\n", lib, libcpu
  printf "zemtra read csv        %9.0f records/s   %6.0f ns CPU per record\n", tool, toolcpu
  printf "share of the library   %8.1f %% wall clock  %5.1f %% CPU time (goal >= 80 %%)\n",
    100 * tool / lib, 100 * libcpu / toolcpu
}'

# Paced at 1 kHz for 10 s; again with a real-time priority where that is allowed.
paced() {
  "$@" "$zemtra" read --format csv --rate 1000 --count 10000 2>&1 >/dev/null | tail -n 1 |
    sed -n 's/.*lateness median \([0-9.]*\) ms, worst \([0-9.]*\) ms, deadlines skipped \([0-9]*\).*/lateness median \1 ms, worst \2 ms (goal < 1 ms), deadlines skipped \3/p'
}
echo "zemtra read --rate 1000            $(paced)"
if chrt -f 10 true 2>/dev/null; then
  echo "chrt -f 10 zemtra read --rate 1000 $(paced chrt -f 10)"
fi
