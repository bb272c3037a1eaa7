#!/usr/bin/env bash
# Installs into a staging folder and checks the layout a desktop expects: the programs, the
# help where the help viewer looks for it, the menu entry and its icon.
set -u
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null || { echo "FAIL: install"; exit 1; }
root="$stage/usr"
for f in bin/zirt bin/zirt-batch bin/zirt-measure share/zirt/ZIRTHelp/ZIRT_01.html share/applications/zirt.desktop \
         share/icons/hicolor/scalable/apps/zirt.svg share/doc/zirt/examples/zoom1.crd \
         share/doc/zirt/copyright share/doc/zirt/examples/photos/zoom1.jpg; do
  [ -f "$root/$f" ] || fail "$f is not installed"
done
for f in bin/zirt bin/zirt-batch bin/zirt-measure; do [ -x "$root/$f" ] || fail "$f is not executable"; done

entry="$root/share/applications/zirt.desktop"
for key in "Type=Application" "Exec=zirt" "Icon=zirt" "Terminal=false" "Name=ZIRT"; do
  grep -qx "$key" "$entry" || fail "the menu entry lacks $key"
done
grep -q '^Categories=.*Graphics' "$entry" || fail "the menu entry has no menu category"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate refuses the entry"
fi
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/zirt.svg" || fail "the icon is not SVG"

# The installed batch program works on the installed examples.
out=$(cd "$root/share/doc/zirt/examples" && LC_ALL=C "$root/bin/zirt-batch" zoom1.crd zoom2.crd zoom3.crd zoom4.crd)
[ "$out" = "$(cat "$root/share/doc/zirt/examples/zoom-report.txt")" ] || fail "the installed zirt-batch reports otherwise"

# Without a display the installed program names itself, not the build tree's.
msg=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/zirt" 2>&1)
[ "$msg" = "zirt: no display found; run it under a virtual one: xvfb-run -a $root/bin/zirt" ] \
  || fail "the no-display message: $msg"

[ "$failures" -eq 0 ] && echo "installed layout is complete"
exit $((failures > 0))
