// A machine-readable record of a run or a restore (the console program's
// --report FILE, the wizard's "&Bericht speichern..."), JSON when FILE ends in
// ".json", CSV otherwise. The fields are described in the README.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/control_kinds.h"
#include "engine/file_system.h"
#include "engine/run_record.h"

namespace xpconv {

// The options of the call a report records, as the console program's
// options name them.
struct ReportOptions {
  std::string select = "all";  // "all", or the entries as --select names them ("1,3-4")
  std::array<int32_t, kControlKindCount> replace{1, 1, 1, 1};  // 0: the kind is kept
  int32_t xp_style = 1;                                        // 0: --plain
  int32_t backup = 1;                                          // 0: --no-backup
  bool designers = false;
  bool keep_going = false;
  std::string codepage = "WINDOWS-1252";
  std::vector<std::string> arguments;  // the options as given
};

struct RunReport {
  std::string command;  // "run" or "restore"
  bool dry_run = false;
  ReportOptions options;
  std::vector<ProjectRecord> projects;
  bool aborted = false;
  int exit_status = 0;
};

// The report as text; paths and texts are converted to UTF-8 through fs.
std::string ReportJson(const RunReport& report, FileSystem& fs);
std::string ReportCsv(const RunReport& report, FileSystem& fs);

// Writes the report to path (engine form) in the format its name asks for:
// into a temporary file beside it first, then renamed over it, so a reader
// never sees half a report. Raises VbError.
void WriteReport(const RunReport& report, FileSystem& fs, const std::string& path);

}  // namespace xpconv
