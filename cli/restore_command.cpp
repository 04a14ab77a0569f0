// `xpconvert restore`: puts the backups of a run back, project by project.
#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/app.h"
#include "cli/command.h"
#include "engine/messages.h"
#include "engine/paths.h"
#include "engine/restore.h"
#include "engine/run_record.h"

namespace xpconv::cli {
namespace {

const char* RestoreOutcome(RestoreState state) {
  switch (state) {
    case RestoreState::kRestore:
      return outcomes::kRestored;
    case RestoreState::kUnchanged:
      return outcomes::kUnchanged;
    case RestoreState::kNoBackup:
      return outcomes::kNoBackup;
  }
  return outcomes::kSkipped;
}

// What one project's restore would do.
struct RestorePlan {
  // Held from before the listing to the end, also by a dry run: what is
  // listed is what is restored, and no run works on the project meanwhile.
  std::unique_ptr<ProjectRestore> restore;
  // The entries' in record order, then the project file's.
  std::vector<RestoreItem> items;

  bool IsProjectFile(size_t i) const { return i + 1 == items.size(); }
};

// The outcome of the plan's item i in the record.
std::string& OutcomeOf(ProjectRecord& record, const RestorePlan& plan, size_t i) {
  return plan.IsProjectFile(i) ? record.project_file : record.entries[i].outcome;
}

// One call of `restore`: the projects in turn, the answers of --answer
// carried from each to the next.
class RestoreCall {
 public:
  RestoreCall(const CommandCall& call, ProjectList list)
      : call_(call),
        line_(call.line),
        list_(std::move(list)),
        report_(call.StartReport("restore")),
        answers_(call.line.answers.begin(), call.line.answers.end()) {}
  RestoreCall(const RestoreCall&) = delete;
  RestoreCall& operator=(const RestoreCall&) = delete;

  int Run();

 private:
  int RestoreProject(const NamedProject& project);
  void PrintHeading(const NamedProject& project);
  std::optional<RestorePlan> Plan(const NamedProject& project, ProjectRecord& record);
  size_t ShowPlan(const NamedProject& project, const RestorePlan& plan, ProjectRecord& record);
  int Apply(const RestorePlan& plan, ProjectRecord& record);
  void PrintTotal();

  const CommandCall& call_;
  const CommandLine& line_;
  ProjectList list_;
  RunReport report_;
  std::deque<Answer> answers_;
  bool user_aborted_ = false;
};

int RestoreCall::Run() {
  int status = list_.status;
  for (const NamedProject& project : list_.projects) {
    user_aborted_ = false;
    const int result = RestoreProject(project);
    status = std::max(status, result);
    if (user_aborted_ || (result != kExitOk && !line_.keep_going)) break;
  }
  if (list_.projects.size() > 1) PrintTotal();
  return call_.FinishReport(report_, status);
}

void RestoreCall::PrintTotal() {
  int32_t restored = 0;
  for (const ProjectRecord& record : report_.projects) {
    restored +=
        record.Count(outcomes::kRestored) + (record.project_file == outcomes::kRestored ? 1 : 0);
  }
  call_.io.out << "Gesamt: " << report_.projects.size() << " von " << list_.projects.size()
               << " Projekt(en), " << restored << " Datei(en) "
               << (line_.dry_run ? "würden wiederhergestellt" : "wiederhergestellt") << ".\n"
               << std::flush;
}

// One project's restore: the plan, one question, then file by file; the
// first failure ends it with every file either as it was or restored.
int RestoreCall::RestoreProject(const NamedProject& project) {
  ProjectRecord& record = report_.projects.emplace_back();
  record.project = project.path;
  const std::optional<RestorePlan> plan = Plan(project, record);
  if (!plan) return kExitFailed;
  const size_t to_restore = ShowPlan(project, *plan, record);
  if (line_.dry_run) return kExitOk;
  if (to_restore == 0) {
    call_.io.out << "Nichts wiederherzustellen.\n" << std::flush;
    return kExitOk;
  }
  return Apply(*plan, record);
}

void RestoreCall::PrintHeading(const NamedProject& project) {
  call_.io.out << (line_.dry_run ? "Probelauf: Wiederherstellen von " : "Wiederherstellen von ")
               << project.shown << ":\n";
}

// The plan, or none (the error said and recorded).
std::optional<RestorePlan> RestoreCall::Plan(const NamedProject& project, ProjectRecord& record) {
  RestorePlan plan;
  try {
    plan.restore = ProjectRestore::Begin(call_.fs, project.path);
    if (!plan.restore) {
      PrintHeading(project);
      call_.io.out << std::flush;
      call_.io.err << msg::kProjectBusy << '\n' << std::flush;
      NoteError(record, ProjectBusyError());
      record.exit_status = kExitFailed;
      return std::nullopt;
    }
    const std::string folder = ProjectFolderOf(project.path);
    const SelectedEntries read = ReadSelectedEntries(call_.fs, line_, project.path, record);
    for (size_t i = 0; i < record.entries.size(); ++i) {
      const EntryLocation where =
          ResolveEntryIn(folder, read.entries[static_cast<size_t>(record.indexes[i])].text);
      record.entries[i].path = where.folder + where.name;
      plan.items.push_back(plan.restore->Plan(record.entries[i].path));
    }
    // The modules and classes a code fix mended, when no selection narrows
    // the restore: only those with a backup are named.
    for (const ProjectEntry& entry : line_.select.empty()
                                         ? ReadCodeEntries(call_.fs, project.path, false)
                                         : std::vector<ProjectEntry>()) {
      if (entry.kind != "Module" && entry.kind != "Class") continue;
      const EntryLocation where = ResolveEntryIn(folder, entry.text);
      RestoreItem item = plan.restore->Plan(where.folder + where.name);
      if (item.state == RestoreState::kNoBackup) continue;
      EntryRecord& module = record.entries.emplace_back();
      module.kind = entry.kind;
      module.entry = call_.fs.ToDisplayText(entry.text);
      module.path = where.folder + where.name;
      record.indexes.push_back(-1);
      plan.items.push_back(std::move(item));
    }
    plan.items.push_back(plan.restore->Plan(project.path));
  } catch (const VbError& error) {
    call_.ReportError(error, project.shown);
    NoteError(record, error);
    record.exit_status = kExitFailed;
    return std::nullopt;
  }
  return plan;
}

// Lists the plan and records it; returns how many files it restores.
size_t RestoreCall::ShowPlan(const NamedProject& project, const RestorePlan& plan,
                             ProjectRecord& record) {
  std::ostream& out = call_.io.out;
  PrintHeading(project);
  size_t to_restore = 0;
  for (size_t i = 0; i < plan.items.size(); ++i) {
    const RestoreState state = plan.items[i].state;
    if (state == RestoreState::kRestore) ++to_restore;
    OutcomeOf(record, plan, i) = RestoreOutcome(state);
    if (plan.IsProjectFile(i)) {
      out << "  Projektdatei " << project.shown << ": ";
    } else {
      // A module has no number: list counts the forms only.
      const EntryRecord& entry = record.entries[i];
      out << "  " << (entry.number > 0 ? std::to_string(entry.number) + " " : std::string())
          << entry.entry << ": ";
    }
    out << RestoreStateText(state) << '\n';
  }
  out << std::flush;
  for (const RestoreItem& item : plan.items) {
    if (item.state == RestoreState::kNoBackup) continue;
    const std::string folder_of_backup = FolderOf(item.backup);
    auto& folders = record.backup_folders;
    if (std::find(folders.begin(), folders.end(), folder_of_backup) == folders.end()) {
      folders.push_back(folder_of_backup);
    }
  }
  return to_restore;
}

// Asks once, then restores file by file.
int RestoreCall::Apply(const RestorePlan& plan, ProjectRecord& record) {
  const Streams& io = call_.io;
  ConsoleSettings settings = call_.Settings();
  settings.answers = answers_;
  AbortFlag abort;
  ConsoleHost console(std::move(settings), io.in, io.out, io.err, call_.terminal, abort);
  const int32_t answer = console.ShowMessage("Wiederherstellen?", mb::kYesNoQuestion, "");
  answers_ = console.TakeRemainingAnswers();
  const std::vector<RestoreItem>& items = plan.items;
  if (answer != mb::kAnswerYes) {
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].state == RestoreState::kRestore) OutcomeOf(record, plan, i) = outcomes::kSkipped;
    }
    record.aborted = true;
    record.exit_status = kExitFailed;
    return kExitFailed;
  }

  // Ctrl+C asks "Wirklich abbrechen?" between two files; each file is
  // restored in one step, so an abort leaves none half done.
  call_.terminal.CatchInterrupts();
  size_t restored = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].state != RestoreState::kRestore) continue;
    if (record.exit_status == kExitOk) {
      console.PumpMessages();
      if (abort.raised()) {
        user_aborted_ = record.aborted = true;
        record.exit_status = kExitFailed;
        io.err << "Wiederherstellen abgebrochen.\n" << std::flush;
      }
    }
    if (record.exit_status != kExitOk) {
      OutcomeOf(record, plan, i) = outcomes::kSkipped;
      continue;
    }
    try {
      plan.restore->Restore(items[i]);
      ++restored;
    } catch (const VbError& error) {
      call_.ReportError(error, DisplayPath(call_.fs, items[i].target));
      OutcomeOf(record, plan, i) = outcomes::kFailed;
      if (plan.IsProjectFile(i)) {
        NoteError(record, error);
      } else {
        record.entries[i].error_number = error.number();
        record.entries[i].error_text = error.description();
      }
      record.exit_status = kExitFailed;
    }
  }
  io.out << restored << " Datei(en) wiederhergestellt.\n" << std::flush;
  return record.exit_status;
}

}  // namespace

int RunRestoreCommand(const CommandCall& call) {
  RestoreCall restore(call, ExpandProjects(call));
  return restore.Run();
}

}  // namespace xpconv::cli
