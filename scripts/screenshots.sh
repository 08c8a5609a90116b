#!/usr/bin/env bash
# Builds the demo host and makes the README's two pictures of the dialog:
#   docs/img/desconto.png  a plain discount as it opens
#   docs/img/recusado.png  20,01 refused on a 10 % limit of R$ 200,00; the
#                          dialog stays open showing it
# Each is the dialog's client area at device pixel ratio 1 (238 x 385), taken
# offscreen after the last scripted key and before the host's closing Esc.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default --target pdv-host PKG_ORV00006 >/dev/null
bin=$PWD/build/default/bin
out=$PWD/docs/img
mkdir -p "$out"

# The host in a directory of its own with a 10 % limit file beside it, so that
# whatever lies in the build directory does not change the pictures.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$bin/pdv-host" "$work/pdv-host"
cp tests/xvfb/PARAMETROSVEK.CDS "$work/PARAMETROSVEK.CDS"

host() {
  env -u QT_SCALE_FACTOR -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$bin" \
    "$work/pdv-host" --module "$bin/PKG_ORV00006.so" --kind Desconto --base 200 --applied 0 \
    --decimal-separator , "$@" 2>"$work/stderr"
}

host --keys "" --screenshot "$out/desconto.png" >"$work/desconto.txt"
host --keys "2 0 0 1 Enter" --screenshot "$out/recusado.png" >"$work/recusado.txt"

# The refusal must have happened, with the dialog left open.
if ! grep -q '^mensagem: Operação bloqueada' "$work/recusado.txt" ||
  ! grep -q '^a tela ficou aberta' "$work/recusado.txt"; then
  echo "screenshots: 20,01 was not refused as expected:" >&2
  cat "$work/recusado.txt" "$work/stderr" >&2
  exit 1
fi
for f in desconto recusado; do
  [[ -s "$out/$f.png" ]] || { echo "screenshots: $out/$f.png not written" >&2; exit 1; }
  echo "screenshots: docs/img/$f.png"
done
