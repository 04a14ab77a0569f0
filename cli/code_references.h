// What the check of a project's code found (engine/code_check.h), as the
// console shows it after a run's summary or preview and for check-code, and
// what it adds to a command's exit status.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/command_line.h"
#include "engine/code_check.h"
#include "engine/file_system.h"

namespace xpconv::cli {

// The check a command makes: the kinds it replaces (--keep), --designers,
// --fix-code, and backups unless --no-backup.
CodeCheckOptions CodeCheckOptionsFrom(const CommandLine& line);

// How the fix's results are told.
enum class FixTense {
  kNone,     // no --fix-code
  kDone,     // the mended tests are in place
  kWouldBe,  // a preview: they would be
};

// The code lines that still name a replaced class, and those the fix
// mended, grouped by file in the project file's order, then a count line:
//
//   Code, der ersetzte Steuerelementtypen nennt:
//     Forms\frmKunde.frm:148: ElseIf TypeOf ctl Is OptionButton Then (Typprüfung, OptionButton)
//   1 Codestelle(n) in 1 Datei(en); --fix-code ergänzt 1 Typprüfung(en).
//
// Nothing when there is none of either. A module that could not be read
// or mended is one line on err ("fehlt.bas: Code nicht geprüft, Fehler 53:
// Datei nicht gefunden"); project names the project for an error of its
// project file.
void PrintCodeReferences(const ProjectCodeCheck& check, FixTense tense, const std::string& project,
                         FileSystem& fs, std::ostream& out, std::ostream& err);

// The findings that PrintCodeReferences lists: not fixed before the check.
int64_t ListedFindings(const ProjectCodeCheck& check);

// What the check adds to the exit status (combined by WorseStatus): 1 when
// a module (or the project file) could not be checked or mended and the
// command is check-code or asked for --fix-code or
// --fail-on-code-references; else 3 with --fail-on-code-references when
// code still names a replaced class; else 0.
int CodeCheckStatus(const ProjectCodeCheck& check, const CommandLine& line);

}  // namespace xpconv::cli
