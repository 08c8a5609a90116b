#!/usr/bin/env bash
# Checks what a shared object exports: every defined dynamic symbol carries
# the version node NODE, and is either one of the plain C names given or
# belongs to namespace NS (its functions, data, type information, virtual
# tables and thunks). Standard-library template instances, names outside any
# namespace and unversioned symbols fail, each listed.
# Usage: exports_test.sh LIBRARY NODE NS [C_NAME...]
set -euo pipefail
lib=$1 node=$2 ns=$3
shift 3
c_names=" $* "
bad=0 count=0
while read -r sym; do
  name=${sym%%@*}
  version=${sym#*@}
  version=${version#@}
  [[ $name == "$node" ]] && continue # the version node's own marker
  count=$((count + 1))
  if [[ $sym != *@@"$node" ]]; then
    echo "unversioned or wrong node: $sym"
    bad=1
    continue
  fi
  [[ $c_names == *" $name "* ]] && continue
  demangled=$(c++filt "$name")
  if [[ ! $demangled =~ ^((typeinfo\ (name\ )?for|vtable\ for|(non-)?virtual\ thunk\ to)\ )?$ns:: ]]; then
    echo "outside namespace $ns: $demangled ($version)"
    bad=1
  fi
done < <(readelf --dyn-syms -W "$lib" | awk '$1 ~ /^[0-9]+:$/ && $7 != "UND" && $8 != "" {print $8}')
echo "$(basename "$lib"): $count symbols exported"
((count > 0)) || { echo "no symbols at all"; exit 1; }
exit $bad
