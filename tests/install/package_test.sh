#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root (no system
# install) and runs the packaged host there with the packaged module.
set -euo pipefail
build=$1 work=$2 libdir=$3
rm -rf "$work"
mkdir -p "$work/root"
(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
dpkg-deb --info "$deb" | grep -E "Package|Version|Depends"
dpkg-deb -x "$deb" "$work/root"
# The multiarch layout under /usr, and pkg-config files that name /usr (not
# the staging directory).
root=$work/root/usr
[[ -f "$root/$libdir/orv00006/PKG_ORV00006.so" && -f "$root/$libdir/cmake/Orv00006/Orv00006Config.cmake" ]]
[[ -f "$root/include/orv00006/platform/variant.h" && -f "$root/include/orv00006/dll/Mensagemvek.h" ]]
grep -qx "prefix=/usr" "$root/$libdir/pkgconfig/orv00006.pc"
grep -qx 'moduledir=${prefix}/'"$libdir"'/orv00006' "$root/$libdir/pkgconfig/orv00006.pc"
json=$(QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/pdv-host" --keys "5 Enter" --json)
echo "$json"
grep -q '"records":\[{"TIPO":"V","VALOR":0.05}\]' <<<"$json"
# Nothing may come from the build tree.
QT_QPA_PLATFORM=offscreen LD_DEBUG=libs "$work/root/usr/bin/pdv-host" --version 2>&1 >/dev/null \
  | grep -E "calling init: .*(libplatform|lib_dll|PKG_ORV00006)" | grep -v "$work/root" && exit 1
exit 0
