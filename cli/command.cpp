#include "cli/command.h"

#include <algorithm>
#include <ostream>

#include "cli/app.h"
#include "engine/file_helpers.h"
#include "engine/messages.h"

namespace xpconv::cli {

ConsoleSettings CommandCall::Settings() const {
  ConsoleSettings settings;
  settings.replace = line.replace;
  settings.xp_style = line.xp_style;
  settings.backup = line.backup;
  settings.yes = line.yes;
  settings.answers.assign(line.answers.begin(), line.answers.end());
  settings.reports_to_stderr = line.trace;
  return settings;
}

void CommandCall::ReportError(const VbError& error, const std::string& shown_path) const {
  io.err << msg::FileErrorPrompt(error.number(), error.description(), shown_path, "\n") << '\n';
}

namespace {

// The selection as given, or "all" without one.
std::string SelectText(const CommandLine& line) {
  if (line.select.empty()) return "all";
  std::string text;
  for (const SelectRange& range : line.select) {
    if (!text.empty()) text += ',';
    text += std::to_string(range.first);
    if (range.last != range.first) text.append("-").append(std::to_string(range.last));
  }
  return text;
}

}  // namespace

RunReport CommandCall::StartReport(const char* command) const {
  RunReport report;
  report.command = command;
  report.dry_run = line.dry_run;
  ReportOptions& options = report.options;
  options.select = SelectText(line);
  options.replace = line.replace;
  options.xp_style = line.xp_style;
  options.backup = line.backup;
  options.designers = line.designers;
  options.keep_going = line.keep_going;
  options.codepage = line.codepage;
  options.arguments = line.option_args;
  return report;
}

int CommandCall::FinishReport(RunReport& report, int status) const {
  report.aborted = std::any_of(report.projects.begin(), report.projects.end(),
                               [](const ProjectRecord& record) { return record.aborted; });
  report.exit_status = status;
  if (line.report.empty()) return status;
  try {
    WriteReport(report, fs, ToEnginePath(line.report));
  } catch (const VbError& error) {
    ReportError(error, line.report);
    return kExitFailed;
  }
  return status;
}

namespace {

bool IsGroupFile(const std::string& path) {
  return HasEnding(path, ".vbg");
}

// A project as the user named it: the first argument that names it, else
// (a project of a group) its resolved path.
std::string ShownPath(const CommandCall& call, const std::string& project) {
  for (const std::string& arg : call.line.paths) {
    if (ToEnginePath(arg) == project) return call.fs.ToDisplayText(arg);
  }
  return DisplayPath(call.fs, project);
}

}  // namespace

ProjectList ExpandProjects(const CommandCall& call) {
  ProjectList list;
  std::vector<std::string> projects;
  for (const std::string& arg : call.line.paths) {
    const std::string path = ToEnginePath(arg);
    if (!IsGroupFile(path)) {
      projects.push_back(path);
      continue;
    }
    try {
      std::vector<std::string> members = ReadGroupProjects(call.fs, path);
      if (members.empty()) {
        // A group that names no project is a mistake the user should see,
        // not a call that silently does nothing.
        call.io.err << "Die Projektgruppe " << call.fs.ToDisplayText(arg)
                    << " nennt kein Projekt (keine Zeile \"Project=\" oder \"StartupProject=\").\n";
        list.status = kExitFailed;
        if (!call.line.keep_going) return list;
        continue;
      }
      projects.insert(projects.end(), members.begin(), members.end());
    } catch (const VbError& error) {
      call.ReportError(error, call.fs.ToDisplayText(arg));
      list.status = kExitFailed;
      if (!call.line.keep_going) return list;
    }
  }
  list.projects.reserve(projects.size());
  for (std::string& project : projects) {
    std::string shown = ShownPath(call, project);
    list.projects.push_back({std::move(project), std::move(shown)});
  }
  return list;
}

SelectedEntries ReadSelectedEntries(FileSystem& fs, const CommandLine& line,
                                    const std::string& project, ProjectRecord& record) {
  SelectedEntries read;
  read.entries = ReadProjectEntries(fs, project, line.designers);
  read.selected = ResolveSelection(line.select, static_cast<int32_t>(read.entries.size()));
  for (size_t i = 0; i < read.entries.size(); ++i) {
    if (!read.selected[i]) continue;
    EntryRecord entry;
    entry.number = static_cast<int32_t>(i + 1);
    entry.kind = read.entries[i].kind;
    entry.entry = fs.ToDisplayText(read.entries[i].text);
    record.entries.push_back(std::move(entry));
    record.indexes.push_back(static_cast<int16_t>(i));
  }
  return read;
}

void NoteError(ProjectRecord& record, const VbError& error) {
  record.error_number = error.number();
  record.error_text = error.description();
}

}  // namespace xpconv::cli
