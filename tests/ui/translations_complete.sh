#!/usr/bin/env bash
# Every text the window shows has its English: the texts are gathered from the sources afresh
# into a copy of the translation, and an entry left unfinished (a new text, or a changed one)
# fails. Usage: translations_complete.sh SOURCE_DIR LUPDATE
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir/translations/zirt_en.ts" "$work/zirt_en.ts"
LUPDATE=$2 "$source_dir/scripts/update_translations.sh" "$work/zirt_en.ts" 2>/dev/null
unfinished=$(grep -B1 'type="unfinished"' "$work/zirt_en.ts" | grep -o '<source>.*</source>' || true)
if [ -n "$unfinished" ]; then
  echo "Texts without their English in translations/zirt_en.ts (run scripts/update_translations.sh):"
  echo "$unfinished"
  exit 1
fi
echo "every text has its English"
