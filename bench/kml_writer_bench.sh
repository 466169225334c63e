#!/usr/bin/env bash
# Builds and runs the KML writer benchmark; installs GDAL's ogr2ogr (Debian's
# gdal-bin), used only as the reference figure, when it is missing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if ! command -v ogr2ogr >/dev/null 2>&1; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq gdal-bin >/dev/null
fi
"$root/scripts/setup"
build_dir="${MAROVIN_BUILD_DIR:-$root/build}"
cmake --build "$build_dir" -j2 --target kml_writer_bench
"$build_dir/bench/kml_writer_bench" "$@"
