#!/usr/bin/env bash
# Runs the seismic-road benchmark: the whole road on a 1,000,000-trace line
# as one process beside a Python pipeline doing the same work (Debian's
# python3-segyio, python3-pyproj and python3-numpy, installed when missing),
# and the sum of the work's limits; then the road on 10,000,000 traces, with
# its peak memory. The lines are made under /tmp and deleted after.
#   bench/seismic_road_bench.sh [traces] [rounds] [large traces] [large runs]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/bench/install_reference.sh"
# The references serve the system Python, whatever python3 is first on PATH.
install_reference "/usr/bin/python3 -c 'import segyio'" python3-segyio
install_reference "/usr/bin/python3 -c 'import pyproj'" python3-pyproj
install_reference "/usr/bin/python3 -c 'import numpy'" python3-numpy
build_dir="${MAROVIN_BUILD_DIR:-$root/build}"
"$root/scripts/setup"
cmake --build "$build_dir" -j2 --target seismic_road_bench convers
"$build_dir/bench/seismic_road_bench" "${1:-1000000}" "${2:-5}"
echo
"$build_dir/bench/seismic_road_bench" large "${3:-10000000}" "${4:-3}"
