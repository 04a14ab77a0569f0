#!/usr/bin/env bash
# The wizard against the console program, both under Wine in one prefix.
# Generates a project shaped like real ones (300 forms of 1 KB to 400 KB,
# ~17 MB, ~340,000 lines) and a project of one 50 MB form, converts each with
# the real xpwizard.exe, driven through tests/e2e/driver.cpp ("Alle Dateien",
# "&Starten", time to the summary box), and with `xpconvert.exe run --yes`
# (Wine's start included), then checks that both leave the same files. It
# also times the question "Wirklich abbrechen?" among the big form's lines and
# while the converted form is put in place, the longest wait for an answer
# from the progress window during a run, and loading and selecting a list of
# 2,000 entries.
#
#   bash bench/wizard_bench.sh
#   BENCH_RUNS=1 WIZARD_BENCH_FORMS=100 WIZARD_BENCH_BIG_MB=30 bash bench/wizard_bench.sh  # a quick look
#
# Needs a MinGW build (build/mingw, or XPC_MINGW_BUILD; built in Release when
# the programs are missing), Wine and xvfb-run (scripts/install-deps.sh).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Everything runs on one Xvfb display of its own.
if [ -z "${XPC_BENCH_DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "wizard_bench: xvfb-run is missing (scripts/install-deps.sh)" >&2; exit 1; }
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env XPC_BENCH_DISPLAY=1 bash "$0" "$@"
fi
source "$here/bench/common.sh"

runs=${BENCH_RUNS:-5}
forms=${WIZARD_BENCH_FORMS:-300}
big_mb=${WIZARD_BENCH_BIG_MB:-50}
entries=${WIZARD_BENCH_ENTRIES:-2000}
build=${XPC_MINGW_BUILD:-$here/build/mingw}
wizard=$build/ui/xpwizard.exe
driver=$build/tests/e2e/e2e_driver.exe
console=$build/cli/xpconvert.exe
if [ ! -f "$wizard" ] || [ ! -f "$driver" ] || [ ! -f "$console" ]; then
  echo "Building the Windows programs (Release) in $build ..." >&2
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" >/dev/null
  cmake --build "$build" -j2 --target xpwizard e2e_driver xpconvert >&2
fi

# One prefix for both programs, whose windows Wine frames itself (no window
# manager on the display); its server stays up for the whole benchmark.
export WINEPREFIX=${WIZARD_BENCH_PREFIX:-$here/build/wineprefix-bench} XPC_WINE_UNMANAGED=1
wine_run() { bash "$here/scripts/wine-run.sh" "$@"; }
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
wine_run cmd /c exit 0 >/dev/null 2>&1 || true  # makes the prefix on first use
wineserver -w || true
wineserver -p || true
work=$(mktemp -d "${TMPDIR:-/tmp}/xpc-wizard-bench.XXXXXX")
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

make_project() {  # make_project DIR FORMS BIG_MB [ENTRIES]
  awk -v dir="$1" -v forms="$2" -v big_mb="$3" -v entries="${4:-}" -v min_kb=1 -v max_kb=400 \
    -f "$here/bench/make_project.awk"
}

# driver_run LOG PROJECT [OPTIONS...]: the wizard through the driver.
driver_run() {
  local log=$1 project=$2
  shift 2
  if ! wine_run "$driver" "$(winpath "$wizard")" "$(winpath "$project")" --timings \
    --run-timeout 900 "$@" >"$log" 2>&1; then
    sed 's/^/  /' "$log" >&2
    echo "wizard_bench: the driver failed (see above)" >&2
    exit 1
  fi
  tr -d '\r' <"$log" >"$log.txt"
}
timing() { sed -n "s/^timing $1_ms=//p" "$2.txt"; }  # timing NAME LOG
max_of() { awk -v a="$1" -v b="$2" 'BEGIN { print (a > b ? a : b) }'; }

# compare NAME ORIGINAL: the wizard and the console program on copies of
# ORIGINAL, back to back, best of $runs; the files they leave must be equal.
compare() {
  local name=$1 original=$2 best_wizard=999999 best_console=999999 worst_answer=0 t
  for ((run = 1; run <= runs; run++)); do
    rm -rf "$work/W" "$work/C"
    cp -r "$original" "$work/W"
    cp -r "$original" "$work/C"
    sync
    driver_run "$work/wizard.log" "$work/W/App.vbp"
    t=$(awk -v ms="$(timing run "$work/wizard.log")" 'BEGIN { printf "%.3f", ms / 1000 }')
    best_wizard=$(min_of "$best_wizard" "$t")
    worst_answer=$(max_of "$worst_answer" "$(timing longest_progress_answer "$work/wizard.log")")
    sync
    t=$(seconds_of wine_run "$console" run --yes "$(winpath "$work/C/App.vbp")")
    best_console=$(min_of "$best_console" "$t")
    if ! diff -r "$work/W" "$work/C" >/dev/null; then
      echo "wizard_bench: $name: the wizard's files differ from the console program's:" >&2
      diff -rq "$work/W" "$work/C" | head >&2
      exit 1
    fi
  done
  local converted ratio
  last_best_wizard=$best_wizard
  converted=$(sed -n 's/^converted=//p' "$work/wizard.log.txt")
  ratio=$(awk -v a="$best_wizard" -v b="$best_console" 'BEGIN { printf "%.2f", a / b }')
  echo "$name: $converted forms converted, the same files from both programs"
  echo "  xpwizard.exe, \"&Starten\" to the summary:   ${best_wizard} s"
  echo "  xpconvert.exe run --yes, Wine's start incl.: ${best_console} s"
  echo "  ratio:                                       ${ratio}x  (goal <= 1.5x: $(verdict "$ratio" 1.5))"
  echo "  longest wait for the progress window:        ${worst_answer} ms  (goal <= 100 ms: $(verdict "$worst_answer" 100))"
}

echo "Generating the projects in $work ..."
make_project "$work/project" "$forms" 0 | sed "s/^/  project of $forms forms: /"
make_project "$work/big" 0 "$big_mb" | sed "s/^/  one form of $big_mb MB: /"
make_project "$work/list" 0 0 "$entries" >/dev/null
echo "  sizes: project $(du -sm "$work/project" | cut -f1) MB, big form $(du -sm "$work/big" | cut -f1) MB"
echo "Best of $runs runs each; both contenders back to back on copies in the page cache."
echo

compare "Project of $forms forms" "$work/project"
compare "One form of $big_mb MB" "$work/big"

# abort_at NAME DELAY_MS: clicks "Abbrechen" DELAY_MS after the progress
# window names the big form, times the question and the end of the run after
# "Ja", and checks the form is as it was before the run or, for a click that
# came while the converted form was being flushed and put in place (that step
# is not undone), exactly the console program's result.
abort_at() {
  local name=$1 delay=$2 best=999999 worst=0 stop=0 kept=0 converted=0 t
  for ((run = 1; run <= runs; run++)); do
    rm -rf "$work/A" && cp -r "$work/big" "$work/A" && sync
    driver_run "$work/abort.log" "$work/A/App.vbp" --abort-after-ms "$delay"
    stop=$(max_of "$stop" "$(timing stop_after_yes "$work/abort.log")")
    t=$(timing abort_question "$work/abort.log")
    best=$(min_of "$best" "$t")
    worst=$(max_of "$worst" "$t")
    if cmp -s "$work/A/frmGross.frm" "$work/big/frmGross.frm"; then
      kept=$((kept + 1))
    elif cmp -s "$work/A/frmGross.frm" "$work/C/frmGross.frm"; then
      converted=$((converted + 1))
    else
      echo "wizard_bench: the aborted form is neither the original nor the converted form" >&2
      exit 1
    fi
  done
  echo "Abort ${delay} ms after the $big_mb MB form is named, $name: form as it was $kept times, converted $converted times"
  echo "  click to \"Wirklich abbrechen?\": best ${best} ms, worst ${worst} ms  (goal <= 150 ms: $(verdict "$worst" 150))"
  echo "  \"Ja\" to the progress window gone: worst ${stop} ms"
  last_kept=$kept
}

# The first click comes a tenth of the wizard's time for the big form after
# the progress window names it: in the middle of the form's lines, so the run
# stops at the next line and the form stays as it was. The second comes at
# six tenths, when the converted form is written to disk and put in place:
# the question comes up during that step, and the form ends converted. ($work/C
# holds the console program's result of the big form from the comparison.)
abort_at "among its lines" "$(awk -v s="$last_best_wizard" 'BEGIN { ms = s * 100; printf "%d", (ms < 20 ? 20 : ms) }')"
[ "$last_kept" = "$runs" ] || { echo "wizard_bench: the aborted form was changed" >&2; exit 1; }
abort_at "late" "$(awk -v s="$last_best_wizard" 'BEGIN { printf "%d", s * 600 }')"

best_load=999999
best_all=999999
for ((run = 1; run <= runs; run++)); do
  driver_run "$work/list.log" "$work/list/App.vbp" --list-only
  best_load=$(min_of "$best_load" "$(timing list_load "$work/list.log")")
  best_all=$(min_of "$best_all" "$(timing select_all "$work/list.log")")
done
echo "List of $entries entries:"
echo "  open dialog closed to a usable window:       ${best_load} ms  (goal <= 1000 ms: $(verdict "$best_load" 1000))"
echo "  \"Alle Dateien\":                              ${best_all} ms  (goal <= 500 ms: $(verdict "$best_all" 500))"
