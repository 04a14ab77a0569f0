#!/usr/bin/env bash
# Two processes of the console program on one project: while the first run
# holds the project, a second one is refused with the German message and exit
# status 1 and changes nothing; after the first is killed with kill -9, the
# lock is gone with it (no lock file stays) and a third run converts.
#
# A restore holds the same lock: while a restore works on the project, a run,
# a preview and a second restore are refused the same way, and while a run
# does, a restore and a preview; each refused command changes no byte, says
# so in its report, and the holder then ends exactly as it does alone.
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
drainer=
cleanup() {
  [ -n "$first" ] && kill -9 "$first" 2>/dev/null || true
  [ -n "$holder" ] && kill -TERM "$holder" 2>/dev/null || true
  [ -n "$drainer" ] && kill "$drainer" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A project with one long form: the first run's trace of it is far more than
# a pipe holds, so with nobody reading its stdout the run stops inside that
# form, holding the project. With a count, that many small forms with long
# names follow, whose lines in a restore's listing are more than a pipe of
# one page holds (names short enough for Windows paths).
make_project() {
  rm -rf "${1:-$work/p}"
  python3 - "${1:-$work/p}" "${2:-0}" <<'EOF'
import os, sys
root, extra = sys.argv[1], int(sys.argv[2])
os.makedirs(root)
lines = [b"VERSION 5.00", b"Begin VB.Form frmLang", b"   Begin VB.CheckBox chk", b"   End", b"End"]
lines += [b"Private Sub S%d()\r\nEnd Sub" % i for i in range(20000)]
with open(os.path.join(root, "frmLang.frm"), "wb") as f:
    f.write(b"\r\n".join(lines) + b"\r\n")
forms = [b"frmLang.frm"]
for i in range(extra):
    forms.append(b"frm%03d_%s.frm" % (i, b"x" * 100))
    with open(os.path.join(root, forms[-1].decode()), "wb") as f:
        f.write(b"VERSION 5.00\r\nBegin VB.Form frmK\r\n   Begin VB.CheckBox chk\r\n   End\r\nEnd\r\n")
with open(os.path.join(root, "App.vbp"), "wb") as f:
    f.write(b"Type=Exe\r\nReference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#stdole2.tlb#OLE Automation\r\n"
            + b"".join(b"Form=" + form + b"\r\n" for form in forms))
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

# Every folder and file below the project's folder (or the one given), each
# file with its checksum and length.
snapshot() { (cd "${1:-$work/p}" && {
  find . -type d -printf 'dir %p\n'
  find . -type f -exec cksum {} +
} | LC_ALL=C sort); }
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

# ---- run, restore and preview against each other ----
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
refused() { tr -d '\r' <"$1" | grep -q '^Das Projekt wird bereits von einem anderen Konvertierungslauf bearbeitet\.$'; }
# command_of native|windows ARGS...: sets cmd to the command line of one of
# the two programs; "@P" stands for the project and "@R" for the report
# file, each as that program names them.
command_of() {
  local which=$1 arg
  shift
  if [ "$which" = windows ]; then
    cmd=(env LC_ALL=C.UTF-8 bash "$here/scripts/wine-run.sh" "$windows")
  else
    cmd=("$native")
  fi
  for arg in "$@"; do
    case "$which:$arg" in
      native:@P) cmd+=("$project") ;;
      native:@R) cmd+=("$work/r.json") ;;
      windows:@P) cmd+=("$(winpath "$project")") ;;
      windows:@R) cmd+=("$(winpath "$work/r.json")") ;;
      *) cmd+=("$arg") ;;
    esac
  done
}
# pipe_of FIFO size|pending: makes the FIFO's buffer one page (it lasts
# while fd 3 holds the FIFO open), or prints the bytes written to it and not
# yet read.
pipe_of() {
  python3 - "$1" "$2" <<'EOF'
import fcntl, os, struct, sys, termios
fd = os.open(sys.argv[1], os.O_RDONLY | os.O_NONBLOCK)
if sys.argv[2] == "size":
    fcntl.fcntl(fd, getattr(fcntl, "F_SETPIPE_SZ", 1031), 4096)
else:
    print(struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4))[0])
EOF
}

# The project after a run: every form converted, the originals in _Backup.
holds=0
make_project "$work/converted" 100
"$native" run "$work/converted/App.vbp" --yes >/dev/null

# hold native|windows run|restore: a fresh copy of the converted project, and
# the command working on it with its stdout in a FIFO of one page that
# nobody reads until release: a run (with --trace) stops inside the long
# form, a restore in its listing, before its first file; either holds the
# project then. The same command also runs undisturbed on a second copy,
# for release to compare.
hold() {
  rm -rf "$work/p" "$work/alone"
  cp -a "$work/converted" "$work/p"
  cp -a "$work/converted" "$work/alone"
  holding="$1 $2"
  if [ "$2" = run ]; then
    "$native" run "$work/alone/App.vbp" --yes >/dev/null 2>&1
  else
    "$native" restore "$work/alone/App.vbp" --yes >/dev/null 2>&1
  fi
  holds=$((holds + 1))
  fifo="$work/hold$holds"
  mkfifo "$fifo"
  exec 3<>"$fifo"
  pipe_of "$fifo" size
  if [ "$2" = run ]; then
    command_of "$1" run @P --yes --trace
  else
    command_of "$1" restore @P --yes
  fi
  # Wine's background processes must not keep the FIFO open; wine-run.sh
  # ends in exec, so $! is the program itself.
  "${cmd[@]}" </dev/null >"$fifo" 2>"$work/holder.err" 3<&- &
  holder=$!
  for _ in $(seq 1 1200); do
    kill -0 "$holder" 2>/dev/null || fail "the $holding ended early: $(cat "$work/holder.err")"
    if [ "$2" = run ]; then
      [ -e "$work/p/~form.tmp" ] && return 0
    else
      # A restore writes its listing only after it has taken the lock.
      [ "$(pipe_of "$fifo" pending)" -gt 0 ] && return 0
    fi
    sleep 0.05
  done
  fail "the $holding did not get to the project"
}

# refuse native|windows ARGS...: the command must end with status 1 and the
# run's message, change no byte and record the refusal in its report.
refuse() {
  local what="$1 $2 $4 (while the $holding holds the project)" before status
  before=$(snapshot)
  rm -f "$work/r.json"
  set +e
  command_of "$@" --report @R
  timeout 120 "${cmd[@]}" </dev/null >"$work/refused.out" 2>"$work/refused.err" 3<&-
  status=$?
  set -e
  [ "$status" -eq 1 ] || fail "$what ended with $status: $(cat "$work/refused.err")"
  refused "$work/refused.err" || fail "$what said: $(cat "$work/refused.err" "$work/refused.out")"
  [ "$(snapshot)" = "$before" ] || fail "$what changed files"
  python3 - "$work/r.json" <<'EOF' || fail "$what reported: $(cat "$work/r.json")"
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
project = report["projects"][0]
assert report["exit_status"] == 1 and not report["aborted"], report
assert project["error"] == {"number": 70, "text": "Das Projekt wird bereits von einem anderen "
                            "Konvertierungslauf bearbeitet."}, project
EOF
}

# release: lets the holder go on, which must end with status 0 and leave
# exactly the bytes the same command left on its undisturbed copy.
release() {
  cat <&3 >/dev/null &
  drainer=$!
  for _ in $(seq 1 2400); do
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$holder" 2>/dev/null && fail "the $holding did not end"
  local status=0
  wait "$holder" || status=$?
  holder=
  kill "$drainer" 2>/dev/null || true
  wait "$drainer" 2>/dev/null || true
  drainer=
  exec 3<&-
  [ "$status" -eq 0 ] || fail "the $holding ended with $status: $(cat "$work/holder.err")"
  [ "$(snapshot)" = "$(snapshot "$work/alone")" ] || fail "the $holding did not end as it does alone"
}

hold native run
refuse native restore @P --yes
refuse native restore @P --dry-run
refuse native run @P --dry-run
release
hold native restore
refuse native run @P --yes
refuse native run @P --dry-run
refuse native restore @P --yes
release
echo "lock-e2e: passed (run, restore and preview refuse each other's project)"

# ---- the console program and the Windows program under Wine ----
if [ ! -f "$windows" ] || ! command -v wine >/dev/null; then
  echo "lock-e2e: $windows or Wine missing, the Wine part is left out"
  exit 0
fi
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

hold native run
refuse windows restore @P --yes
release
hold native restore
refuse windows run @P --yes
refuse windows run @P --dry-run
release
hold windows restore
refuse native run @P --yes
release
hold windows run
refuse native restore @P --yes
release

echo "lock-e2e: passed (the console program and the Windows program under Wine exclude each other)"
