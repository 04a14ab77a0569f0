#include "cli/check_code_command.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/app.h"
#include "cli/code_references.h"
#include "engine/code_check.h"
#include "engine/error.h"
#include "engine/messages.h"

namespace xpconv::cli {
namespace {

// One project's check; the result is also in record.
int CheckOneProject(const CommandLine& line, FileSystem& fs, const std::string& project, Streams io,
                    ProjectRecord& record) {
  record.project = project;
  std::optional<ProjectCodeCheck> check;
  try {
    check = RunCodeCheck(fs, project, CodeCheckOptionsFrom(line));
  } catch (const VbError& error) {
    ReportError(io.err, error, Shown(fs, line, project));
    NoteError(record, error);
    return kExitFailed;
  }
  if (!check) {
    io.err << msg::kProjectBusy << '\n' << std::flush;
    NoteError(record, ProjectBusyError());
    return kExitFailed;
  }
  if (check->error_number != 0) {
    // The project file itself: reported as the other commands report it.
    const VbError error(check->error_number, check->error_text);
    ReportError(io.err, error, Shown(fs, line, project));
    NoteError(record, error);
    return kExitFailed;
  }
  for (const ModuleCheck& module : check->modules) {
    auto& folders = record.backup_folders;
    if (!module.backup_folder.empty() &&
        std::find(folders.begin(), folders.end(), module.backup_folder) == folders.end()) {
      folders.push_back(module.backup_folder);
    }
  }
  record.code = std::move(check);
  const ProjectCodeCheck& code = *record.code;
  PrintCodeReferences(code, line.fix_code ? FixTense::kDone : FixTense::kNone,
                      Shown(fs, line, project), fs, io.out, io.err);
  if (ListedFindings(code) == 0) {
    const int64_t read = static_cast<int64_t>(code.modules.size()) - code.Errors();
    io.out << "Kein Code nennt ersetzte Steuerelementtypen (" << read << " Datei(en) geprüft).\n"
           << std::flush;
  }
  return CodeCheckStatus(code, line);
}

}  // namespace

int RunCheckCode(const CommandLine& line, FileSystem& fs, Streams io) {
  int status = kExitOk;
  const std::vector<std::string> projects = ExpandProjects(line, fs, io, status);
  RunReport report;
  report.command = "check-code";
  report.line = &line;
  for (const std::string& project : projects) {
    if (projects.size() > 1) io.out << "Projekt " << Shown(fs, line, project) << ":\n";
    ProjectRecord& record = report.projects.emplace_back();
    const int result = CheckOneProject(line, fs, project, io, record);
    record.exit_status = result;
    status = WorseStatus(status, result);
    // A module that cannot be read ends nothing; a project that cannot be
    // checked ends the call unless --keep-going.
    if (record.error_number != 0 && !line.keep_going) break;
  }
  if (projects.size() > 1) {
    int64_t listed = 0;
    for (const ProjectRecord& record : report.projects) {
      if (record.code) listed += ListedFindings(*record.code);
    }
    io.out << "Gesamt: " << report.projects.size() << " von " << projects.size()
           << " Projekt(en) geprüft, " << listed << " Codestelle(n).\n"
           << std::flush;
  }
  report.exit_status = status;
  WriteReportOrSay(report, line, fs, io, status);
  return status;
}

}  // namespace xpconv::cli
