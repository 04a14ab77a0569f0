#!/usr/bin/env bash
# Two processes of the console program on one project: while the first run
# holds the project, a second one is refused with the German message and exit
# status 1 and changes nothing; after the first is killed with kill -9, the
# lock is gone with it (no lock file stays) and a third run converts.
#
# Then the same between the console program and the Windows program under
# Wine, both ways, when the MinGW build holds cli/xpconvert.exe.
#
# Usage: scripts/lock-e2e.sh [native-build-dir] [mingw-build-dir]
#        (default: build/native and build/mingw)
# Needs: cli/xpconvert in the native build, python3; Wine for the second part.
# Installs nothing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native=$(cd "${1:-$here/build/native}" && pwd)/cli/xpconvert
windows=${2:-$here/build/mingw}/cli/xpconvert.exe

fail() {
  echo "lock-e2e: FAILED: $*" >&2
  exit 1
}
[ -x "$native" ] || fail "$native is missing (cmake --build build/native --target xpconvert)"

work=$(mktemp -d /tmp/xpc-lock.XXXXXX)
first=
holder=
cleanup() {
  [ -n "$first" ] && kill -9 "$first" 2>/dev/null || true
  [ -n "$holder" ] && kill -TERM "$holder" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A project with one long form: the first run's trace of it is far more than
# a pipe holds, so with nobody reading its stdout the run stops inside that
# form, holding the project.
make_project() {
  rm -rf "$work/p"
  python3 - "$work/p" <<'EOF'
import os, sys
root = sys.argv[1]
os.makedirs(root)
lines = [b"VERSION 5.00", b"Begin VB.Form frmLang", b"   Begin VB.CheckBox chk", b"   End", b"End"]
lines += [b"Private Sub S%d()\r\nEnd Sub" % i for i in range(20000)]
with open(os.path.join(root, "frmLang.frm"), "wb") as f:
    f.write(b"\r\n".join(lines) + b"\r\n")
with open(os.path.join(root, "App.vbp"), "wb") as f:
    f.write(b"Type=Exe\r\nReference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#stdole2.tlb#OLE Automation\r\n"
            b"Form=frmLang.frm\r\n")
EOF
}
make_project
project="$work/p/App.vbp"

# Its stdout is a pipe that this script holds open and never reads.
mkfifo "$work/pipe"
exec 3<>"$work/pipe"
"$native" run "$project" --yes --trace >"$work/pipe" 2>/dev/null &
first=$!
# The run holds the project once it has put the library line into it.
for _ in $(seq 1 200); do
  grep -aq 'qorXPCtl' "$project" && [ -e "$work/p/~form.tmp" ] && break
  sleep 0.05
done
grep -aq 'qorXPCtl' "$project" || fail "the first run did not get to the project file"
kill -0 "$first" 2>/dev/null || fail "the first run ended before the test could start the second"

snapshot() { (cd "$work/p" && find . -type f -o -type d | LC_ALL=C sort | while read -r f; do
  if [ -f "$f" ]; then printf '%s %s\n' "$(cksum <"$f")" "$f"; else printf 'dir %s\n' "$f"; fi
done); }
before=$(snapshot)
set +e
"$native" run "$project" --yes >"$work/second.out" 2>"$work/second.err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "the second run ended with $status, expected 1"
grep -q '^Das Projekt wird bereits von einem anderen Konvertierungslauf bearbeitet\.$' \
  "$work/second.err" || fail "the second run said: $(cat "$work/second.err" "$work/second.out")"
[ "$(snapshot)" = "$before" ] || fail "the second run changed files"

kill -9 "$first"
wait "$first" 2>/dev/null || true
first=
exec 3<&-
"$native" run "$project" --yes >"$work/third.out" 2>"$work/third.err" ||
  fail "the run after kill -9 ended with $? ($(cat "$work/third.err"))"
grep -q 'Datei(en) wurde(n) aktualisiert' "$work/third.out" || fail "the third run showed no summary"
grep -aq 'qorXPControls.qorCheck' "$work/p/frmLang.frm" || fail "the third run did not convert"
left=$(cd "$work/p" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "./App.vbp ./_Backup ./_Backup/App.vbp ./_Backup/frmLang.frm ./frmLang.frm " ] ||
  fail "files left behind: $left"

echo "lock-e2e: passed (second run refused with status 1, lock gone after kill -9)"

# ---- the console program and the Windows program under Wine ----
if [ ! -f "$windows" ] || ! command -v wine >/dev/null; then
  echo "lock-e2e: $windows or Wine missing, the Wine part is left out"
  exit 0
fi
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
refused() { tr -d '\r' <"$1" | grep -q '^Das Projekt wird bereits von einem anderen Konvertierungslauf bearbeitet\.$'; }
# Waits until the holding run is inside the form.
wait_for_form() {
  for _ in $(seq 1 1200); do
    [ -e "$work/p/~form.tmp" ] && return 0
    sleep 0.05
  done
  fail "the first run did not get to the form"
}

# The console program holds the project; the Windows program is refused.
# Wine's own background processes, started by the first Wine program, would
# keep any descriptor they inherit open: each holder gets a pipe of its own,
# and no Wine process gets the one of the other.
make_project
mkfifo "$work/pipe2"
exec 3<>"$work/pipe2"
"$native" run "$project" --yes --trace >"$work/pipe2" 2>/dev/null &
first=$!
wait_for_form
before=$(snapshot)
set +e
timeout 120 env LC_ALL=C.UTF-8 bash "$here/scripts/wine-run.sh" "$windows" \
  run "$(winpath "$project")" --yes >"$work/wine.out" 2>"$work/wine.err" 3<&-
status=$?
set -e
[ "$status" -eq 1 ] || fail "the Windows program ended with $status, expected 1"
refused "$work/wine.err" || fail "the Windows program said: $(cat "$work/wine.err" "$work/wine.out")"
[ "$(snapshot)" = "$before" ] || fail "the Windows program changed files"
kill -9 "$first"
wait "$first" 2>/dev/null || true
first=
exec 3<&-

# The Windows program holds the project; the console program is refused.
make_project
mkfifo "$work/pipe3"
exec 3<>"$work/pipe3"
# wine-run.sh ends in exec, so $! is the program itself.
env LC_ALL=C.UTF-8 bash "$here/scripts/wine-run.sh" "$windows" \
  run "$(winpath "$project")" --yes --trace </dev/null >"$work/pipe3" 2>/dev/null &
holder=$!
wait_for_form
before=$(snapshot)
set +e
"$native" run "$project" --yes >"$work/second.out" 2>"$work/second.err"
status=$?
set -e
kill -TERM "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
holder=
exec 3<&-
[ "$status" -eq 1 ] || fail "the console program ended with $status while the Windows program ran"
refused "$work/second.err" || fail "the console program said: $(cat "$work/second.err")"
[ "$(snapshot)" = "$before" ] || fail "the console program changed files"

echo "lock-e2e: passed (the console program and the Windows program under Wine exclude each other)"
