#!/usr/bin/env bash
# The Debian packages, in steps that share WORK:
#   build      makes them from the build tree with cpack, into WORK/debs
#   contents   every file and link, with its mode, against the table CONTENTS
#   lintian    no error and no warning that the overrides do not explain
#   installed  unpacked into a throwaway root: the README's C example built with
#              pkg-config and run, `zemtra list`, the Python module, the monitor's help
set -euo pipefail
step=$1 work=$2 cpack=$3 cpack_config=$4 contents=$5 readme=$6 cc=$7 libdir=$8 python=$9 pydir=${10}
debs=$work/debs

fail() { echo "FAIL: $*" >&2; exit 1; }

# wait_for SECONDS COMMAND...: runs the command every 0.2 s until it succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do ((SECONDS < deadline)) && sleep 0.2 || fail "timed out waiting for: $*"; done
}

# One line per file or link: package, mode, path.
expected_files() {
  awk 'function expand(package, mode, path,   n, choices, i) {
         if (!match(path, /\{[^}]*\}/)) { print package, mode, path; return }
         n = split(substr(path, RSTART + 1, RLENGTH - 2), choices, ",")
         for (i = 1; i <= n; i++) print package, mode, substr(path, 1, RSTART - 1) choices[i] substr(path, RSTART + RLENGTH)
       }
       /^#/ || NF == 0 { next }
       { path = $3; for (i = 4; i <= NF; i++) path = path " " $i; expand($1, $2, path) }
       !($1 in docs) { docs[$1]; expand($1, "-rw-r--r--", "usr/share/doc/" $1 "/{copyright,changelog.gz}") }' "$contents"
}
packaged_files() {
  for deb in "$debs"/*.deb; do
    dpkg-deb -c "$deb" | awk -v package="$(dpkg-deb -f "$deb" Package)" '
      $1 !~ /^d/ { path = $6; for (i = 7; i <= NF; i++) path = path " " $i
                   sub(/^\.\//, "", path); print package, $1, path }'
  done
}

case $step in
build)
  rm -rf "$work" && mkdir -p "$work"
  "$cpack" --config "$cpack_config" -B "$work/cpack" -D CPACK_OUTPUT_FILE_PREFIX="$debs"
  ls -l "$debs"
  ;;
contents)
  diff <(expected_files | sort) <(packaged_files | sort) ||
    fail "the packages' files differ from $contents (<: only in the table, >: only in the packages)"
  echo "file lists as $contents gives them"
  ;;
lintian)
  lintian --fail-on error,warning --info "$debs"/*.deb
  echo "lintian: no error, no warning"
  ;;
installed)
  root=$work/root lib=$work/root/usr/$libdir
  rm -rf "$root" "$work/example"* "$work/display"
  for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$root"; done
  export ZEMTRA_SIM=1 ZEMTRA_SYSFS_ROOT=$work/no-sysfs
  unset LD_LIBRARY_PATH PKG_CONFIG_PATH

  readelf -d "$lib"/libZemtra.so.*.*.* | grep 'SONAME.*\[libZemtra\.so\.1\]' >/dev/null || fail "libZemtra's SONAME"
  for binary in "$root"/usr/bin/* "$root/usr/$pydir"/zemtra/*.so; do
    found=$(ldd "$binary" | awk '$1 == "libZemtra.so.1" { print $3 }')
    [ "$(realpath "$found")" = "$(realpath "$lib/libZemtra.so.1")" ] || fail "$binary loads libZemtra '$found'"
  done

  awk '/^```c$/ { inside = 1; next } inside && /^```$/ { exit } inside' "$readme" >"$work/example.c"
  # shellcheck disable=SC2046
  "$cc" -std=c99 "$work/example.c" $(PKG_CONFIG_LIBDIR=$lib/pkgconfig pkg-config --cflags --libs zemtra) \
    -o "$work/example"
  LD_LIBRARY_PATH=$lib "$work/example" | grep -x 'board 0x4D27B at bus 240, slot 0' ||
    fail "the README's example on a simulated board"
  "$root/usr/bin/zemtra" list | grep '^240:0 .*FPGA1 0x0004D27B' || fail "zemtra list"
  PYTHONPATH=$root/usr/$pydir "$python" -c 'import zemtra; print(zemtra.boards(), zemtra.__file__)' |
    grep -F "bus=240, slot=0, identity=Identity(product_codes=(0x4D27B" | grep -F "$root/" || fail "the Python module"

  # The monitor on a private X server, its help opened from the Help menu.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$! monitor=
  trap 'kill $monitor $xvfb 2>/dev/null || true' EXIT
  wait_for 20 test -s "$work/display"
  export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb
  "$root/usr/bin/Zemtra_Monitor" >"$work/monitor.log" 2>&1 &
  monitor=$!
  opened='Kestova Zemtra Monitor: PCI Bus 240'
  wait_for 30 xdotool search --onlyvisible --name "$opened"
  window=$(xdotool search --onlyvisible --name "$opened" | head -n 1)
  timeout 10 xdotool windowfocus --sync "$window" key alt+h key t
  wait_for 30 xdotool search --onlyvisible --name 'Zemtra Monitor Help - '
  ls -l "/proc/$monitor/fd" | grep -F "$root/usr/share/zemtra-monitor/Zemtra Monitor Help.qhc" >/dev/null ||
    fail "the monitor's help does not come from share/zemtra-monitor"
  echo "example, zemtra list, the Python module and the monitor's help work from $root"
  ;;
*) fail "unknown step $step" ;;
esac
