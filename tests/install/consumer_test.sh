#!/usr/bin/env bash
# Installs the build into a fresh prefix, builds a host project against it
# with find_package(Orv00006) (the installed minimal C++ host, with checks
# around it), and runs it: it loads the installed module and makes one
# confirmed call.
set -euo pipefail
build=$1 src=$2 work=$3 cxxflags=${4:-} ldflags=${5:-}
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release \
  -DORV_EXAMPLE_DIR="$work/prefix/share/doc/orv00006/examples/cxx" \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$work/build"
out=$(QT_QPA_PLATFORM=offscreen "$work/build/cxx-example/cxx-host")
echo "$out"
grep -q "^module: PKG_ORV00006 " <<<"$out"
grep -q "^record: TIPO=V VALOR=12.34$" <<<"$out"
