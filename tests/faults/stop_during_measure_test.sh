#!/usr/bin/env bash
# Stops `zirt-measure --overwrite` over 12 old coordinate files with SIGINT, SIGTERM, SIGHUP
# and SIGKILL, some at random moments and most just as the last image is measured, when the
# files are written. After a stop signal the files are all old (exit 128 + the signal) or all
# new (exit 0), with no temporary left. After SIGKILL every file is old or new, and a new one
# that replaced an old file while others are still old has the old one beside it under a
# second name, as docs/reliability.md states.
set -u
measure=$1
render=$2
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
"$render" --size 480x320 . 0.9 1.1 >/dev/null || { echo "render failed"; exit 1; }
count=12
images=()
for ((k = 1; k <= count; k++)); do
  name=$(printf 'img%02d' "$k")
  cp "zoom$((k % 2 + 1)).png" "$name.png"
  images+=("$name.png")
done
"$measure" --chessboard 9x6 "${images[@]}" 2>err || { echo "FAIL: first run: $(cat err)"; exit 1; }
mkdir new && mv img*.crd new/

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for signal in INT TERM HUP KILL; do
  number=$(kill -l "$signal")
  declare -A seen=()
  for ((run = 0; run < runs; run++)); do
    rm -f img*.crd .img*
    for image in "${images[@]}"; do printf 'old\r\n' >"${image%.png}.crd"; done
    "$measure" --chessboard 9x6 --overwrite --progress "${images[@]}" >progress 2>err &
    pid=$!
    if ((run % 3 == 0)); then
      sleep "0.$((RANDOM % 9 + 1))"
    else  # Just as the last image is done, when the files are written.
      while kill -0 "$pid" 2>/dev/null && ! grep -q "^$count/$count " progress; do sleep 0.002; done
      sleep "$(printf '0.%03d' $((RANDOM % 12)))"
    fi
    kill -"$signal" "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    status=$?
    old=0 new=0
    for image in "${images[@]}"; do
      crd=${image%.png}.crd
      if [ "$(cat "$crd")" = $'old\r' ]; then
        old=$((old + 1))
      elif cmp -s "$crd" "new/$crd"; then
        new=$((new + 1))
        [ "$signal" = KILL ] && [ $old -gt 0 ] && ! ls .$crd.*.old >/dev/null 2>&1 &&
          fail "SIGKILL: $crd new, no old file beside it, while others are old"
      else
        fail "SIG$signal: $crd is neither old nor new"
      fi
    done
    seen["$status $old/$new"]=1
    if [ "$signal" != KILL ]; then
      { [ $status -eq $((128 + number)) ] && [ $new -eq 0 ]; } ||
        { [ $status -eq 0 ] && [ $old -eq 0 ]; } ||
        fail "SIG$signal: exit $status with $old old and $new new files: $(cat err)"
      ls -A | grep -q '^\.img' && fail "SIG$signal: a temporary file was left: $(ls -A | grep '^\.img')"
    fi
  done
  echo "SIG$signal: exit and old/new files seen: ${!seen[*]}"
  unset seen
done
[ "$failures" -eq 0 ] && echo "stop signals while measuring: all or nothing"
exit $((failures > 0))
