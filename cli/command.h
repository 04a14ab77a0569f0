// What the console program's commands share: one call's command line, file
// system, streams and terminal, the projects its arguments name, and the
// ways every command reports an error and fills its records.
//
// A command is one file (form_command.cpp, list_command.cpp, ...) with one
// entry point declared below, and one line in app.cpp's table of commands.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console_host.h"
#include "cli/terminal.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/project_file.h"
#include "engine/run_record.h"
#include "engine/run_report.h"

namespace xpconv::cli {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// One call of a command: what it was asked and what it works with.
struct CommandCall {
  const CommandLine& line;
  FileSystem& fs;
  Streams io;
  Terminal& terminal;

  // The console host's settings the options ask for.
  ConsoleSettings Settings() const;
  // The layout of the engine's own error boxes, for errors that reach us
  // outside of them (a project file that cannot be read, say).
  void ReportError(const VbError& error, const std::string& shown_path) const;
  // The record of this call of command ("run" or "restore"), its projects
  // still to come.
  RunReport StartReport(const char* command) const;
  // Closes the report with the call's status and writes it where --report
  // asks. Returns the status: a failure where the report could not be
  // written (which is said).
  int FinishReport(RunReport& report, int status) const;
};

// A project the arguments name: the path the engine works with, and the path
// the user is shown (the argument as given, or for a project of a group its
// resolved path).
struct NamedProject {
  std::string path;
  std::string shown;
};

struct ProjectList {
  std::vector<NamedProject> projects;
  // kExitFailed where a group could not be read or names no project.
  int status = 0;
};

// The projects the arguments name, groups expanded, in order. A group that
// cannot be read is reported; without --keep-going nothing is run then.
ProjectList ExpandProjects(const CommandCall& call);

// A project's entries, with the selection applied: every entry, and a flag
// per entry for whether it is selected.
struct SelectedEntries {
  std::vector<ProjectEntry> entries;
  std::vector<bool> selected;
};

// Reads the project's entries through fs and adds the selected ones to the
// record (number, kind, shown text and index).
SelectedEntries ReadSelectedEntries(FileSystem& fs, const CommandLine& line,
                                    const std::string& project, ProjectRecord& record);

// The error that ended a project, in its record.
void NoteError(ProjectRecord& record, const VbError& error);

// The commands; each returns the exit status.
int RunFormCommand(const CommandCall& call);
int RunListCommand(const CommandCall& call);
int RunRunCommand(const CommandCall& call);
int RunRestoreCommand(const CommandCall& call);
int RunCheckCodeCommand(const CommandCall& call);

}  // namespace xpconv::cli
