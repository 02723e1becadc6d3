#!/usr/bin/env bash
# Starts the monitor from a build tree, on one simulated board unless
# ZEMTRA_SIM is already set. It runs from the directory it was built in,
# where its help file and read-me lie beside it.
set -euo pipefail
build=${1:-build}
export ZEMTRA_SIM=${ZEMTRA_SIM-1}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: run the monitor on a desktop, or headless with: xvfb-run -a make run" >&2
  exit 1
fi
cd "$build/monitor"
exec ./Zemtra_Monitor
