#!/usr/bin/env bash
# Takes pictures of the monitor under Xvfb: every registered scene, each in a
# process of its own on the simulated boards it asks for.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
out="$build/screenshots"
tool="$build/monitor/screenshots/zemtra_screenshots"
mkdir -p "$out"
cd "$build/monitor"   # the monitor finds its help and read-me beside itself
QT_QPA_PLATFORM=offscreen "$tool" --list | while IFS=$'\t' read -r scene sim; do
  echo "scene $scene (ZEMTRA_SIM=$sim)"
  ZEMTRA_SIM="$sim" xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" "$scene" "$out" </dev/null
done
ls "$out"
