#!/usr/bin/env bash
# Installs the build into a fresh prefix and builds a host against it with
# make and pkg-config only (no CMake on the host's side), then runs it: it
# loads the module named by the pkg-config files and makes one confirmed call.
set -euo pipefail
build=$1 src=$2 work=$3 libdir=$4 cxxflags=${5:-} ldflags=${6:-}
rm -rf "$work"
mkdir -p "$work/make"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
for pc in orv00006 orv00006-dll orv00006-platform orv00006-platform-runtime; do
  [[ -f "$PKG_CONFIG_PATH/$pc.pc" ]] || { echo "missing $pc.pc in $PKG_CONFIG_PATH"; exit 1; }
done
# Written for the prefix installed to, the module where the CMake package
# puts it, and no forced C++ standard.
[[ "$(pkg-config --variable=prefix orv00006)" == "$prefix" ]]
[[ "$(pkg-config --variable=moduledir orv00006)" == "$prefix/$libdir/orv00006" ]]
[[ -f "$(pkg-config --variable=module orv00006)" ]]
pkg-config --cflags orv00006 | grep -q -- "-I$prefix/include"
if pkg-config --cflags orv00006 | grep -q -- "-std="; then exit 1; fi
pkg-config --libs orv00006 | grep -q -- "-l_dll .*-lplatform .*-lplatform_runtime"
make -s -f "$src/makefile-host/Makefile" -C "$work/make" SRC="$src/consumer/main.cpp" \
  CXXFLAGS="-O2 -Wall -Wextra -Werror $cxxflags" LDFLAGS="$ldflags"
out=$(QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$prefix/$libdir" "$work/make/makefile-host")
echo "$out"
grep -q "^module: PKG_ORV00006 " <<<"$out"
grep -q "^record: TIPO=V VALOR=12.34$" <<<"$out"
