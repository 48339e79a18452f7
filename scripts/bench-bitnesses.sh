#!/usr/bin/env bash
# The no-op Make ratio and the memory per source of the x64 and the x86
# release builds, measured the same way, one right after the other, each in
# its build tree's prefix. Figures mean something only on a quiet machine:
# it refuses to start when the load average is 1 or more (--force to run
# anyway, and say so beside the figures).
# Usage: bench-bitnesses.sh [--force] [MAKE_SOURCES...]   (default: 2000 20000)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
force=no
[ "${1:-}" = --force ] && { force=yes; shift; }
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 20000)

load=$(cut -d' ' -f1 /proc/loadavg)
if awk -v l="$load" 'BEGIN { exit !(l >= 1) }'; then
  if [ "$force" = no ]; then
    echo "load average $load: figures taken now would measure the load; stop what runs beside them, or --force" >&2
    exit 2
  fi
  echo "warning: load average $load at the start; these figures are taken under load" >&2
fi

arches=(x64 x86)
if ! scripts/can-test-32bit.sh; then
  scripts/can-test-32bit.sh --why 2>&1 | sed 's/tests skipped/figures skipped/' >&2
  arches=(x64)
fi
for arch in "${arches[@]}"; do
  build="build/windows-$arch-release"
  cmake --preset "windows-$arch-release" >/dev/null
  cmake --build "$build" --target driver_bench >/dev/null
  prefix="$top/$build/wineprefix"
  cmake/wine-prefix.sh start "$prefix"
  echo "== $arch: no-op Make (load average $(cut -d' ' -f1 /proc/loadavg))"
  cmake/wine-run.sh "$prefix" "$build/bench/driver/driver_bench.exe" "${sizes[@]}"
  echo "== $arch: memory (load average $(cut -d' ' -f1 /proc/loadavg))"
  cmake/wine-run.sh "$prefix" "$build/bench/driver/driver_bench.exe" --memory 200 "${sizes[@]: -1}"
  cmake/wine-prefix.sh stop "$prefix"
done
