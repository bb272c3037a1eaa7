#!/usr/bin/env bash
# A camera file written onto a full file system: the save fails with its message and the old
# file stays whole, for an ordinary 8-line file (one small write) and for a large one; and
# zirt-measure's --out on a full file system, refused before any image is measured. Needs
# root, to mount a small file system; skipped otherwise.
set -u
batch=$1
examples=$2
measure=${3:-}
render=${4:-}
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: mounting a small file system needs root"
  exit 77
fi
disk=$(mktemp -d)
err=$(mktemp)
trap 'umount "$disk" 2>/dev/null; rm -rf "$disk" "$err"' EXIT
if ! mount -t tmpfs -o size=64k zirt-full "$disk" 2>/dev/null; then
  echo "SKIP: this machine does not let root mount a file system"
  exit 77
fi

for extra in 0 2000; do
  rm -f "$disk"/*
  {
    for i in 1 2 3 4 5 6 7 8; do printf 'v%d ; c\r\n' "$i"; done
    for ((i = 0; i < extra; i++)); do printf 'extra line %d\r\n' "$i"; done
  } >"$disk/a.cam"
  printf 'old result\r\n' >"$disk/aP.cam"
  # Fill what is left, so the new result cannot be written beside the old one.
  dd if=/dev/zero of="$disk/filler" bs=1k 2>/dev/null
  dd if=/dev/zero of="$disk/filler2" bs=1 2>/dev/null
  LC_ALL=C "$batch" --camera "$disk/a.cam" --overwrite "$examples"/zoom1.crd \
    "$examples"/zoom2.crd >/dev/null 2>"$err"
  status=$?
  first=$(head -n 1 "$err")
  [ "$status" -eq 1 ] || { echo "FAIL: exit $status on a full disk ($extra extra lines)"; exit 1; }
  [ "$first" = "Ошибка записи cam-файла!" ] || { echo "FAIL: message '$first'"; exit 1; }
  grep -q "No space left on device" "$err" || { echo "FAIL: no reason given"; exit 1; }
  [ "$(cat "$disk/aP.cam")" = $'old result\r' ] || { echo "FAIL: the old file was damaged"; exit 1; }
  leftover=$(find "$disk" -name '.aP.cam*' | head -n 1)
  [ -z "$leftover" ] || { echo "FAIL: a temporary file was left: $leftover"; exit 1; }
done
if [ -n "$measure" ]; then
  rm -f "$disk"/*
  images=$(mktemp -d)
  "$render" --size 480x320 "$images" 1.0 >/dev/null
  dd if=/dev/zero of="$disk/filler" bs=1k 2>/dev/null
  dd if=/dev/zero of="$disk/filler2" bs=1 2>/dev/null
  LC_ALL=C "$measure" --chessboard 9x6 --progress --out "$disk" "$images/zoom1.png" \
    >"$images/progress" 2>"$err"
  status=$?
  rm -rf "$images"
  [ "$status" -eq 1 ] || { echo "FAIL: zirt-measure exit $status onto a full disk"; exit 1; }
  grep -q "No space left on device" "$err" || { echo "FAIL: zirt-measure: $(cat "$err")"; exit 1; }
  grep -q "nothing measured" "$err" || { echo "FAIL: measured before refusing"; exit 1; }
  [ -z "$(find "$disk" -name '*.crd' -o -name '.*')" ] || { echo "FAIL: zirt-measure left a file"; exit 1; }
fi
echo "a full disk refused the write and kept the old file"
