#!/usr/bin/env bash
# Installs what building, running and testing need on a Debian machine.
# Run as root (or with sudo available); installs only what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config dpkg-dev file
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev googletest
  fonts-liberation fontconfig
  xvfb xauth xdotool openbox x11-utils
  clang libclang-rt-14-dev clang-format
  python3-pyqt6 xz-utils
  at-spi2-core python3-pyatspi dbus
  orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng libasound2
  locales
  lintian abigail-tools devscripts help2man man-db binutils debhelper
  strace
)
if [[ "${ORV_SETUP_BENCH:-0}" == 1 ]]; then packages+=(hyperfine valgrind); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The locales the tests run the module under (tills in Brazil, other comma
# and non-comma markets); a fresh machine has only C and POSIX.
for locale in pt_BR fr_FR de_DE ar_EG en_US; do
  if ! locale -a 2>/dev/null | grep -qx "${locale}.utf8"; then
    echo "setup: making the locale ${locale}.UTF-8"
    "${sudo_cmd[@]}" localedef -i "$locale" -f UTF-8 "${locale}.UTF-8"
  fi
done
