// --report FILE: a machine-readable record of a run or a restore, JSON when
// FILE ends in ".json", CSV otherwise. The fields are described in the
// README.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/run_record.h"
#include "engine/file_system.h"

namespace xpconv::cli {

struct RunReport {
  std::string command;  // "run" or "restore"
  bool dry_run = false;
  const CommandLine* line = nullptr;  // the options
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

}  // namespace xpconv::cli
