# Sourced by the benchmark scripts. The benchmarks are built in their own
# folder, configured with -DMAROVIN_BENCH=ON (build-bench/, or
# $MAROVIN_BENCH_BUILD_DIR), so the build that scripts/test uses never holds
# them.
#   bench_build TARGET...               builds those targets there
#   install_reference CHECK PACKAGE     installs a reference tool's Debian
#                                       package when CHECK fails; the program
#                                       itself never uses these tools
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bench_build_dir=${MAROVIN_BENCH_BUILD_DIR:-$bench_root/build-bench}

bench_build() {
  "$bench_root/scripts/setup" --bench "$@"
}

install_reference() {
  local check=$1 package=$2
  if ! eval "$check" >/dev/null 2>&1; then
    local sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$package" >/dev/null
  fi
}
