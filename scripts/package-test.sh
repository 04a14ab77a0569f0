#!/usr/bin/env bash
# Tests the two Windows packages the way a user meets them, under Wine:
#  - the portable zip: its files and read-mes, the version resources,
#    xpconvert.exe --version and a conversion run from the unpacked folder;
#  - the installer, in a fresh Wine prefix: an older version installed first,
#    then this one silently over it (msiexec /qn), which must replace it; the
#    installed files, the Start-menu entry, the entry under installed programs
#    and the context-menu verb on .vbp files; the installed wizard started
#    with a copy of the sample as its argument converts it (scripts/e2e.sh
#    --argument --installed); a silent uninstall leaves no file and no
#    registry key behind.
#
# Usage: scripts/package-test.sh [mingw-build-dir]   (default: build/mingw)
# Needs: the packages (cmake --build build/mingw --target package), the
# e2e driver, Wine, xvfb-run, wixl and msiinfo (Debian packages wixl,
# msitools). Installs nothing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/mingw}" 2>/dev/null && pwd) || {
  echo "package-test: FAILED: build folder ${1:-$here/build/mingw} does not exist" >&2
  exit 1
}
fail() {
  echo "package-test: FAILED: $*" >&2
  exit 1
}
say() { echo "package-test: $*"; }

version=$(sed -n 's/^project(xpconvert VERSION \([0-9.]*\) .*/\1/p' "$here/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
base="xpwizard-$version-x64"
zip="$build/packages/$base-portable.zip"
msi="$build/packages/$base.msi"
[ -f "$zip" ] && [ -f "$msi" ] || fail "the packages are missing (cmake --build $build --target package)"
for tool in wixl msiinfo strings xvfb-run; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh)"
done

work=$(mktemp -d /tmp/xpc-package.XXXXXX)
# No menu entries on the Linux desktop for what the installer puts in the
# Start menu (winemenubuilder off).
export WINEPREFIX="$build/wineprefix-package" XPC_WINE_UNMANAGED=1 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
# Every Wine call is bounded; Wine's drive Z: is the Linux root.
wine_run() { timeout 180 bash "$here/scripts/wine-run.sh" "$@"; }
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
strip_cr() { tr -d '\r'; }
# Waits until every program of the prefix has ended and its registry is on disk.
settle() { timeout 120 wineserver -w || fail "Wine's programs did not end within 2 minutes"; }

# --- the portable zip ---
say "unpacking $(basename "$zip")"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
listing=$(cd "$work/zip" && find . -type f | sort | tr '\n' ' ')
expected="./$base/LIESMICH.txt ./$base/README.txt ./$base/xpconvert.exe ./$base/xpwizard.exe "
[ "$listing" = "$expected" ] || fail "the zip holds '$listing', expected '$expected'"
portable="$work/zip/$base"
for readme in LIESMICH.txt README.txt; do
  grep -q "Replacement-Wizard $version" "$portable/$readme" || fail "$readme does not name version $version"
  grep -q 'xpconvert run PRO' "$portable/$readme" || fail "$readme does not show the console program's usage"
  grep -q $'\r$' "$portable/$readme" || fail "$readme lacks Windows line ends"
done
# Both version resources carry the number: as text (UTF-16 strings) and as
# the file and product version numbers behind the record's signature
# 0xFEEF04BD, each as 16-bit words minor, major, build, patch.
IFS=. read -r major minor patch <<<"$version"
for exe in xpwizard.exe xpconvert.exe; do
  resource=$(strings -el "$portable/$exe")
  for want in "$version.0" "qorXPControls ActiveX Replacement-Wizard" "$exe"; do
    grep -qxF "$want" <<<"$resource" || fail "the version resource of $exe lacks \"$want\""
  done
  at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$portable/$exe" | head -1 | cut -d: -f1)
  [ -n "$at" ] || fail "$exe has no version resource"
  numbers=$(od -An -tu2 -j $((at + 8)) -N 16 "$portable/$exe" | tr -s ' ' | sed 's/^ //')
  [ "$numbers" = "$minor $major 0 $patch $minor $major 0 $patch" ] ||
    fail "the version numbers of $exe are ($numbers), expected $version"
done

say "running xpconvert.exe from the unpacked zip in a fresh prefix"
rm -rf "$WINEPREFIX"
shown=$(wine_run "$portable/xpconvert.exe" --version | strip_cr) || fail "xpconvert.exe --version failed"
[ "$shown" = "xpconvert $version" ] || fail "xpconvert.exe --version printed '$shown'"
cp -r "$here/samples/Kundenverwaltung" "$work/portable-run"
out=$(wine_run "$portable/xpconvert.exe" run "$(winpath "$work/portable-run/Kundenverwaltung.vbp")" --yes |
  strip_cr) || fail "the conversion with the portable xpconvert.exe failed: $out"
grep -q '^[1-9][0-9]* Datei(en) wurde(n) aktualisiert\.' <<<"$out" || fail "the portable run said: $out"
grep -aq 'Begin qorXPControls\.qor' "$work/portable-run/frmHaupt.frm" || fail "frmHaupt.frm was not converted"
cmp -s "$work/portable-run/_Backup/frmHaupt.frm" "$here/samples/Kundenverwaltung/frmHaupt.frm" ||
  fail "the portable run left no backup of frmHaupt.frm"
# The preview's patch, sent to a file, keeps the files' own line ends (the
# runtime's text mode would add a CR to each LF): applied to a fresh copy it
# gives what the run wrote.
cp -r "$here/samples/Kundenverwaltung" "$work/portable-patch"
wine_run "$portable/xpconvert.exe" run "$(winpath "$work/portable-patch/Kundenverwaltung.vbp")" --dry-run \
  --diff >"$work/portable.patch" 2>/dev/null || fail "the preview with the portable xpconvert.exe failed"
(cd "$work/portable-patch" && git apply "$work/portable.patch") ||
  fail "the patch of xpconvert.exe does not apply"
diff -r --exclude=_Backup "$work/portable-patch" "$work/portable-run" >/dev/null ||
  fail "the patch of xpconvert.exe does not give what its run wrote"

# --- the installer ---
product_code=$(msiinfo export "$msi" Property | sed -n 's/^ProductCode\t\(.*\)$/\1/p' | strip_cr)
upgrade_code=$(msiinfo export "$msi" Property | sed -n 's/^UpgradeCode\t\(.*\)$/\1/p' | strip_cr)
[ -n "$product_code" ] && [ -n "$upgrade_code" ] || fail "the installer names no product or upgrade code"
name="qorXPControls Replacement-Wizard"
folder="$WINEPREFIX/drive_c/Program Files/qorXP-Wizard"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# What the prefix holds before anything is installed: every file and every
# registry key, to compare with after the uninstall.
snapshot() {
  settle
  (cd "$WINEPREFIX/drive_c" && find . | sort) >"$1.files"
  cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" | sed -n 's/^\(\[[^]]*\]\).*/\1/p' | sort -u >"$1.keys"
}
query() { wine_run reg query "$@" 2>/dev/null | strip_cr; }
value_of() { sed -n "s/^ *$1 *REG_[A-Z_]* *//p" | head -1; }

# An older version of the same product (same upgrade code): this installer
# must replace it.
say "building and installing an older version 0.9.0 first"
stage="$build/packaging/stage"
bare_code=${product_code//[\{\}]/}
sed -e "s/Version=\"$version\"/Version=\"0.9.0\"/" -e "s/Id=\"$bare_code\"/Id=\"*\"/" \
  "$build/packaging/xpwizard.wxs" >"$work/old.wxs"
(cd "$stage" && wixl -a x64 -o "$work/old.msi" -D StageDir="$base" -D IconFile=xpwizard.ico \
  "$work/old.wxs" 2>/dev/null) || fail "the older installer cannot be built"
old_code=$(msiinfo export "$work/old.msi" Property | sed -n 's/^ProductCode\t\(.*\)$/\1/p' | strip_cr)
[ "$old_code" != "$product_code" ] || fail "the older installer got this version's product code"
snapshot "$work/before"
wine_run msiexec /i "$(winpath "$work/old.msi")" /qn || fail "the older version did not install"
[ "$(query "$uninstall_key\\$old_code" /v DisplayVersion | value_of DisplayVersion)" = "0.9.0" ] ||
  fail "the older version is not listed under installed programs"

say "installing $(basename "$msi") silently over it"
wine_run msiexec /i "$(winpath "$msi")" /qn || fail "msiexec /i /qn failed"
settle
if query "$uninstall_key\\$old_code" | grep -q DisplayName; then fail "the older version stayed installed"; fi
for file in xpwizard.exe xpconvert.exe LIESMICH.txt README.txt; do
  cmp -s "$folder/$file" "$portable/$file" || fail "Program Files\\qorXP-Wizard\\$file is missing or differs"
done
# The Start-menu entry: per machine on Windows; Wine files it in the user's
# Start menu whatever the installer asks.
mapfile -t links < <(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/*' -name "$name.lnk")
[ ${#links[@]} -eq 1 ] || fail "expected one Start-menu entry \"$name\", found ${#links[@]}"
link=$(strings -a "${links[0]}"; strings -el "${links[0]}")
grep -qxF 'C:\Program Files\qorXP-Wizard\xpwizard.exe' <<<"$link" ||
  fail "the Start-menu entry does not start xpwizard.exe"
grep -qF "$product_code\\xpwizard.ico" <<<"$link" || fail "the Start-menu entry does not show our icon"

entry=$(query "$uninstall_key\\$product_code")
[ "$(value_of DisplayName <<<"$entry")" = "$name" ] || fail "installed programs: no entry \"$name\": $entry"
[ "$(value_of DisplayVersion <<<"$entry")" = "$version" ] || fail "installed programs: wrong version: $entry"
[ "$(value_of Publisher <<<"$entry")" = "qor" ] || fail "installed programs: wrong publisher: $entry"
value_of UninstallString <<<"$entry" | grep -qi "msiexec" || fail "installed programs: no uninstall command"
icon=$(query 'HKLM\Software\Classes\Installer\Products' /s | value_of ProductIcon)
case "$icon" in
  *"$product_code"*xpwizard.ico) ;;
  *) fail "installed programs: no icon of ours ('$icon')" ;;
esac
icon_file="$WINEPREFIX/drive_c/$(printf '%s' "${icon#C:\\}" | tr '\\' '/')"
cmp -s "$icon_file" "$here/ui/resources/xpwizard.ico" || fail "the icon $icon is not our icon"

verb='HKLM\Software\Classes\SystemFileAssociations\.vbp\shell\qorXPWizard'
[ "$(query "$verb" /ve | value_of '(Default)')" = "Mit qorXP-Wizard konvertieren" ] ||
  fail "no context-menu verb \"Mit qorXP-Wizard konvertieren\" on .vbp files"
command=$(query "$verb\\command" /ve | value_of '(Default)')
[ "$command" = '"C:\Program Files\qorXP-Wizard\xpwizard.exe" "%1"' ] || fail "the verb runs '$command'"
say "installed: files, Start-menu entry, installed programs ($version, qor, icon), context-menu verb"

say "converting a copy of the sample with the installed wizard, started with the .vbp as its argument"
# The installs ran without a display: a fresh Wine session opens the wizard
# on the test's Xvfb display.
wineserver -k >/dev/null 2>&1 || true
settle
bash "$here/scripts/e2e.sh" "$build" --argument --installed 'C:\Program Files\qorXP-Wizard\xpwizard.exe' ||
  fail "the installed wizard did not convert the sample"

say "uninstalling silently"
wine_run msiexec /x "$(winpath "$msi")" /qn || fail "msiexec /x /qn failed"
snapshot "$work/after"
[ ! -e "$folder" ] || fail "Program Files\\qorXP-Wizard is still there"
added_files=$(comm -13 "$work/before.files" "$work/after.files")
added_keys=$(comm -13 "$work/before.keys" "$work/after.keys")
traces=$( (printf '%s\n' "$added_files" "$added_keys"
  cat "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg") |
  grep -i -e 'qorxp' -e 'xpwizard' -e 'xpconvert' -e "$bare_code" -e "${old_code//[\{\}]/}" \
    -e 'SystemFileAssociations\\\\.vbp' -e '\\\\qor\]' -e '\\\\qor\\\\' || true)
[ -z "$traces" ] || fail "the uninstall left traces behind:"$'\n'"$traces"
# The first install of any MSI creates the Windows Installer's own empty
# registration folders (Windows has them from the start), and the system's
# file dialogs keep the folder each program saved to last (the end-to-end
# walk saves a report through the save dialog); anything else new is ours.
leftover=$(printf '%s\n%s\n' "$added_files" "$added_keys" | grep -v -e '^$' \
  -e '^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\ComDlg32\(\\\\[A-Za-z]*MRU\)\?\]$' \
  -e '^\./windows/Installer$' \
  -e '^\[Software\\\\Classes\\\\Installer\(\\\\Features\|\\\\Products\|\\\\UpgradeCodes\)\?\]$' \
  -e '^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Installer\\\\UpgradeCodes\]$' \
  -e '^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Installer\\\\UserData\\\\S-1-5-18\\\\\(Components\|Products\)\]$' ||
  true)
[ -z "$leftover" ] || fail "the uninstall left behind what was not there before:"$'\n'"$leftover"
say "passed (zip, install over an older version, conversion by argument, clean uninstall)"
