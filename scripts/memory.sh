#!/usr/bin/env bash
# Peak resident memory of `velto FILE /c` for a 54-byte file claiming 20000 x 30000
# (a 1.8 GB buffer, status 8) and for a real 4096 x 4096 count. Needs GNU time.
#   scripts/memory.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev --target velto velto-bmpgen velto-fuzz-seeds >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/dev/fuzz/velto-fuzz-seeds "$work/seeds"
build/dev/tools/velto-bmpgen noise 4096 4096 "$work/noise4096.bmp"

peak() { # FILE -> "status peak_kB"
  local status=0
  /usr/bin/time -f '%M' -o "$work/rss" build/dev/src/velto "$1" /c >/dev/null 2>&1 || status=$?
  echo "$status $(tail -n 1 "$work/rss")"
}
read -r status kb < <(peak "$work/seeds/claim-huge.bmp")
echo "| 54-byte file claiming 20000 x 30000 | status $status | peak $((kb / 1024)) MB ($kb kB) |"
read -r status kb < <(peak "$work/noise4096.bmp")
buffer=$((4096 * 4096 * 3 + 1))
echo "| 4096 x 4096 noise, counted | status $status | peak $((kb / 1024)) MB ($kb kB); buffer $((buffer / 1024)) kB, so $(((kb - buffer / 1024) / 1024)) MB beside it |"
