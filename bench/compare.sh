#!/usr/bin/env bash
# The figures of docs/performance.md in one run: the load and computation benchmark beside its
# std::from_chars baseline, zirt-batch beside a NumPy script on the same files, start-up to
# the first painted window beside a minimal Qt window, and peak memory per loaded point.
# Needs a build in build/, hyperfine, python3-numpy and xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
build/bench/zirt_bench --benchmark_min_time=3  # Also writes the 20 × 200,000 point files.
files=$(printf "$(dirname "$(mktemp -u)")/zirt-bench/img%d.crd " $(seq 0 19))
hyperfine -N -w 1 -r 5 "build/zirt-batch $files" "/usr/bin/python3 bench/principal_point_numpy.py $files"
xvfb-run -a -s "-screen 0 1280x1024x24" hyperfine -N -w 5 -r 40 \
  'build/bench/startup_probe minimal' 'build/bench/startup_probe text' 'build/bench/startup_probe zirt'
# shellcheck disable=SC2086
/usr/bin/time -v build/zirt-batch $files 2>&1 >/dev/null | grep 'Maximum resident'
echo "points loaded: $((20 * 200000))"
