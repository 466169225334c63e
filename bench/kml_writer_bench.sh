#!/usr/bin/env bash
# Builds and runs the KML writer benchmark: the writer beside a plain C printf
# writer of the same bytes and the write(2) floor, all as whole processes.
#   bench/kml_writer_bench.sh [points] [rounds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup"
build_dir="${MAROVIN_BUILD_DIR:-$root/build}"
cmake --build "$build_dir" -j2 --target kml_writer_bench kml_printf_writer
"$build_dir/bench/kml_writer_bench" "$@"
