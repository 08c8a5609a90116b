#!/usr/bin/env bash
# Compares a shared object's ABI with its committed baseline (abidiff).
# Added functions and variables are fine under the same soname; anything
# else abidiff reports (a removed symbol, a changed type, parameter or
# layout) breaks hosts built against the baseline, and fails.
# Types private to a library (only ever behind a pointer) are listed in
# BASELINE's .suppr file beside it, when there is one.
# Usage: abi_check.sh BASELINE.abi.xz LIBRARY
set -uo pipefail
baseline=$1 lib=$2
xml=$(mktemp --suffix=.abi)
trap 'rm -f "$xml"' EXIT
xz -dc "$baseline" >"$xml" || exit 1
suppressions=()
[[ -f ${baseline%.abi.xz}.suppr ]] && suppressions=(--suppressions "${baseline%.abi.xz}.suppr")
abidiff --no-added-syms "${suppressions[@]}" "$xml" "$lib"
rc=$?
if ((rc != 0)); then
  echo "ABI of $(basename "$lib") differs from $baseline (abidiff status $rc)."
  echo "If this is a new major version, change the soname and run scripts/abi-baseline.sh."
  exit 1
fi
echo "$(basename "$lib"): same ABI as the baseline"
