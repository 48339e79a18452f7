#!/usr/bin/env bash
# Packs the release builds (build/windows-x64-release, build/windows-x86-release)
# into dist/Suite_TARNIV18-<version>.zip, the version read from the DLL's own
# version resource, and their debug information into
# dist/Suite_TARNIV18-<version>-debug.zip.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
x64="$top/build/windows-x64-release"
x86="$top/build/windows-x86-release"
dist="$top/dist"

files=("$x64/module/Suite_TARNIV18.dll" "$x86/module/Suite_TARNIV18.dll"
  "$x64/host/veska-host.exe" "$x64/tools/velc18.exe")
for f in "${files[@]}"; do
  [ -f "$f" ] && [ -f "$f.debug" ] || { echo "not built for release: $f (and $f.debug)" >&2; exit 2; }
done

version=$("$top/scripts/dll-version.sh" "$x64/module/Suite_TARNIV18.dll")
version86=$("$top/scripts/dll-version.sh" "$x86/module/Suite_TARNIV18.dll")
[ "$version" = "$version86" ] || { echo "the two DLLs differ: $version and $version86" >&2; exit 1; }
name="Suite_TARNIV18-$version"

stage="$x64/dist-stage"
rm -rf "$stage"
package="$stage/$name"
symbols="$stage/$name-debug"
mkdir -p "$package/x86" "$package/x64/stand-in" "$package/example" "$symbols/x86" "$symbols/x64/stand-in"
cp "$x86/module/Suite_TARNIV18.dll" "$package/x86/"
cp "$x64/module/Suite_TARNIV18.dll" "$package/x64/"
cp "$x64/host/veska-host.exe" "$x64/tools/velc18.exe" "$package/x64/stand-in/"
cp "$top/scripts/dist/stand-in-README.md" "$package/x64/stand-in/README.md"
cp -r "$top/examples/blinky" "$package/example/"
cp "$top/INSTALL.md" "$package/"
cp "$x86/module/Suite_TARNIV18.dll.debug" "$symbols/x86/"
cp "$x64/module/Suite_TARNIV18.dll.debug" "$symbols/x64/"
cp "$x64/host/veska-host.exe.debug" "$x64/tools/velc18.exe.debug" "$symbols/x64/stand-in/"

# Windows line ends for the text a user opens in Notepad.
for text in "$package/INSTALL.md" "$package/x64/stand-in/README.md"; do
  sed -i 's/\r*$/\r/' "$text"
done
(cd "$package" && find . -type f ! -name SHA256SUMS | LC_ALL=C sort | sed 's|^\./||' |
  xargs sha256sum >SHA256SUMS)

# The same bytes for the same inputs: fixed times, sorted entries, no extra fields.
find "$stage" -exec touch -h -d '2026-01-01 00:00:00 UTC' {} +
rm -rf "$dist"
mkdir -p "$dist"
for folder in "$name" "$name-debug"; do
  (cd "$stage" && find "$folder" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$dist/$folder.zip")
done
echo "wrote dist/$name.zip and dist/$name-debug.zip"
