#!/usr/bin/env bash
# Builds the Windows console program for x86_64 and i686 with mingw-w64, and runs the
# end-to-end tests against the x86_64 build under wine64. (The i686 build is built but
# not run: this machine's kernel cannot execute 32-bit code.)
#   scripts/windows-tests.sh    (after `cmake --workflow --preset dev`)
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko install prompts
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
"$wine" wineboot --init >/dev/null 2>&1 || true

VELTO_RUNNER="$wine" VELTO_EXE="$PWD/build/win64/src/velto.exe" build/dev/tests/velto_tests
