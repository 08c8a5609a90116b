#!/usr/bin/env bash
# Writes the ABI baselines (abi/*.abi.xz, abidw's XML compressed) from a build's shared objects, for
# tests/abi to compare later builds against. Refresh them only together
# with a soname change (a new major version), or when a release adds to the
# ABI on purpose.
# Usage: scripts/abi-baseline.sh [BUILD_DIR]   (default build/ci)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
mkdir -p abi
for so in libplatform_runtime.so.1 libplatform.so.1 lib_dll.so.2 PKG_ORV00006.so; do
  abidw --no-corpus-path --no-comp-dir-path --no-show-locs --type-id-style hash "$build/bin/$so" |
    xz -9 >"abi/$so.abi.xz"
  echo "abi/$so.abi.xz"
done
