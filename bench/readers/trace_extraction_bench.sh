#!/usr/bin/env bash
# Times the seismic road's extraction on a 1,000,000-trace SEG-Y line (250
# samples per trace, about 1.24 GB under /tmp, deleted afterwards) beside
# segyio reading the same three header words of every trace, in the same
# run; then the library calls of the whole Extract step with the real
# converter, and their peak memory.
#   bench/readers/trace_extraction_bench.sh [build dir] [traces]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../support/runner.sh"
if [ -z "${1-}" ]; then
  bench_build trace_extraction_bench
fi
build=${1:-$bench_build_dir}
traces=${2:-1000000}
bench=$build/bench/trace_extraction_bench
[ -x "$bench" ] || { echo "$bench not built" >&2; exit 1; }

# segyio is the reference only; the program does not use it. Debian's
# package serves the system Python, whatever python3 is first on PATH.
install_reference "/usr/bin/python3 -c 'import segyio'" python3-segyio

work=$(mktemp -d /tmp/marovin_trace_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
line=$work/line.sgy

"$bench" make "$line" "$traces"
echo "line: $traces traces, $(stat -c %s "$line") bytes"
cat "$line" > /dev/null # both readers start from the page cache

/usr/bin/python3 - "$line" <<'PY'
import sys, time, segyio
start = time.perf_counter()
with segyio.open(sys.argv[1], ignore_geometry=True) as f:
    f.mmap()
    cdp = f.attributes(segyio.TraceField.CDP)[:]
    x = f.attributes(segyio.TraceField.GroupX)[:]
    y = f.attributes(segyio.TraceField.GroupY)[:]
print(f"segyio     {len(cdp)} traces: CDP, GroupX, GroupY read {time.perf_counter() - start:.3f} s")
PY
"$bench" extract "$line"
"$bench" step "$line"
