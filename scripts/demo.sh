#!/usr/bin/env bash
# Shows the console program at work: converts a copy of the sample project
# with `xpconvert run --yes`, prints the summary, and shows what changed in
# one form (its backup against the converted form, CR LF made plain and the
# Windows-1252 text shown as UTF-8).
#
#   bash scripts/demo.sh          # the copy is removed afterwards
#   bash scripts/demo.sh --keep   # the copy stays for a closer look
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
keep=false
[ "${1:-}" = "--keep" ] && keep=true

xpconvert=${XPCONVERT:-$here/build/native/cli/xpconvert}
if [ -z "${XPCONVERT:-}" ] && [ ! -x "$xpconvert" ]; then
  echo "demo: building xpconvert in build/native ..."
  cmake -S "$here" -B "$here/build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$here/build/native" -j2 --target xpconvert >/dev/null
fi

sample=$here/samples/Kundenverwaltung
[ -f "$sample/Kundenverwaltung.vbp" ] || { echo "demo: the sample project is missing: $sample" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/xpc-demo.XXXXXX")
if $keep; then
  echo "demo: the converted copy stays in $work"
else
  trap 'rm -rf "$work"' EXIT
fi
cp -r "$sample" "$work/"
project=$work/Kundenverwaltung/Kundenverwaltung.vbp

echo "== xpconvert list Kundenverwaltung.vbp"
"$xpconvert" list "$project"
echo
echo "== xpconvert run Kundenverwaltung.vbp --yes"
"$xpconvert" run "$project" --yes
echo
echo "== What changed in frmHaupt.frm (backup in _Backup against the converted form)"
to_text() { tr -d '\r' <"$1" | iconv -f WINDOWS-1252 -t UTF-8; }
folder=$work/Kundenverwaltung
diff -u --label "_Backup/frmHaupt.frm" --label "frmHaupt.frm" \
  <(to_text "$folder/_Backup/frmHaupt.frm") <(to_text "$folder/frmHaupt.frm") || true
echo
echo "== The library line in the project file"
grep -n "qorXPCtl.ocx" "$project"
