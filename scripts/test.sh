#!/usr/bin/env bash
# Sets up and builds, runs the core tests once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, runs the fuzz targets briefly, then runs the whole suite;
# ctest's summary comes last.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== core tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Release -DZIRT_CORE_ONLY=ON \
      -DZIRT_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j2

echo "== fuzz targets: kept inputs, then a short run each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release -DZIRT_FUZZ=ON \
  >/dev/null
cmake --build build-fuzz -j2 --target zirt_fuzzers
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j2

echo "== all tests"
ctest --test-dir build --output-on-failure -j2
