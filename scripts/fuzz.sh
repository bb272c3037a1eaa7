#!/usr/bin/env bash
# Fuzzes every target for the given seconds each (default 300), starting from the kept
# inputs; an input that fails a target is copied into tests/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release -DZIRT_FUZZ=ON \
  >/dev/null
cmake --build build-fuzz -j2
status=0
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  name=$(basename "$target")
  echo "== $name for $seconds s"
  tests/fuzz/run_fuzz_target.sh "$target" "tests/fuzz/corpus/$name" smoke "$seconds" || status=1
done
exit $status
