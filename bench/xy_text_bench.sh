#!/usr/bin/env bash
# Runs the text-road benchmark on a 1,000,000-point XY file: the whole road
# (Command1, Command9, Command10) as one process beside ogr2ogr making the
# same KML output (Debian's gdal-bin, installed when missing).
#   bench/xy_text_bench.sh [points] [rounds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/bench/install_reference.sh"
install_reference 'command -v ogr2ogr' gdal-bin
build_dir="${MAROVIN_BUILD_DIR:-$root/build}"
"$root/scripts/setup"
cmake --build "$build_dir" -j2 --target xy_text_bench convers
"$build_dir/bench/xy_text_bench" "${1:-1000000}" "${2:-5}"
