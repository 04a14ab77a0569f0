#!/usr/bin/env bash
# The code check's share of a run: a generated project of 300 forms of 1 KB
# to 400 KB (~18 MB, ~340,000 lines, one form in ten with nothing to replace,
# a type test in every 200th line of code) and 30 modules of 2,000 lines,
# converted with `xpconvert run --yes`, which checks the code of every form
# and module at its end. `xpconvert check-code` on the converted project is
# that check alone. Goal: the check adds at most a fifth to the run's time
# (check-code's time over the run's time without it), and its memory does not
# grow with the project (peak of check-code on the project and on a quarter).
# For reference it also times `run --yes --fix-code`, which mends the tests.
#
#   bash bench/code_bench.sh          # CODE_BENCH_FORMS=100 for a smaller one
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

forms=${CODE_BENCH_FORMS:-300}
runs=${BENCH_RUNS:-3}
xpconvert=$(find_xpconvert)
work=$(mktemp -d "${TMPDIR:-/tmp}/xpc-code-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

make_project() {  # make_project DIR FORMS
  awk -v dir="$1" -v forms="$2" -v min_kb=1 -v max_kb=400 -v type_tests=200 \
    -f "$here/bench/make_project.awk" >/dev/null
  mkdir -p "$1/Module"
  awk -v dir="$1" -v count=$(($2 / 10)) '
  function out(text) { printf "%s\r\n", text > file }
  BEGIN {
    for (m = 1; m <= count; m++) {
      file = sprintf("%s/Module/bas%03d.bas", dir, m)
      out(sprintf("Attribute VB_Name = \"bas%03d\"", m))
      out("Option Explicit")
      for (n = 0; n < 2000; n++) {
        if (n % 20 == 0) { out(""); out("Public Function Pruefe" n "(ByVal ctl As Control) As Boolean") }
        else if (n % 20 == 19) out("End Function")
        else if (n % 100 == 7) out("    Pruefe" n - 7 " = TypeOf ctl Is VB.Frame Or TypeName(ctl) = \"CheckBox\"")
        else out("    If Len(ctl.Tag) > " n " Then ctl.Tag = Left$(ctl.Tag, " n ") '"'"' kürzen")
      }
      close(file)
      printf "Module=bas%03d; Module\\bas%03d.bas\r\n", m, m >> (dir "/modules.txt")
    }
  }'
  # The modules go into the project file before its settings.
  awk 'FNR == NR { modules = modules $0 "\n"; next }
       /^Startup=/ { printf "%s", modules } { print }' "$1/modules.txt" "$1/App.vbp" >"$1/App.tmp"
  mv "$1/App.tmp" "$1/App.vbp"
  rm "$1/modules.txt"
}

echo "Generating a project of $forms forms and $((forms / 10)) modules ..."
make_project "$work/original" "$forms"
total_mb=$(du -sm "$work/original" | cut -f1)
total_lines=$(cat "$work"/original/*.frm "$work"/original/*/*.frm "$work"/original/Module/*.bas | wc -l)

fresh() { rm -rf "$work/P" && cp -r "$work/original" "$work/P" && sync; }
best_run=999999
best_check=999999
best_fix=999999
for ((run = 1; run <= runs; run++)); do
  fresh
  t=$(seconds_of "$xpconvert" run --yes "$work/P/App.vbp")
  best_run=$(min_of "$best_run" "$t")
  # The check alone, on the project as the run left it.
  t=$(seconds_of "$xpconvert" check-code "$work/P/App.vbp")
  best_check=$(min_of "$best_check" "$t")
  fresh
  t=$(seconds_of "$xpconvert" run --yes --fix-code "$work/P/App.vbp")
  best_fix=$(min_of "$best_fix" "$t")
done
found=$("$xpconvert" check-code "$work/original/App.vbp" | tail -n 2 | head -n 1)
peak_full=$(peak_kib_of "$xpconvert" check-code "$work/original/App.vbp")
quarter=$((forms / 4))
make_project "$work/small" "$quarter"
peak_small=$(peak_kib_of "$xpconvert" check-code "$work/small/App.vbp")

share=$(awk -v c="$best_check" -v r="$best_run" 'BEGIN { printf "%.2f", c / (r - c) }')
echo "Project:               $forms forms, $((forms / 10)) modules, $total_mb MB, $total_lines lines; best of $runs runs"
echo "Found:                 $found"
echo "run --yes:             ${best_run} s (the check included)"
echo "check-code:            ${best_check} s"
echo "The check's share:     ${share} of the run without it (goal <= 0.20: $(verdict "$share" 0.2))"
echo "run --yes --fix-code:  ${best_fix} s"
echo "Peak memory:           $((peak_full / 1024)) MB with $forms forms, $((peak_small / 1024)) MB with $quarter"
