#!/usr/bin/env bash
# Sets up, checks that every C++ file is in the house style (.clang-format),
# builds with warnings as errors and runs every test (ctest), then
# the same suite under AddressSanitizer/UndefinedBehaviorSanitizer unless
# ORV_SKIP_ASAN=1.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/format.sh --check
jobs=$(nproc)

cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

if [[ "${ORV_SKIP_ASAN:-0}" != 1 ]]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j "$jobs"
  ctest --preset asan -j "$jobs"
fi
