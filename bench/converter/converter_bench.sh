#!/usr/bin/env bash
# Times the converter on 1,000,000 UTM32 points beside two references in the
# same run, as whole processes:
#   - converter_reference (converter_reference.c here): a plain C program
#     that reads the same job, converts with one proj_trans_generic call and
#     writes the same result bytes (checked with cmp);
#   - cs2cs on the same points, nine decimals;
#   - with $MAROVIN_BENCH_EARLIER (an earlier build's program folder), that
#     build's convers on the same job (the same result bytes, checked).
# Each program runs several times, in turn; the figures are medians.
#   bench/converter/converter_bench.sh [path/to/convers] [points] [path/to/converter_reference] [rounds]
# Without the paths, both programs are built first in the benchmarks' build.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../support/runner.sh"
if [ -z "${1-}" ] || [ -z "${3-}" ]; then
  bench_build convers converter_reference
fi
convers=${1:-$bench_build_dir/bin/convers}
points=${2:-1000000}
reference=${3:-$bench_build_dir/bench/converter_reference}
rounds=${4:-5}
install_reference "command -v cs2cs" proj-bin
[ -x "$convers" ] || { echo "$convers not built" >&2; exit 1; }
[ -x "$reference" ] || { echo "$reference not built" >&2; exit 1; }

earlier=${MAROVIN_BENCH_EARLIER:+$MAROVIN_BENCH_EARLIER/convers}
[ -z "$earlier" ] || [ -x "$earlier" ] || { echo "$earlier not found" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/convers" "$work/reference" "$work/earlier"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Runs a command once and prints its wall time in seconds.
timed() { local t0 t1; t0=$(now); "$@"; t1=$(now); elapsed "$t0" "$t1"; }

# The same pseudo-random points for all: eastings 300-700 km, northings
# 4500-6000 km in zone 32, written once as plain "X Y" lines.
awk -v n="$points" 'BEGIN { srand(42); for (i = 0; i < n; i++)
    printf "%.3f %.3f\n", 300000 + rand() * 400000, 4500000 + rand() * 1500000 }' > "$work/points.txt"

# The job as the window writes it: header block, then " X  Y " lines.
t0=$(now)
{
  printf 'Depart=UTM32\r\nUniteDepart=M\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n'
  awk '{ printf " %s  %s \r\n", $1, $2 }' "$work/points.txt"
} > "$work/convers/File.cvd"
t1=$(now)
cp "$work/convers/File.cvd" "$work/reference/File.cvd"
cp "$work/convers/File.cvd" "$work/earlier/File.cvd"

: > "$work/convers.times"; : > "$work/reference.times"; : > "$work/cs2cs.times"; : > "$work/earlier.times"
for ((round = 0; round < rounds; round++)); do
  timed "$convers" "$work/convers/File.cvd" >> "$work/convers.times"; echo >> "$work/convers.times"
  if [ -n "$earlier" ]; then
    timed "$earlier" "$work/earlier/File.cvd" >> "$work/earlier.times"; echo >> "$work/earlier.times"
  fi
  timed "$reference" "$work/reference/File.cvd" "$work/reference/File.cva" >> "$work/reference.times"
  echo >> "$work/reference.times"
  timed sh -c 'cs2cs -f %.9f EPSG:32632 EPSG:4326 < "$1" > "$2"' cs2cs "$work/points.txt" "$work/cs2cs.txt" \
    >> "$work/cs2cs.times"
  echo >> "$work/cs2cs.times"
done
cmp -s "$work/convers/File.cva" "$work/reference/File.cva" ||
  { echo "convers and converter_reference wrote different results" >&2; exit 1; }
[ -z "$earlier" ] || cmp -s "$work/convers/File.cva" "$work/earlier/File.cva" ||
  { echo "convers and the earlier build's wrote different results" >&2; exit 1; }

t2=$(now)
convers_read=$(awk -F, 'NR > 7 { lat += $3; lon += $4; n++ } END { printf "%d", n }' "$work/convers/File.cva")
t3=$(now)
cs2cs_read=$(awk '{ lat += $1; lon += $2; n++ } END { printf "%d", n }' "$work/cs2cs.txt")
t4=$(now)
[ "$convers_read" = "$points" ] || { echo "convers gave $convers_read records for $points points" >&2; exit 1; }
[ "$cs2cs_read" = "$points" ] || { echo "cs2cs gave $cs2cs_read lines for $points points" >&2; exit 1; }

convers_run=$(median < "$work/convers.times")
reference_run=$(median < "$work/reference.times")
cs2cs_run=$(median < "$work/cs2cs.times")
echo "points:                 $points (UTM32 -> WGS84), medians of $rounds runs"
echo "job written:            $(elapsed "$t0" "$t1") s"
echo "convers run:            $convers_run s"
echo "reference run:          $reference_run s (plain C, one proj_trans_generic, same result bytes)"
echo "cs2cs run:              $cs2cs_run s"
echo "result read:            $(elapsed "$t2" "$t3") s"
echo "cs2cs output read:      $(elapsed "$t3" "$t4") s"
awk -v c="$convers_run" -v r="$reference_run" \
    'BEGIN { printf "convers / reference (run): %.2f (goal: 2 or below)\n", c / r }'
awk -v c="$convers_run" -v s="$cs2cs_run" \
    'BEGIN { printf "convers / cs2cs (run): %.2f (below 1: convers is faster)\n", c / s }'
if [ -n "$earlier" ]; then
  earlier_run=$(median < "$work/earlier.times")
  echo "earlier build's run:    $earlier_run s ($earlier, the same result bytes)"
  awk -v c="$convers_run" -v e="$earlier_run" 'BEGIN { printf "convers / earlier build (run): %.2f\n", c / e }'
fi
