#!/usr/bin/env bash
# The Python package against the C library on one simulated board: capture
# throughput against bare ZemtraGetRawPosVelAll calls (goal >= 90 %) and
# read_register against a ctypes call (goal: no slower).
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target zemtra_python zemtra_cli_bench Zemtra >/dev/null
python=$(sed -n 's/^Python3_EXECUTABLE:FILEPATH=//p' "$build/CMakeCache.txt")
ZEMTRA_SIM=1 PYTHONPATH="$build/python" "${python:-/usr/bin/python3}" "$(dirname "$0")/../bench/python/python_bench.py" \
  "$build/bench/cli/zemtra_cli_bench" "$build/lib/libZemtra.so"
