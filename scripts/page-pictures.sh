#!/usr/bin/env bash
# Regenerates docs/pages/*.png: every category of every option page and the
# suite page, opened by the stand-in IDE host on the tools' default texts.
# Usage: page-pictures.sh [BUILD_TREE]   (default build/windows-x64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build/windows-x64}" && pwd)
prefix="$build/pictures-prefix"
work="$build/pictures"
host="$build/host/veska-host.exe"
dll="$build/module/Suite_TARNIV18.dll"
out="$top/docs/pages"
run() { "$top/cmake/wine-run.sh" "$prefix" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

for f in "$dll" "$host"; do
  [ -f "$f" ] || { echo "not built: $f" >&2; exit 2; }
done

"$top/cmake/wine-prefix.sh" start "$prefix"
trap '"$top/cmake/wine-prefix.sh" stop "$prefix"' EXIT
run regsvr32 /s "$(winpath "$dll")"

# A throwaway project: no tool sections, so every page opens on its tool's default text.
rm -rf "$work"
mkdir -p "$work" "$out"
printf '[Sources]\nFile=main.c\n' >"$work/pictures.ini"
project=$(winpath "$work/pictures.ini")

# picture NAME TOOL [CATEGORY]
picture() {
  local png
  png=$(winpath "$out/$1.png")
  if [ $# -eq 3 ]; then
    run "$host" options "$project" "$2" --do "category $3" --do "png $png" >/dev/null
  else
    run "$host" options "$project" "$2" --png "$png" >/dev/null
  fi
  echo "docs/pages/$1.png"
}

picture assembler as 0
picture compiler-general cc 0
picture compiler-output-debug cc 1
picture compiler-diagnostics cc 2
picture linker ld 0
picture suite suite
