#!/usr/bin/env bash
# Runs the text-road benchmark on a 1,000,000-point XY file: the whole road
# (select, convert, write KML) as one process beside ogr2ogr making the same
# KML output (Debian's gdal-bin, installed when missing).
#   bench/roads/text_road_bench.sh [points] [rounds]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../support/runner.sh"
install_reference 'command -v ogr2ogr' gdal-bin
bench_build text_road_bench
"$bench_build_dir/bench/text_road_bench" "${1:-1000000}" "${2:-5}"
