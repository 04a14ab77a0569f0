# Generates a VB6 project shaped like real ones. Variables:
#   dir      where to write
#   forms    number of forms (0: one big form only)
#   big_mb   size of the single form when forms == 0
#   min_kb, max_kb   form sizes, spread evenly on a log scale
#   entries  Form= entries in the project file (default: forms); entries
#            beyond the forms name files that are never written
#   type_tests  when set, every type_tests-th line of a form's code tests
#            for a check box ("If TypeOf Controls(n) Is CheckBox Then ...")
function out(text) { printf "%s\r\n", text > file; bytes += length(text) + 2; lines++ }
function prop(indent, name, value) { out(sprintf("%s%-16s=   %s", indent, name, value)) }
function font(indent) {
  out(indent "BeginProperty Font ")
  prop(indent "   ", "Name", "\"MS Sans Serif\"")
  prop(indent "   ", "Size", "8.25")
  prop(indent "   ", "Charset", "0")
  prop(indent "   ", "Weight", "400")
  prop(indent "   ", "Underline", "0   'False")
  prop(indent "   ", "Italic", "0   'False")
  prop(indent "   ", "Strikethrough", "0   'False")
  out(indent "EndProperty")
}
function control(indent, kind, name, idx, top, caption) {
  out(indent "Begin " kind " " name " ")
  if (caption != "") prop(indent "   ", "Caption", "\"" caption "\"")
  prop(indent "   ", "Height", "255")
  prop(indent "   ", "Index", idx)
  prop(indent "   ", "Left", "240")
  prop(indent "   ", "TabIndex", idx)
  prop(indent "   ", "Top", top)
  prop(indent "   ", "Width", "2415")
  out(indent "End")
}
function group(g, plain,    k) {
  out("   Begin " (plain ? "VB.PictureBox picGruppe" : "VB.Frame fraGruppe") " ")
  prop("      ", "Caption", "\"Gruppe " g "\"")
  font("      ")
  prop("      ", "Height", "1935")
  prop("      ", "Index", g)
  prop("      ", "Left", "120")
  prop("      ", "TabIndex", g * 10)
  prop("      ", "Top", g * 400)
  prop("      ", "Width", "5655")
  for (k = 0; k < 3; k++) control("      ", plain ? "VB.Label" : "VB.CheckBox", "chkOption", g * 10 + k, 360 + k * 300, "Option " k)
  for (k = 3; k < 5; k++) control("      ", plain ? "VB.Label" : "VB.OptionButton", "optWahl", g * 10 + k, 360 + k * 300, "Wahl " k)
  control("      ", "VB.TextBox", "txtWert", g * 10 + 5, 2000, "")
  out("   End")
  control("   ", plain ? "VB.TextBox" : "MSComctlLib.ProgressBar", "prgStatus", g, g * 400, "")
  control("   ", "VB.Label", "lblHinweis", g, g * 400 + 300, "Hinweis " g)
}
function form(path, name, target, plain,    g, n) {
  file = path; bytes = 0
  out("VERSION 5.00")
  out("Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"MSCOMCTL.OCX\"")
  out("Begin VB.Form " name " ")
  prop("   ", "Caption", "\"" name "\"")
  prop("   ", "ClientHeight", "9000")
  prop("   ", "ClientWidth", "12000")
  font("   ")
  for (g = 0; bytes + 2900 < target * 0.3 || g == 0 && target > 4096; g++) group(g, plain)
  if (g == 0) control("   ", plain ? "VB.Label" : "VB.CheckBox", "chkEinzeln", 0, 120, "Einzeln")
  out("End")
  out("Attribute VB_Name = \"" name "\"")
  out("Attribute VB_GlobalNameSpace = False")
  out("Option Explicit")
  for (n = 0; bytes < target; n++) {
    if (n % 12 == 0) { out(""); out("Private Sub Verarbeite" n "(ByVal Wert As Long)") }
    else if (n % 12 == 11) out("End Sub")
    else if (type_tests > 0 && n % type_tests == 5) out("    If TypeOf Controls(" n ") Is CheckBox Then Controls(" n ").Value = 0")
    else out("    rsDaten.Fields(\"Spalte" n "\").Value = Format$(Wert * " n ", \"#,##0.00\") ' Betrag")
  }
  if (n % 12 != 0) out("End Sub")
  close(file)
}
BEGIN {
  system("mkdir -p '" dir "/Forms' '" dir "/Dialoge'")
  project = dir "/App.vbp"
  printf "Type=Exe\r\n" > project
  printf "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\WINDOWS\\SYSTEM\\stdole2.tlb#OLE Automation\r\n" > project
  printf "Object={831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX\r\n" > project
  if (forms == 0 && big_mb > 0) {
    form(dir "/frmGross.frm", "frmGross", big_mb * 1048576, 0)
    printf "Form=frmGross.frm\r\n" > project
  }
  if (entries == "") entries = forms
  for (i = 1; i <= entries; i++) {
    name = sprintf("frm%04d", i)
    if (i % 4 == 0) { folder = "Dialoge/"; entry = "Dialoge\\" name ".frm" }
    else if (i % 4 == 1) { folder = ""; entry = name ".frm" }
    else { folder = "Forms/"; entry = "Forms\\" name ".frm" }
    if (i <= forms) {
      # Sizes spread on a log scale from min_kb to max_kb, in a shuffled order.
      u = ((i * 7919) % forms) / (forms > 1 ? forms - 1 : 1)
      kb = min_kb * exp(u ^ 1.25 * log(max_kb / min_kb))
      form(dir "/" folder name ".frm", name, kb * 1024, i % 10 == 0)
    }
    printf "Form=%s\r\n", entry > project
  }
  printf "Startup=\"frm0001\"\r\nTitle=\"Bench\"\r\nExeName32=\"Bench.exe\"\r\n" > project
  printf "\r\n[MS Transaction Server]\r\nAutoRefresh=1\r\n" > project
  close(project)
  printf "%d lines\n", lines
}
