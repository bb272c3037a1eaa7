#!/usr/bin/env bash
# Runs one fuzz target: `replay` executes every kept input once; `smoke SECONDS` fuzzes for
# that long, `long RUNS` for that many executions, from the kept inputs in a scratch corpus so
# the source tree stays clean.
set -euo pipefail
target=$1 corpus=$2 mode=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$corpus"
case $mode in
  replay) exec "$target" -runs=0 -artifact_prefix="$scratch/" "$corpus" ;;
  smoke|long) set +e
         if [ "$mode" = smoke ]; then limit=(-max_total_time="$4"); else limit=(-runs="$4"); fi
         "$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
           -artifact_prefix="$scratch/" "$scratch" "$corpus" 2>&1 | tail -n 12
         status=${PIPESTATUS[0]}
         if [ "$status" -ne 0 ]; then
           echo "the failing input is kept in $corpus:"
           for f in "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* "$scratch"/oom-*; do
             [ -e "$f" ] && cp "$f" "$corpus/" && echo "  $(basename "$f")"
           done
         fi
         exit "$status" ;;
esac
