#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: packages already present are not touched. Where this kernel
# runs 32-bit programs it adds the i386 architecture and Debian's 32-bit wine,
# so that the 32-bit DLL the IDE loads is tested too; where it cannot, the
# 32-bit tests are skipped and `make test` says so.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build make
  g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  mingw-w64-tools
  wine wine64 libwine-dev
  googletest libgtest-dev libbenchmark-dev
  zip unzip faketime
  clangd nlohmann-json3-dev libcli11-dev
)

# npm fetches the SARIF validator; Node.js may come from elsewhere than Debian
# (its npm is then part of it), so only a machine with neither gets Debian's.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# A mirror in the middle of a sync fails the update for one index file
# ("File has unexpected size"); it often settles within seconds, and the
# install after it says plainly if what it needs is still missing.
update() {
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && return 0
    echo "install-deps: apt-get update failed (attempt $attempt of 3)" >&2
    sleep $((attempt * 10))
  done
  return 0
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
want32=false
if scripts/can-run-32bit.sh && ! installed wine32:i386; then
  want32=true
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
fi

if [ ${#missing[@]} -eq 0 ] && ! $want32; then
  exit 0
fi

update
if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The 32-bit Wine needs i386 packages at the same versions as their amd64
# twins; a mirror whose i386 index is behind cannot give them. The rest of
# the run goes on without it and `make test` ends saying the 32-bit tests
# were skipped, and why.
if $want32; then
  echo "Installing: wine32:i386"
  $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 ||
    echo "install-deps: wine32:i386 could not be installed (see apt-get above); the 32-bit tests will be skipped" >&2
fi
