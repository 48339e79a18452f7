#!/usr/bin/env bash
# Installs the release package as INSTALL.md tells a user, in a fresh wine
# prefix of its own: unpack, check the sums and the DLLs' imports and exports,
# register the x64 DLL with regsvr32, `veska-host info` and a Build All of the
# example from the unpacked files, unregister, and check that every registry
# key the registration added is gone.
# Usage: install_test.sh DIST_DIR WORK_DIR
set -euo pipefail
export LC_ALL=C # one order for sort and comm
dist="$1"
work="$2"
top=$(cd "$(dirname "$0")/../.." && pwd)

zips=()
for zip in "$dist"/Suite_TARNIV18-*.zip; do
  [[ -f "$zip" && "$zip" != *-debug.zip ]] && zips+=("$zip")
done
if [ ${#zips[@]} -ne 1 ]; then
  echo "SKIP: expected one package in $dist, found ${#zips[@]}: run make dist first"
  exit 77
fi
zip="${zips[0]}"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"
unzip -q "$zip" -d "$work/unpacked"
name=$(basename "$zip" .zip)
package="$work/unpacked/$name"
[ -d "$package" ] || { echo "FAIL: $zip does not hold the folder $name"; exit 1; }
(cd "$package" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
for dll in x86/Suite_TARNIV18.dll x64/Suite_TARNIV18.dll; do
  version=$("$top/scripts/dll-version.sh" "$package/$dll")
  [ "$name" = "Suite_TARNIV18-$version" ] || fail "$dll has version $version, the package is $name"
done

"$top/cmake/wine-prefix.sh" start "$prefix"
trap '"$top/cmake/wine-prefix.sh" stop "$prefix"' EXIT
run() { "$top/cmake/wine-run.sh" "$prefix" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# Every DLL the release DLLs load must be one the system has: a mingw runtime
# DLL would be missing from a bare Windows. (The 32-bit system DLLs have the
# same names; this prefix has only the 64-bit ones.) Exports: the four, by
# plain name.
system="$prefix/drive_c/windows/system32"
for arch in x64:x86_64 x86:i686; do
  IFS=: read -r folder triple <<<"$arch"
  table=$("$triple-w64-mingw32-objdump" -p "$package/$folder/Suite_TARNIV18.dll")
  imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$table")
  [ -n "$imports" ] || fail "$folder: no imports read"
  for import in $imports; do
    find "$system" -maxdepth 1 -iname "$import" | grep -q . ||
      fail "$folder imports $import, which is not a system DLL"
  done
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table\|\[Name Pointer\/Ordinal\] Table/,/^$/p' <<<"$table" |
    sed -n 's/^\s*\[ *[0-9]*\] \([A-Za-z_@0-9]*\)$/\1/p' | sort | tr '\n' ' ')
  [ "$exports" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ] ||
    fail "$folder exports '$exports'"
done

# The keys under HKLM\Software (the classes, their 32-bit view and the IDE's
# key: wherever registration writes), as reg exports them.
keys() {
  run reg export 'HKLM\Software' "$(winpath "$work/software.reg")" /y >/dev/null
  iconv -f UTF-16 -t UTF-8 "$work/software.reg" | tr -d '\r' |
    sed -n 's/^\[HKEY_LOCAL_MACHINE\\Software\\\(.*\)\]$/\1/p' | sort
}
dll=$(winpath "$package/x64/Suite_TARNIV18.dll")
host="$package/x64/stand-in/veska-host.exe"
# The IDE's own key, there before the plug-in on a user's machine.
run reg add 'HKLM\Software\Corvane\VESKA IDE\ProcAbout' /f >/dev/null
before=$(keys)
run regsvr32 /s "$dll" || fail "regsvr32 $dll exited $?"
added=$(comm -13 <(echo "$before") <(keys))
for key in 'Classes\CLSID\{02793D61-B4CC-4279-87F0-DD5B6152E699}\InprocServer32' \
  'Classes\Suite_TARNIV18.S_TARNIV18' 'Classes\TypeLib\{E0C28EC2-E597-4BD7-818A-3DF0047BBC45}' \
  'Corvane\VESKA IDE\ProcAbout\Suite_TARNIV18'; do
  grep -qixF "$key" <<<"$added" || fail "registration did not add $key"
done

info=$(cd "$package" && run "$host" info 2>&1) || fail "veska-host info exited $?: $info"
# The unpacked DLL serves every class and the suite lists its tools.
grep -qxF "Module: $dll" <<<"$info" && ! grep -q 'not served' <<<"$info" && grep -qx 'Tools (3):' <<<"$info" ||
  fail "veska-host info: $info"

# The example as INSTALL.md has it tried: a copy with the stand-in driver's location.
cp -r "$package/example/blinky" "$work/blinky"
velc18=$(winpath "$package/x64/stand-in/velc18.exe")
printf '\r\n[Tool Locations]\r\nT_TARNIV18as=%s\r\nT_TARNIV18cc=%s\r\nT_TARNIV18ld=%s\r\n' \
  "$velc18" "$velc18" "$velc18" >>"$work/blinky/blinky.ini"
build=$(cd "$work/blinky" && run "$host" build blinky.ini 2>&1) || fail "Build All exited $?: $build"
grep -q '^BUILD SUCCEEDED: ' <<<"$build" || fail "Build All did not succeed: $build"
[ -s "$work/blinky/out/blinky.hex" ] || fail "Build All wrote no out/blinky.hex"

run regsvr32 /u /s "$dll" || fail "regsvr32 /u $dll exited $?"
left=$(comm -12 <(echo "$added") <(keys))
[ -z "$left" ] || fail "unregistration left these keys: $left"

[ "$failures" -eq 0 ] || exit 1
echo "installed, built and removed $name"
