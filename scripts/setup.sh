#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run, when it is missing.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 libgl-dev
  libbluetooth-dev
  libphonenumber-dev   # contacts: the same number in national and international form
  nlohmann-json3-dev   # the phone backup file (JSON)
  libsqlite3-dev       # the local message archive
  libudev-dev  # the phones and modems on USB serial ports, and their plug/unplug events
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth imagemagick fonts-dejavu-core
  openobex-apps python3 python3-dbusmock dbus
  desktop-file-utils
  openbox    # the window manager the X-server window tests run under
  gammu  # a third-party phone tool the emulated phone's peer tests run against it
)
# The packages of every external program the build and the tests call (scripts/tools.txt), so a
# tool a test needs cannot be missing from the set-up.
while read -r tool package _; do
  case $tool in ''|'#'*) continue ;; esac
  packages+=("$package")
done < "$(dirname "$0")/tools.txt"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
  "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi
