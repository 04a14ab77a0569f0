#!/usr/bin/env bash
# End-to-end test of the real wizard: xpwizard.exe under Wine on its own
# Xvfb display converts a copy of the sample project, driven by e2e_driver
# (tests/e2e/driver.cpp) the way a user would: the project chosen in the real
# open dialog by typing its path, "Alle Dateien", "&Starten", OK on the
# summary, "&Beenden". Then the files on disk are checked.
#
# A second walk looks before and undoes after, on a fresh copy: the
# user-controls box, "&Vorschau...", the JSON report saved through the real
# save dialog (and read back with Python), "&Starten" in the preview window,
# then "&Wiederherstellen..."; every file of the sample must then have its
# original bytes.
#
# Usage: scripts/e2e.sh [mingw-build-dir] [--argument] [--installed WINDOWS-PATH]
#   (default build dir: build/mingw)
#   --argument   start the wizard with the project as its argument (as
#                Explorer's verb does) instead of choosing it in the dialog
#   --installed  drive this xpwizard.exe (a Windows path in $WINEPREFIX, e.g.
#                an installed one) instead of the build's
# Needs: a MinGW build holding ui/xpwizard.exe and tests/e2e/e2e_driver.exe,
# Wine and xvfb-run. Installs nothing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_arg="" mode=() installed=""
while [ $# -gt 0 ]; do
  case "$1" in
    --argument) mode=(--argument) ;;
    --installed) installed=${2:?--installed needs a path}; shift ;;
    *) build_arg=$1 ;;
  esac
  shift
done
build=$(cd "${build_arg:-$here/build/mingw}" 2>/dev/null && pwd) || {
  echo "e2e: FAILED: build folder ${build_arg:-$here/build/mingw} does not exist (build the MinGW programs first)" >&2
  exit 1
}
exe="$build/ui/xpwizard.exe"
driver="$build/tests/e2e/e2e_driver.exe"
sample="$here/samples/Kundenverwaltung"

fail() {
  echo "e2e: FAILED: $*" >&2
  exit 1
}
[ -n "$installed" ] || [ -f "$exe" ] || fail "$exe is missing (cmake --build $build --target xpwizard)"
[ -f "$driver" ] || fail "$driver is missing (cmake --build $build --target e2e_driver)"
[ -d "$sample" ] || fail "the sample project $sample is missing"
command -v xvfb-run >/dev/null || fail "xvfb-run is not installed (scripts/install-deps.sh)"
command -v python3 >/dev/null || fail "python3 is not installed (scripts/install-deps.sh)"

work=$(mktemp -d /tmp/xpc-e2e.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r "$sample" "$work/Kundenverwaltung"
project="$work/Kundenverwaltung/Kundenverwaltung.vbp"
# Wine's drive Z: is the Linux root.
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
exe_windows=${installed:-$(winpath "$exe")}

echo "e2e: converting a copy of the sample in $work with $exe_windows${mode[*]:+ (${mode[*]})}"
log="$work/driver.log"
set +e
timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash "$here/scripts/wine-run.sh" "$driver" "$exe_windows" "$(winpath "$project")" "${mode[@]}" \
  --code-lines >"$log" 2>&1
status=$?
set -e
grep -v '^\s*$' "$log" | sed 's/^/  /' || true
[ "$status" -eq 0 ] || fail "the driver ended with status $status (see above)"

converted=$(sed -n 's/^converted=\([0-9]*\).*/\1/p' "$log" | tr -d '\r')
[ "$converted" = "3" ] || fail "the summary counted '$converted' converted files, expected 3"
# The sample's code names a replaced class on five lines.
code_lines=$(sed -n 's/^code_lines=\([0-9]*\).*/\1/p' "$log" | tr -d '\r')
[ "$code_lines" = "5" ] || fail "the window of the code lines listed '$code_lines' lines, expected 5"

folder="$work/Kundenverwaltung"
original="$sample"
# Forms with controls of the four kinds: converted, the originals in _Backup.
for form in frmHaupt.frm Forms/frmKunde.frm Forms/frmOptionen.frm; do
  dir=$(dirname "$form")
  name=$(basename "$form")
  [ -f "$folder/$form" ] || fail "$form is missing after the run"
  if grep -aqE '^ *Begin (VB\.Frame|VB\.CheckBox|VB\.OptionButton|MSComctlLib\.ProgressBar) ' \
    "$folder/$form"; then
    fail "$form still holds a control of the four kinds"
  fi
  grep -aq 'Begin qorXPControls\.qor' "$folder/$form" || fail "$form holds no control of our library"
  cmp -s "$folder/$dir/_Backup/$name" "$original/$form" ||
    fail "the backup $dir/_Backup/$name is not the original form"
done
# The form without such controls keeps its bytes and leaves no backup.
cmp -s "$folder/frmInfo.frm" "$original/frmInfo.frm" || fail "frmInfo.frm was changed"
[ ! -e "$folder/_Backup/frmInfo.frm" ] || fail "a backup of the unchanged frmInfo.frm stayed"
# The project file: our library once, everything else as before; its backup.
cmp -s "$folder/_Backup/Kundenverwaltung.vbp" "$original/Kundenverwaltung.vbp" ||
  fail "the project's backup is not the original project file"
count=$(grep -aci 'qorxpctl\.ocx' "$folder/Kundenverwaltung.vbp" || true)
[ "$count" = "1" ] || fail "the project file names the library $count times, expected once"
diff <(grep -avi 'qorxpctl\.ocx' "$folder/Kundenverwaltung.vbp") "$original/Kundenverwaltung.vbp" \
  >/dev/null || fail "the project file changed beyond the library line"
if find "$folder" -iname '~form.tmp' | grep -q .; then fail "a temporary file was left behind"; fi

# Look before, undo after.
again="$work/Vorschau/Kundenverwaltung"
mkdir -p "$work/Vorschau"
cp -r "$sample" "$again"
report="$work/vorschau.json"
echo "e2e: preview, report, start from the preview and restore on a copy in $work/Vorschau"
log="$work/preview-driver.log"
set +e
timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash "$here/scripts/wine-run.sh" "$driver" "$exe_windows" "$(winpath "$again/Kundenverwaltung.vbp")" \
  "${mode[@]}" --code-lines --preview-restore "$(winpath "$report")" >"$log" 2>&1
status=$?
set -e
grep -v '^\s*$' "$log" | sed 's/^/  /' || true
[ "$status" -eq 0 ] || fail "the preview walk's driver ended with status $status (see above)"
converted=$(sed -n 's/^converted=\([0-9]*\).*/\1/p' "$log" | tr -d '\r')
[ "$converted" = "4" ] || fail "the start from the preview converted '$converted' files, expected 4"
restored=$(sed -n 's/^restored=\([0-9]*\).*/\1/p' "$log" | tr -d '\r')
[ "$restored" = "5" ] || fail "the restore gave back '$restored' files, expected 5 (4 forms, the project)"
[ -f "$report" ] || fail "the preview's report $report was not written"
python3 - "$report" <<'PY' || fail "the preview's report is not what the preview showed"
import json
import sys

with open(sys.argv[1], encoding="utf-8") as f:
    report = json.load(f)
assert report["command"] == "run" and report["dry_run"] is True, report
assert report["options"]["designers"] is True, report["options"]
assert report["exit_status"] == 0, report["exit_status"]
project = report["projects"][0]
assert project["project_file"] == "converted", project["project_file"]
outcomes = [(e["entry"], e["outcome"]) for e in project["entries"]]
assert outcomes == [
    ("frmHaupt.frm", "converted"),
    ("Forms\\frmKunde.frm", "converted"),
    ("Forms\\frmOptionen.frm", "converted"),
    ("frmInfo.frm", "unchanged"),
    ("Controls\\ctlAdresse.ctl", "converted"),
], outcomes
lines = [(r["entry"], r["line"]) for r in project["code_references"]]
assert ("basStart.bas", 14) in lines and len(lines) == 5, lines
print("e2e: the report lists", len(outcomes), "entries as the preview showed them and",
      len(lines), "code lines")
PY
# The restore gave every file of the sample its original bytes; the backups stay.
while IFS= read -r -d '' file; do
  cmp -s "$sample/$file" "$again/$file" || fail "$file differs from the original after the restore"
done < <(cd "$sample" && find . -type f -print0)
[ -f "$again/Controls/_Backup/ctlAdresse.ctl" ] || fail "the user control's backup is missing"
if find "$again" -iname '~restore.tmp' -o -iname '~form.tmp' | grep -q .; then
  fail "a temporary file was left behind"
fi

# Without a display no window can be created: the wizard ends with status 1
# and says why on standard error, never in std::terminate.
set +e
DISPLAY= WAYLAND_DISPLAY= timeout 60 bash "$here/scripts/wine-run.sh" "$exe" >"$work/no-display.log" 2>&1
status=$?
set -e
sed 's/^/  /' "$work/no-display.log"
[ "$status" -eq 1 ] || fail "without a display the wizard ended with status $status, expected 1"
grep -q '^xpwizard: Fehler: ' "$work/no-display.log" ||
  fail "without a display the wizard said nothing on standard error"
if grep -q 'terminate called' "$work/no-display.log"; then fail "the wizard ended in terminate"; fi

echo "e2e: passed (3 forms converted, backups and project file checked; preview, report, start" \
  "from the preview and restore back to the original bytes; no display: status 1 with a message)"
