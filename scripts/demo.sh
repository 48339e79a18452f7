#!/usr/bin/env bash
# The demo: register the plug-in in a private wine prefix and drive it through
# the stand-in IDE host as the VESKA IDE would: what the suite says about
# itself, then Build All and Make of the example project, new compiler options
# through the compiler's option page and the Make that follows, and a failing
# Compile.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/windows-x64"
prefix="$build/demo-prefix"
work="$build/demo"
host="$build/host/veska-host.exe"
run() { "$top/cmake/wine-run.sh" "$prefix" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
step() { printf '\n== %s\n' "$*"; }

for f in "$build/module/Suite_TARNIV18.dll" "$host" "$build/tools/velc18.exe"; do
  [ -f "$f" ] || { echo "not built: $f" >&2; exit 2; }
done

"$top/cmake/wine-prefix.sh" start "$prefix"
trap '"$top/cmake/wine-prefix.sh" stop "$prefix"' EXIT

step "regsvr32 Suite_TARNIV18.dll"
run regsvr32 /s "$(winpath "$build/module/Suite_TARNIV18.dll")"
echo "registered $(winpath "$build/module/Suite_TARNIV18.dll")"

step "veska-host info"
run "$host" info

# A fresh copy of the example, with the tool locations of this build.
rm -rf "$work"
mkdir -p "$work"
cp -r "$top/examples/blinky" "$work/"
velc18=$(winpath "$build/tools/velc18.exe")
for ini in "$work"/blinky/*.ini; do
  printf '\n[Tool Locations]\nT_TARNIV18as=%s\nT_TARNIV18cc=%s\nT_TARNIV18ld=%s\n' \
    "$velc18" "$velc18" "$velc18" >>"$ini"
done
project=$(winpath "$work/blinky/blinky.ini")

step "veska-host build blinky.ini   (Build All)"
run "$host" build "$project" 2>&1

step "veska-host make blinky.ini    (Make: every source is up to date)"
run "$host" make "$project" 2>&1

step "veska-host options blinky.ini cc   (the compiler page: warning level 5, a macro, OK)"
run "$host" options "$project" cc --do "category 2" --do "select 223 15" \
  --do "category 0" --do "macro LED_PIN=3" --do ok 2>&1

step "veska-host make blinky.ini    (Make: the C sources' options changed)"
run "$host" make "$project" 2>&1

step "veska-host compile selftest.ini src\\selftest.c   (a source with a fault)"
status=0
run "$host" compile "$(winpath "$work/blinky/selftest.ini")" 'src\selftest.c' 2>&1 || status=$?
echo "(veska-host exit code $status: the tool reported failure)"
[ "$status" -eq 1 ]
