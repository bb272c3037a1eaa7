#!/usr/bin/env bash
# The figures of docs/performance.md in one run. First zirt-batch beside the parsing floor
# (bench/floor_from_chars.cpp) and a vectorised NumPy script on 20 files of 200,000 points,
# side by side in paired rounds: every round runs the three once each, in turn, and the
# medians of the times and of the rounds' ratios are printed. Then start-up to the first
# painted window beside an empty Qt window, and zirt-batch's peak memory per point.
# Needs a build in build/, python3-numpy, hyperfine and xvfb. ROUNDS=N sets the rounds (15).
set -euo pipefail
cd "$(dirname "$0")/.."
data=${TMPDIR:-/tmp}/zirt-compare
build/bench/write_bench_files "$data"
files=()
for k in $(seq 0 19); do files+=("$data/img$k.crd"); done
echo "data: ${#files[@]} files, $(cat "${files[@]}" | wc -c) bytes, $(cat "${files[@]}" | wc -l) lines"

LC_ALL=C /usr/bin/python3 - "${ROUNDS:-15}" "${files[@]}" <<'PY'
import statistics, subprocess, sys, time

rounds, files = int(sys.argv[1]), sys.argv[2:]
programs = {
    "floor (from_chars, one thread)": ["build/bench/floor_from_chars", *files],
    "zirt-batch": ["build/zirt-batch", *files],
    "NumPy, vectorised": ["/usr/bin/python3", "bench/principal_point_numpy_vectorised.py", *files],
}
names = list(programs)
times = {name: [] for name in names}
for r in range(rounds + 1):  # The first round warms the page cache and is not counted.
    for name in names[r % 3:] + names[:r % 3]:
        start = time.perf_counter()
        subprocess.run(programs[name], check=True, stdout=subprocess.DEVNULL)
        if r > 0:
            times[name].append(time.perf_counter() - start)
floor, zirt, numpy = (times[name] for name in names)
for name in names:
    t = times[name]
    print(f"{name:32} median {statistics.median(t):.3f} s  (min {min(t):.3f}, max {max(t):.3f})")
print(f"zirt-batch / floor   median of {rounds} paired ratios: "
      f"{statistics.median(z / f for z, f in zip(zirt, floor)):.2f}")
print(f"NumPy / zirt-batch   median of {rounds} paired ratios: "
      f"{statistics.median(n / z for n, z in zip(numpy, zirt)):.2f}")
PY

if command -v xvfb-run >/dev/null && command -v hyperfine >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" hyperfine -N -w 5 -r 40 \
    'build/bench/startup_probe minimal' 'build/bench/startup_probe text' \
    'build/bench/startup_probe zirt'
fi
peak=$(LC_ALL=C /usr/bin/time -f %M build/zirt-batch "${files[@]}" 2>&1 >/dev/null | tail -n 1)
echo "zirt-batch peak resident memory: $peak KiB for 4,000,000 points," \
  "$((peak * 1024 / 4000000)) bytes per point"
