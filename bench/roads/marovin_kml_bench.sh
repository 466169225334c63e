#!/usr/bin/env bash
# Runs the command's benchmark: 1,000,000 traces to KML beside the Python
# pipeline of the seismic road benchmark (Debian's python3-segyio,
# python3-pyproj and python3-numpy, installed when missing) and beside the
# sum of the work's limits, with the peak memory; then 64 lines of 20,000
# traces with -j 2 beside -j 1. The lines are made under /tmp and deleted
# after.
#   bench/roads/marovin_kml_bench.sh [traces] [rounds] [files] [traces per file] [rounds]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../support/runner.sh"
install_reference "/usr/bin/python3 -c 'import segyio'" python3-segyio
install_reference "/usr/bin/python3 -c 'import pyproj'" python3-pyproj
install_reference "/usr/bin/python3 -c 'import numpy'" python3-numpy
bench_build marovin_kml_bench
"$bench_build_dir/bench/marovin_kml_bench" "${1:-1000000}" "${2:-5}"
echo
"$bench_build_dir/bench/marovin_kml_bench" jobs "${3:-64}" "${4:-20000}" "${5:-5}"
