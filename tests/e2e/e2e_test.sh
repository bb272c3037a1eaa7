#!/usr/bin/env bash
# The real program on a real X server, driven as a user would: load examples/ through the
# program's own file dialog (in Russian whatever the regional settings) by keyboard, compute
# in step-by-step mode, ask to quit and cancel the save it offers (the window stays), save a
# camera file, close the editor, save again onto the same file answering the overwrite
# question, type a value into the editor's selected cell and save it with Ctrl+S, quit. Then the
# road by keyboard alone, with the diagnostics' refined point saved.
# Checks the report, the mark of the result on the screen and the written file, and keeps
# screenshots.
# Run under xvfb-run; needs xdotool, xwininfo and openbox, the window manager that places and frames the
# windows as a user's desktop does.
set -u
build=$1
examples=$2
shots=${3:-$(mktemp -d)}
probe=$build/tests/e2e/e2e_probe
work=$(mktemp -d)
pid=
wm=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; "$probe" shot "$shots/e2e-failure.png" >/dev/null 2>&1; exit 1; }
mkdir -p "$shots"

cp "$examples"/zoom?.crd "$work/"
cd "$work" || exit 1
expected=$(LC_ALL=C "$build/zirt-batch" --step zoom1.crd zoom2.crd zoom3.crd zoom4.crd) || fail "zirt-batch"
x0=$(sed -n 's/^x0(пикс.) = //p' <<<"$expected")
y0=$(sed -n 's/^y0(пикс.) = //p' <<<"$expected")

# X, Y, WIDTH and HEIGHT of a window's inside on the screen. xwininfo's, not xdotool's: under
# a window manager that frames windows xdotool counts the frame's border twice.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { print "X=" $NF } /Absolute upper-left Y/ {
    print "Y=" $NF } / Width:/ { print "WIDTH=" $NF } / Height:/ { print "HEIGHT=" $NF }'
}

# Window titles are matched here, not by xdotool, whose patterns miss Cyrillic titles.
find_window() {  # PATTERN [SECONDS]: the newest visible window whose title matches
  local deadline=$((SECONDS + ${2:-15})) id name
  while ((SECONDS < deadline)); do
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null | tac); do
      name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
      [[ $name =~ $1 ]] && { echo "$id"; return 0; }
    done
    sleep 0.2
  done
  return 1
}

gone() {  # PATTERN: waits up to 10 s for no window to match
  local deadline=$((SECONDS + 10))
  while ((SECONDS < deadline)); do
    find_window "$1" 1 >/dev/null || return 0
    sleep 0.2
  done
  return 1
}

command -v openbox >/dev/null || fail "openbox is not installed"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

LC_ALL=C "$build/zirt" &
pid=$!
main=$(find_window '^Калибровка главной точки$' 20) || fail "the main window did not appear"
sleep 0.5

# Design pixels (120 per inch) to the window's pixels: the window is 616 design pixels high
# (its width grows with the font where the report needs the room). The picture is 705 design
# pixels wide with the splitter; the buttons are centred in the panel right of it.
eval "$(geometry "$main")"
main_x=$X main_y=$Y main_width=$WIDTH main_height=$HEIGHT
scale() { echo $(( ($1 * main_height + 308) / 616 )); }
panel_left=$(scale 705)
menu_height=$(( $(scale 25) ))
click_main() { xdotool mousemove --sync $((main_x + $1)) $((main_y + $2)) click 1; sleep 0.4; }
button_x=$(( (panel_left + main_width) / 2 ))

wait_window() {  # PATTERN: waits for a window and gives it the keyboard
  local id
  id=$(find_window "$1") || fail "no window '$1'"
  xdotool windowfocus --sync "$id" 2>/dev/null
  sleep 0.4
  echo "$id"
}

# Загрузить: the dialog opens in the current folder, titled by Qt's Russian translation
# although LC_ALL=C; type the four names.
click_main "$button_x" $((menu_height + $(scale 30)))
wait_window '^Открыть$' >/dev/null || fail "the open dialog is not in Russian"
"$probe" shot "$shots/e2e-open-dialog.png" >/dev/null
xdotool type --delay 20 '"zoom1.crd" "zoom2.crd" "zoom3.crd" "zoom4.crd"'
xdotool key Return
sleep 0.8

# Настройки → Пошаговый режим работы, then Счет.
click_main $(scale 85) $((menu_height / 2))
xdotool key Down Return
sleep 0.3
click_main "$button_x" $((menu_height + $(scale 64) + $(scale 337)))
sleep 1
"$probe" shot "$shots/e2e-computed.png" || fail "no screenshot"
"$probe" cross "$shots/e2e-computed.png" "$x0" "$y0" || fail "the red cross is not at the principal point"

# The report, copied from the list with Ctrl+A, Ctrl+C: line for line that of zirt-batch.
click_main "$button_x" $((menu_height + $(scale 64) + $(scale 100)))
xdotool key ctrl+a ctrl+c
sleep 0.3
report=$("$probe" clipboard)
[ "$report" = "$expected" ] || fail "the report differs from zirt-batch's:
$(diff <(echo "$expected") <(echo "$report") | head -n 20)"

# Файл → Выход with the result unsaved: Да to "Сохранить результат?", then the save dialog
# cancelled. Nothing was written, so the window stays with its result.
click_main $(scale 20) $((menu_height / 2))
xdotool key Up Return
wait_window '^Сохранение$' >/dev/null
xdotool key Return  # Да is the default button.
wait_window '^Сохранить как$' >/dev/null
xdotool key Escape
sleep 0.8
kill -0 "$pid" 2>/dev/null || fail "the program quit and lost the result"
find_window '^Калибровка главной точки$' 2 >/dev/null ||
  fail "the main window is gone"

# In the editor, x0's cell (row 7) clicked, clicked again now that it is selected, and typed
# into at once: the keys land in that cell only. Ctrl+S saves onto the file.
type_into_editor() {  # EDITOR
  eval "$(geometry "$1")"
  local cell_x=$((X + WIDTH - $(scale 130)))
  local cell_y=$((Y + $(scale 25) + $(scale 30) + $(scale 24) * 6 + $(scale 12)))
  xdotool mousemove --sync "$cell_x" "$cell_y" click 1
  sleep 0.5
  xdotool click 1 type --delay 20 42
  xdotool key Return
  sleep 0.3
  # Ctrl+S writes onto the file opened, asking nothing.
  xdotool key ctrl+s
  sleep 0.6
}

save_onto() {  # NAME [overwrite] [type]
  click_main "$button_x" $((menu_height + $(scale 64) + $(scale 373)))
  wait_window '^Сохранить как$' >/dev/null
  xdotool type --delay 20 "$1"
  xdotool key Return
  if [ "${2:-}" = overwrite ]; then
    wait_window '^Предупреждение$' >/dev/null
    xdotool key Return  # Yes is the default button.
  fi
  local editor
  editor=$(wait_window '^cam1P.cam Внутренняя геометрия$')
  "$probe" shot "$shots/e2e-editor.png" >/dev/null
  [ "${3:-}" = type ] && type_into_editor "$editor"
  # Файл → Выход in the editor's own menu.
  eval "$(geometry "$editor")"
  xdotool mousemove --sync $((X + 15)) $((Y + 8)) click 1
  sleep 0.3
  xdotool key Up Return
  sleep 0.6
  find_window '^cam1P.cam Внутренняя геометрия$' 1 >/dev/null && fail "the editor did not close"
}
save_onto cam1.cam
[ -f cam1P.cam ] || fail "no camera file written"
[ -f cam1.cam ] && fail "the picked file was written"
printf 'changed\r\n' >>cam1P.cam
save_onto cam1.cam overwrite
[ "$(wc -l <cam1P.cam)" -eq 8 ] || fail "the overwritten camera file is not 8 lines"
line7=$(sed -n 7p cam1P.cam | iconv -f CP1251 -t UTF-8 | tr -d '\r')
line8=$(sed -n 8p cam1P.cam | iconv -f CP1251 -t UTF-8 | tr -d '\r')
[ "$line7" = "$x0 ; Координата X главной точки" ] || fail "line 7 is '$line7'"
[ "$line8" = "$y0 ; Координата Y главной точки" ] || fail "line 8 is '$line8'"

save_onto cam1.cam overwrite type
line7=$(sed -n 7p cam1P.cam | iconv -f CP1251 -t UTF-8 | tr -d '\r')
line8=$(sed -n 8p cam1P.cam | iconv -f CP1251 -t UTF-8 | tr -d '\r')
[ "$line7" = "42 ; Координата X главной точки" ] || fail "typed into the x0 cell, line 7 is '$line7'"
[ "$line8" = "$y0 ; Координата Y главной точки" ] || fail "typing changed line 8: '$line8'"
[ "$(wc -l <cam1P.cam)" -eq 8 ] || fail "the edited camera file is not 8 lines"

# Файл → Выход: the result is saved, so the program ends without a question.
click_main $(scale 20) $((menu_height / 2))
xdotool key Up Return
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end"
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with $status"

# The road again by keyboard alone, under the X server's Latin layout: Ctrl+O with the names
# typed, F9, the close question called off with Escape, Ctrl+D and the refined point saved
# through its access key, then a computation and a new load after which quitting asks nothing.
# Where the window manager leaves the keyboard elsewhere after a dialog closes, refocus gives it
# back to the main window.
LC_ALL=C "$build/zirt" &
pid=$!
main=$(find_window '^Калибровка главной точки$' 20) || fail "the main window did not appear"
refocus() { xdotool windowfocus --sync "$main" 2>/dev/null; sleep 0.3; }
refocus
xdotool key ctrl+o
wait_window '^Открыть$' >/dev/null || fail "Ctrl+O opened no dialog"
xdotool type --delay 20 '"zoom1.crd" "zoom2.crd" "zoom3.crd" "zoom4.crd"'
xdotool key Return
sleep 0.8
refocus
xdotool key F9
sleep 0.8
# F10 opens Файл; d is В (Выход) on the Russian layout.
xdotool key F10
sleep 0.4
xdotool key d
wait_window '^Сохранение$' >/dev/null || fail "no close question after F10, d"
"$probe" shot "$shots/e2e-close-question.png" >/dev/null
xdotool key Escape
sleep 0.8
kill -0 "$pid" 2>/dev/null || fail "Escape on the close question quit the program"
gone '^Сохранение$' || fail "the close question stayed after Escape"
refocus
# Ctrl+D, then Alt+E (У on the Russian layout): Сохранить уточнённую точку…
xdotool key ctrl+d
diagnostics=$(wait_window '^Диагностика$') || fail "Ctrl+D opened no diagnostics"
# Whole on the screen, its save buttons in view without dragging.
eval "$(xdotool getdisplaygeometry --shell)"
screen_width=$WIDTH screen_height=$HEIGHT
eval "$(geometry "$diagnostics")"
((X >= 0 && Y >= 0 && X + WIDTH <= screen_width && Y + HEIGHT <= screen_height)) ||
  fail "the diagnostics window reaches off the screen: ${WIDTH}x$HEIGHT at ($X, $Y)"
"$probe" shot "$shots/e2e-diagnostics.png" >/dev/null
xdotool key alt+e
wait_window '^Сохранить как$' >/dev/null || fail "Alt+E did not save the refined point"
xdotool type --delay 20 cam2.cam
xdotool key Return
wait_window '^cam2P.cam Внутренняя геометрия$' >/dev/null || fail "no editor on cam2P.cam"
# The grid has the keyboard as the editor opens: a key there counts as a change, so leaving
# by a lone Alt (opening the menu) and d (В, Выход) asks to save, answered Да (the default).
wait_window '^cam2P.cam Внутренняя геометрия$' >/dev/null
xdotool key Down
sleep 0.2
xdotool key alt
sleep 0.4
xdotool key d
wait_window '^Предупреждение$' >/dev/null || fail "a key in the editor's grid did not reach it"
xdotool key Return
gone '^cam2P.cam Внутренняя геометрия$' || fail "the editor did not close"
refined_x=$(LC_ALL=C "$build/zirt-batch" --json zoom1.crd zoom2.crd zoom3.crd zoom4.crd |
  awk '/"refined": \{/ { on = 1 } on && /^        "x": / { printf "%.4f\n", $2; exit }')
line7=$(sed -n 7p cam2P.cam | iconv -f CP1251 -t UTF-8 | tr -d '\r')
[ "$line7" = "$refined_x ; Координата X главной точки" ] ||
  fail "the refined point's line 7 is '$line7', not $refined_x"
[ "$refined_x" = "$x0" ] && fail "the refined point equals the report's: nothing was chosen"
refocus
xdotool key F9
sleep 0.8
xdotool key ctrl+o
wait_window '^Открыть$' >/dev/null || fail "Ctrl+O opened no dialog"
xdotool type --delay 20 '"zoom1.crd" "zoom2.crd"'
xdotool key Return
sleep 0.8
refocus
xdotool key alt
sleep 0.4
xdotool key d
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
find_window '^Сохранение$' 1 >/dev/null && fail "a load left an old result to save"
kill -0 "$pid" 2>/dev/null && fail "the program did not end after a new load"
wait "$pid"
pid=

# The same road in English: the language chosen from the menu by keyboard (F10 opens Файл,
# Right goes on to Настройки, whose second entry is the language's submenu), then load,
# compute, the diagnostics whole on the screen, and the PDF report written.
LC_ALL=C "$build/zirt" &
pid=$!
main=$(find_window '^Калибровка главной точки$' 20) || fail "the main window did not appear again"
refocus
xdotool key F10
sleep 0.4
xdotool key Right Down Right
sleep 0.4
xdotool key Down Return
main=$(find_window '^Principal point calibration$' 10) || fail "the language menu gave no English"
refocus
xdotool key ctrl+o
wait_window '^Open$' >/dev/null || fail "Ctrl+O opened no English dialog"
xdotool type --delay 20 '"zoom1.crd" "zoom2.crd" "zoom3.crd" "zoom4.crd"'
xdotool key Return
sleep 0.8
refocus
xdotool key F9
sleep 0.8
xdotool key ctrl+d
diagnostics=$(wait_window '^Diagnostics$') || fail "Ctrl+D opened no diagnostics in English"
eval "$(geometry "$diagnostics")"
((X >= 0 && Y >= 0 && X + WIDTH <= screen_width && Y + HEIGHT <= screen_height)) ||
  fail "the English diagnostics window reaches off the screen: ${WIDTH}x$HEIGHT at ($X, $Y)"
"$probe" shot "$shots/e2e-diagnostics-en.png" >/dev/null
xdotool windowclose "$diagnostics" 2>/dev/null || xdotool key --window "$diagnostics" Escape
gone '^Diagnostics$' || fail "the diagnostics window did not close"
refocus
# Файл: Load, Measure, Print, Save, Write to a calibration file, PDF report.
xdotool key F10
sleep 0.4
xdotool key p
wait_window '^Save As$' >/dev/null || fail "File, p opened no English save dialog"
xdotool type --delay 20 report.pdf
xdotool key Return
for _ in $(seq 50); do [ -s report.pdf ] && break; sleep 0.2; done
[ "$(head -c 4 report.pdf 2>/dev/null)" = "%PDF" ] || fail "the English road wrote no PDF report"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=

echo "loaded, computed ($x0, $y0), kept the result on a cancelled save, saved three times," \
  "typed into the editor and quit; by keyboard alone saved the refined point ($refined_x)" \
  "and quit after a new load; in English loaded, computed, saw the diagnostics and wrote" \
  "the PDF report; screenshots in $shots"
