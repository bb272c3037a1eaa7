#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks that its Depends names the Qt and
# JPEG libraries the programs link: without dpkg-shlibdeps the package would silently lose them.
set -u
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! command -v dpkg-shlibdeps >/dev/null || ! command -v file >/dev/null; then
  echo "FAIL: dpkg-dev and file are needed to package (scripts/setup.sh installs them)"
  exit 1
fi
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/log" 2>&1 || {
  cat "$out/log"
  echo "FAIL: cpack"
  exit 1
}
deb=$(find "$out" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no package was made"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
status=0
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins \
  qt6-translations-l10n; do
  grep -q "$lib" <<<"$depends" || { echo "FAIL: Depends lacks $lib: $depends"; status=1; }
done
[ "$status" -eq 0 ] && echo "the package depends on: $depends"
exit "$status"
