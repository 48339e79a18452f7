#!/usr/bin/env bash
# Exit 0 when the 32-bit tests can run here: the kernel runs 32-bit programs
# and Debian's 32-bit Wine is installed. Otherwise exit 1; with --why, say on
# standard error which of the two is missing.
set -u
cd "$(dirname "$0")/.."
why=""
if ! scripts/can-run-32bit.sh; then
  why="this kernel cannot run 32-bit programs"
elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  why="the 32-bit Wine (wine32:i386) is not installed; scripts/install-deps.sh said why"
fi
[ -z "$why" ] && exit 0
[ "${1:-}" = "--why" ] && echo "32-bit tests skipped: $why" >&2
exit 1
