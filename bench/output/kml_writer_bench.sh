#!/usr/bin/env bash
# Builds and runs the KML writer benchmark: the writer beside a plain C printf
# writer of the same bytes and the write(2) floor, all as whole processes.
#   bench/output/kml_writer_bench.sh [points] [rounds]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../support/runner.sh"
bench_build kml_writer_bench
"$bench_build_dir/bench/kml_writer_bench" "$@"
