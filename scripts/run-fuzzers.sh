#!/usr/bin/env bash
# Runs the libFuzzer targets for a while each, starting from the seed corpus
# in fuzz/corpus. Builds nothing: the targets come from the native build
# (cmake --preset native && cmake --build --preset native), or for long
# campaigns from the throughput build (the native-fuzz preset, with
# FUZZ_BUILD_DIR=build/native-fuzz).
#
#   scripts/run-fuzzers.sh [--runs N] [--only NAME,...] [seconds-per-target]
#
# seconds-per-target (default 60) caps each target's time; --runs N stops a
# target after N executions if that comes first (long runs: --runs 10000000
# 3600). --only picks targets by corpus name (engine, parser, tool_message,
# command_line_text, tool_options, build_records).
#
# Environment: FUZZ_BUILD_DIR (default build/native), FUZZ_JOBS (parallel
# workers per target, default 1), FUZZ_KEEP (keep the work dir for a look at
# new inputs and crash files). Fails on any crash, sanitizer report, leak or
# input that runs longer than 10 s. The repository is never written: the
# corpus is copied to a temporary directory first.
set -euo pipefail

runs=""
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    *) break ;;
  esac
done
seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build/native}"
[ -d "$build" ] && build="$(cd "$build" && pwd)" # the fuzzers run in the work dir
jobs="${FUZZ_JOBS:-1}"

work="$(mktemp -d "${TMPDIR:-/tmp}/suite-fuzz.XXXXXX")"
cleanup() {
  if [ -n "${FUZZ_KEEP:-}" ]; then
    echo "fuzz work dir kept: $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

status=0
# corpus name:binary
targets=(engine:pattern_fuzz_engine parser:pattern_fuzz_parser tool_message:suite_fuzz_tool_message
         command_line_text:suite_fuzz_command_line_text tool_options:suite_fuzz_tool_options
         build_records:host_fuzz_build_records)
for target in "${targets[@]}"; do
  kind="${target%%:*}"
  name="${target#*:}"
  if [ -n "$only" ] && [[ ",$only," != *",$kind,"* ]]; then
    continue
  fi
  fuzzer="$build/fuzz/$name"
  if [ ! -x "$fuzzer" ]; then
    echo "run-fuzzers: $fuzzer not found (build the native preset with clang first)" >&2
    exit 2
  fi
  corpus="$work/corpus-$kind"
  mkdir -p "$corpus" "$work/artifacts-$kind"
  cp -R "$root/fuzz/corpus/$kind/." "$corpus/"
  echo "== $name: ${seconds}s${runs:+ or $runs runs}"
  log="$work/$kind.log"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096
        -print_final_stats=1 -artifact_prefix="$work/artifacts-$kind/")
  if [ -n "$runs" ]; then
    args+=(-runs="$runs")
  fi
  if [ "$jobs" -gt 1 ]; then
    args+=(-fork="$jobs")
  fi
  if (cd "$work" && "$fuzzer" "${args[@]}" "$corpus") >"$log" 2>&1; then
    # Executions, time, and the last coverage line (cov, ft, corpus size).
    grep -E '^stat::(number_of_executed_units|new_units_added)|^Done [0-9]+ runs' "$log" || true
    grep -E '^#[0-9]+.*cov:' "$log" | tail -n 1 || true
  else
    status=1
    echo "$name FAILED; the end of its log:" >&2
    tail -n 60 "$log" >&2
    ls -l "$work/artifacts-$kind" >&2 || true
  fi
  # A sanitizer report without a non-zero exit still counts.
  if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    status=1
    echo "$name: sanitizer report in the log" >&2
    grep -m5 -E 'ERROR:|runtime error:' "$log" >&2
  fi
done
exit "$status"
