#!/usr/bin/env bash
# Runs every benchmark script of the project against one build tree.
set -euo pipefail
build=${1:-build}
here=$(dirname "$0")
for script in "$here"/bench-*.sh; do
  [ -e "$script" ] || continue
  echo "== $(basename "$script" .sh)"
  "$script" "$build"
done
