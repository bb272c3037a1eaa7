#!/usr/bin/env bash
# zirt-measure end to end: a rendered zoom sequence measured, read by zirt-batch under the
# regional settings, and the refusals with their exit codes.
set -u
measure=$1
render=$2
batch=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir "$work/images"
principal=$("$render" "$work/images" 0.8 1.0 1.25) || { echo "render failed"; exit 1; }

LC_ALL=ru_RU.UTF-8 "$measure" --chessboard 9x6 --progress "$work"/images/zoom{1,2,3}.png \
  >"$work/progress" 2>"$work/err"
[ $? -eq 0 ] || fail "measuring: $(cat "$work/err")"
[ "$(wc -l <"$work/progress")" -eq 3 ] || fail "three progress lines expected"
grep -q "^3/3 $work/images/zoom3.png\$" "$work/progress" || fail "last progress line"
for k in 1 2 3; do
  f="$work/images/zoom$k.crd"
  [ "$(wc -l <"$f")" -eq 54 ] || fail "zoom$k.crd has not 54 lines"
  grep -qv $'\r$' "$f" && fail "zoom$k.crd lines do not end in CR LF"
  grep -q '\.' "$f" && fail "zoom$k.crd has a point under a comma setting"
done

# zirt-batch reads the files as hand-made ones and finds the principal point near the truth.
LC_ALL=ru_RU.UTF-8 "$batch" "$work"/images/zoom{1,2,3}.crd >"$work/report" 2>&1 ||
  fail "zirt-batch: $(cat "$work/report")"
read -r px py <<<"$principal"
x0=$(sed -n 's/^x0(пикс.) = //p' "$work/report" | tr , .)
y0=$(sed -n 's/^y0(пикс.) = //p' "$work/report" | tr , .)
awk -v a="$x0" -v b="$px" -v c="$y0" -v d="$py" \
  'BEGIN { exit !(a - b < 0.2 && b - a < 0.2 && c - d < 0.2 && d - c < 0.2) }' ||
  fail "principal point ($x0, $y0), expected ($px, $py)"

# An existing file is kept and named; nothing else is written.
cp "$work/images/zoom1.crd" "$work/kept"
cp "$work/images/zoom2.png" "$work/images/other.png"
"$measure" --chessboard 9x6 "$work/images/other.png" "$work/images/zoom1.png" 2>"$work/err"
[ $? -eq 1 ] || fail "existing file: exit code"
grep -q "zoom1.crd" "$work/err" || fail "existing file not named"
cmp -s "$work/kept" "$work/images/zoom1.crd" || fail "existing file changed"
[ -e "$work/images/other.crd" ] && fail "a file was written beside a refused run"

# A picture without the pattern is named, and no file is written for the others.
printf 'P5\n64 48\n255\n' >"$work/images/blank.pgm"
head -c 3072 /dev/zero | tr '\0' '\200' >>"$work/images/blank.pgm"
"$measure" --chessboard 9x6 --out "$work/out" "$work/images/zoom2.png" "$work/images/blank.pgm" \
  2>"$work/err"
[ $? -eq 1 ] || fail "no pattern: exit code"
grep -q "blank.pgm" "$work/err" || fail "image without the pattern not named"
[ -e "$work/out" ] && fail "output folder made for a refused run"

"$measure" --chessboard 9x6 "$work/images/zoom2.png" "$work/images/zoom2.tif" 2>/dev/null
[ $? -eq 2 ] || fail "two images onto one file: exit code"
"$measure" --help >/dev/null || fail "--help"

[ "$failures" -eq 0 ] && echo "zirt-measure end to end: all passed"
exit $((failures > 0))
