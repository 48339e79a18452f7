#!/usr/bin/env bash
# The cheap half of the reproducibility check, run on every package made: no
# file shipped in dist/*.zip holds the path of the folder it was built in,
# every PE time stamp is the commit's time (or none), and every zip entry is
# dated with it. scripts/check-reproducible.sh does the full check: two
# builds of one commit in two folders, compared byte for byte.
# Usage: check-dist-stamps.sh [DIST_DIR]
set -euo pipefail
export LC_ALL=C
top=$(cd "$(dirname "$0")/.." && pwd)
dist="${1:-$top/dist}"
epoch=$("$top/scripts/source-date-epoch.sh")
epoch_hex=$(printf '%08x' "$epoch")
widl_date=$(TZ=UTC LC_ALL=C date -d "@$epoch" '+%a %b %e %H:%M:%S %Y')
zip_date=$(TZ=UTC date -d "@$epoch" +%Y%m%d.%H%M%S)
# zip keeps even seconds: an odd second is rounded to one beside it.
zip_date_below=$(TZ=UTC date -d "@$((epoch - epoch % 2))" +%Y%m%d.%H%M%S)
zip_date_above=$(TZ=UTC date -d "@$((epoch + epoch % 2))" +%Y%m%d.%H%M%S)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The checkout's path as narrow text and as UTF-16, the two forms a program
# keeps strings in.
# (The UTF-16 form as a pattern of escaped bytes, each character then \x00.)
utf16_path=$(printf '%s' "$top" | od -An -tx1 -v | tr -s ' \n' ' ' | sed 's/ \([0-9a-f][0-9a-f]\)/\\x\1\\x00/g; s/ //g')

shopt -s nullglob
zips=("$dist"/Suite_TARNIV18-*.zip)
[ ${#zips[@]} -gt 0 ] || { echo "$0: no package in $dist: run make dist" >&2; exit 2; }
for zip in "${zips[@]}"; do
  name=$(basename "$zip")
  while read -r date entry; do
    [ "$date" = "$zip_date" ] || [ "$date" = "$zip_date_below" ] || [ "$date" = "$zip_date_above" ] ||
      fail "$name: $entry is dated $date, not the commit's $zip_date"
  done < <(zipinfo -T "$zip" | awk 'NF >= 8 && $1 ~ /^[-d]/ { print $7, $8 }')

  unpacked="$work/${name%.zip}"
  unzip -q "$zip" -d "$unpacked"
  while IFS= read -r -d '' file; do
    shipped="$name:${file#"$unpacked"/}"
    grep -qaF "$top" "$file" && fail "$shipped holds the build's folder $top"
    grep -qaP "$utf16_path" "$file" &&
      fail "$shipped holds the build's folder $top as UTF-16"
    # The type library the DLL carries says when it was made.
    while IFS= read -r made; do
      [ "$made" = "$widl_date" ] || fail "$shipped: its type library was made at $made, not at the commit's $widl_date"
    done < <(grep -aoP 'Created by WIDL version [0-9.]+ at \K[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]{2} [0-9:]{8} [0-9]{4}' "$file" || true)
    case "$file" in
    *.dll | *.exe | *.debug)
      header=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
      stamp=$(od -An -tu4 -j$((header + 8)) -N4 "$file" | tr -d ' ')
      [ "$stamp" = "$epoch" ] || fail "$shipped: the PE header's time stamp is $stamp, not the commit's $epoch"
      while read -r other; do
        [ "$other" = "$epoch_hex" ] || [ "$((16#$other))" -eq 0 ] ||
          fail "$shipped: a directory's time stamp is $other, not the commit's $epoch_hex"
      done < <(x86_64-w64-mingw32-objdump -p "$file" 2>/dev/null | sed -n 's/^Time\/Date stamp[[:space:]]*\([0-9a-fA-F]*\)$/\1/p')
      ;;
    esac
  done < <(find "$unpacked" -type f -print0)
done

[ "$failures" -eq 0 ] || exit 1
echo "dist: no build folder and no time but the commit's ($(TZ=UTC date -d "@$epoch" '+%F %T UTC')) in ${#zips[@]} packages"
