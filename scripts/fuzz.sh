#!/usr/bin/env bash
# Fuzzes every target, starting from the kept inputs; an input that fails a target is copied
# into tests/fuzz/corpus/<target>/.
#   scripts/fuzz.sh [SECONDS]      each target for SECONDS (default 300)
#   scripts/fuzz.sh --long [RUNS]  each target for RUNS executions (default 10000000), one after
#                                  the other at the lowest priority; the executions and the
#                                  time of each go to build-fuzz/long-run.txt (the figures of
#                                  docs/reliability.md come from such a run)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=smoke
limit=${1:-300}
if [ "${1:-}" = --long ]; then
  mode=long
  limit=${2:-10000000}
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release -DZIRT_FUZZ=ON \
  >/dev/null
cmake --build build-fuzz -j2
status=0
[ "$mode" = long ] && : >build-fuzz/long-run.txt
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  name=$(basename "$target")
  echo "== $name: $mode $limit"
  if [ "$mode" = long ]; then
    start=$(date +%s)
    log=$(nice -n 19 tests/fuzz/run_fuzz_target.sh "$target" "tests/fuzz/corpus/$name" long "$limit") \
      || status=1
    echo "$log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' <<<"$log")
    echo "$name ${runs:-?} executions in $(($(date +%s) - start)) s" >>build-fuzz/long-run.txt
  else
    tests/fuzz/run_fuzz_target.sh "$target" "tests/fuzz/corpus/$name" smoke "$limit" || status=1
  fi
done
exit $status
