#!/usr/bin/env bash
# Shared simulated boards (ZEMTRA_SIM share=NAME) against boards of one
# process. Goals: a register read on a shared board at most 2 times the
# per-process one and at most 60 ns more; two processes hammering one shared
# board at least as many calls per second as one; an interrupt from one
# process to another within 50 us (median). Per-call figures are CPU time; the
# process figures need two otherwise idle cores to mean anything: the control
# line tells how far plain arithmetic in two processes gets beyond one now.
set -euo pipefail
build=${1:-build}
bench=$build/bench/sim/zemtra_sim_bench
cmake --build "$build" --target zemtra_sim_bench >/dev/null 2>&1 ||
  { echo "cannot build zemtra_sim_bench in $build" >&2; exit 1; }
csv=$("$bench" --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null)
echo "$csv" | awk -F, '
  NR > 1 {
    gsub(/"/, "", $1)
    ns[$1] = $4 + 0
  }
  function line(label, name, goal) {
    own = ns[name "/own"]; shared = ns[name "/shared"]
    printf "%-24s own board %7.1f ns   shared %7.1f ns   ratio %.2f   added %6.1f ns%s\n",
      label, own, shared, (own > 0 ? shared / own : 0), shared - own, goal
  }
  END {
    line("ZemtraReadRegisterLong", "ReadRegisterLong", " (goal: ratio <= 2, added <= 60)")
    line("ZemtraGetRawPosVelAll", "Sample", "")
    line("ZemtraWriteRegisterLong", "WritePreset", "")
  }'
"$bench" --processes
