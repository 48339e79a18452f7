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

if scripts/can-run-32bit.sh; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO dpkg --add-architecture i386
  fi
  packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
