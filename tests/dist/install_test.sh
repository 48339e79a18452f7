#!/usr/bin/env bash
# Installs the release package as INSTALL.md tells a user, in a fresh wine
# prefix of its own: unpack, check the sums and the DLLs' imports and exports,
# then at each bitness: register the DLL with that bitness's regsvr32 (the
# 32-bit one under SysWOW64), check the registration as INSTALL.md does,
# `veska-host info` and a Build All of the example through the stand-in host
# of that bitness, unregister, and check that every registry key the
# registration added is gone. Where this kernel cannot run 32-bit programs
# the 32-bit half is skipped, and said so.
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

can_run_32bit=yes
"$top/scripts/can-test-32bit.sh" || can_run_32bit=no

# Every DLL the release DLLs load must be one the system has: a mingw runtime
# DLL would be missing from a bare Windows. Exports: the four, by plain name.
for arch in x64:x86_64:system32 x86:i686:syswow64; do
  IFS=: read -r folder triple systemdir <<<"$arch"
  system="$prefix/drive_c/windows/$systemdir"
  # Without 32-bit wine the prefix has only the 64-bit DLLs, of the same names.
  [ -n "$(ls -A "$system" 2>/dev/null)" ] || system="$prefix/drive_c/windows/system32"
  for file in Suite_TARNIV18.dll stand-in/veska-host.exe stand-in/velc18.exe; do
    table=$("$triple-w64-mingw32-objdump" -p "$package/$folder/$file")
    grep -q "^architecture: $( [ "$folder" = x64 ] && echo i386:x86-64 || echo i386)," <<<"$table" ||
      grep -q "file format pei-$( [ "$folder" = x64 ] && echo x86-64 || echo i386)" <<<"$table" ||
      fail "$folder/$file is not a $folder program"
    imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$table")
    [ -n "$imports" ] || fail "$folder/$file: no imports read"
    for import in $imports; do
      find "$system" -maxdepth 1 -iname "$import" | grep -q . ||
        fail "$folder/$file imports $import, which is not a system DLL"
    done
  done
  table=$("$triple-w64-mingw32-objdump" -p "$package/$folder/Suite_TARNIV18.dll")
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
version=$("$top/scripts/dll-version.sh" "$package/x64/Suite_TARNIV18.dll")

# install ARCH REGSVR32 VIEW: INSTALL.md's steps for the DLL of one bitness,
# VIEW the registry view reg is told (/reg:64 or /reg:32).
install() {
  local arch="$1" regsvr32="$2" view="$3"
  local dll host velc18 before added
  dll=$(winpath "$package/$arch/Suite_TARNIV18.dll")
  host="$package/$arch/stand-in/veska-host.exe"
  velc18=$(winpath "$package/$arch/stand-in/velc18.exe")
  # The IDE's own key, there before the plug-in on a user's machine.
  run reg add 'HKLM\Software\Corvane\VESKA IDE\ProcAbout' "$view" /f >/dev/null
  before=$(keys)
  run "$regsvr32" /s "$dll" || fail "$arch: $regsvr32 $dll exited $?"
  added=$(comm -13 <(echo "$before") <(keys))
  # Keys as extended expressions. The 32-bit classes are in the 32-bit view
  # (Wow6432Node, under Classes or above it, as the registry links them); the
  # ProgID and type library may be shared by both views or kept in the 32-bit one.
  local clsid='Classes\\CLSID' shared='Classes' ide='Corvane'
  if [ "$view" = /reg:32 ]; then
    clsid='(Wow6432Node\\Classes|Classes\\Wow6432Node)\\CLSID'
    shared='(Wow6432Node\\Classes|Classes(\\Wow6432Node)?)'
    ide='Wow6432Node\\Corvane'
  fi
  for key in "$clsid\\\\\{02793D61-B4CC-4279-87F0-DD5B6152E699\}\\\\InprocServer32" \
    "$shared\\\\Suite_TARNIV18\\.S_TARNIV18" "$shared\\\\TypeLib\\\\\{E0C28EC2-E597-4BD7-818A-3DF0047BBC45\}" \
    "$ide\\\\VESKA IDE\\\\ProcAbout\\\\Suite_TARNIV18"; do
    grep -qiE "^$key$" <<<"$added" || fail "$arch: registration added no key matching $key"
  done

  # INSTALL.md's check: the IDE's entry in this bitness's view of the registry.
  local entry
  entry=$(run reg query 'HKLM\SOFTWARE\Corvane\VESKA IDE\ProcAbout\Suite_TARNIV18' "$view" 2>&1 | tr -d '\r') ||
    fail "$arch: reg query $view of the ProcAbout entry exited $?: $entry"
  grep -qiE "^\s*ModulePath\s+REG_SZ\s+$(sed 's/[\\.]/\\&/g' <<<"$dll")$" <<<"$entry" ||
    fail "$arch: ModulePath is not $dll: $entry"
  grep -qE "^\s*ProductVersion\s+REG_SZ\s+$version$" <<<"$entry" || fail "$arch: ProductVersion is not $version: $entry"

  local info
  info=$(cd "$package" && run "$host" info 2>&1) || fail "$arch: veska-host info exited $?: $info"
  # The unpacked DLL serves every class and the suite lists its tools.
  grep -qxF "Module: $dll" <<<"$info" && ! grep -q 'not served' <<<"$info" && grep -qx 'Tools (3):' <<<"$info" ||
    fail "$arch: veska-host info: $info"

  # The example as INSTALL.md has it tried: a copy with the stand-in driver's location.
  local project="$work/$arch/blinky" build
  mkdir -p "$work/$arch"
  cp -r "$package/example/blinky" "$project"
  printf '\r\n[Tool Locations]\r\nT_TARNIV18as=%s\r\nT_TARNIV18cc=%s\r\nT_TARNIV18ld=%s\r\n' \
    "$velc18" "$velc18" "$velc18" >>"$project/blinky.ini"
  build=$(cd "$project" && run "$host" build blinky.ini 2>&1) || fail "$arch: Build All exited $?: $build"
  grep -q '^BUILD SUCCEEDED: ' <<<"$build" || fail "$arch: Build All did not succeed: $build"
  [ -s "$project/out/blinky.hex" ] || fail "$arch: Build All wrote no out/blinky.hex"

  run "$regsvr32" /u /s "$dll" || fail "$arch: $regsvr32 /u $dll exited $?"
  local left
  left=$(comm -12 <(echo "$added") <(keys))
  [ -z "$left" ] || fail "$arch: unregistration left these keys: $left"
  # The IDE's key is the IDE's: unregistration leaves it.
  run reg query 'HKLM\Software\Corvane\VESKA IDE\ProcAbout' "$view" >/dev/null 2>&1 ||
    fail "$arch: unregistration removed the IDE's ProcAbout key"
}

install x64 'C:\windows\system32\regsvr32.exe' /reg:64
if [ "$can_run_32bit" = yes ]; then
  install x86 'C:\windows\syswow64\regsvr32.exe' /reg:32
else
  echo "32-bit install skipped: this kernel cannot run 32-bit programs"
fi

[ "$failures" -eq 0 ] || exit 1
echo "installed, built and removed $name"
