#!/usr/bin/env bash
# Checks that the console program on Linux leaves the same files, under the
# same names and with the same bytes, as the Windows program under Wine, on a
# project whose file lists Windows-1252 names for forms and a folder that the
# checkout names in UTF-8 (and one name with a byte Windows-1252 leaves
# unassigned), and one form that is a symbolic link to a shared form. Then
# that every name the native run created is valid UTF-8.
#
# Usage: scripts/names-e2e.sh [native-build-dir] [mingw-build-dir]
#        (default: build/native and build/mingw)
# Needs: cli/xpconvert in the native build, cli/xpconvert.exe in the MinGW
# build, Wine, python3, iconv. Installs nothing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native=$(cd "${1:-$here/build/native}" && pwd)/cli/xpconvert
windows=$(cd "${2:-$here/build/mingw}" && pwd)/cli/xpconvert.exe

fail() {
  echo "names-e2e: FAILED: $*" >&2
  exit 1
}
[ -x "$native" ] || fail "$native is missing (cmake --build build/native --target xpconvert)"
[ -f "$windows" ] || fail "$windows is missing (cmake --build build/mingw --target xpconvert)"

work=$(mktemp -d /tmp/xpc-names.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The project: names in the project file as Windows-1252 bytes, on disk in
# UTF-8 (0x81 is U+0081 there, as Windows and Wine convert it).
python3 - "$work/project" <<'EOF'
import os, sys
root = sys.argv[1]
form = (b"VERSION 5.00\r\nBegin VB.Form frmX\r\n   Caption = \"Pr\xfcfung\"\r\n"
        b"   Begin VB.Frame fra\r\n      Caption = \"Rahmen\"\r\n"
        b"      BeginProperty Font\r\n         Name = \"Tahoma\"\r\n      EndProperty\r\n"
        b"      Begin VB.CheckBox chk\r\n         Caption = \"W\xe4hlen\"\r\n      End\r\n"
        b"   End\r\nEnd\r\nAttribute VB_Name = \"frmX\"\r\n")
plain = b"VERSION 5.00\r\nBegin VB.Form frmP\r\n   Caption = \"Info\"\r\nEnd\r\n"
entries = [b"Swift_Op\xe9ration.frm", b"\xdcBERSICHT\\Gr\xfc\xdfe.frm", b"A\x81z.frm",
           b"\xc4nderungen.frm"]
files = {"Swift_Opération.frm": form, "Übersicht/Grüße.frm": form,
         "A\u0081z.frm": form, "Änderungen.frm": plain}
os.makedirs(os.path.join(root, "Übersicht"))
for name, data in files.items():
    with open(os.path.join(root, name), "wb") as f:
        f.write(data)
# A form that is a symbolic link to a shared one: both programs convert the
# shared form and keep the link.
os.makedirs(os.path.join(root, "Geteilt"))
with open(os.path.join(root, "Geteilt", "Gemeinsam.frm"), "wb") as f:
    f.write(form)
os.symlink("Geteilt/Gemeinsam.frm", os.path.join(root, "Gemeinsam.frm"))
entries.append(b"Gemeinsam.frm")
vbp = b"Type=Exe\r\nReference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#stdole2.tlb#OLE Automation\r\n"
vbp += b"".join(b"Form=" + e + b"\r\n" for e in entries)
vbp += b"Startup=\"frmX\"\r\nTitle=\"Pr\xfcfung\"\r\n"
with open(os.path.join(root, "App.vbp"), "wb") as f:
    f.write(vbp)
EOF

cp -a "$work/project" "$work/linux"
cp -a "$work/project" "$work/wine"

# Wine's drive Z: is the Linux root.
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

"$native" run "$work/linux/App.vbp" --yes --trace >"$work/linux.trace" 2>"$work/linux.err" ||
  fail "the native run ended with $? ($(cat "$work/linux.err"))"
set +e
# Wine names files in the charset of the locale, which on a Linux desktop is
# UTF-8; CI may run in the C locale.
timeout 120 env LC_ALL=C.UTF-8 bash "$here/scripts/wine-run.sh" "$windows" run "$(winpath "$work/wine/App.vbp")" \
  --yes --trace >"$work/wine.trace" 2>"$work/wine.err"
status=$?
set -e
[ "$status" -eq 0 ] || fail "the run under Wine ended with $status ($(cat "$work/wine.err"))"

# The same names and the same bytes.
tree() { (cd "$1" && find . -mindepth 1 -printf '%y %p\n' | LC_ALL=C sort); }
diff <(tree "$work/linux") <(tree "$work/wine") >"$work/tree.diff" ||
  fail "the trees differ (< Linux, > Wine):
$(cat "$work/tree.diff")"
diff -r "$work/linux" "$work/wine" >/dev/null || fail "the files differ in content"
# Both converted and backed up what they should.
for form in "Swift_Opération.frm" "Übersicht/Grüße.frm" "A$(printf '\xc2\x81')z.frm"; do
  folder=$(dirname "$form")
  name=$(basename "$form")
  cmp -s "$work/linux/$folder/_Backup/$name" "$work/project/$form" ||
    fail "the backup of $form does not carry its name or its bytes"
  grep -aq 'qorXPControls' "$work/linux/$form" || fail "$form was not converted"
done
[ -L "$work/linux/Gemeinsam.frm" ] || fail "the link Gemeinsam.frm was replaced"
[ ! -L "$work/linux/_Backup/Gemeinsam.frm" ] || fail "the backup of Gemeinsam.frm is a link"
cmp -s "$work/linux/_Backup/Gemeinsam.frm" "$work/project/Geteilt/Gemeinsam.frm" ||
  fail "the backup of Gemeinsam.frm does not hold the original form"
grep -aq 'qorXPControls' "$work/linux/Geteilt/Gemeinsam.frm" || fail "the shared form was not converted"
cmp -s "$work/linux/Änderungen.frm" "$work/project/Änderungen.frm" || fail "Änderungen.frm was changed"

# Every name created is valid UTF-8.
(cd "$work/linux" && find . -print0 | tr '\0' '\n' | iconv -f UTF-8 -t UTF-8 >/dev/null) ||
  fail "a name on disk is not valid UTF-8"

# The traces name the same files (the project's own path aside). Shown text
# differs in one point only: the unassigned byte, an invisible control
# character under Wine, is marked with U+FFFD natively, as a terminal could
# take the control character for the start of an escape sequence.
normalize() {
  tr -d '\r' <"$1" | grep -v '"op":"Project' |
    sed -e "s/$(printf '\xef\xbf\xbd')//g" -e "s/$(printf '\xc2\x81')//g"
}
diff <(normalize "$work/linux.trace") <(normalize "$work/wine.trace") >"$work/trace.diff" ||
  fail "the traces differ (< Linux, > Wine):
$(cat "$work/trace.diff")"

echo "names-e2e: passed (Linux and Wine leave the same $(tree "$work/linux" | wc -l) names and bytes)"
