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

files=()
for build in "$x64" "$x86"; do
  files+=("$build/module/Suite_TARNIV18.dll" "$build/host/veska-host.exe" "$build/tools/velc18.exe")
done
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
texts=("$package/INSTALL.md")
for arch in x64 x86; do
  build="$top/build/windows-$arch-release"
  mkdir -p "$package/$arch/stand-in" "$symbols/$arch/stand-in"
  cp "$build/module/Suite_TARNIV18.dll" "$package/$arch/"
  cp "$build/host/veska-host.exe" "$build/tools/velc18.exe" "$package/$arch/stand-in/"
  cp "$top/scripts/dist/stand-in-README.md" "$package/$arch/stand-in/README.md"
  cp "$top/docs/veska-host.md" "$package/$arch/stand-in/veska-host.md"
  cp "$build/module/Suite_TARNIV18.dll.debug" "$symbols/$arch/"
  cp "$build/host/veska-host.exe.debug" "$build/tools/velc18.exe.debug" "$symbols/$arch/stand-in/"
  texts+=("$package/$arch/stand-in/README.md" "$package/$arch/stand-in/veska-host.md")
done
mkdir -p "$package/example"
cp -r "$top/examples/blinky" "$package/example/"
cp "$top/INSTALL.md" "$package/"
# The commit the package is built from, for rebuilding it to the byte.
commit=$(git -C "$top" rev-parse HEAD 2>/dev/null || echo unknown)
git -C "$top" diff --quiet HEAD -- 2>/dev/null || commit="$commit, with local changes"
printf 'Suite_TARNIV18 %s\r\ncommit %s\r\n' "$version" "$commit" >"$package/SOURCE"

# Windows line ends for the text a user opens in Notepad.
for text in "${texts[@]}"; do
  sed -i 's/\r*$/\r/' "$text"
done
(cd "$package" && find . -type f ! -name SHA256SUMS | LC_ALL=C sort | sed 's|^\./||' |
  xargs sha256sum >SHA256SUMS)

# The same bytes for the same commit: every entry dated with the commit's time
# (the one the linker stamped), fixed modes (not the umask's), sorted
# entries, no extra fields.
epoch=$("$top/scripts/source-date-epoch.sh")
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
find "$stage" -exec touch -h -d "@$epoch" {} +
rm -rf "$dist"
mkdir -p "$dist"
for folder in "$name" "$name-debug"; do
  (cd "$stage" && find "$folder" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$dist/$folder.zip")
done
echo "wrote dist/$name.zip and dist/$name-debug.zip"
