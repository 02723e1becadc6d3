#!/usr/bin/env bash
# The library's benchmarks: what a call adds to the raw register accesses it
# makes, and how sampling on two boards scales over two threads.
# Goals: at most 25 ns added per call; two threads at least 1.8 times one.
# Per-call figures are CPU time; the two-thread ratio is wall-clock calls per
# second and needs two otherwise idle cores to mean anything.
set -euo pipefail
build=${1:-build}
bench=$build/bench/lib/zemtra_lib_bench
cmake --build "$build" --target zemtra_lib_bench >/dev/null 2>&1 ||
  { echo "cannot build zemtra_lib_bench in $build" >&2; exit 1; }
csv=$("$bench" --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null)
echo "$csv" | awk -F, '
  NR > 1 {
    gsub(/"/, "", $1)
    ns[$1] = $4 + 0  # CPU time: steadier than wall time on a busy machine
    ips[$1] = $7 + 0
  }
  END {
    printf "ZemtraReadRegisterLong   %7.1f ns   raw Read32       %7.1f ns   added %6.1f ns (goal <= 25)\n",
      ns["ReadRegisterLongLibrary"], ns["ReadRegisterLongRaw"],
      ns["ReadRegisterLongLibrary"] - ns["ReadRegisterLongRaw"]
    printf "ZemtraGetRawPosVelAll    %7.1f ns   8 raw accesses   %7.1f ns   added %6.1f ns (goal <= 25)\n",
      ns["GetRawPosVelAllLibrary"], ns["GetRawPosVelAllRaw"],
      ns["GetRawPosVelAllLibrary"] - ns["GetRawPosVelAllRaw"]
    one = ips["GetRawPosVelAllPerBoard/real_time/threads:1"]
    two = ips["GetRawPosVelAllPerBoard/real_time/threads:2"]
    printf "ZemtraGetRawPosVelAll    1 thread %.0f calls/s   2 threads on 2 boards %.0f calls/s   ratio %.2f (goal >= 1.8)\n",
      one, two, (one > 0 ? two / one : 0)
    one = ips["ArithmeticPerThread/real_time/threads:1"]
    two = ips["ArithmeticPerThread/real_time/threads:2"]
    printf "control: plain arithmetic on 2 threads gets %.2f times 1 thread on this machine now\n",
      (one > 0 ? two / one : 0)
  }'
