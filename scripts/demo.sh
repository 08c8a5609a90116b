#!/usr/bin/env bash
# Sets up, builds and runs the demo host. With a display the dialog opens in a
# real window for you to use; without one a scripted plain discount runs
# offscreen, prints its outcome and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target pdv-host orv-params
bin=build/default/bin
# Qt wants a private runtime directory; root sessions often have none.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi

# A 10 % limit for the plain discount, in the parameters file beside the
# host program.
"$bin/orv-params" set 10 --host "$bin/pdv-host"

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  echo "demo: a discount of up to 10 % on R\$ 200,00; type digits, Enter confirms, Esc cancels."
  exec "$bin/pdv-host" --kind Desconto --base 200 --applied 0 --decimal-separator , "$@"
fi
mkdir -p out
echo "demo: no display; typing 2 0 0 0 Enter on a plain discount of 10 % on R\$ 200,00 (offscreen)"
"$bin/pdv-host" --kind Desconto --base 200 --applied 0 --decimal-separator , \
  --keys "2 0 0 0" --screenshot out/demo.png --json >out/demo-typed.json
"$bin/pdv-host" --kind Desconto --base 200 --applied 0 --decimal-separator , --keys "2 0 0 0 Enter" "$@"
echo "demo: screenshot of the dialog before Enter saved in out/demo.png"
