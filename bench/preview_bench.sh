#!/usr/bin/env bash
# Previews the conversion of a project with one big generated form
# (`xpconvert run --dry-run`, and with `--diff` into a file) and compares it
# with the real run of the same project, for a form of 20 MB and one of
# 200 MB. A preview keeps what it would write in a scratch folder, not in
# memory, and writes a form's patch from the rewriter's edits as it streams.
# Goals: the preview, with and without its patch, in at most 2 times the real
# run's time and at most 64 MB of memory, whatever the form's size.
#
#   bash bench/preview_bench.sh          # PREVIEW_BENCH_SIZES="5" for a small form only
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

sizes=${PREVIEW_BENCH_SIZES:-${PREVIEW_BENCH_MB:-20 200}}
runs=${BENCH_RUNS:-3}
xpconvert=$(find_xpconvert)
work=$(mktemp -d "${TMPDIR:-/tmp}/xpc-preview-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

bench_size() {
  size_mb=$1
  rm -rf "$work/original" "$work/p" "$work/run.patch" "$work/converted.frm"
  # Frames with a font block, holding check boxes and an option button, and a
  # progress bar; as in form_bench.sh the control names repeat (arrays), only
  # captions, indexes and tab indexes tell the groups apart.
  echo "Generating a project with a ${size_mb} MB form ..."
  mkdir "$work/original"
  awk -v target=$((size_mb * 1024 * 1024)) '
  function line(text) { printf "%s\r\n", text; bytes += length(text) + 2 }
  function prop(indent, name, value) { line(sprintf("%s%-16s=   %s", indent, name, value)) }
  BEGIN {
    line("VERSION 5.00")
    line("Begin VB.Form frmGross ")
    prop("   ", "Caption", "\"Stammdaten\"")
    for (i = 0; bytes < target; i++) {
      line("   Begin VB.Frame fraGruppe ")
      prop("      ", "Caption", "\"Gruppe " i "\"")
      line("      BeginProperty Font ")
      prop("         ", "Name", "\"MS Sans Serif\"")
      prop("         ", "Weight", "700")
      line("      EndProperty")
      prop("      ", "Height", "1935")
      prop("      ", "Index", i)
      prop("      ", "TabIndex", i * 5)
      for (k = 0; k < 2; k++) {
        line("      Begin VB.CheckBox chkOption ")
        prop("         ", "Caption", "\"Option " k "\"")
        prop("         ", "Index", i * 2 + k)
        prop("         ", "TabIndex", i * 5 + k + 1)
        line("      End")
      }
      line("      Begin VB.OptionButton optArt ")
      prop("         ", "Index", i)
      prop("         ", "TabIndex", i * 5 + 3)
      line("      End")
      line("   End")
      line("   Begin MSComctlLib.ProgressBar prgStatus ")
      prop("      ", "Index", i)
      prop("      ", "TabIndex", i * 5 + 4)
      prop("      ", "_Version", "393216")
      line("   End")
    }
    line("End")
    line("Attribute VB_Name = \"frmGross\"")
  }' >"$work/original/frmGross.frm"
  printf 'Type=Exe\r\nForm=frmGross.frm\r\n' >"$work/original/Gross.vbp"
  bytes=$(stat -c %s "$work/original/frmGross.frm")
  mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')

  fresh() { rm -rf "$work/p" && cp -r "$work/original" "$work/p" && sync; }
  best_run=999999
  best_preview=999999
  best_diff=999999
  for ((run = 1; run <= runs; run++)); do
    fresh
    t=$(seconds_of "$xpconvert" run "$work/p/Gross.vbp" --yes)
    best_run=$(min_of "$best_run" "$t")
    fresh
    t=$(seconds_of "$xpconvert" run "$work/p/Gross.vbp" --dry-run)
    best_preview=$(min_of "$best_preview" "$t")
    t=$(seconds_of sh -c '"$1" run "$2" --dry-run --diff >"$3" 2>/dev/null' sh \
      "$xpconvert" "$work/p/Gross.vbp" "$work/run.patch")
    best_diff=$(min_of "$best_diff" "$t")
  done

  # The patch must give exactly what the run writes.
  fresh
  "$xpconvert" run "$work/p/Gross.vbp" --yes >/dev/null 2>&1
  cp "$work/p/frmGross.frm" "$work/converted.frm"
  fresh
  (cd "$work/p" && patch -p1 --quiet <"$work/run.patch")
  cmp -s "$work/p/frmGross.frm" "$work/converted.frm" || { echo "the patch does not give the run's form" >&2; exit 1; }
  preview_kib=$(peak_kib_of "$xpconvert" run "$work/original/Gross.vbp" --dry-run)
  peak_kib=$(peak_kib_of sh -c '"$1" run "$2" --dry-run --diff >/dev/null 2>&1' sh "$xpconvert" \
    "$work/original/Gross.vbp")
  patch_lines=$(wc -l <"$work/run.patch")

  ratio=$(awk -v a="$best_diff" -v b="$best_run" 'BEGIN { printf "%.2f", a / b }')
  preview_ratio=$(awk -v a="$best_preview" -v b="$best_run" 'BEGIN { printf "%.2f", a / b }')
  peak_mb=$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k / 1024 }')
  preview_mb=$(awk -v k="$preview_kib" 'BEGIN { printf "%.1f", k / 1024 }')
  most_mb=$(awk -v a="$peak_mb" -v b="$preview_mb" 'BEGIN { print (a > b ? a : b) }')
  echo "Form:                   $mb MB ($bytes bytes), best of $runs runs"
  echo "run --yes:              ${best_run} s"
  echo "run --dry-run:          ${best_preview} s, ${preview_ratio}x the run, peak ${preview_mb} MB"
  echo "run --dry-run --diff:   ${best_diff} s (${patch_lines} patch lines), ${ratio}x the run, peak ${peak_mb} MB"
  echo "Goal preview ≤ 2x:      $(verdict "$preview_ratio" 2)"
  echo "Goal with patch ≤ 2x:   $(verdict "$ratio" 2)"
  echo "Goal memory ≤ 64 MB:    $(verdict "$most_mb" 64)"
  echo
}

for size in $sizes; do bench_size "$size"; done
