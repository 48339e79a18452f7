#!/usr/bin/env bash
# Installs Microsoft's SARIF validator (`sarif-multitool`, from the npm
# registry) into a cache folder of its own and prints the path of the
# program. Idempotent and quick when it is there already; needs no network
# then.
# Usage: install-sarif-validator.sh [FOLDER]
#   FOLDER defaults to $SARIF_VALIDATOR_DIR, else
#   ${XDG_CACHE_HOME:-~/.cache}/suite-tarniv18/sarif-multitool-VERSION.
set -euo pipefail
version=5.7.0
folder="${1:-${SARIF_VALIDATOR_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/suite-tarniv18/sarif-multitool-$version}}"
program="$folder/node_modules/.bin/sarif-multitool"
installed="$folder/node_modules/@microsoft/sarif-multitool/package.json"

if [ ! -x "$program" ] || ! grep -q "\"version\": \"$version\"" "$installed" 2>/dev/null; then
  command -v npm >/dev/null || { echo "install-sarif-validator: npm is missing (scripts/install-deps.sh)" >&2; exit 2; }
  mkdir -p "$folder"
  npm install --prefix "$folder" --no-audit --no-fund --loglevel=error "@microsoft/sarif-multitool@$version" >&2
fi
# The package's own install step (making its program executable) may be
# held back by npm's script policy.
for binary in "$folder"/node_modules/@microsoft/sarif-multitool-*/Sarif.Multitool; do
  [ -f "$binary" ] && [ ! -x "$binary" ] && chmod u+x "$binary"
done
echo "$program"
