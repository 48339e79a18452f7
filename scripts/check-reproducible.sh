#!/usr/bin/env bash
# The full reproducibility check: the same commit cloned into two folders of
# different names, each built for release with `make dist` (the second one
# under another time zone and umask), must give the same zips, byte for byte.
# Takes two release builds' time; not part of `make test`, which checks only
# that no build folder or foreign time stamp is shipped.
# Usage: check-reproducible.sh [COMMIT]   (default: HEAD)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$top" rev-parse "${1:-HEAD}")
work=$(mktemp -d /tmp/suite-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
# A compiler cache would hand the second build the first one's objects.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER SOURCE_DATE_EPOCH

build() { # build FOLDER TZ UMASK
  git clone -q --no-checkout "$top" "$1"
  git -C "$1" checkout -q "$commit"
  (cd "$1" && umask "$3" && TZ="$2" make dist >"$1.log" 2>&1) ||
    { echo "make dist failed in $1:" >&2; tail -20 "$1.log" >&2; exit 1; }
}
build "$work/first" UTC 0022
build "$work/second-build-in-a-longer-folder-name" Pacific/Kiritimati 0002

status=0
for zip in "$work"/first/dist/*.zip; do
  other="$work/second-build-in-a-longer-folder-name/dist/$(basename "$zip")"
  if cmp -s "$zip" "$other"; then
    echo "same: $(basename "$zip") $(sha256sum <"$zip" | cut -c1-64)"
  else
    echo "DIFFERENT: $(basename "$zip")" >&2
    unzip -q "$zip" -d "$work/first-unpacked"
    unzip -q "$other" -d "$work/second-unpacked"
    diff -rq "$work/first-unpacked" "$work/second-unpacked" >&2 || true
    rm -rf "$work/first-unpacked" "$work/second-unpacked"
    status=1
  fi
done
[ -n "$(ls "$work"/first/dist/*.zip 2>/dev/null)" ] || { echo "no package built" >&2; exit 1; }
exit $status
