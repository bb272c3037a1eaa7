#!/usr/bin/env bash
# Kills `zirt-batch --camera ... --overwrite` with SIGKILL at random moments, a hundred
# times: the camera file is each time either as it was or complete, never partial.
set -u
batch=$1
examples=$2
runs=${3:-100}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A long camera file makes the write take long enough to be caught in the middle.
{
  for i in 1 2 3 4 5 6 7 8; do printf 'v%d ; c\r\n' "$i"; done
  for ((i = 0; i < 200000; i++)); do printf 'extra line %d of the correction notes\r\n' "$i"; done
} >big.cam
files=("$examples"/zoom1.crd "$examples"/zoom2.crd "$examples"/zoom3.crd "$examples"/zoom4.crd)
LC_ALL=C "$batch" --camera big.cam "${files[@]}" >/dev/null 2>&1 || { echo "FAIL: no first write"; exit 1; }
cp bigP.cam complete
# The old file differs from the complete one only in lines 7 and 8.
sed -e '7s/.*/old x\r/' -e '8s/.*/old y\r/' complete >old

started=$(date +%s%N)
LC_ALL=C "$batch" --camera big.cam --overwrite "${files[@]}" >/dev/null 2>&1
took=$((($(date +%s%N) - started) / 1000))  # Microseconds of one whole run.

kept=0 written=0
for ((run = 0; run < runs; run++)); do
  cp old bigP.cam
  delay=$((RANDOM * RANDOM % (took + 1)))
  LC_ALL=C "$batch" --camera big.cam --overwrite "${files[@]}" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '0.%06d' "$delay")"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if cmp -s bigP.cam old; then
    kept=$((kept + 1))
  elif cmp -s bigP.cam complete; then
    written=$((written + 1))
  else
    echo "FAIL: after a kill at ${delay} us the camera file is neither old nor complete"
    exit 1
  fi
done
echo "$runs kills over ${took} us runs: $kept left the old file, $written the complete one"
