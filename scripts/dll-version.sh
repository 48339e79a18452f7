#!/usr/bin/env bash
# Prints the file version of a Windows DLL or program (e.g. 1.22.3.0), read
# from its version resource: the fixed part that follows the UTF-16 key
# "VS_VERSION_INFO" and its padding, which starts with 0xFEEF04BD.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 FILE.dll" >&2; exit 2; }
key='V\x00S\x00_\x00V\x00E\x00R\x00S\x00I\x00O\x00N\x00_\x00I\x00N\x00F\x00O\x00\x00\x00\x00\x00\xbd\x04\xef\xfe'
offset=$(LC_ALL=C grep -obUaP "$key" "$1" | head -n1 | cut -d: -f1)
[ -n "$offset" ] || { echo "$0: no version resource in $1" >&2; exit 1; }
# After the key (32 bytes), its padding (2) and the signature and structure
# version (8): dwFileVersionMS and dwFileVersionLS, as little-endian words
# minor, major, revision, build.
read -r minor major revision build < <(od -An -tu2 -j $((offset + 34 + 8)) -N8 "$1")
echo "$major.$minor.$build.$revision"
