#include "cli/project_commands.h"

#include <ostream>

#include "cli/app.h"
#include "engine/project_file.h"

namespace xpconv::cli {

void ReportError(std::ostream& err, const VbError& error, const std::string& shown_path) {
  err << "Fehler: " << error.number() << '\n'
      << error.description() << "\n\nDatei: " << shown_path << '\n';
}

namespace {

bool IsGroupFile(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return end == ".vbg";
}

}  // namespace

std::vector<std::string> ExpandProjects(const CommandLine& line, FileSystem& fs, Streams io,
                                        int& status) {
  std::vector<std::string> projects;
  for (const std::string& arg : line.paths) {
    const std::string path = ToEnginePath(arg);
    if (!IsGroupFile(path)) {
      projects.push_back(path);
      continue;
    }
    try {
      std::vector<std::string> members = ReadGroupProjects(fs, path);
      if (members.empty()) {
        // A group that names no project is a mistake the user should see,
        // not a call that silently does nothing.
        io.err << "Die Projektgruppe " << fs.ToDisplayText(arg)
               << " nennt kein Projekt (keine Zeile \"Project=\" oder \"StartupProject=\").\n";
        status = kExitFailed;
        if (!line.keep_going) return {};
        continue;
      }
      projects.insert(projects.end(), members.begin(), members.end());
    } catch (const VbError& error) {
      ReportError(io.err, error, fs.ToDisplayText(arg));
      status = kExitFailed;
      if (!line.keep_going) return {};
    }
  }
  return projects;
}

std::string Shown(FileSystem& fs, const CommandLine& line, const std::string& project) {
  for (const std::string& arg : line.paths) {
    if (ToEnginePath(arg) == project) return fs.ToDisplayText(arg);
  }
  return DisplayPath(fs, project);
}

void NoteError(ProjectRecord& record, const VbError& error) {
  record.error_number = error.number();
  record.error_text = error.description();
}

void WriteReportOrSay(const RunReport& report, const CommandLine& line, FileSystem& fs, Streams io,
                      int& status) {
  if (line.report.empty()) return;
  try {
    WriteReport(report, fs, ToEnginePath(line.report));
  } catch (const VbError& error) {
    ReportError(io.err, error, line.report);
    status = kExitFailed;
  }
}

}  // namespace xpconv::cli
