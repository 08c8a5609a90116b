#!/usr/bin/env bash
# Installs the build into a fresh prefix and builds the installed minimal
# hosts against it with make and pkg-config only (no CMake on the host's
# side), then runs them: the C++ one makes one confirmed call; the C one,
# with no C++ and no Qt of its own, gets a broken parameters file's failure
# both as a message and as the result's text; the Python one (ctypes and
# PyQt6) has a refused amount reach its callback and cancels.
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
examples=$prefix/share/doc/orv00006/examples
make -s -f "$examples/cxx/Makefile" -C "$work/make" SRC="$examples/cxx/main.cpp" \
  CXXFLAGS="-O2 -Wall -Wextra -Werror $cxxflags" LDFLAGS="$ldflags"
out=$(QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$prefix/$libdir" "$work/make/makefile-host")
echo "$out"
grep -q "^module: PKG_ORV00006 " <<<"$out"
grep -q "^record: TIPO=V VALOR=12.34$" <<<"$out"

# The guide's test target, built with the guide's own make lines: its sample
# that types into the dialog includes <QTest>, which orv00006.pc does not
# bring.
mkdir -p "$work/guide-test"
section() { sed -n '/^## Driving the dialog from your own tests/,/^## /p' "$prefix/share/doc/orv00006/integration.md"; }
section | sed -n '/^```cpp$/,/^```$/{/^```/d;p}' >"$work/guide-test/sample.cpp"
{
  section | sed -n '/^```make$/,/^```$/{/^```/d;p}'
  printf 'libsample.so: sample.cpp\n\t$(CXX) $(CXXFLAGS) -shared -o $@ $< $(LDFLAGS) $(LDLIBS)\n'
} >"$work/guide-test/Makefile"
[[ -s $work/guide-test/sample.cpp ]]
grep -q Qt6Test "$work/guide-test/Makefile"
# In the environment, so that the guide's += adds to them.
CXXFLAGS="-O2 -Wall -Wextra -Werror $cxxflags" LDFLAGS="$ldflags" make -s -C "$work/guide-test" libsample.so

mkdir -p "$work/c"
make -s -f "$examples/c/Makefile" -C "$work/c" VPATH="$examples/c" \
  CFLAGS="-O2 -Wall -Wextra -pedantic -Werror $cxxflags" LDFLAGS="$ldflags"
printf 'not a packet' >"$work/c/PARAMETROS.CDS"
rc=0
out=$(QT_QPA_PLATFORM=offscreen "$work/c/c-host" "$work/c/PARAMETROS.CDS" 200 2>"$work/c/stderr") || rc=$?
echo "$out"
((rc == 1))
[[ $(grep -c "^message .*PARAMETROS.CDS.*não é um pacote de dados$" <<<"$out") == 1 ]]
grep -q "^failed: cdsParametrosVek: erro ao ler o arquivo '$work/c/PARAMETROS.CDS'" <<<"$out"
# The module printed nothing itself.
if grep -v "XDG_RUNTIME_DIR" "$work/c/stderr"; then exit 1; fi

# Debian's interpreter and PyQt6, on the same system Qt; a sanitized module
# cannot be loaded into it.
if [[ $cxxflags != *sanitize* ]] && /usr/bin/python3 -c "import PyQt6.QtTest" 2>/dev/null; then
  out=$(QT_QPA_PLATFORM=offscreen timeout 60 /usr/bin/python3 "$examples/python/host.py" "$src/../xvfb/PARAMETROSVEK.CDS")
  echo "$out"
  grep -q "^message (kind [0-9]): Operação bloqueada" <<<"$out"
  [[ $(tail -1 <<<"$out") == "cancelled:  0.00" ]]
fi
