#!/usr/bin/env bash
# Prints the time a release build stamps into everything it ships, in seconds
# since 1970: SOURCE_DATE_EPOCH when it is set, else the time of the commit
# checked out. The same commit then gives the same bytes on any day.
set -euo pipefail
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "$SOURCE_DATE_EPOCH"
  exit 0
fi
top=$(cd "$(dirname "$0")/.." && pwd)
git -C "$top" log -1 --format=%ct 2>/dev/null | grep . ||
  { echo "$0: not a git checkout: set SOURCE_DATE_EPOCH to the release's time" >&2; exit 1; }
