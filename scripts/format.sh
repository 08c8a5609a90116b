#!/usr/bin/env bash
# Applies the house style (.clang-format) to every C++ file in the tree, or
# with --check lists the files that differ from it and fails.
#   scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."

tool=""
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null; then tool="$candidate"; break; fi
done
[[ -n "$tool" ]] || { echo "format: no clang-format (scripts/setup.sh installs it)" >&2; exit 2; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi

if [[ "${1:-}" == --check ]]; then
  bad=()
  for f in "${files[@]}"; do
    "$tool" --style=file --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if ((${#bad[@]})); then
    printf 'format: not in the house style (run scripts/format.sh):\n' >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
  fi
  echo "format: ${#files[@]} C++ files in the house style"
else
  "$tool" --style=file -i "${files[@]}"
fi
