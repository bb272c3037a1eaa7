#!/usr/bin/env bash
# zirt-batch end to end: reports, regional settings, failures and exit codes.
set -u
batch=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect NAME EXIT_CODE FIRST_STDERR_LINE -- ARGS...   (stdout goes to $work/out)
expect() {
  local name=$1 code=$2 first=$3
  shift 4
  "$batch" "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$code" ] || fail "$name: exit $got, expected $code"
  if [ -n "$first" ]; then
    local line
    line=$(head -n 1 "$work/err")
    [ "$line" = "$first" ] || fail "$name: stderr '$line', expected '$first'"
  fi
}

cd "$examples" || exit 1

LC_ALL=C expect zoom 0 "" -- zoom1.crd zoom2.crd zoom3.crd zoom4.crd
diff -u zoom-report.txt "$work/out" || fail "zoom report differs"

worked_comma=$'\n1,0000-ая прямая:\nСреднее = 0,000\nСКО = 0,516\n\n2,0000-ая прямая:\nСреднее = 0,000\nСКО = 0,516\n\nx0(пикс.) = 320,1440\ny0(пикс.) = 240,4053\n\nСредняя ошибка = 0,0000\nСКО = 0,0000'
LC_ALL=ru_RU.UTF-8 expect worked-ru 0 "" -- --step worked-1.crd worked-2.crd worked-3.crd
[ "$(cat "$work/out")" = "$worked_comma" ] || fail "worked example under ru_RU"
[ "$(wc -l <"$work/out")" -eq 14 ] || fail "worked example is not 14 lines"
LC_ALL=C expect worked-c 0 "" -- --step worked-1.crd worked-2.crd worked-3.crd
[ "$(cat "$work/out")" = "${worked_comma//,/.}" ] || fail "worked example under C"
LC_ALL= LC_NUMERIC=de_DE.UTF-8 LANG=C expect worked-numeric 0 "" -- worked-1.crd worked-2.crd worked-3.crd
grep -q '^x0(пикс.) = 320,1440$' "$work/out" || fail "LC_NUMERIC is not followed"

# Zoom files use a point: under a comma setting they do not load.
LC_ALL=ru_RU.UTF-8 expect zoom-ru 1 "Ошибка загрузки файла координат!" -- zoom1.crd zoom2.crd
grep -q 'zoom1.crd, строка 1' "$work/err" || fail "load failure names no file and line"

LC_ALL=C expect none 1 "Координаты не загружены!" --
[ "$(sed -n 2p "$work/err" | cut -c1-17)" = "Usage: zirt-batch" ] || fail "none: no usage after the refusal"
LC_ALL=C expect one 1 "Невозможно работать по одному снимку!" -- zoom1.crd
printf '1 ; 2\r\n' >"$work/short.crd"
LC_ALL=C expect short 1 "Index out of bounds ListOfT::Get." -- worked-1.crd "$work/short.crd"
[ "$(sed -n 2p "$work/err")" = "Точек в файле short.crd: 1, в файле worked-1.crd: 2." ] \
  || fail "short: the files are not named under the error"
: >"$work/empty.crd"
LC_ALL=C expect empty-first 1 "Invalid floating point operation." -- "$work/empty.crd" worked-1.crd
[ "$(sed -n 2p "$work/err")" = "В файле empty.crd нет точек." ] || fail "an empty first file is not named"
LC_ALL=ru_RU.UTF-8 expect zoom-ru-advice 1 "Ошибка загрузки файла координат!" -- zoom1.crd zoom2.crd
grep -q '^Для точки запустите программу с LC_ALL=C' "$work/err" || fail "no advice for a decimal point"
printf '1 ; 2\r\n\r\n' >"$work/blank.crd"
LC_ALL=C expect bad-line 1 "Ошибка загрузки файла координат!" -- worked-1.crd "$work/blank.crd"
LC_ALL=C expect missing 1 "Ошибка загрузки файла координат!" -- worked-1.crd "$work/nothing.crd"
printf '5 ; 1\r\n0 ; 0\r\n' >"$work/v1.crd"
printf '5 ; 2\r\n3 ; 4\r\n' >"$work/v2.crd"
LC_ALL=C expect vertical 1 "Invalid floating point operation." -- --step "$work/v1.crd" "$work/v2.crd"
[ "$(cat "$work/out")" = $'\n1.0000-ая прямая:' ] || fail "report so far is not printed"
grep -q '^Реперная точка 1 движется строго по вертикали' "$work/err" \
  || fail "vertical: the point is not named under the error"
printf '5;0.1\r\n0;0\r\n' >"$work/z1.crd"
printf '5;0.3\r\n3;4\r\n' >"$work/z2.crd"
LC_ALL=C expect zero-divide 1 "Floating point division by zero." -- "$work/z1.crd" "$work/z2.crd"
# Nothing to intersect is refused before the report; a point that does not move is left out.
LC_ALL=C expect same-twice 1 "Точки не сдвигаются между снимками: главная точка не определена." \
  -- zoom1.crd zoom1.crd
[ -s "$work/out" ] && fail "a refusal printed a report"
printf '0;5\r\n10;5\r\n' >"$work/p1.crd"
printf '10;8\r\n20;8\r\n' >"$work/p2.crd"
LC_ALL=C expect parallel 1 "Прямые параллельны или лежат на одной прямой: главная точка не определена." \
  -- --json "$work/p1.crd" "$work/p2.crd"
for k in 1 2 3 4; do { printf '499.8725 ; 380.0658\r\n'; cat zoom$k.crd; } >"$work/c$k.crd"; done
LC_ALL=C expect centre 0 "" -- "$work"/c[1-4].crd
[ "$(head -n 1 "$work/out")" = "Не сдвигается между снимками и не учтена точка 1." ] \
  || fail "a point at the centre is not named"
# A zero byte is damage: the file is refused at its line, not read up to it.
{ head -c 100 zoom1.crd; printf '\0\0\0'; } >"$work/nul.crd"
LC_ALL=C expect nul 1 "Ошибка загрузки файла координат!" -- "$work/nul.crd" zoom2.crd
grep -q '^nul.crd, строка 7: В файле нулевой байт: файл повреждён.$' "$work/err" \
  || fail "a zero byte is not refused at its line"

# What is not a regular file is refused at once, with the reason; a huge bad field is quoted
# only in part.
mkfifo "$work/fifo.crd"
for bad in /dev/zero "$work/fifo.crd" "$work"; do
  LC_ALL=C timeout 20 "$batch" worked-1.crd "$bad" >/dev/null 2>"$work/err"
  [ $? -eq 1 ] && grep -q "Cannot open file $bad: " "$work/err" || fail "$bad was not refused"
done
head -c 3000000 /dev/zero | tr '\0' 7 | { cat; printf ';x\r\n'; } >"$work/long.crd"
LC_ALL=C expect long-field 1 "Ошибка загрузки файла координат!" -- worked-1.crd "$work/long.crd"
[ "$(sed -n 2p "$work/err")" = "long.crd, строка 1: '$(printf '7%.0s' {1..60})…' is not a valid floating point value" ] \
  || fail "a long field is not cut to 60 characters"
LC_ALL=C "$batch" worked-1.crd worked-2.crd >/dev/full 2>"$work/err" && fail "a lost report exits 0"
grep -q "^zirt-batch: the report could not be written: " "$work/err" || fail "no message for a lost report"
# A name that is not UTF-8 is read and written as the bytes it is.
cp worked-1.crd "$work/k"$'\xf1'".crd"
LC_ALL=C expect non-utf8 0 "$work/c"$'\xf1'"P.cam" -- --camera "$work/c"$'\xf1'".cam" \
  "$work/k"$'\xf1'".crd" worked-2.crd worked-3.crd
LC_ALL=C expect non-utf8-kept 1 "zirt-batch: $work/c"$'\xf1'"P.cam exists; give --overwrite to replace it" -- \
  --camera "$work/c"$'\xf1'".cam" worked-1.crd worked-2.crd worked-3.crd
expect help 0 "" -- --help
grep -q 'Usage: zirt-batch' "$work/out" || fail "no usage"
expect unknown 2 "zirt-batch: unknown option --bogus" -- --bogus zoom1.crd

# --camera writes beside the picked file and keeps an existing result unless told.
mkdir "$work/cam"
LC_ALL=C expect camera-new 0 "$work/cam/newP.cam" -- --camera "$work/cam/new.cam" worked-1.crd worked-2.crd worked-3.crd
[ -e "$work/cam/new.cam" ] && fail "the picked file was written"
[ "$(sed -n 7p "$work/cam/newP.cam" | iconv -f CP1251 -t UTF-8)" = $'320.1440 ; Координата X главной точки\r' ] \
  || fail "line 7 of a new camera file"
[ "$(wc -l <"$work/cam/newP.cam")" -eq 8 ] || fail "a new camera file is not 8 lines"
printf 'a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\n' >"$work/cam/ten.CAM"
printf 'keep\r\n' >"$work/cam/tenP.cam"
LC_ALL=C expect camera-kept 1 "zirt-batch: $work/cam/tenP.cam exists; give --overwrite to replace it" -- \
  --camera "$work/cam/ten.CAM" worked-1.crd worked-2.crd worked-3.crd
[ "$(cat "$work/cam/tenP.cam")" = $'keep\r' ] || fail "an existing result was replaced"
LC_ALL=C expect camera-overwrite 0 "$work/cam/tenP.cam" -- \
  --camera "$work/cam/ten.CAM" --overwrite worked-1.crd worked-2.crd worked-3.crd
[ "$(sed -n '1p;6p;9p;10p' "$work/cam/tenP.cam" | tr -d '\r' | tr '\n' ' ')" = "a f i j " ] \
  || fail "the picked file's other lines were not kept"
[ "$(sed -n 8p "$work/cam/tenP.cam" | cut -c1-8)" = "240.4053" ] || fail "line 8 of the result"
printf 'a\r\nb\r\n' >"$work/cam/short.cam"
LC_ALL=C expect camera-short 1 "Ошибка записи cam-файла!" -- --camera "$work/cam/short.cam" worked-1.crd worked-2.crd worked-3.crd
[ -e "$work/cam/shortP.cam" ] && fail "a result was written from a short camera file"
LC_ALL=C expect camera-missing-folder 1 "Ошибка записи cam-файла!" -- --camera "$work/none/x.cam" worked-1.crd worked-2.crd worked-3.crd
# --point: the diagnostics' refined or robust point instead of the report's, as --json has it.
for which in refined robust; do
  LC_ALL=C expect "camera-$which" 0 "$work/cam/${which}P.cam" -- --camera "$work/cam/$which.cam" \
    --point "$which" zoom1.crd zoom2.crd zoom3.crd zoom4.crd
  want=$(LC_ALL=C "$batch" --json zoom1.crd zoom2.crd zoom3.crd zoom4.crd |
    awk -v key="\"$which\": {" '$0 ~ key { on = 1 } on && /^        "x": / { printf "%.4f\n", $2; exit }')
  [ "$(sed -n 7p "$work/cam/${which}P.cam" | cut -d' ' -f1)" = "$want" ] \
    || fail "--point $which wrote $(sed -n 7p "$work/cam/${which}P.cam" | cut -d' ' -f1), not $want"
done
grep -q "^$(sed -n 's/^x0(пикс.) = //p' zoom-report.txt) " "$work/cam/refinedP.cam" \
  && fail "--point refined wrote the report's x0"
LC_ALL=C expect point-unknown 2 "zirt-batch: --point needs report, refined or robust" -- \
  --camera "$work/cam/u.cam" --point best zoom1.crd zoom2.crd
# Which file is checked: the picked one for its lines, the output for existence.
cp "$work/cam/ten.CAM" "$work/cam/p.cam"
LC_ALL=C expect camera-picked 0 "$work/cam/pP.cam" -- --camera "$work/cam/p.cam" worked-1.crd worked-2.crd worked-3.crd
[ "$(head -c 1 "$work/cam/pP.cam")" = a ] || fail "the picked file's lines were not taken"
printf 'keep\r\n' >"$work/cam/qP.cam"
LC_ALL=C expect camera-output-exists 1 "zirt-batch: $work/cam/qP.cam exists; give --overwrite to replace it" -- \
  --camera "$work/cam/q.cam" worked-1.crd worked-2.crd worked-3.crd
[ "$(cat "$work/cam/qP.cam")" = $'keep\r' ] || fail "an output without a picked file was replaced"
# A dangling link is an existing name; with --overwrite the file is made where it points.
mkdir "$work/cam/there"
ln -s there/made.cam "$work/cam/dP.cam"
LC_ALL=C expect camera-dangling 1 "zirt-batch: $work/cam/dP.cam exists; give --overwrite to replace it" -- \
  --camera "$work/cam/d.cam" worked-1.crd worked-2.crd worked-3.crd
[ -e "$work/cam/there/made.cam" ] && fail "written through a dangling link"
LC_ALL=C expect camera-dangling-overwrite 0 "$work/cam/dP.cam" -- \
  --camera "$work/cam/d.cam" --overwrite worked-1.crd worked-2.crd worked-3.crd
[ -L "$work/cam/dP.cam" ] && [ "$(wc -l <"$work/cam/there/made.cam")" -eq 8 ] \
  || fail "the link's target was not written"
# The output never replaces an input, under any of its names.
cp worked-3.crd "$work/cam/eP.cam"
ln "$work/cam/eP.cam" "$work/cam/hard.crd"
for input in "$work/cam/eP.cam" "$work/cam/hard.crd"; do
  LC_ALL=C expect camera-is-input 1 "zirt-batch: $work/cam/eP.cam is one of the coordinate files; the camera file is not written" -- \
    --camera "$work/cam/e.cam" --overwrite worked-1.crd worked-2.crd "$input"
  cmp -s worked-3.crd "$work/cam/eP.cam" || fail "an input was replaced by the output"
done
# --into's output is checked against the inputs, not the picked file.
printf '1 PINHOLE 1000 760 1200 1200 500 380\n' >"$work/cam/x.txt"
cp worked-3.crd "$work/cam/xP.txt"
LC_ALL=C expect into-is-input 1 "zirt-batch: $work/cam/xP.txt is one of the coordinate files; it is not written" -- \
  --into "$work/cam/x.txt" --overwrite worked-1.crd worked-2.crd "$work/cam/xP.txt"
cmp -s worked-3.crd "$work/cam/xP.txt" || fail "an input was replaced by the --into output"
# The new file is synced before it replaces the old one, and its folder after.
if command -v strace >/dev/null; then
  LC_ALL=C strace -f -e trace=fsync,fdatasync,rename,renameat,renameat2 -o "$work/trace" \
    "$batch" --camera "$work/cam/sync.cam" worked-1.crd worked-2.crd worked-3.crd >/dev/null 2>&1
  calls=$(grep -oE '(fsync|fdatasync|rename|renameat2?)\(' "$work/trace" | tr -d '(' | tr '\n' ' ')
  [ "$calls" = "fsync rename fsync " ] || fail "sync and rename calls: $calls"
fi
# --into: another tool's file beside the picked one, only the point changed; refusals name why.
mkdir "$work/into"
zooms="zoom1.crd zoom2.crd zoom3.crd zoom4.crd"
printf '# Camera list with one line of data per camera:\n1 PINHOLE 1000 760 1200 1200 500 380\n' \
  >"$work/into/cameras.txt"
LC_ALL=C expect into-colmap 0 "$work/into/camerasP.txt" -- --into "$work/into/cameras.txt" $zooms
[ "$(tail -n 1 "$work/into/camerasP.txt")" = "1 PINHOLE 1000 760 1200 1200 500.372471480146 380.56579988317" ] \
  || fail "COLMAP's cx, cy are not the report's point plus half a pixel"
grep -q '^# ZIRT: .*(report estimate), sigma not known (the refined estimate from the same measurements is x0 = 499.912140491208, y0 = 380.056051168496 px with sigma x0 = 0.291, sigma y0 = 0.245 px)' \
  "$work/into/camerasP.txt" || fail "no comment in cameras.txt, or the report's point given the refined one's sigma"
LC_ALL=C expect into-kept 1 "zirt-batch: $work/into/camerasP.txt exists; give --overwrite to replace it" -- \
  --into "$work/into/cameras.txt" --point robust $zooms
LC_ALL=C expect into-overwrite 0 "$work/into/camerasP.txt" -- \
  --into "$work/into/cameras.txt" --point refined --overwrite $zooms
grep -q '^1 PINHOLE 1000 760 1200 1200 500.412140491208 380.556051168496$' "$work/into/camerasP.txt" \
  || fail "--point refined was not written"
printf 'hello\n' >"$work/into/other.yaml"
LC_ALL=C expect into-refused 1 "Ошибка записи файла калибровки!" -- --into "$work/into/other.yaml" $zooms
grep -q 'Вид файла не распознан' "$work/err" && [ ! -e "$work/into/otherP.yaml" ] || fail "an unknown file was not refused"
LC_ALL=C expect into-missing 1 "Ошибка записи файла калибровки!" -- --into "$work/into/none.yaml" $zooms
expect into-point 2 "zirt-batch: --point needs report, refined or robust" -- --point best $zooms
expect camera-no-name 2 "zirt-batch: --camera needs a file name" -- worked-1.crd --camera

[ "$failures" -eq 0 ] && echo "all batch checks passed"
exit $((failures > 0))
