#!/usr/bin/env bash
# The board roads' speed and memory goals on this machine: zirt-measure on two 12 MP
# (4000 × 3000) JPEG photographs of a ChArUco board and of an AprilGrid (zoom 1 and 3, the
# board overflowing the frame at 3), CPU seconds per image and peak memory per pixel of one
# image (two are measured at once, one on each thread, so the peak holds both).
#   bash bench/boards_speed.sh      (builds what it needs into build/)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target zirt-measure zirt_boards_bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bench/zirt_boards_bench make "$work"
printf '%s\n' "board      CPU s/image  peak(MB)  bytes/pixel"
for board in "charuco 11x8" "aprilgrid 6x6"; do
  set -- $board
  /usr/bin/time -f "%U %S %M" -o "$work/t" build/zirt-measure --"$1" "$2" --overwrite \
    --out "$work/out" "$work/$1_1.jpg" "$work/$1_3.jpg"
  read -r user sys kb < <(tail -1 "$work/t")
  awk -v b="$1" -v u="$user" -v s="$sys" -v kb="$kb" 'BEGIN {
    printf "%-9s  %11.2f  %8.0f  %11.1f\n", b, (u + s) / 2, kb / 1024, kb * 1024 / 12e6 }'
done
