#!/usr/bin/env bash
# Builds the Debian packages from a fully built tree: the three runtime
# libraries, the module (orv00006), the tools (orv00006-tools), the
# development files (liborv00006-dev), the demo host (pdv-host) and their
# -dbgsym packages. The tree is installed into a staging folder, which
# packaging/debian hands to debhelper; the changelog comes from CHANGELOG.md
# and the copyright file from LICENSE. The build tree is left as it was
# (apart from OUT_DIR when it lies inside it).
# Usage: scripts/package.sh [BUILD_DIR [OUT_DIR]]
#   BUILD_DIR defaults to build/ci, OUT_DIR to BUILD_DIR/packages.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$src/build/ci}")
out=$(realpath -m "${2:-$build/packages}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "package: $build is not a configured build tree" >&2; exit 2; }
# Packages are made of what is built: a tree with anything left to build
# (a target built alone, a source changed since) is refused up front.
if [[ -f $build/build.ninja ]]; then
  pending=$(ninja -C "$build" -n 2>&1 | grep -c '^\[' || true)
  if ((pending > 0)); then
    echo "package: $build is not fully built ($pending steps left); run: cmake --build $build" >&2
    exit 2
  fi
fi
# The Unreleased section is dated by the last commit, so the same tree gives
# the same packages.
date=$(git -C "$src" log -1 --format=%aD 2>/dev/null || date -R)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$src/packaging/debian" "$work/debian"
"$src/packaging/debian-meta.py" changelog "$src/CHANGELOG.md" "$version-1" "$date" >"$work/debian/changelog"
"$src/packaging/debian-meta.py" copyright "$src/LICENSE" >"$work/debian/copyright"
# The demo host's parameters file (/etc/orv00006): 10 %, as the demo uses
# it, written by the orv-params of this build.
"$build/bin/orv-params" set 10 "$work/debian/PARAMETROSVEK.CDS" >/dev/null

# Installed into the staging folder debhelper reads (debian/tmp) by the
# tree's own install script, without the tail that records a manifest in
# the build tree.
sed '/^if(CMAKE_INSTALL_COMPONENT)/,$d' "$build/cmake_install.cmake" >"$work/install.cmake"
config=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
(cd "$work" && DESTDIR="$work/debian/tmp" cmake -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_CONFIG_NAME="$config" \
  -P "$work/install.cmake" >"$work/install.log" 2>&1) || {
  echo "package: installing $build failed: $(grep -m1 -iE 'error|cannot' -A1 "$work/install.log" | tr -s ' \n' ' ')" >&2
  exit 1
}

mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.ddeb
(cd "$work" && ORV_OUT_DIR="$out" debian/rules binary >"$work/dh.log" 2>&1) || {
  cat "$work/dh.log" >&2
  exit 1
}
ls "$out"
