#!/usr/bin/env bash
# Installs the library into a fresh prefix, then builds a consumer against
# the installed tree twice, with find_package(Zemtra) and with pkg-config (as
# strict C99, warnings as errors), and runs both on a simulated board.
set -euo pipefail
cmake=$1 build_dir=$2 consumer_dir=$3 work=$4 cc=$5
rm -rf "$work"
prefix=$work/prefix
for component in Zemtra Development; do
  "$cmake" --install "$build_dir" --component $component --prefix "$prefix" >/dev/null
done

"$cmake" -S "$consumer_dir" -B "$work/with-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_COMPILER="$cc" >/dev/null
"$cmake" --build "$work/with-cmake" >/dev/null
ZEMTRA_SIM=1 "$work/with-cmake/consumer"

pc_file=$(find "$prefix" -name zemtra.pc)
export PKG_CONFIG_PATH=$(dirname "$pc_file")
# shellcheck disable=SC2046
"$cc" -std=c99 -pedantic-errors -Wall -Wextra -Werror -o "$work/with-pkg-config" "$consumer_dir/consumer.c" \
  $(pkg-config --cflags --libs zemtra)
ZEMTRA_SIM=1 LD_LIBRARY_PATH=$(pkg-config --variable=libdir zemtra) "$work/with-pkg-config"
