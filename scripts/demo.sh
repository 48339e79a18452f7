#!/usr/bin/env bash
# The demo: register the plug-in in a private wine prefix and drive it through
# the stand-in IDE host, as the VESKA IDE would.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/windows-x64"
prefix="$build/demo-prefix"
run() { "$top/cmake/wine-run.sh" "$prefix" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

"$top/cmake/wine-prefix.sh" start "$prefix"
trap '"$top/cmake/wine-prefix.sh" stop "$prefix"' EXIT

dll=$(winpath "$build/module/Suite_TARNIV18.dll")
echo "== regsvr32 Suite_TARNIV18.dll"
run regsvr32 /s "$dll"
echo "registered $dll"
echo

host="$build/host/veska-host.exe"
if [ ! -f "$host" ]; then
  echo "veska-host.exe is not built" >&2
  exit 2
fi
echo "== veska-host info"
run "$host" info
