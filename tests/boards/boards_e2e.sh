#!/usr/bin/env bash
# The board roads end to end: boards drawn to print, their squares read back from the PDF's
# vector data, the print rasterised at two scales and in part and measured, and the refusals.
set -u
measure=$1
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$measure" --make-board charuco 11x8 --square-mm 25 --pdf "$work/charuco.pdf" ||
  fail "drawing the ChArUco board"
# 11 x 8 squares of 25 mm: 44 black squares; too wide for A4 with its margins, so A3.
python3 "$here/pdf_shapes.py" "$work/charuco.pdf" 25 44 || fail "ChArUco squares not 25 mm"
pdfinfo "$work/charuco.pdf" | grep -q "(A3)" || fail "the 11x8 board of 25 mm is not on A3"
"$measure" --make-board aprilgrid 6x6 --square-mm 30 --tag-spacing 0.3 --paper A3 \
  --pdf "$work/grid.pdf" || fail "drawing the AprilGrid"
# 7 x 7 corner squares of 0.3 x 30 mm.
python3 "$here/pdf_shapes.py" "$work/grid.pdf" 9 49 || fail "AprilGrid corner squares not 9 mm"
cp "$work/grid.pdf" "$work/kept.pdf"
"$measure" --make-board charuco 5x4 --square-mm 20 --pdf "$work/grid.pdf" 2>"$work/err" &&
  fail "an existing PDF was replaced without --overwrite"
cmp -s "$work/grid.pdf" "$work/kept.pdf" || fail "the existing PDF was changed"
"$measure" --make-board charuco 5x4 --square-mm 20 --overwrite --pdf "$work/grid.pdf" ||
  fail "--overwrite did not replace the PDF"
"$measure" --make-board charuco 11x8 --square-mm 40 --paper A4 --pdf "$work/big.pdf" \
  2>"$work/err" && fail "a board larger than the paper was drawn"
grep -q "does not fit on A4" "$work/err" || fail "the paper refusal: $(cat "$work/err")"
[ -e "$work/big.pdf" ] && fail "a refused board left a file"

# The print seen whole at two scales and in part (cairo: poppler's own rasteriser snaps
# edges to whole pixels): the part shows one marker, which numbers no
# corner alone, and is left out with a warning, the others are measured with the same numbering.
pdftocairo -r 60 -gray -png -singlefile "$work/charuco.pdf" "$work/a"
pdftocairo -r 90 -gray -png -singlefile "$work/charuco.pdf" "$work/b"
pdftocairo -r 90 -gray -png -singlefile -x 700 -y 300 -W 120 -H 120 "$work/charuco.pdf" \
  "$work/c"
pdftocairo -r 90 -gray -png -singlefile -W 800 -H 600 "$work/charuco.pdf" "$work/d"
"$measure" --charuco 11x8 --out "$work/out" "$work"/{a,b,c,d}.png 2>"$work/err" ||
  fail "measuring the rasterised print: $(cat "$work/err")"
grep -q "warning: $work/c.png: [0-3] corners" "$work/err" || fail "no warning for c.png"
[ -e "$work/out/c.crd" ] && fail "a file was written for the image left out"
[ "$(wc -l <"$work/out/a.crd")" -eq 70 ] || fail "a.crd has not the 70 corners"
# The top-left part shows some corners; the others are the not-seen line.
[ "$(wc -l <"$work/out/d.crd")" -eq 70 ] || fail "d.crd has not a line for each corner"
gaps=$(grep -c $'^- ; -\r$' "$work/out/d.crd")
[ "$gaps" -gt 10 ] && [ "$gaps" -lt 60 ] || fail "d.crd: $gaps corners not seen"
# Each corner at 90 dpi is the one at 60 dpi scaled by 1.5 (about a point the rasteriser's
# rounding of the page size sets): fitted per axis, no corner is off the fit.
paste -d';' "$work/out/a.crd" "$work/out/b.crd" | tr -d '\r' | awk -F';' '
  { x[NR] = $1; y[NR] = $2; u[NR] = $3; v[NR] = $4 }
  function off(a, b,   k, sa, sb, saa, sab, slope, cut, worst, r) {
    for (k = 1; k <= NR; ++k) { sa += a[k]; sb += b[k]; saa += a[k] * a[k]; sab += a[k] * b[k] }
    slope = (NR * sab - sa * sb) / (NR * saa - sa * sa); cut = (sb - slope * sa) / NR
    for (k = 1; k <= NR; ++k) { r = b[k] - slope * a[k] - cut; if (r < 0) r = -r; if (r > worst) worst = r }
    return worst + (slope < 1.49 || slope > 1.51)
  }
  END { exit off(x, u) > 0.2 || off(y, v) > 0.2 }' ||
  fail "a corner numbered differently at the two scales"

"$measure" --charuco 11x8:DICT_4X4_50 --out "$work/wrong" "$work"/{a,b}.png 2>"$work/err" &&
  fail "a board of another dictionary was measured"
grep -q "no marker" "$work/err" || fail "wrong dictionary: $(cat "$work/err")"
"$measure" --charuco 7x5 --out "$work/wrong" "$work"/{a,b}.png 2>"$work/err" &&
  fail "a board of another size was measured"
grep -q "check the board's size" "$work/err" || fail "wrong size: $(cat "$work/err")"
[ -e "$work/wrong/a.crd" ] && fail "a refused run wrote a file"
"$measure" --charuco 2x8 a.png 2>/dev/null; [ $? -eq 2 ] || fail "2x8 squares not a usage error"
"$measure" --help | grep -q -- "--make-board" || fail "the help does not tell --make-board"

[ $failures -eq 0 ] && echo "all board end-to-end checks passed"
exit $((failures > 0))
