#!/usr/bin/env bash
# Fuzzes the whole run for SECONDS (default 60) from the generated seeds, and fails on
# any crash, leak or sanitizer report. New failing inputs land in fuzz/regressions/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
build/fuzz/fuzz/velto-fuzz-seeds "$work/seeds"

# The buffer may reach 2 GiB minus one byte; untouched, it costs no memory.
status=0
build/fuzz/fuzz/velto-fuzz "$work/corpus" "$work/seeds" fuzz/regressions \
  -max_total_time="$seconds" -max_len=8192 -malloc_limit_mb=2100 -rss_limit_mb=3072 \
  -artifact_prefix="$work/" -print_final_stats=1 >"$work/log" 2>&1 || status=$?

grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+ +DONE' "$work/log" || true
echo "corpus: $(find "$work/corpus" -type f | wc -l) inputs"
crashes=$(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'oom-*' -o -name 'timeout-*' \))
if [ "$status" -ne 0 ] || [ -n "$crashes" ]; then
  tail -n 40 "$work/log"
  for f in $crashes; do cp "$f" fuzz/regressions/; echo "saved fuzz/regressions/$(basename "$f")"; done
  echo "fuzzing failed (status $status)"
  exit 1
fi
echo "crashes: 0"
