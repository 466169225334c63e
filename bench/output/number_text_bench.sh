#!/usr/bin/env bash
# Nanoseconds per number of the number text beside the general conversion,
# then the differential check of the integer digits against the general
# conversion at twenty times the test suite's count (about 150 million
# values).
#   bench/output/number_text_bench.sh [scale]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../support/runner.sh"
bench_build number_text_bench base_tests
build_dir=$bench_build_dir
"$build_dir/bench/number_text_bench"
scale=${1:-20}
echo "differential check at scale $scale:"
report=$(mktemp)
trap 'rm -f "$report"' EXIT
MAROVIN_NUMBER_TEXT_SCALE=$scale "$build_dir/tests/base_tests" --gtest_filter='*TextAgreement*' \
  --gtest_output="xml:$report" | grep -E '^\[ +(OK|FAILED|PASSED) +\]'
grep -o 'name="values" value="[0-9]*"' "$report" | grep -o '[0-9]*' |
  awk '{ n += $1 } END { printf "values compared: %d\n", n }'
