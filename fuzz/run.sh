#!/usr/bin/env bash
# Builds the record-set packet fuzzer and runs it.
#   fuzz/run.sh [seconds]        (default 60)
# Builds outside CMake: only the runtime sources the reader needs, with
# clang's libFuzzer, AddressSanitizer and UBSan, against the system Qt.
# Crashing inputs land in build/fuzz/artifacts/; keep each one as a test
# input in tests/recordset/data/regressions/ once fixed.
set -euo pipefail

seconds="${1:-60}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="$root/build/fuzz"
mkdir -p "$out/work" "$out/artifacts"

cxx="${FUZZ_CXX:-}"
if [[ -z "$cxx" ]]; then
  for candidate in clang++ clang++-14; do
    if command -v "$candidate" >/dev/null; then cxx="$candidate"; break; fi
  done
fi
[[ -n "$cxx" ]] || { echo "no clang++ found (apt-get install clang libclang-rt-14-dev)" >&2; exit 2; }

qt_flags="$(pkg-config --cflags --libs Qt6Core)"

sources=(
  "$root/platform/runtime/src/variant.cpp"
  "$root/platform/runtime/src/exceptions.cpp"
  "$root/platform/runtime/src/sysutils.cpp"
  "$root/platform/runtime/src/dbclient.cpp"
  "$root/platform/runtime/src/dbclient_field.cpp"
  "$root/platform/runtime/src/dbclient_binary.cpp"
  "$root/platform/runtime/src/dbclient_fielddefs.cpp"
  "$root/platform/runtime/src/dbclient_model.cpp"
  "$root/platform/runtime/src/dbclient_values.cpp"
  "$root/platform/runtime/src/dbclient_xml.cpp"
  "$root/platform/runtime/src/savefile.cpp"
  "$here/fuzz_recordset.cpp"
)

echo "building with $cxx" >&2
# shellcheck disable=SC2086
"$cxx" -std=c++20 -g -O1 -fPIC -DPLATFORM_BUILDING \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/platform/runtime/include" "${sources[@]}" $qt_flags \
  -o "$out/fuzz_recordset"

# New inputs go to the work folder; the kept seeds stay as they are.
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
"$out/fuzz_recordset" "$out/work" "$here/corpus" \
  -dict="$here/recordset.dict" \
  -artifact_prefix="$out/artifacts/" \
  -max_len=16384 -timeout=10 -rss_limit_mb=4096 \
  -max_total_time="$seconds" -print_final_stats=1
