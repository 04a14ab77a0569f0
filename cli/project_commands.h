// What the commands that take projects (list, run, restore, check-code)
// share: the streams, the projects the arguments name, how a project and an
// error are shown, and the report at the end.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/report.h"
#include "cli/run_record.h"
#include "engine/error.h"
#include "engine/file_system.h"

namespace xpconv::cli {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// The layout of the engine's own error boxes, for errors that reach us
// outside of them (a project file that cannot be read, say).
void ReportError(std::ostream& err, const VbError& error, const std::string& shown_path);

// The projects the arguments name, groups expanded, in order. A group that
// cannot be read is reported and sets status to 1; without --keep-going
// nothing is run then.
std::vector<std::string> ExpandProjects(const CommandLine& line, FileSystem& fs, Streams io,
                                        int& status);

// A project as the user named it: the argument itself, or for a project of a
// group its resolved path.
std::string Shown(FileSystem& fs, const CommandLine& line, const std::string& project);

// The error in the project's record.
void NoteError(ProjectRecord& record, const VbError& error);

// Writes --report FILE, if asked for; a report that cannot be written is an
// error on err and sets status to 1.
void WriteReportOrSay(const RunReport& report, const CommandLine& line, FileSystem& fs, Streams io,
                      int& status);

}  // namespace xpconv::cli
