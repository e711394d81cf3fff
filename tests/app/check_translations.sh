#!/usr/bin/env bash
# Fails when a text of the program has no finished German translation: extracts every
# tr()/qsTr() text from the sources into a copy of the German catalogue and lists the entries
# left unfinished.
#   check_translations.sh LUPDATE SOURCE_DIR TS_FILE
set -euo pipefail
lupdate=$1 sources=$2 ts=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/check.ts"
"$lupdate" -silent -locations none -no-obsolete "$sources" -ts "$work/check.ts"
missing=$(grep -B2 '<translation type="unfinished"' "$work/check.ts" | sed -n 's/.*<source>\(.*\)<\/source>.*/\1/p' || true)
if [ -n "$missing" ]; then
  echo "Texts without a German translation:"
  sed 's/^/  /' <<<"$missing"
  exit 1
fi
echo "Every text has a German translation."
