// The code check of a project: every code module its project file lists
// (Form=, Module=, Class=, and with designers the user controls, property
// pages and user documents) read once, streamed, for the classes a run
// replaces (engine/code_scanner.h); with the fix, its type tests mended.
//
// A module is mended like a form is converted: its backup copy is made under
// a temporary name in the "_Backup" folder beside it (where it has no backup
// yet), its new text goes into a temporary file beside it (where a link
// leads), takes its place in one atomic step, and only then does the backup
// copy take the module's name.
// Outside the mended tests its bytes stay as they were, line ends and code
// page included. A module that cannot be read or mended is noted with its
// error, and the check goes on with the next one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_scanner.h"
#include "engine/file_system.h"
#include "engine/run_observer.h"

namespace xpconv {

// The fixed name of the temporary file beside a module being mended.
inline constexpr const char* kTempCodeName = "~code.tmp";

// What precedes the code of a module, by the key of its project entry: a
// designer block for Form, UserControl, PropertyPage and UserDocument, a
// class header for Class, neither for Module.
ModuleType ModuleTypeOfEntry(std::string_view key);

struct CodeCheckOptions {
  ReplacedKinds kinds{true, true, true, true};
  bool designers = false;  // the UserControl=, PropertyPage= and UserDocument= files too
  bool fix = false;        // mend the type tests
  // A mended module's backup into the "_Backup" folder beside it, unless it
  // has one there: that one holds the module as it was before the
  // conversion (a form a run converted, or a module mended earlier), which
  // a restore must bring back together with the project file.
  bool backup = true;
};

struct ModuleCheck {
  std::string kind;   // the entry's key: "Form", "Module", "Class", "UserControl", ...
  std::string entry;  // the file as the entry names it (ANSI bytes)
  std::string path;   // resolved against the project folder (engine path)
  CodeScan scan;
  bool mended = false;        // the mended text has taken the module's place
  std::string backup_folder;  // where the mend's backup went; empty when none was made
  // The module could not be read or mended (0: it could); a module that
  // failed while it was mended stays as it was.
  int32_t error_number = 0;
  std::string error_text;

  // True when the finding's type test is of the mended form now: mended by
  // this check, or found so.
  bool Fixed(const CodeFinding& finding) const {
    return finding.fix == CodeFix::Mended || (finding.fix == CodeFix::Mendable && mended);
  }
};

struct ProjectCodeCheck {
  std::vector<ModuleCheck> modules;  // in the project file's order
  // The project file could not be read: no module was checked.
  int32_t error_number = 0;
  std::string error_text;

  // Findings that still name a replaced class: every finding but the type
  // tests of the mended form (those beyond a module's limit included).
  int64_t OpenFindings() const;
  // Type tests this check mended.
  int64_t MendedNow() const;
  // Type tests the fix would mend: found mendable and not mended.
  int64_t Mendable() const;
  // Modules that could not be read or mended, and the project file.
  int64_t Errors() const;
};

// Checks (and with options.fix mends) the code of the project's modules.
// With the fix, the caller holds the project's run lock (FileSystem::LockRun),
// as a batch run does. Never raises for a file: errors are noted. observer,
// when given, is asked for a log of each mend (RunObserver::MendLogFor).
ProjectCodeCheck CheckProjectCode(FileSystem& fs, const std::string& project,
                                  const CodeCheckOptions& options, RunObserver* observer = nullptr);

// The check as a command of its own: with the fix under the project's run
// lock, taken before the first change and held to the end. nullopt when
// another command holds the project: nothing was checked then. Raises as
// LockRun does (53 for a project file that is not there).
std::optional<ProjectCodeCheck> RunCodeCheck(FileSystem& fs, const std::string& project,
                                             const CodeCheckOptions& options);

// A finding's line as both programs show it: without its indent and
// trailing blanks, in UTF-8 through fs, and of a long line the first
// most_bytes bytes (cut between two characters) and " …".
std::string ShownCodeLine(FileSystem& fs, std::string_view line, size_t most_bytes);

// A code check a batch run makes at its end (EngineContext::code_check),
// under its lock, after its last form and before its summary, with the run's
// backup option.
struct CodeCheckRequest {
  CodeCheckOptions options;                // backup is the run's
  std::optional<ProjectCodeCheck> result;  // set when the run reached its end
};

}  // namespace xpconv
