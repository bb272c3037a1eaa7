#!/usr/bin/env bash
# zirt-batch --pdf: the pages render, and every figure of the report is there as text.
set -u
batch=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cd "$examples" || exit 1
LC_ALL=C "$batch" --pdf "$work/zoom.pdf" zoom1.crd zoom2.crd zoom3.crd zoom4.crd >/dev/null 2>"$work/err" \
  || fail "zoom: exit $?: $(cat "$work/err")"
[ "$(cat "$work/err")" = "$work/zoom.pdf" ] || fail "stderr is not the name written: $(cat "$work/err")"
pages=$(pdfinfo "$work/zoom.pdf" | awk '/^Pages:/ {print $2}')
pdftoppm -r 40 -png "$work/zoom.pdf" "$work/page" || fail "pdftoppm refuses the report"
[ "$(ls "$work"/page*.png | wc -l)" -eq "${pages:-0}" ] || fail "not every page rendered"
pdftotext -layout "$work/zoom.pdf" "$work/zoom.txt" || fail "pdftotext refuses the report"
# The report's x0, y0; the refined and robust x0, y0 with their sigma; the inputs' hashes.
for figure in 'x0, пикс.' 'y0, пикс.' 'σ x0,' 'По отчёту +499.8725 +380.0658' \
  'Уточнённая +499.9121 +380.0561 +0.2910 +0.2448' 'Устойчивая +499.9121 +380.0561 +0.2910' \
  "$(sha256sum zoom3.crd | cut -c1-64)" 'Ни один снимок не сдвинут' 'версия 1.0.0' \
  'zirt-batch --pdf' 'Шаги зума' '3 +4 +1.0785 +500.00 +379.81 +0.38 +0.39' \
  'Точка отчёта' 'Уточнённая точка' 'Устойчивая точка' '4\. zoom4\.crd'; do
  grep -Eq -- "$figure" "$work/zoom.txt" || fail "the text has no '$figure'"
done
# The report's own lines; image 2's shift as dx; dy with its σ; the F bound's degrees of
# freedom: 48 measurements less the point's 2, the 12 tracks' and one image's shift's 2.
while IFS= read -r line; do
  grep -qxF -- "$line" "$work/zoom.txt" || fail "the report line '$line' is missing"
done < <(tr -d '\r' <zoom-report.txt | grep -v '^$')
grep -Eq '^2 +zoom2\.crd +12 +0\.107 +-0\.031; -0\.017 +0\.056; 0\.047( |$)' "$work/zoom.txt" \
  || fail "image 2's row is not its dx; dy and their sigma"
grep -q 'граница F(2, 32)' "$work/zoom.txt" || fail "the F bound has other degrees of freedom"
# A mistyped coordinate in the third image: set aside, and counted in that image's row only.
sed '2s/^./4/' zoom3.crd >"$work/z3.crd"
LC_ALL=C "$batch" --pdf "$work/typo.pdf" zoom1.crd zoom2.crd "$work/z3.crd" zoom4.crd >/dev/null 2>&1
pdftotext -layout "$work/typo.pdf" "$work/typo.txt" || fail "no text from the mistyped set"
grep -Eq '^3 +z3\.crd +12 +[0-9.]+ +1 +-?[0-9]' "$work/typo.txt" || fail "image 3 has no set-aside count"
grep -Eq '^[124] +zoom[124]\.crd +12 +[0-9.]+ +[0-9]+ ' "$work/typo.txt" \
  && fail "a set-aside count in an image without one"

# sequence NAME IMAGES POINTS SHIFT: images NAMEk.crd, image 2 moved by SHIFT px.
sequence() {
  awk -v dir="$work" -v name="$1" -v images="$2" -v points="$3" -v shift="$4" 'BEGIN {
    for (k = 1; k <= images; k++) { f = sprintf("%s/%s%d.crd", dir, name, k); s = 0.6 + 0.2 * k;
       for (i = 0; i < points; i++) { a = i * 0.7; r = 50 + i;
         x = 500 + s * r * cos(a) + (k == 2 ? shift : 0) + 0.05 * sin(i * k);
         y = 380 + s * r * sin(a) + 0.05 * cos(i * k * 3);
         printf "%.4f ; %.4f\r\n", x, y > f } } }'
}
# A moved camera, a point table as long as is listed whole over several pages.
sequence m 3 200 3
LC_ALL=C "$batch" --pdf "$work/moved.pdf" "$work/m1.crd" "$work/m2.crd" "$work/m3.crd" >/dev/null 2>&1
pdftotext -layout "$work/moved.pdf" "$work/moved.txt" || fail "no text from the moved sequence"
grep -q 'снимок m[123].crd сдвинут на (' "$work/moved.txt" || fail "no image named as moved"
grep -Eq '^ *200 +3 ' "$work/moved.txt" || fail "the point table lost its last row"
[ "$(grep -c 'Точка *Измерений' "$work/moved.txt")" -ge 2 ] || fail "the table's header is not repeated"
pdftotext "$work/moved.pdf" - | grep -q 'Стр. 4' || fail "the long table did not go on over pages"
# Four images of 5,000 points, one mistyped: the flagged point is listed, the rest counted.
sequence big 4 5000 0
sed -i '4001s/^./9/' "$work/big3.crd"
LC_ALL=C "$batch" --pdf "$work/big.pdf" "$work"/big[1-4].crd >/dev/null 2>&1
pdftotext -layout "$work/big.pdf" "$work/big.txt" || fail "no text from the large set"
big_pages=$(pdfinfo "$work/big.pdf" | awk '/^Pages:/ {print $2}')
[ "${big_pages:-99}" -le 6 ] || fail "5,000 points take ${big_pages:-?} pages"
grep -Eq '^ *4001 +4 +[0-9.]+ +да' "$work/big.txt" || fail "the flagged point 4001 is not listed"
grep -q 'Точек всего 5000' "$work/big.txt" || fail "the unlisted points are not counted"

# An existing report is kept unless --overwrite, as --camera and --into keep theirs.
cp "$work/zoom.pdf" "$work/kept.pdf"
LC_ALL=C "$batch" --pdf "$work/zoom.pdf" zoom1.crd zoom2.crd >/dev/null 2>"$work/err" \
  && fail "an existing PDF was replaced with exit 0"
[ "$(head -n 1 "$work/err")" = "zirt-batch: $work/zoom.pdf exists; give --overwrite to replace it" ] \
  || fail "no refusal of an existing PDF: $(cat "$work/err")"
cmp -s "$work/zoom.pdf" "$work/kept.pdf" || fail "an existing PDF was changed"
LC_ALL=C "$batch" --pdf "$work/zoom.pdf" --overwrite zoom1.crd zoom2.crd >/dev/null 2>&1 \
  || fail "--overwrite did not replace the PDF"
cmp -s "$work/zoom.pdf" "$work/kept.pdf" && fail "--overwrite left the old PDF"

# Output onto an input is refused; an unwritable place fails with the reason.
LC_ALL=C "$batch" --pdf zoom1.crd zoom1.crd zoom2.crd >/dev/null 2>&1 && fail "an input was overwritten"
LC_ALL=C "$batch" --pdf "$work/none/r.pdf" zoom1.crd zoom2.crd >/dev/null 2>"$work/err" \
  && fail "a PDF into a missing folder exits 0"
grep -q 'the PDF report could not be written: Cannot create file' "$work/err" || fail "no reason: $(cat "$work/err")"

[ "$failures" -eq 0 ] && echo "all PDF checks passed"
exit $((failures > 0))
