#!/usr/bin/env bash
# Times the converter on 1,000,000 UTM32 points (job written, convers run,
# result read) beside cs2cs on the same points in the same run, and prints
# both times and their ratio.
#   bench/converter_bench.sh [path/to/convers] [points]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
convers=${1:-$root/build/bin/convers}
points=${2:-1000000}
command -v cs2cs >/dev/null || { echo "cs2cs not found (package proj-bin)" >&2; exit 1; }
[ -x "$convers" ] || { echo "$convers not built" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# The same pseudo-random points for both: eastings 300-700 km, northings
# 4500-6000 km in zone 32, written once as plain "X Y" lines.
awk -v n="$points" 'BEGIN { srand(42); for (i = 0; i < n; i++)
    printf "%.3f %.3f\n", 300000 + rand() * 400000, 4500000 + rand() * 1500000 }' > "$work/points.txt"

# convers: write the job (header and data lines as the window writes them),
# run the converter, read the latitudes and longitudes back.
t0=$(now)
{
  printf 'Depart=UTM32\r\nUniteDepart=M\r\nOrigineDepart=GR\r\n\r\nArrivee=WGS84\r\nUniteArrivee=DDEC\r\n\r\n'
  awk '{ printf " %s  %s \r\n", $1, $2 }' "$work/points.txt"
} > "$work/File.cvd"
t1=$(now)
"$convers" "$work/File.cvd"
t2=$(now)
convers_read=$(awk -F, 'NR > 7 { lat += $3; lon += $4; n++ } END { printf "%d", n }' "$work/File.cva")
t3=$(now)

# cs2cs on the same points, nine decimals, reading its output the same way.
t4=$(now)
cs2cs -f %.9f EPSG:32632 EPSG:4326 < "$work/points.txt" > "$work/cs2cs.txt"
t5=$(now)
cs2cs_read=$(awk '{ lat += $1; lon += $2; n++ } END { printf "%d", n }' "$work/cs2cs.txt")
t6=$(now)

[ "$convers_read" = "$points" ] || { echo "convers gave $convers_read records for $points points" >&2; exit 1; }
[ "$cs2cs_read" = "$points" ] || { echo "cs2cs gave $cs2cs_read lines for $points points" >&2; exit 1; }

echo "points:                 $points (UTM32 -> WGS84)"
echo "job written:            $(elapsed "$t0" "$t1") s"
echo "convers run:            $(elapsed "$t1" "$t2") s"
echo "result read:            $(elapsed "$t2" "$t3") s"
echo "convers total:          $(elapsed "$t0" "$t3") s"
echo "cs2cs run:              $(elapsed "$t4" "$t5") s"
echo "cs2cs output read:      $(elapsed "$t5" "$t6") s"
awk -v c="$(elapsed "$t1" "$t2")" -v s="$(elapsed "$t4" "$t5")" \
    'BEGIN { printf "convers / cs2cs (run): %.2f (below 1: convers is faster)\n", c / s }'
awk -v c="$(elapsed "$t0" "$t3")" -v s="$(elapsed "$t4" "$t6")" \
    'BEGIN { printf "convers total / cs2cs run and read: %.2f\n", c / s }'
