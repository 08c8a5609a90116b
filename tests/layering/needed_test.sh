#!/usr/bin/env bash
# needed_test.sh <shared object> <must-need regex> <must-not-need regex>
# Every alternative of the first regex (split on '|') must match one NEEDED
# entry of the object; no NEEDED entry may match the second (empty: none).
set -euo pipefail
object="$1" must="$2" mustnot="$3"
needed="$(readelf -d "$object" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
[[ -n "$needed" ]] || { echo "$object: no NEEDED entries read" >&2; exit 1; }
status=0
IFS='|' read -ra wanted <<<"$must"
for w in "${wanted[@]}"; do
  grep -Eq "^($w)" <<<"$needed" || { echo "$object does not need $w" >&2; status=1; }
done
if [[ -n "$mustnot" ]] && grep -E "^($mustnot)" <<<"$needed" >&2; then
  echo "$object needs the libraries above, which it must not" >&2
  status=1
fi
[[ $status == 0 ]] && echo "$object needs: $(tr '\n' ' ' <<<"$needed")"
exit $status
