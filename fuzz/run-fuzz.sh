#!/usr/bin/env bash
# run-fuzz.sh TARGET SEEDS FOUND: runs a libFuzzer target over its seeds once, or, in the
# extended mode (ORVO_CORPUS names a folder), fuzzes for ORVO_FUZZ_SECONDS seconds (default 25),
# keeping new inputs in FOUND and any crashing input beside it.
set -euo pipefail
target=$1 seeds=$2 found=$3
mkdir -p "$found"
if [ -n "${ORVO_CORPUS:-}" ] && [ -d "$ORVO_CORPUS" ]; then
  exec "$target" -max_total_time="${ORVO_FUZZ_SECONDS:-25}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$found/" "$found" "$seeds"
fi
exec "$target" -runs=0 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$found/" "$seeds"
