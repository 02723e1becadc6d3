#!/usr/bin/env bash
# A set-gid program gets no simulated board, whatever its caller puts in
# ZEMTRA_SIM: the example lister, copied and made set-gid, must list none.
# Skipped (77) where a set-gid program cannot be made: not root, or a nosuid
# file system.
set -euo pipefail
program=$1 out_dir=$2
if [ "$(id -u)" -ne 0 ]; then echo "needs root to make a set-gid program"; exit 77; fi
rm -rf "$out_dir"
mkdir -p "$out_dir"
if findmnt -no OPTIONS -T "$out_dir" | grep -qw nosuid; then echo "$out_dir is nosuid"; exit 77; fi
copy=$out_dir/$(basename "$program")
cp "$program" "$copy"
chgrp 65534 "$copy"

# As a plain program the copy sees the simulated board...
plain=$(ZEMTRA_SIM=1 "$copy" 2>&1 || true)
if ! grep -q "bus 240" <<<"$plain"; then echo "the plain copy sees no simulated board:"; echo "$plain"; exit 1; fi
# ...and set-gid it must not.
chmod 2755 "$copy"
elevated=$(ZEMTRA_SIM=1 "$copy" 2>&1 || true)
echo "$elevated"
if ! grep -q "board(s) found" <<<"$elevated"; then echo "the set-gid copy did not run"; exit 1; fi
if grep -q "bus 240" <<<"$elevated"; then echo "a set-gid program was handed a simulated board"; exit 1; fi
