#!/usr/bin/env bash
# Measuring's speed and memory goals side by side in one run, on this machine:
#  - a 12 MP (4000 × 3000) photograph of a 9 × 6 board (one of the test photographs enlarged,
#    JPEG 90): zirt-measure's wall time and peak memory, against one call of OpenCV's
#    sector-based detector with CALIB_CB_ACCURACY | NORMALIZE_IMAGE | EXHAUSTIVE on the same
#    decoded image, in alternating rounds;
#  - a 173-byte JPEG header claiming 20000 × 20000 pixels: time and memory of its refusal.
#   bash bench/measure_speed.sh [ROUNDS] [SIZE] [WIDTH]     (builds what it needs into build/)
# SIZE (9x6) is the pattern size asked, another one to time a wrong size's refusal; WIDTH
# (4000) the photograph's width (7600 for 58 MP). ZIRT_MEASURE names another zirt-measure.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
size=${2:-9x6}
width=${3:-4000}
measure=${ZIRT_MEASURE:-build/zirt-measure}
cmake --build build -j2 --target zirt-measure zirt_measure_speed_image >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bench/zirt_measure_speed_image make "$work/board.jpg" "$width"
pixels=$((width * width * 3 / 4))
printf '%s\n' "round  zirt-measure(s)  peak(MB)  bytes/pixel  detector-call(s)  ratio"
for ((r = 1; r <= rounds; ++r)); do
  /usr/bin/time -f "%e %M" -o "$work/t" "$measure" --chessboard "$size" --overwrite \
    --out "$work/out" "$work/board.jpg" 2>"$work/err" || head -1 "$work/err"
  read -r seconds kb < <(tail -1 "$work/t")
  detector=$(build/bench/zirt_measure_speed_image sb "$work/board.jpg" | cut -d' ' -f1)
  awk -v r="$r" -v s="$seconds" -v kb="$kb" -v d="$detector" -v n="$pixels" 'BEGIN {
    printf "%5d  %15.2f  %8.0f  %11.1f  %16.2f  %5.3f\n", r, s, kb / 1024, kb * 1024 / n, d, s / d }'
done
build/bench/zirt_measure_speed_image huge "$work/huge.jpg"
/usr/bin/time -f "%e %M" -o "$work/t" build/zirt-measure --chessboard 9x6 --out "$work/out2" \
  "$work/huge.jpg" 2>"$work/err" || true
read -r seconds kb < <(tail -1 "$work/t")
printf 'header claiming 20000 x 20000 (%d bytes): refused in %.2f s, peak %d MB: %s\n' \
  "$(stat -c %s "$work/huge.jpg")" "$seconds" "$((kb / 1024))" "$(head -1 "$work/err")"
