// `xpconvert check-code`: the check of the projects' code on its own, for a
// project that was converted earlier; with --fix-code it mends the type
// tests, and nothing else is touched.
#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "cli/app.h"
#include "cli/code_references.h"
#include "cli/command.h"
#include "engine/code_check.h"
#include "engine/error.h"
#include "engine/messages.h"

namespace xpconv::cli {
namespace {

// One project's check, recorded in record. Returns its exit status.
int CheckProject(const CommandCall& call, const NamedProject& project, ProjectRecord& record) {
  record.project = project.path;
  std::optional<ProjectCodeCheck> check;
  try {
    check = RunCodeCheck(call.fs, project.path, CodeCheckOptionsFrom(call.line));
  } catch (const VbError& error) {
    call.ReportError(error, project.shown);
    NoteError(record, error);
    return kExitFailed;
  }
  if (!check) {
    call.io.err << msg::kProjectBusy << '\n' << std::flush;
    NoteError(record, ProjectBusyError());
    return kExitFailed;
  }
  if (check->error_number != 0) {
    // The project file itself: reported as the other commands report it.
    const VbError error(check->error_number, check->error_text);
    call.ReportError(error, project.shown);
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
  PrintCodeReferences(code, call.line.fix_code ? FixTense::kDone : FixTense::kNone, project.shown,
                      call.fs, call.io.out, call.io.err);
  if (ListedFindings(code) == 0) {
    const int64_t read = static_cast<int64_t>(code.modules.size()) - code.Errors();
    call.io.out << "Kein Code nennt ersetzte Steuerelementtypen (" << read
                << " Datei(en) geprüft).\n"
                << std::flush;
  }
  return CodeCheckStatus(code, call.line);
}

}  // namespace

int RunCheckCodeCommand(const CommandCall& call) {
  const ProjectList list = ExpandProjects(call);
  int status = list.status;
  RunReport report = call.StartReport("check-code");
  for (const NamedProject& project : list.projects) {
    if (list.projects.size() > 1) call.io.out << "Projekt " << project.shown << ":\n";
    ProjectRecord& record = report.projects.emplace_back();
    record.exit_status = CheckProject(call, project, record);
    status = WorseStatus(status, record.exit_status);
    // A module that cannot be read ends nothing; a project that cannot be
    // checked ends the call unless --keep-going.
    if (record.error_number != 0 && !call.line.keep_going) break;
  }
  if (list.projects.size() > 1) {
    int64_t listed = 0;
    for (const ProjectRecord& record : report.projects) {
      if (record.code) listed += ListedFindings(*record.code);
    }
    call.io.out << "Gesamt: " << report.projects.size() << " von " << list.projects.size()
                << " Projekt(en) geprüft, " << listed << " Codestelle(n).\n"
                << std::flush;
  }
  return call.FinishReport(report, status);
}

}  // namespace xpconv::cli
