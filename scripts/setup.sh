#!/usr/bin/env bash
# Installs what building, running and testing need on a Debian machine.
# Run as root (or with sudo available); installs only what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config dpkg-dev file
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev googletest
  fonts-liberation fontconfig
  xvfb xauth xdotool
  clang libclang-rt-14-dev clang-format
  python3-pyqt6 xz-utils
  at-spi2-core python3-pyatspi dbus
  lintian abigail-tools devscripts help2man man-db binutils debhelper
  strace
)
if [[ "${ORV_SETUP_BENCH:-0}" == 1 ]]; then packages+=(hyperfine valgrind); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
