#!/usr/bin/env bash
# Builds and runs the KML writer benchmark; installs GDAL's ogr2ogr (Debian's
# gdal-bin), used only as the reference figure, when it is missing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/bench/install_reference.sh"
install_reference 'command -v ogr2ogr' gdal-bin
"$root/scripts/setup"
build_dir="${MAROVIN_BUILD_DIR:-$root/build}"
cmake --build "$build_dir" -j2 --target kml_writer_bench
"$build_dir/bench/kml_writer_bench" "$@"
