#!/usr/bin/env bash
# The whole fault-injection sweep: every failure point of every scenario (the
# test command samples the long ones). Prints the table and puts it at the end
# of docs/reliability.md, under "The latest table".
# Usage: fault-sweep.sh [BUILD_TREE]   (default build/windows-x64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build/windows-x64}" && pwd)
sweep="$build/tests/faults/fault_sweep.exe"
[ -f "$sweep" ] || { echo "not built: $sweep (cmake --build --preset windows-x64)" >&2; exit 2; }
prefix="$build/wineprefix"
table="$build/fault-sweep-table.md"
"$top/cmake/wine-prefix.sh" start "$prefix"
trap '"$top/cmake/wine-prefix.sh" stop "$prefix"' EXIT
rm -f "$table"
SUITE_FAULT_SWEEP=all SUITE_FAULT_TABLE="$(printf 'Z:%s' "$table" | tr / '\\')" \
  "$top/cmake/wine-run.sh" "$prefix" "$sweep"
doc="$top/docs/reliability.md"
sed -i '/^## The latest table/q' "$doc"
{ printf '\n'; cat "$table"; } >>"$doc"
