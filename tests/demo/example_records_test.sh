#!/usr/bin/env bash
# The example built with --compile-commands and --sarif through the real
# veska-host.exe, plug-in and stand-in driver; then Debian's clangd checks
# each C source with the database beside it (its Z:\ paths mapped back to
# this machine's), and Microsoft's validator checks the SARIF logs of the
# clean build and of the failing Compile of selftest.ini.
# Usage: example_records_test.sh PREFIX VESKA_HOST VELC18 PLUGIN_DLL EXAMPLE WORK
set -euo pipefail
prefix="$1" host="$2" velc18="$3" dll="$4" example="$5" work="$6"
top=$(cd "$(dirname "$0")/../.." && pwd)
run() { "$top/cmake/wine-run.sh" "$prefix" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

validator=$("$top/scripts/install-sarif-validator.sh")
run regsvr32 /s "$(winpath "$dll")"
rm -rf "$work"
mkdir -p "$work"
cp -r "$example" "$work/blinky"
project="$work/blinky"
for ini in "$project"/*.ini; do
  printf '\r\n[Tool Locations]\r\nT_TARNIV18as=%s\r\nT_TARNIV18cc=%s\r\nT_TARNIV18ld=%s\r\n' \
    "$(winpath "$velc18")" "$(winpath "$velc18")" "$(winpath "$velc18")" >>"$ini"
done

# Build All: one progress line per tool run, the database of the two C sources.
cd "$project"
run "$host" build blinky.ini --compile-commands compile_commands.json --sarif build.sarif \
  >"$work/build.out" 2>"$work/build.err" || fail "Build All exited $?: $(cat "$work/build.out" "$work/build.err")"
expected_progress=$'[1/4] as src\\start.as\n[2/4] cc src\\main.c\n[3/4] cc src\\led.c\n[4/4] ld out\\blinky.hex'
[ "$(cat "$work/build.err")" = "$expected_progress" ] || fail "Build All's standard error: $(cat "$work/build.err")"
entries=$(grep -c '"file":' compile_commands.json || true)
[ "$entries" = 2 ] || fail "the database has $entries entries, not 2: $(cat compile_commands.json)"

# clangd on this machine: Z:\x\y as /x/y.
sed -e 's|Z:\\\\|/|g' -e 's|\\\\|/|g' compile_commands.json >"$work/linux_compile_commands.json"
cp "$work/linux_compile_commands.json" "$project/compile_commands.json"
for source in src/main.c src/led.c; do
  log="$work/clangd-$(basename "$source").log"
  clangd --check="$project/$source" >"$log" 2>&1 || true
  grep -q 'All checks completed, 0 errors' "$log" || fail "clangd --check=$source: $(grep -E 'E\[|error' "$log")"
  grep -q -- "-I$project/include" "$log" || fail "clangd did not take the include option for $source"
  grep -q -- "-DBLINK_TICKS=500" "$log" || fail "clangd did not take the -D macro for $source"
done
# Without the include option and the macro main.c does not check: the
# checks above can fail.
grep -v -e '"-I' -e '"-D' "$work/linux_compile_commands.json" >"$project/compile_commands.json"
clangd --check="$project/src/main.c" >"$work/clangd-bare.log" 2>&1 || true
grep -q 'All checks completed, 0 errors' "$work/clangd-bare.log" &&
  fail "clangd finds board.h and BLINK_TICKS without the database's -I and -D"

validate() {
  local log="$1"
  "$validator" validate "$log" >"$log.validation" 2>&1 || fail "the validator exited $? on $log"
  if grep -E ': error [A-Z]+[0-9]+:' "$log.validation"; then
    fail "the validator found errors in $log"
  fi
  grep -q 'Done. 1 files scanned' "$log.validation" || fail "the validator did not scan $log: $(cat "$log.validation")"
}
validate "$project/build.sarif"
grep -q '"results": \[\]' build.sarif || fail "the clean build has results: $(cat build.sarif)"

# The failing Compile: one result at src/selftest.c line 4.
status=0
run "$host" compile selftest.ini 'src\selftest.c' --quiet --sarif selftest.sarif \
  >"$work/compile.out" 2>"$work/compile.err" || status=$?
[ "$status" = 1 ] || fail "the failing Compile exited $status"
validate "$project/selftest.sarif"
grep -q '"uri": "src/selftest.c"' selftest.sarif && grep -q '"startLine": 4' selftest.sarif &&
  grep -q '"ruleId": "Error\[100\]"' selftest.sarif || fail "the Compile's log: $(cat selftest.sarif)"
# --quiet: the placed message alone.
[ "$(wc -l <"$work/compile.err")" = 1 ] || fail "--quiet still shows progress: $(cat "$work/compile.err")"

[ "$failures" -eq 0 ] || exit 1
echo "clangd checked 2 sources with 0 errors; the validator accepted 2 SARIF logs"
