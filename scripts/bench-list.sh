#!/usr/bin/env bash
# `zemtra list` against many boards, the median wall-clock time of 5 runs:
#  - 64 simulated boards (ZEMTRA_SIM=boards=64; the machine's real sysfs is
#    walked too), goal < 50 ms;
#  - real boards in a fake sysfs tree, 1,024 unless a second argument gives
#    the number (at most 8,192), goal < 1 s for 1,024.
set -euo pipefail
build=${1:-build}
real_boards=${2:-1024}
cmake --build "$build" --target zemtra >/dev/null
zemtra=$build/cli/zemtra

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
for ((i = 0; i < real_boards; i++)); do
  board=$(printf '%s/sys/bus/pci/devices/0000:%02x:%02x.0' "$tree" $((i / 32)) $((i % 32)))
  mkdir -p "$board"
  echo 0x1f3c >"$board/vendor"
  echo 0x0a00 >"$board/device"
  printf '%512s' '' >"$board/resource2"  # the content does not matter here
  printf '%16s' '' >"$board/resource3"
done

# Median of 5 runs of `zemtra list` in milliseconds; the environment is the arguments.
median_ms() {
  local times=() run start end
  for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    env "$@" "$zemtra" list >/dev/null 2>&1 || true  # boards with a foreign identification give status 1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

printf 'zemtra list, %5d simulated boards  %6d ms (goal < 50 ms)\n' 64 "$(median_ms ZEMTRA_SIM=boards=64)"
printf 'zemtra list, %5d fake sysfs boards %6d ms (goal < 1000 ms for 1024)\n' "$real_boards" \
  "$(median_ms -u ZEMTRA_SIM ZEMTRA_SYSFS_ROOT="$tree/sys")"
