#!/usr/bin/env bash
# Runs the seismic-road benchmark: the whole road on a 1,000,000-trace line
# as one process beside a Python pipeline doing the same work (Debian's
# python3-segyio, python3-pyproj and python3-numpy, installed when missing),
# and the sum of the work's limits; then the road on 10,000,000 traces, with
# its peak memory; then the window's viewer and grid on the road's
# 1,000,000 points. The lines are made under /tmp and deleted after.
#   bench/roads/seismic_road_bench.sh [traces] [rounds] [large traces] [large runs] [view traces]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../support/runner.sh"
# The references serve the system Python, whatever python3 is first on PATH.
install_reference "/usr/bin/python3 -c 'import segyio'" python3-segyio
install_reference "/usr/bin/python3 -c 'import pyproj'" python3-pyproj
install_reference "/usr/bin/python3 -c 'import numpy'" python3-numpy
bench_build seismic_road_bench
"$bench_build_dir/bench/seismic_road_bench" "${1:-1000000}" "${2:-5}"
echo
"$bench_build_dir/bench/seismic_road_bench" large "${3:-10000000}" "${4:-3}"
echo
"$bench_build_dir/bench/seismic_road_bench" views "${5:-1000000}"
