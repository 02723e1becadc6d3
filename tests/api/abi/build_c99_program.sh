#!/usr/bin/env bash
# Compiles the consumer as a strict C99 program against the source tree's headers,
# links it with -lZemtra and runs it on a simulated board.
set -euo pipefail
cc=$1 include_dir=$2 lib_dir=$3 source=$4 out_dir=$5
mkdir -p "$out_dir"
"$cc" -std=c99 -pedantic-errors -Wall -Wextra -Werror -I"$include_dir" "$source" \
  -L"$lib_dir" -lZemtra -o "$out_dir/c99_program"
ZEMTRA_SIM=motion=off LD_LIBRARY_PATH="$lib_dir" "$out_dir/c99_program"
