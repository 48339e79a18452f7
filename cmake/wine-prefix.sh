#!/usr/bin/env bash
# Prepares or stops the private wine prefix of a build tree.
#   wine-prefix.sh start PREFIX   create it on first use (null graphics driver)
#                                 and leave one persistent wineserver running
#   wine-prefix.sh stop PREFIX    stop that wineserver
set -euo pipefail
action="$1"
export WINEPREFIX="$2"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
server=/usr/lib/wine/wineserver64
wine=/usr/lib/wine/wine64

case "$action" in
start)
  if [ ! -f "$WINEPREFIX/.suite-ready" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$server" -w
    touch "$WINEPREFIX/.suite-ready"
  fi
  "$server" -k >/dev/null 2>&1 || true
  "$server" -w
  # One server for the whole run: every process then starts quickly.
  nohup "$server" -p </dev/null >/dev/null 2>&1 &
  # Wait until it answers.
  "$wine" cmd /c exit 0 >/dev/null 2>&1
  ;;
stop)
  "$server" -k >/dev/null 2>&1 || true
  "$server" -w >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: $0 start|stop PREFIX" >&2
  exit 2
  ;;
esac
