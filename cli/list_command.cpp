// `xpconvert list`: the entries of projects, numbered as --select counts them.
#include <ostream>

#include "cli/app.h"
#include "cli/command.h"

namespace xpconv::cli {

int RunListCommand(const CommandCall& call) {
  const ProjectList list = ExpandProjects(call);
  int status = list.status;
  std::ostream& out = call.io.out;
  for (const NamedProject& project : list.projects) {
    std::vector<ProjectEntry> entries;
    try {
      entries = ReadProjectEntries(call.fs, project.path, call.line.designers);
    } catch (const VbError& error) {
      call.ReportError(error, project.shown);
      status = kExitFailed;
      if (!call.line.keep_going) break;
      continue;
    }
    if (list.projects.size() > 1) out << project.shown << ":\n";
    for (size_t i = 0; i < entries.size(); ++i) {
      out << (i + 1) << '\t';
      if (call.line.designers) out << entries[i].kind << '\t';
      out << call.fs.ToDisplayText(entries[i].text) << '\n';
    }
  }
  out << std::flush;
  return status;
}

}  // namespace xpconv::cli
