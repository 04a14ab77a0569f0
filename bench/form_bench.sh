#!/usr/bin/env bash
# Converts one big generated form (~200 MB, every replaceable kind many times)
# with `xpconvert form` and compares it with copying the file by `cat f > g`.
# Goal: at most 3 times the copy's time, under 16 MB peak memory.
#
#   bash bench/form_bench.sh            # FORM_BENCH_MB=50 for a smaller form
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

size_mb=${FORM_BENCH_MB:-200}
runs=${BENCH_RUNS:-3}
xpconvert=$(find_xpconvert)
work=$(mktemp -d "${TMPDIR:-/tmp}/xpc-form-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Groups of a frame with its font block holding check boxes and an option
# button array, a progress bar, a text box and a button, as the development
# environment saves them, until the form reaches the size asked for.
echo "Generating a ${size_mb} MB form ..."
awk -v target=$((size_mb * 1024 * 1024)) '
function line(text) { printf "%s\r\n", text; bytes += length(text) + 2 }
function prop(indent, name, value) { line(sprintf("%s%-16s=   %s", indent, name, value)) }
BEGIN {
  line("VERSION 5.00")
  line("Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"MSCOMCTL.OCX\"")
  line("Begin VB.Form frmGross ")
  prop("   ", "BorderStyle", "3  '"'"'Fester Dialog")
  prop("   ", "Caption", "\"Stammdaten bearbeiten\"")
  prop("   ", "ClientHeight", "9000")
  prop("   ", "ClientWidth", "12000")
  prop("   ", "ScaleHeight", "9000")
  prop("   ", "ScaleWidth", "12000")
  for (i = 0; bytes < target; i++) {
    top = (i % 40) * 200
    line("   Begin VB.Frame fraGruppe ")
    prop("      ", "Caption", "\"Gruppe " i "\"")
    line("      BeginProperty Font ")
    prop("         ", "Name", "\"MS Sans Serif\"")
    prop("         ", "Size", "8.25")
    prop("         ", "Charset", "0")
    prop("         ", "Weight", "700")
    prop("         ", "Underline", "0   '"'"'False")
    prop("         ", "Italic", "0   '"'"'False")
    prop("         ", "Strikethrough", "0   '"'"'False")
    line("      EndProperty")
    prop("      ", "Height", "1935")
    prop("      ", "Index", i)
    prop("      ", "Left", "120")
    prop("      ", "TabIndex", i * 8)
    prop("      ", "Top", top)
    prop("      ", "Width", "5655")
    for (k = 0; k < 3; k++) {
      line("      Begin VB.CheckBox chkOption ")
      prop("         ", "Caption", "\"Option " k "\"")
      prop("         ", "Height", "255")
      prop("         ", "Index", i * 3 + k)
      prop("         ", "Left", "240")
      prop("         ", "TabIndex", i * 8 + k + 1)
      prop("         ", "Top", 360 + k * 360)
      prop("         ", "Value", "1  '"'"'Aktiviert")
      prop("         ", "Width", "2415")
      line("      End")
    }
    for (k = 0; k < 2; k++) {
      line("      Begin VB.OptionButton optArt ")
      prop("         ", "Caption", "\"Art " k "\"")
      prop("         ", "Height", "255")
      prop("         ", "Index", i * 2 + k)
      prop("         ", "Left", "3000")
      prop("         ", "TabIndex", i * 8 + k + 4)
      prop("         ", "Top", 360 + k * 360)
      prop("         ", "Width", "2415")
      line("      End")
    }
    line("   End")
    line("   Begin MSComctlLib.ProgressBar prgStatus ")
    prop("      ", "Height", "255")
    prop("      ", "Index", i)
    prop("      ", "Left", "6000")
    prop("      ", "TabIndex", i * 8 + 6)
    prop("      ", "Top", top)
    prop("      ", "Width", "4455")
    prop("      ", "_ExtentX", "7858")
    prop("      ", "_ExtentY", "450")
    prop("      ", "_Version", "393216")
    prop("      ", "Appearance", "1")
    line("   End")
    line("   Begin VB.TextBox txtWert ")
    prop("      ", "Height", "285")
    prop("      ", "Index", i)
    prop("      ", "Left", "6000")
    prop("      ", "TabIndex", i * 8 + 7)
    prop("      ", "Text", "\"0\"")
    prop("      ", "Top", top + 300)
    prop("      ", "Width", "1215")
    line("   End")
  }
  line("End")
  line("Attribute VB_Name = \"frmGross\"")
  line("Attribute VB_GlobalNameSpace = False")
  line("Attribute VB_Creatable = False")
  line("Attribute VB_PredeclaredId = True")
  line("Attribute VB_Exposed = False")
  line("Option Explicit")
}' >"$work/original.frm"

bytes=$(stat -c %s "$work/original.frm")
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')
cat "$work/original.frm" >/dev/null  # both contenders start from the page cache

best_convert=999999
best_copy=999999
best_synced=999999
for ((run = 1; run <= runs; run++)); do
  cp "$work/original.frm" "$work/frmGross.frm"
  rm -f "$work/copy.frm"
  sync
  t=$(seconds_of "$xpconvert" form "$work/frmGross.frm")
  best_convert=$(min_of "$best_convert" "$t")
  sync
  t=$(seconds_of sh -c 'cat "$1" > "$2"' sh "$work/original.frm" "$work/copy.frm")
  best_copy=$(min_of "$best_copy" "$t")
  # For reference only: the converter puts its output on disk before the
  # rename (a crash must never leave a half-written form); this copy does too.
  rm -f "$work/copy.frm"
  sync
  t=$(seconds_of sh -c 'cat "$1" > "$2" && sync "$2"' sh "$work/original.frm" "$work/copy.frm")
  best_synced=$(min_of "$best_synced" "$t")
done

grep -q "qorXPControls.qorFrame" "$work/frmGross.frm" || { echo "form was not converted" >&2; exit 1; }
cp "$work/original.frm" "$work/frmGross.frm"
sync
peak_kib=$(peak_kib_of "$xpconvert" form "$work/frmGross.frm")

ratio=$(awk -v a="$best_convert" -v b="$best_copy" 'BEGIN { printf "%.2f", a / b }')
speed=$(awk -v m="$mb" -v t="$best_convert" 'BEGIN { printf "%.1f", m / t }')
peak_mb=$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k / 1024 }')

echo "Form:               $mb MB ($bytes bytes), best of $runs runs"
echo "xpconvert form:     ${best_convert} s  ($speed MB/s)"
echo "cat f > g:          ${best_copy} s"
echo "cat f > g; sync g:  ${best_synced} s  (for reference: the copy on disk)"
echo "Time ratio:         ${ratio}x  (goal <= 3x: $(verdict "$ratio" 3))"
echo "Peak memory:        ${peak_mb} MB  (goal < 16 MB: $(verdict "$peak_mb" 15.99))"

# A line of any length passes through in bounded memory. Two files of
# LONG_LINE_MB (1024) MB each: one without any line end (a binary file listed
# by mistake), which stays as it is, and a form whose frame caption is one
# line of that size, which is converted; both are checked byte for byte.
long_mb=${LONG_LINE_MB:-1024}
rm -f "$work/original.frm" "$work/frmGross.frm" "$work/copy.frm"
echo "Generating two files with a ${long_mb} MB line ..."
long_line() { head -c $((long_mb * 1024 * 1024)) /dev/zero | tr '\0' 'x'; }
long_line >"$work/binaer.frm"
cp "$work/binaer.frm" "$work/binaer-original.frm"
{
  printf 'VERSION 5.00\r\nBegin VB.Form frmLang \r\n   Begin VB.Frame fraLang \r\n      Caption         =   "'
  long_line
} >"$work/frmLang.frm"
{
  printf 'VERSION 5.00\r\nBegin VB.Form frmLang \r\n   Begin qorXPControls.qorFrame fraLang \r\n'
  printf '      BorderColor     =   12632256\r\n      ForeColor       =   12582912\r\n'
  printf '      CheckMarkColor  =   2203937\r\n      Caption         =   "'
  long_line
  printf '\r\n'
} >"$work/frmLang-expected.frm"
sync

start=$EPOCHREALTIME
binary_kib=$(peak_kib_of "$xpconvert" form "$work/binaer.frm")
binary_s=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.1f", e - s }')
cmp -s "$work/binaer.frm" "$work/binaer-original.frm" || { echo "the file without line ends changed" >&2; exit 1; }
rm -f "$work/binaer.frm" "$work/binaer-original.frm"
start=$EPOCHREALTIME
form_kib=$(peak_kib_of "$xpconvert" form "$work/frmLang.frm")
form_s=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.1f", e - s }')
cmp -s "$work/frmLang.frm" "$work/frmLang-expected.frm" || { echo "the long-line form is not as expected" >&2; exit 1; }

binary_mb=$(awk -v k="$binary_kib" 'BEGIN { printf "%.1f", k / 1024 }')
form_mb=$(awk -v k="$form_kib" 'BEGIN { printf "%.1f", k / 1024 }')
echo "Without line ends:  ${long_mb} MB kept as it was in ${binary_s} s, peak ${binary_mb} MB  (goal < 16 MB: $(verdict "$binary_mb" 15.99))"
echo "One long caption:   ${long_mb} MB converted in ${form_s} s, peak ${form_mb} MB  (goal < 16 MB: $(verdict "$form_mb" 15.99))"
