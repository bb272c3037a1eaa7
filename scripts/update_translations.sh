#!/usr/bin/env bash
# Gathers the window's texts (the Russian source texts in tr() and translate() calls) into the
# English translation; a new text comes in unfinished until its English is written in it
# (Qt Linguist, or by hand). Usage: scripts/update_translations.sh [TS_FILE]
set -euo pipefail
cd "$(dirname "$0")/.."
ts=${1:-translations/zirt_en.ts}
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
# Only the folders the window is built from: zirt-batch and zirt-measure speak English already.
"$lupdate" -silent -locations none -no-obsolete -I . -source-language ru_RU -target-language en_US \
  app platform report editor data diagnostics export calib -ts "$ts"
