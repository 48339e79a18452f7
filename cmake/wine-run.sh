#!/usr/bin/env bash
# Runs a Windows program under wine64 in the build tree's private prefix.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec /usr/lib/wine/wine64 "$@"
