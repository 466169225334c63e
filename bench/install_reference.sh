# Sourced by the benchmark scripts: installs a reference tool's Debian
# package when its check fails. The program itself never uses these tools.
#   install_reference "command -v ogr2ogr" gdal-bin
install_reference() {
  local check=$1 package=$2
  if ! eval "$check" >/dev/null 2>&1; then
    local sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$package" >/dev/null
  fi
}
