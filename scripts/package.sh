#!/usr/bin/env bash
# Builds the Debian packages from a built tree: the three runtime libraries,
# the module (orv00006), the development files (liborv00006-dev), the demo
# host (pdv-host) and their -dbgsym packages. packaging/debian drives
# debhelper over `cmake --install`; the changelog comes from CHANGELOG.md
# and the copyright file from LICENSE.
# Usage: scripts/package.sh [BUILD_DIR [OUT_DIR]]
#   BUILD_DIR defaults to build/ci, OUT_DIR to BUILD_DIR/packages.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$src/build/ci}")
out=$(realpath -m "${2:-$build/packages}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "package: $build is not a configured build tree" >&2; exit 2; }
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

mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.ddeb
(cd "$work" && ORV_BUILD_DIR="$build" ORV_OUT_DIR="$out" debian/rules binary >"$work/dh.log" 2>&1) || {
  cat "$work/dh.log" >&2
  exit 1
}
ls "$out"
