#!/usr/bin/env bash
# Runs the pattern engine's libFuzzer targets for a while each, starting from
# the seed corpus in fuzz/corpus. Builds nothing: the targets come from the
# native build (cmake --preset native && cmake --build --preset native).
#
#   scripts/run-fuzzers.sh [seconds-per-target]     (default 60)
#
# Environment: FUZZ_BUILD_DIR (default build/native), FUZZ_JOBS (parallel
# workers per target, default 1), FUZZ_KEEP (keep the work dir for a look at
# new inputs and crash files). Fails on any crash, sanitizer report, leak or
# input that runs longer than 10 s. The repository is never written: the
# corpus is copied to a temporary directory first.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build/native}"
jobs="${FUZZ_JOBS:-1}"

work="$(mktemp -d "${TMPDIR:-/tmp}/pattern-fuzz.XXXXXX")"
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
for kind in engine parser; do
  fuzzer="$build/fuzz/pattern_fuzz_$kind"
  if [ ! -x "$fuzzer" ]; then
    echo "run-fuzzers: $fuzzer not found (build the native preset with clang first)" >&2
    exit 2
  fi
  corpus="$work/corpus-$kind"
  mkdir -p "$corpus" "$work/artifacts-$kind"
  cp -R "$root/fuzz/corpus/$kind/." "$corpus/"
  echo "== pattern_fuzz_$kind: ${seconds}s"
  log="$work/$kind.log"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096
        -print_final_stats=1 -artifact_prefix="$work/artifacts-$kind/")
  if [ "$jobs" -gt 1 ]; then
    args+=(-fork="$jobs")
  fi
  if (cd "$work" && "$fuzzer" "${args[@]}" "$corpus") >"$log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|new_units_added)|^#[0-9]+ *DONE' "$log" || true
  else
    status=1
    echo "pattern_fuzz_$kind FAILED; the end of its log:" >&2
    tail -n 60 "$log" >&2
    ls -l "$work/artifacts-$kind" >&2 || true
  fi
  # A sanitizer report without a non-zero exit still counts.
  if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    status=1
    echo "pattern_fuzz_$kind: sanitizer report in the log" >&2
    grep -m5 -E 'ERROR:|runtime error:' "$log" >&2
  fi
done
exit "$status"
