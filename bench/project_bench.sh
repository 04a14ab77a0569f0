#!/usr/bin/env bash
# Converts a generated project of 2,000 forms (~100 MB in three folders, one
# form in ten with nothing to replace) with `xpconvert run --yes`, backups on,
# and compares it with copying the project by `tar -cf - P | tar -xf -`.
# Peak memory is measured on the full project and on a quarter of it: it must
# not grow with the project. Goal: at most 3 times the copy's time.
#
#   bash bench/project_bench.sh         # PROJECT_BENCH_FORMS=500 for a smaller one
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

forms=${PROJECT_BENCH_FORMS:-2000}
runs=${BENCH_RUNS:-3}
xpconvert=$(find_xpconvert)
work=$(mktemp -d "${TMPDIR:-/tmp}/xpc-project-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# make_project DIR COUNT: a project file and COUNT forms of ~50 KB each.
make_project() {
  mkdir -p "$1/Forms" "$1/Dialoge"
  awk -v dir="$1" -v count="$2" '
  function out(text) { printf "%s\r\n", text > file }
  function prop(indent, name, value) { out(sprintf("%s%-16s=   %s", indent, name, value)) }
  function form(name, plain,    g, k, top) {
    out("VERSION 5.00")
    out("Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"MSCOMCTL.OCX\"")
    out("Begin VB.Form " name " ")
    prop("   ", "Caption", "\"" name "\"")
    prop("   ", "ClientHeight", "9000")
    prop("   ", "ClientWidth", "12000")
    for (g = 0; g < 20; g++) {
      top = g * 400
      if (plain) {
        out("   Begin VB.PictureBox picGruppe ")
      } else {
        out("   Begin VB.Frame fraGruppe ")
      }
      prop("      ", "Caption", "\"Gruppe " g "\"")
      out("      BeginProperty Font ")
      prop("         ", "Name", "\"MS Sans Serif\"")
      prop("         ", "Size", "8.25")
      prop("         ", "Charset", "0")
      prop("         ", "Weight", "700")
      prop("         ", "Underline", "0   '"'"'False")
      prop("         ", "Italic", "0   '"'"'False")
      prop("         ", "Strikethrough", "0   '"'"'False")
      out("      EndProperty")
      prop("      ", "Height", "1935")
      prop("      ", "Index", g)
      prop("      ", "Left", "120")
      prop("      ", "TabIndex", g * 8)
      prop("      ", "Top", top)
      prop("      ", "Width", "5655")
      for (k = 0; k < 5; k++) {
        out(plain ? "      Begin VB.Label lblWert " : "      Begin VB.CheckBox chkOption ")
        prop("         ", "Caption", "\"Option " k "\"")
        prop("         ", "Height", "255")
        prop("         ", "Index", g * 5 + k)
        prop("         ", "Left", "240")
        prop("         ", "TabIndex", g * 8 + k + 1)
        prop("         ", "Top", 360 + k * 300)
        prop("         ", "Value", "1  '"'"'Aktiviert")
        prop("         ", "Width", "2415")
        out("      End")
      }
      out("   End")
      out(plain ? "   Begin VB.TextBox txtStatus " : "   Begin MSComctlLib.ProgressBar prgStatus ")
      prop("      ", "Height", "255")
      prop("      ", "Index", g)
      prop("      ", "Left", "6000")
      prop("      ", "TabIndex", g * 8 + 6)
      prop("      ", "Top", top)
      prop("      ", "Width", "4455")
      prop("      ", "_ExtentX", "7858")
      prop("      ", "_ExtentY", "450")
      out("   End")
    }
    out("End")
    out("Attribute VB_Name = \"" name "\"")
    out("Option Explicit")
    close(file)
  }
  BEGIN {
    project = dir "/App.vbp"
    printf "Type=Exe\r\n" > project
    printf "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\WINDOWS\\SYSTEM\\stdole2.tlb#OLE Automation\r\n" > project
    printf "Object={831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX\r\n" > project
    for (i = 1; i <= count; i++) {
      name = sprintf("frm%04d", i)
      if (i % 4 == 0) { folder = "Dialoge"; entry = "Dialoge\\" name ".frm" }
      else if (i % 4 == 1) { folder = ""; entry = name ".frm" }
      else { folder = "Forms"; entry = "Forms\\" name ".frm" }
      file = dir "/" (folder == "" ? "" : folder "/") name ".frm"
      form(name, i % 10 == 0)
      printf "Form=%s\r\n", entry > project
    }
    printf "Startup=\"frm0001\"\r\nTitle=\"Bench\"\r\nExeName32=\"Bench.exe\"\r\n" > project
    printf "\r\n[MS Transaction Server]\r\nAutoRefresh=1\r\n" > project
  }'
}

echo "Generating a project of $forms forms ..."
make_project "$work/original" "$forms"
total_mb=$(du -sm "$work/original" | cut -f1)
tar -cf - -C "$work" original >/dev/null  # both contenders start from the page cache

best_convert=999999
best_copy=999999
for ((run = 1; run <= runs; run++)); do
  rm -rf "$work/P" "$work/Q"
  cp -r "$work/original" "$work/P"
  mkdir "$work/Q"
  sync
  t=$(seconds_of "$xpconvert" run --yes "$work/P/App.vbp")
  best_convert=$(min_of "$best_convert" "$t")
  sync
  t=$(seconds_of sh -c 'tar -cf - -C "$1" P | tar -xf - -C "$2"' sh "$work" "$work/Q")
  best_copy=$(min_of "$best_copy" "$t")
done
converted=$(grep -l "qorXPControls" "$work"/P/*.frm "$work"/P/*/*.frm | wc -l)
backups=$(find "$work/P" -path '*_Backup*' -name '*.frm' | wc -l)

rm -rf "$work/P" && cp -r "$work/original" "$work/P" && sync
peak_full=$(peak_kib_of "$xpconvert" run --yes "$work/P/App.vbp")
quarter=$((forms / 4))
make_project "$work/small" "$quarter"
peak_small=$(peak_kib_of "$xpconvert" run --yes "$work/small/App.vbp")

ratio=$(awk -v a="$best_convert" -v b="$best_copy" 'BEGIN { printf "%.2f", a / b }')
echo "Project:            $forms forms, $total_mb MB, best of $runs runs"
echo "Converted:          $converted forms, $backups backups kept"
echo "xpconvert run:      ${best_convert} s"
echo "tar | tar:          ${best_copy} s"
echo "Time ratio:         ${ratio}x  (goal <= 3x: $(verdict "$ratio" 3))"
echo "Peak memory:        $((peak_full / 1024)) MB with $forms forms, $((peak_small / 1024)) MB with $quarter"
