// The command line of xpconvert: what the user asked for, checked before any
// file is touched, and the usage text that explains it.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace xpconv::cli {

enum class Command { kNone, kHelp, kVersion, kForm, kList, kRun, kRestore, kCheckCode };

// A scripted answer to a question, in the terms of the message boxes.
enum class Answer { kYes, kNo, kCancel };

// One --select item: the 1-based entries first..last (first == last for a
// single number), as `list` numbers them.
struct SelectRange {
  int32_t first = 0;
  int32_t last = 0;
  bool operator==(const SelectRange&) const = default;
};

struct CommandLine {
  Command command = Command::kNone;
  // The form files of `form`, or the project files (.vbp) and project groups
  // (.vbg) of `list`, `run`, `restore` and `check-code`, exactly as given.
  std::vector<std::string> paths;

  // chkReplace(0..3): 1 replaces the kind, 0 keeps it.
  std::array<int32_t, 4> replace{1, 1, 1, 1};
  // chkXP: 0 for --plain.
  int32_t xp_style = 1;
  // chkBackup: 0 for --no-backup.
  int32_t backup = 1;
  std::string codepage = "WINDOWS-1252";
  bool trace = false;

  // Empty means every entry is selected.
  std::vector<SelectRange> select;
  bool yes = false;
  std::vector<Answer> answers;

  // --dry-run: show what would happen, change nothing.
  bool dry_run = false;
  // --diff (with --dry-run): a unified diff of the files a run would change.
  bool diff = false;
  // --report FILE: a JSON (.json) or CSV record of the run; empty for none.
  std::string report;
  // --keep-going: the next project runs even after one ended by an error.
  bool keep_going = false;
  // --designers: user controls, property pages and user documents too.
  bool designers = false;
  // --fix-code: mend the code's type tests of the replaced classes.
  bool fix_code = false;
  // --fail-on-code-references: exit status 3 when code still names a
  // replaced class.
  bool fail_on_code_references = false;
  // The option arguments as given (for the report), without the paths.
  std::vector<std::string> option_args;
};

// A command line that cannot be run: the message says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Raises UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Checks the selection against the number of entries the project lists and
// returns one flag per entry. Raises UsageError for a number past the end.
std::vector<bool> ResolveSelection(const std::vector<SelectRange>& select, int32_t entry_count);

// The help text, ending in a newline.
std::string UsageText();

// What --version prints: the program's name and version, ending in a newline.
std::string VersionText();

}  // namespace xpconv::cli
