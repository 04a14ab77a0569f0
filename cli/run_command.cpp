// `xpconvert run`: converts the projects in turn; with --dry-run the same run
// over a file system that keeps every change to itself, shown as a preview
// and, with --diff, as a patch.
#include <algorithm>
#include <chrono>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/app.h"
#include "cli/code_references.h"
#include "cli/command.h"
#include "cli/patch_output.h"
#include "cli/preview_host.h"
#include "cli/trace_host.h"
#include "engine/batch_run.h"
#include "engine/code_check.h"
#include "engine/control_kinds.h"
#include "engine/engine_context.h"
#include "engine/form_patch.h"
#include "engine/overlay_file_system.h"
#include "engine/paths.h"
#include "engine/run_record.h"
#include "engine/scratch_folder.h"

namespace xpconv::cli {
namespace {

std::string TextOfPrompt(const std::string& prompt) {
  // The question proper is the box's last line.
  const size_t end = prompt.find_last_not_of("\r\n");
  if (end == std::string::npos) return prompt;
  const size_t start = prompt.find_last_of("\r\n", end);
  return prompt.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

std::string ReplacedText(const EntryRecord& entry) {
  std::string text;
  for (size_t k = 0; k < kControlKindCount; ++k) {
    if (!text.empty()) text += ", ";
    text += std::string(kControlKindNames[k]) + " " + std::to_string(entry.replaced[k]);
  }
  return text;
}

// What a dry run of the project would do.
void PrintPreview(const NamedProject& project, const ProjectRecord& record,
                  const PreviewHost& preview, FileSystem& fs, std::ostream& out) {
  out << "Probelauf für " << project.shown << " (es wird nichts geändert):\n";
  if (preview.questions().empty()) out << "  Rückfragen: keine\n";
  for (const PreviewHost::Question& question : preview.questions()) {
    const char* answer = question.answer == mb::kAnswerYes  ? "Ja"
                         : question.answer == mb::kAnswerNo ? "Nein"
                                                            : "Abbrechen";
    out << "  Rückfrage würde gestellt: \"" << TextOfPrompt(question.prompt) << "\" - Antwort "
        << answer << (question.scripted ? "" : " (angenommen)") << '\n';
  }
  if (record.library_line_added) {
    out << "  Projektdatei: "
        << (*record.library_line_added ? "Bibliothekszeile würde eingetragen"
                                       : "Bibliothekszeile ist schon eingetragen")
        << '\n';
  }
  for (const std::string& folder : OnDiskFolders(fs, record.backup_folders)) {
    out << "  Sicherungskopien nach " << folder << '\n';
  }
  for (const EntryRecord& entry : record.entries) {
    out << "  " << entry.number << ' ' << entry.entry << ": ";
    if (entry.outcome == outcomes::kConverted) {
      out << "würde konvertiert (" << ReplacedText(entry) << ")";
    } else if (entry.outcome == outcomes::kUnchanged) {
      out << "unverändert";
    } else if (entry.outcome == outcomes::kFailed) {
      out << "Fehler " << entry.error_number << ": " << entry.error_text;
    } else {
      out << "würde nicht erreicht";
    }
    out << '\n';
  }
  if (record.error_number != 0) {
    out << "  Fehler " << record.error_number << ": " << record.error_text << '\n';
  }
  const int32_t converted = record.Count(outcomes::kConverted);
  if (record.exit_status == kExitOk) {
    out << "Ein Lauf würde " << converted << " Datei(en) aktualisieren.\n";
  } else if (record.Count(outcomes::kFailed) > 0 || record.error_number != 0) {
    out << "Ein Lauf würde mit einem Fehler enden.\n";
  } else {
    out << "Ein Lauf würde ohne Zusammenfassung enden (Antwort oder Abbruch).\n";
  }
  out << std::flush;
}

// One call of `run`: the projects in turn over one file system, the answers
// of --answer carried from each to the next.
class RunCall {
 public:
  RunCall(const CommandCall& call, ProjectList list);
  RunCall(const RunCall&) = delete;
  RunCall& operator=(const RunCall&) = delete;

  int Run();

 private:
  int RunProject(const NamedProject& project);
  void PrintTotal();

  const CommandCall& call_;
  const CommandLine& line_;
  ProjectList list_;
  // A dry run is the real run over a file system that keeps every change to
  // itself (the bytes it writes in a scratch folder outside the projects);
  // the projects of one call share it, so a form the first project would
  // convert is found converted by the second.
  std::unique_ptr<ScratchFolder> scratch_;
  OverlayFileSystem overlay_;
  std::optional<FormEditsBook> book_;
  FileSystem& run_fs_;
  // With --diff stdout carries the patch alone, with --trace the trace.
  std::ostream& text_out_;
  RunReport report_;
  std::deque<Answer> answers_;
  bool user_aborted_ = false;
};

RunCall::RunCall(const CommandCall& call, ProjectList list)
    : call_(call),
      line_(call.line),
      list_(std::move(list)),
      scratch_(call.line.dry_run ? std::make_unique<ScratchFolder>() : nullptr),
      overlay_(call.fs, scratch_ ? scratch_->EnginePath() : std::string()),
      run_fs_(call.line.dry_run ? static_cast<FileSystem&>(overlay_) : call.fs),
      text_out_(call.line.diff || call.line.trace ? call.io.err : call.io.out),
      report_(call.StartReport("run")),
      answers_(call.line.answers.begin(), call.line.answers.end()) {
  if (line_.dry_run && line_.diff) book_.emplace(overlay_);
}

int RunCall::Run() {
  int status = list_.status;
  const std::vector<NamedProject>& projects = list_.projects;
  for (const NamedProject& project : projects) {
    if (projects.size() > 1 && !line_.dry_run) {
      text_out_ << "Projekt " << project.shown << ":\n" << std::flush;
    }
    const int result = RunProject(project);
    status = WorseStatus(status, result);
    const ProjectRecord& record = report_.projects.back();
    if (record.code) {
      // Code references end nothing: the next project still runs.
      const int code_status = CodeCheckStatus(*record.code, line_);
      report_.projects.back().exit_status = WorseStatus(record.exit_status, code_status);
      status = WorseStatus(status, code_status);
    }
    // Ctrl+C stops the whole call, whatever --keep-going says.
    if (user_aborted_ || (result != kExitOk && !line_.keep_going)) break;
  }
  if (projects.size() > 1) PrintTotal();
  if (line_.dry_run && line_.diff) {
    // Named relative to the folder of the first project or group given:
    // the project's own folder for one project, the group's for a group,
    // however it was named.
    const std::string first = call_.fs.AbsolutePath(ToEnginePath(line_.paths.front()));
    const bool to_terminal = call_.terminal.OutputIsTerminal();
    if (!to_terminal) {
      call_.io.out << std::flush;
      call_.terminal.WriteOutputAsBytes();
    }
    PrintPatch(report_.projects, FolderOf(first), DryRunFiles{call_.fs, overlay_, *book_},
               call_.io.out, to_terminal);
    call_.io.out << std::flush;
  }
  return call_.FinishReport(report_, status);
}

void RunCall::PrintTotal() {
  int32_t converted = 0;
  int32_t failed_projects = 0;
  for (const ProjectRecord& record : report_.projects) {
    converted += record.Count(outcomes::kConverted);
    // Code references (--fail-on-code-references) are no failure of a run.
    if (record.exit_status != kExitOk && record.exit_status != kExitCodeReferences) {
      ++failed_projects;
    }
  }
  text_out_ << "Gesamt: " << report_.projects.size() << " von " << list_.projects.size()
            << " Projekt(en) bearbeitet, " << failed_projects << " davon ohne Erfolg; " << converted
            << " Datei(en) " << (line_.dry_run ? "würden aktualisiert" : "aktualisiert") << ".\n"
            << std::flush;
}

// One project's run, recorded in a record of its own.
int RunCall::RunProject(const NamedProject& project) {
  ProjectRecord& record = report_.projects.emplace_back();
  record.project = project.path;
  ConsoleSettings settings = call_.Settings();
  settings.answers = answers_;
  settings.project_path = project.path;
  settings.project_folder = ProjectFolderOf(project.path);
  try {
    SelectedEntries read = ReadSelectedEntries(run_fs_, line_, project.path, record);
    settings.selected = std::move(read.selected);
    for (const ProjectEntry& entry : read.entries) settings.entries.push_back(entry.text);
  } catch (const VbError& error) {
    call_.ReportError(error, project.shown);
    NoteError(record, error);
    record.exit_status = kExitFailed;
    return kExitFailed;
  }

  const Streams& io = call_.io;
  AbortFlag abort;
  ConsoleHost console(std::move(settings), io.in, io.out, io.err, call_.terminal, abort);
  std::optional<TraceHost> trace;
  if (line_.trace) trace.emplace(console, run_fs_, io.out);
  Host& base = trace ? static_cast<Host&>(*trace) : console;
  RunRecorder recorder(record, book_ ? &*book_ : nullptr);
  std::optional<PreviewHost> preview;
  if (line_.dry_run) preview.emplace(base, console, recorder);
  Host& host = preview ? static_cast<Host&>(*preview) : base;
  RunObserver& observer = preview ? static_cast<RunObserver&>(*preview) : recorder;
  CodeCheckRequest code_check;
  code_check.options = CodeCheckOptionsFrom(line_);
  EngineContext ctx{host, run_fs_, abort, &observer, &code_check};

  call_.terminal.CatchInterrupts();
  int status = kExitOk;
  try {
    RunConversion(ctx);
    status =
        (preview ? preview->summary_shown() : console.summary_reported()) ? kExitOk : kExitFailed;
  } catch (const VbError& error) {
    // The run traps errors only inside its loop; one before it (the project
    // file cannot be rewritten, say) arrives here.
    console.ClearProgressLine();
    call_.ReportError(error, project.shown);
    NoteError(record, error);
    status = kExitFailed;
  }
  console.ClearProgressLine();
  answers_ = console.TakeRemainingAnswers();
  const bool failed = record.Count(outcomes::kFailed) > 0 || record.error_number != 0;
  record.aborted = console.user_aborted() || (status != kExitOk && !failed);
  record.exit_status = status;
  user_aborted_ = console.user_aborted();
  if (user_aborted_) io.err << "Konvertierung abgebrochen.\n" << std::flush;
  record.code = std::move(code_check.result);
  if (record.code) {
    for (const ModuleCheck& module : record.code->modules) {
      auto& folders = record.backup_folders;
      if (!module.backup_folder.empty() &&
          std::find(folders.begin(), folders.end(), module.backup_folder) == folders.end()) {
        folders.push_back(module.backup_folder);
      }
    }
  }
  if (preview) PrintPreview(project, record, *preview, run_fs_, text_out_);
  if (record.code) {
    const FixTense tense = !line_.fix_code ? FixTense::kNone
                           : preview       ? FixTense::kWouldBe
                                           : FixTense::kDone;
    PrintCodeReferences(*record.code, tense, project.shown, run_fs_, text_out_, io.err);
  }
  return status;
}

}  // namespace

int RunRunCommand(const CommandCall& call) {
  // The arguments are read before anything else is set up.
  RunCall run(call, ExpandProjects(call));
  return run.Run();
}

}  // namespace xpconv::cli
