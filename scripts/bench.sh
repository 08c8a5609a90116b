#!/usr/bin/env bash
# Sets up (with the benchmark's tools: hyperfine, valgrind), builds the
# default preset and runs orv-bench, which prints the table. Arguments go to
# orv-bench (--help lists them). Figures are only comparable on a quiet
# machine: the table's first line shows the load it ran under.
set -euo pipefail
cd "$(dirname "$0")/.."
ORV_SETUP_BENCH=1 ./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build build/default -j "$(nproc)" --target orv-bench
exec build/default/bin/orv-bench "$@"
