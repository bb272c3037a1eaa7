#!/usr/bin/env bash
# The figures of docs/performance.md in one run, all whole programs timed side by side in
# paired rounds (bench/paired_times.py):
# - zirt-batch beside the parsing floor (bench/floor_from_chars.cpp) and a vectorised NumPy
#   script on 20 coordinate files of 200,000 points, written first by write_bench_files;
# - start-up to the first painted main window beside an empty Qt Widgets window, under Xvfb;
# - zirt-batch's peak memory per point.
# Needs a build in build/, python3-numpy and xvfb. ROUNDS=N sets the rounds (15).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${ROUNDS:-15}
data=${TMPDIR:-/tmp}/zirt-compare
build/bench/write_bench_files "$data"
files=()
for k in $(seq 0 19); do files+=("$data/img$k.crd"); done
echo "data: ${#files[@]} files, $(cat "${files[@]}" | wc -c) bytes, $(cat "${files[@]}" | wc -l) lines"

echo "== the three programs"
LC_ALL=C bench/paired_times.py "$rounds" \
  "zirt-batch=build/zirt-batch ${files[*]}" \
  "floor=build/bench/floor_from_chars ${files[*]}" \
  "numpy=/usr/bin/python3 bench/principal_point_numpy_vectorised.py ${files[*]}"

echo "== start-up to the first painted window"
xvfb-run -a -s "-screen 0 1280x1024x24" bench/paired_times.py $((rounds * 3)) \
  "zirt=build/bench/startup_probe zirt" "empty=build/bench/startup_probe minimal"

echo "== memory"
peak=$(LC_ALL=C /usr/bin/time -f %M build/zirt-batch "${files[@]}" 2>&1 >/dev/null | tail -n 1)
echo "zirt-batch peak resident memory: $peak KiB for 4,000,000 points," \
  "$((peak * 1024 / 4000000)) bytes per point"
