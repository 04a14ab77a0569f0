#include "cli/app.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <exception>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <set>

#include "cli/check_code_command.h"
#include "cli/code_references.h"
#include "cli/command_line.h"
#include "cli/console_host.h"
#include "cli/form_patch.h"
#include "cli/preview_host.h"
#include "cli/project_commands.h"
#include "cli/report.h"
#include "cli/run_record.h"
#include "cli/trace_host.h"
#include "cli/unified_diff.h"
#include "engine/batch_run.h"
#include "engine/code_check.h"
#include "engine/conversion_job.h"
#include "engine/engine_context.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/messages.h"
#include "engine/overlay_file_system.h"
#include "engine/project_file.h"
#include "engine/restore.h"

namespace xpconv::cli {
namespace {

ConsoleSettings SettingsFrom(const CommandLine& line) {
  ConsoleSettings settings;
  settings.replace = line.replace;
  settings.xp_style = line.xp_style;
  settings.backup = line.backup;
  settings.yes = line.yes;
  settings.answers.assign(line.answers.begin(), line.answers.end());
  settings.reports_to_stderr = line.trace;
  return settings;
}

int RunForm(const CommandLine& line, FileSystem& fs, Streams io, Terminal& terminal) {
  AbortFlag abort;
  ConsoleHost console(SettingsFrom(line), io.in, io.out, io.err, terminal, abort);
  std::optional<TraceHost> trace;
  if (line.trace) trace.emplace(console, fs, io.out);
  Host& host = trace ? static_cast<Host&>(*trace) : console;
  EngineContext ctx{host, fs, abort};
  // With a trace, stdout carries nothing but the trace.
  std::ostream& report = line.trace ? io.err : io.out;

  terminal.CatchInterrupts();
  int status = kExitOk;
  for (size_t i = 0; i < line.paths.size(); ++i) {
    const std::string shown = fs.ToDisplayText(line.paths[i]);
    if (abort.raised()) {
      report << shown << ": übersprungen\n";
      continue;
    }
    const auto [folder, name] = SplitFormPath(ToEnginePath(line.paths[i]));
    console.ShowFileProgressOnly();
    const int32_t result = ConvertFormFile(ctx, folder, name);
    console.ClearProgressLine();
    const char* what = "fehlgeschlagen";
    if (result == kFormConverted) {
      what = "konvertiert";
    } else if (result == kFormUnchanged) {
      what = "unverändert";
    } else if (abort.raised()) {
      what = "abgebrochen, Datei unverändert";
    }
    if (result != kFormConverted && result != kFormUnchanged) status = kExitFailed;
    report << shown << ": " << what << '\n' << std::flush;
  }
  return status;
}

// A folder of its own under the system's temporary folder, for the bytes a
// preview writes; removed with everything in it when the object dies. Empty
// when none can be made: the bytes then stay in memory.
class ScratchFolder {
 public:
  ScratchFolder() {
    try {
      const std::filesystem::path temp = std::filesystem::temp_directory_path();
      const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
      for (int attempt = 0; attempt < 100 && native_.empty(); ++attempt) {
        std::filesystem::path candidate =
            temp / ("xpconvert-" + std::to_string(stamp) + "-" + std::to_string(attempt));
        if (!std::filesystem::create_directory(candidate)) continue;
        native_ = candidate;
        // The converted forms are for this user alone.
        std::filesystem::permissions(native_, std::filesystem::perms::owner_all);
        engine_path_ = native_.string();
        std::replace(engine_path_.begin(), engine_path_.end(), '/', '\\');
      }
    } catch (const std::exception&) {
      engine_path_.clear();
    }
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    if (!native_.empty()) std::filesystem::remove_all(native_, ignored);
  }

  const std::string& EnginePath() const { return engine_path_; }

 private:
  std::filesystem::path native_;
  std::string engine_path_;
};

std::string TextOfPrompt(const std::string& prompt) {
  // The question proper is the box's last line.
  const size_t end = prompt.find_last_not_of("\r\n");
  if (end == std::string::npos) return prompt;
  const size_t start = prompt.find_last_of("\r\n", end);
  return prompt.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

std::string ReplacedText(const EntryRecord& entry) {
  static constexpr const char* kNames[4] = {"Frame", "CheckBox", "OptionButton", "ProgressBar"};
  std::string text;
  for (size_t k = 0; k < 4; ++k) {
    if (!text.empty()) text += ", ";
    text += std::string(kNames[k]) + " " + std::to_string(entry.replaced[k]);
  }
  return text;
}

void PrintPreview(const CommandLine& line, const ProjectRecord& record, const PreviewHost& preview,
                  FileSystem& fs, std::ostream& out) {
  out << "Probelauf für " << Shown(fs, line, record.project) << " (es wird nichts geändert):\n";
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
    if (entry.outcome == kConverted) {
      out << "würde konvertiert (" << ReplacedText(entry) << ")";
    } else if (entry.outcome == kUnchanged) {
      out << "unverändert";
    } else if (entry.outcome == kFailed) {
      out << "Fehler " << entry.error_number << ": " << entry.error_text;
    } else {
      out << "würde nicht erreicht";
    }
    out << '\n';
  }
  if (record.error_number != 0) {
    out << "  Fehler " << record.error_number << ": " << record.error_text << '\n';
  }
  const int32_t converted = record.Count(kConverted);
  if (record.exit_status == kExitOk) {
    out << "Ein Lauf würde " << converted << " Datei(en) aktualisieren.\n";
  } else if (record.Count(kFailed) > 0 || record.error_number != 0) {
    out << "Ein Lauf würde mit einem Fehler enden.\n";
  } else {
    out << "Ein Lauf würde ohne Zusammenfassung enden (Antwort oder Abbruch).\n";
  }
  out << std::flush;
}

// The entries of a project, with the selection applied, as records.
std::vector<ProjectEntry> ReadEntries(const CommandLine& line, FileSystem& fs,
                                      const std::string& project, ProjectRecord& record,
                                      std::vector<bool>& selected) {
  std::vector<ProjectEntry> entries = ReadProjectEntries(fs, project, line.designers);
  selected = ResolveSelection(line.select, static_cast<int32_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!selected[i]) continue;
    EntryRecord entry;
    entry.number = static_cast<int32_t>(i + 1);
    entry.kind = entries[i].kind;
    entry.entry = fs.ToDisplayText(entries[i].text);
    record.entries.push_back(std::move(entry));
    record.indexes.push_back(static_cast<int16_t>(i));
  }
  return entries;
}

int RunList(const CommandLine& line, FileSystem& fs, Streams io) {
  int status = kExitOk;
  const std::vector<std::string> projects = ExpandProjects(line, fs, io, status);
  for (const std::string& project : projects) {
    std::vector<ProjectEntry> entries;
    try {
      entries = ReadProjectEntries(fs, project, line.designers);
    } catch (const VbError& error) {
      ReportError(io.err, error, Shown(fs, line, project));
      status = kExitFailed;
      if (!line.keep_going) break;
      continue;
    }
    if (projects.size() > 1) io.out << Shown(fs, line, project) << ":\n";
    for (size_t i = 0; i < entries.size(); ++i) {
      io.out << (i + 1) << '\t';
      if (line.designers) io.out << entries[i].kind << '\t';
      io.out << fs.ToDisplayText(entries[i].text) << '\n';
    }
  }
  io.out << std::flush;
  return status;
}

// One project's run; answers carries the --answer values over to the next.
int RunOneProject(const CommandLine& line, FileSystem& fs, const std::string& project, Streams io,
                  Terminal& terminal, std::deque<Answer>& answers, ProjectRecord& record,
                  std::ostream& preview_out, FormEditsBook* book, bool& user_aborted) {
  record.project = project;
  ConsoleSettings settings = SettingsFrom(line);
  settings.answers = answers;
  settings.project_path = project;
  settings.project_folder = ProjectFolderOf(project);
  try {
    for (const ProjectEntry& entry : ReadEntries(line, fs, project, record, settings.selected)) {
      settings.entries.push_back(entry.text);
    }
  } catch (const VbError& error) {
    ReportError(io.err, error, Shown(fs, line, project));
    NoteError(record, error);
    record.exit_status = kExitFailed;
    return kExitFailed;
  }

  AbortFlag abort;
  ConsoleHost console(std::move(settings), io.in, io.out, io.err, terminal, abort);
  std::optional<TraceHost> trace;
  if (line.trace) trace.emplace(console, fs, io.out);
  Host& base = trace ? static_cast<Host&>(*trace) : console;
  std::optional<PreviewHost> preview;
  if (line.dry_run) preview.emplace(base, console);
  Host& host = preview ? static_cast<Host&>(*preview) : base;
  RunRecorder recorder(record, book);
  CodeCheckRequest code_check;
  code_check.options = CodeCheckOptionsFrom(line);
  EngineContext ctx{host, fs, abort, &recorder, &code_check};

  terminal.CatchInterrupts();
  int status = kExitOk;
  try {
    RunConversion(ctx);
    status =
        (preview ? preview->summary_shown() : console.summary_reported()) ? kExitOk : kExitFailed;
  } catch (const VbError& error) {
    // The run traps errors only inside its loop; one before it (the project
    // file cannot be rewritten, say) arrives here.
    console.ClearProgressLine();
    ReportError(io.err, error, Shown(fs, line, project));
    NoteError(record, error);
    status = kExitFailed;
  }
  console.ClearProgressLine();
  answers = console.TakeRemainingAnswers();
  const bool failed = record.Count(kFailed) > 0 || record.error_number != 0;
  record.aborted = console.user_aborted() || (status != kExitOk && !failed);
  record.exit_status = status;
  user_aborted = console.user_aborted();
  if (user_aborted) io.err << "Konvertierung abgebrochen.\n" << std::flush;
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
  if (preview) PrintPreview(line, record, *preview, fs, preview_out);
  if (record.code) {
    const FixTense tense = !line.fix_code ? FixTense::kNone
                           : preview      ? FixTense::kWouldBe
                                          : FixTense::kDone;
    PrintCodeReferences(*record.code, tense, Shown(fs, line, project), fs, preview_out, io.err);
  }
  return status;
}

// The path of the file at path relative to the folder base (an absolute
// path of AbsolutePath's), in the disk's names with "/" separators, as a
// patch names files: "../" where it lies outside (which git apply and patch
// refuse, so such a file must be patched from a folder above).
std::string PatchPath(FileSystem& fs, const std::string& base, const std::string& path) {
  auto parts = [](const std::string& of) {
    std::vector<std::string> list;
    if (of.empty()) return list;
    size_t start = 0;
    for (;;) {
      const size_t slash = of.find('\\', start);
      list.push_back(of.substr(start, slash - start));
      if (slash == std::string::npos) break;
      start = slash + 1;
    }
    if (list.size() > 1 && list.back().empty()) list.pop_back();
    return list;
  };
  const std::vector<std::string> from = parts(base);
  const std::vector<std::string> to = parts(fs.AbsolutePath(path));
  size_t same = 0;
  while (same < from.size() && same + 1 < to.size() && from[same] == to[same]) ++same;
  std::string relative;
  for (size_t i = same; i < from.size(); ++i) relative += "../";
  for (size_t i = same; i < to.size(); ++i) {
    if (i > same) relative += '/';
    relative += fs.ToDisplayText(to[i]);
  }
  return relative;
}

std::string CurrentBytes(FileSystem& fs, const std::string& path) {
  if (!FileExists(fs, path)) return {};
  std::unique_ptr<InputFile> in = fs.OpenInput(path);
  std::string bytes = in->ReadAll();
  in->Close();
  return bytes;
}

// The patch's own bytes, for files and pipes, gathered into large writes.
class StreamPatchOut final : public PatchOut {
 public:
  explicit StreamPatchOut(std::ostream& out) : out_(out) {}
  ~StreamPatchOut() override { Flush(); }

  void Piece(DiffLine::Kind, std::string_view bytes, bool) override {
    if (buffer_.size() + bytes.size() > kSize) Flush();
    if (bytes.size() >= kSize) {
      out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    } else {
      buffer_.append(bytes);
    }
  }
  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

 private:
  static constexpr size_t kSize = 64 * 1024;
  std::ostream& out_;
  std::string buffer_;
};

// On a terminal a diff line is shown in UTF-8 and coloured.
class TerminalPatchOut final : public PatchOut {
 public:
  TerminalPatchOut(FileSystem& fs, std::ostream& out) : fs_(fs), out_(out) {}

  void Piece(DiffLine::Kind kind, std::string_view bytes, bool ends) override {
    line_.append(bytes);
    if (!ends) return;
    Show(kind);
    line_.clear();
  }

 private:
  void Show(DiffLine::Kind kind) {
    std::string_view body = line_;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    const char* colour = "";
    switch (kind) {
      case DiffLine::Kind::kFileHeader:
        colour = "\x1b[1m";
        break;
      case DiffLine::Kind::kHunkHeader:
        colour = "\x1b[36m";
        break;
      case DiffLine::Kind::kRemoved:
        colour = "\x1b[31m";
        break;
      case DiffLine::Kind::kAdded:
        colour = "\x1b[32m";
        break;
      case DiffLine::Kind::kContext:
      case DiffLine::Kind::kNoNewline:
        break;
    }
    const bool content = kind == DiffLine::Kind::kContext || kind == DiffLine::Kind::kRemoved ||
                         kind == DiffLine::Kind::kAdded;
    std::string shown = content ? std::string(body.substr(0, 1)) + fs_.ToDisplayText(body.substr(1))
                                : fs_.ToDisplayText(body);
    if (*colour != '\0') {
      out_ << colour << shown << "\x1b[0m\n";
    } else {
      out_ << shown << '\n';
    }
  }

  FileSystem& fs_;
  std::ostream& out_;
  std::string line_;
};

// The diff of every file the dry run would change: each project's file when
// it gets the library line, each form it would convert and each module the
// code fix would mend, named relative to base. A file two projects list
// appears once. A file's patch is written from the rewriter's and the
// mend's edits where they are known, else from its two texts.
void PrintDiffs(const std::vector<ProjectRecord>& records, const std::string& base, FileSystem& fs,
                OverlayFileSystem& overlay, const FormEditsBook& book, PatchOut& out) {
  std::set<std::string> done;
  for (const ProjectRecord& record : records) {
    std::vector<std::string> files;
    if (record.library_line_added.value_or(false)) files.push_back(record.project);
    for (const EntryRecord& entry : record.entries) {
      if (entry.outcome == kConverted) files.push_back(entry.path);
    }
    if (record.code) {
      for (const ModuleCheck& module : record.code->modules) {
        if (module.mended) files.push_back(module.path);
      }
    }
    for (const std::string& path : files) {
      // A linked file is converted where it lives.
      const std::string real = fs.FinalPath(path);
      if (!done.insert(OverlayFileSystem::KeyOf(real)).second) continue;
      const std::string name = PatchPath(fs, base, path);
      const FormEdits* edits = book.EditsOf(real);
      if (edits != nullptr && WriteFormPatch(*edits, fs, overlay, real, name, out)) continue;
      const MendEdits* mend = book.MendEditsOf(real);
      if (mend != nullptr && WriteMendPatch(*mend, fs, overlay, real, name, out)) continue;
      const OverlayFileSystem::Content after = overlay.ContentOf(real);
      if (!after.changed || !after.bytes) continue;
      for (const DiffLine& line : UnifiedDiff(CurrentBytes(fs, real), *after.bytes, name)) {
        out.Piece(line.kind, line.text, true);
      }
    }
  }
}

int RunProjects(const CommandLine& line, FileSystem& fs, Streams io, Terminal& terminal) {
  int status = kExitOk;
  const std::vector<std::string> projects = ExpandProjects(line, fs, io, status);
  // A dry run is the real run over a file system that keeps every change to
  // itself (the bytes it writes in a scratch folder outside the projects);
  // the projects of one call share it, so a form the first project would
  // convert is found converted by the second.
  std::optional<ScratchFolder> scratch;
  if (line.dry_run) scratch.emplace();
  OverlayFileSystem overlay(fs, scratch ? scratch->EnginePath() : std::string());
  std::optional<FormEditsBook> book;
  if (line.dry_run && line.diff) book.emplace(overlay);
  FileSystem& run_fs = line.dry_run ? static_cast<FileSystem&>(overlay) : fs;
  // With --diff stdout carries the patch alone, with --trace the trace.
  std::ostream& text_out = line.diff || line.trace ? io.err : io.out;

  RunReport report;
  report.command = "run";
  report.dry_run = line.dry_run;
  report.line = &line;
  std::deque<Answer> answers(line.answers.begin(), line.answers.end());
  bool user_aborted = false;
  for (const std::string& project : projects) {
    if (projects.size() > 1 && !line.dry_run) {
      text_out << "Projekt " << Shown(fs, line, project) << ":\n" << std::flush;
    }
    ProjectRecord& record = report.projects.emplace_back();
    const int result = RunOneProject(line, run_fs, project, io, terminal, answers, record, text_out,
                                     book ? &*book : nullptr, user_aborted);
    status = WorseStatus(status, result);
    if (record.code) {
      // Code references end nothing: the next project still runs.
      const int code_status = CodeCheckStatus(*record.code, line);
      record.exit_status = WorseStatus(record.exit_status, code_status);
      status = WorseStatus(status, code_status);
    }
    // Ctrl+C stops the whole call, whatever --keep-going says.
    if (user_aborted || (result != kExitOk && !line.keep_going)) break;
  }
  if (projects.size() > 1) {
    int32_t converted = 0;
    int32_t failed_projects = 0;
    for (const ProjectRecord& record : report.projects) {
      converted += record.Count(kConverted);
      if (record.exit_status != kExitOk) ++failed_projects;
    }
    text_out << "Gesamt: " << report.projects.size() << " von " << projects.size()
             << " Projekt(en) bearbeitet, " << failed_projects << " davon ohne Erfolg; "
             << converted << " Datei(en) "
             << (line.dry_run ? "würden aktualisiert" : "aktualisiert") << ".\n"
             << std::flush;
  }
  if (line.dry_run && line.diff) {
    // Named relative to the folder of the first project or group given:
    // the project's own folder for one project, the group's for a group,
    // however it was named.
    const std::string first = fs.AbsolutePath(ToEnginePath(line.paths.front()));
    const std::string base = first.substr(0, first.rfind('\\') + 1);
    if (terminal.OutputIsTerminal()) {
      TerminalPatchOut out(fs, io.out);
      PrintDiffs(report.projects, base, fs, overlay, *book, out);
    } else {
      io.out << std::flush;
      terminal.WriteOutputAsBytes();
      StreamPatchOut out(io.out);
      PrintDiffs(report.projects, base, fs, overlay, *book, out);
    }
    io.out << std::flush;
  }
  report.aborted = std::any_of(report.projects.begin(), report.projects.end(),
                               [](const ProjectRecord& record) { return record.aborted; });
  report.exit_status = status;
  WriteReportOrSay(report, line, fs, io, status);
  return status;
}

const char* RestoreText(RestoreState state) {
  switch (state) {
    case RestoreState::kRestore:
      return "wird wiederhergestellt";
    case RestoreState::kUnchanged:
      return "unverändert";
    case RestoreState::kNoBackup:
      return "keine Sicherung";
  }
  return "";
}

const char* RestoreOutcome(RestoreState state) {
  switch (state) {
    case RestoreState::kRestore:
      return kRestored;
    case RestoreState::kUnchanged:
      return kUnchanged;
    case RestoreState::kNoBackup:
      return kNoBackup;
  }
  return kSkipped;
}

// One project's restore: the plan, one question, then file by file; the
// first failure ends it with every file either as it was or restored.
int RestoreOneProject(const CommandLine& line, FileSystem& fs, const std::string& project,
                      Streams io, Terminal& terminal, std::deque<Answer>& answers,
                      ProjectRecord& record, bool& user_aborted) {
  record.project = project;
  const std::string folder = ProjectFolderOf(project);
  auto heading = [&] {
    io.out << (line.dry_run ? "Probelauf: Wiederherstellen von " : "Wiederherstellen von ")
           << Shown(fs, line, project) << ":\n";
  };
  // Held from before the listing to the end, also by a dry run: what is
  // listed is what is restored, and no run works on the project meanwhile.
  std::unique_ptr<ProjectRestore> restore;
  std::vector<RestoreItem> items;  // the entries' in record order, then the project file's
  try {
    restore = ProjectRestore::Begin(fs, project);
    if (!restore) {
      heading();
      io.out << std::flush;
      io.err << msg::kProjectBusy << '\n' << std::flush;
      NoteError(record, ProjectBusyError());
      record.exit_status = kExitFailed;
      return kExitFailed;
    }
    std::vector<bool> selected;
    const std::vector<ProjectEntry> entries = ReadEntries(line, fs, project, record, selected);
    for (size_t i = 0; i < record.entries.size(); ++i) {
      const EntryLocation where =
          ResolveEntryIn(folder, entries[static_cast<size_t>(record.indexes[i])].text);
      record.entries[i].path = where.folder + where.name;
      items.push_back(restore->Plan(record.entries[i].path));
    }
    // The modules and classes a code fix mended, when no selection narrows
    // the restore: only those with a backup are named.
    for (const ProjectEntry& entry :
         line.select.empty() ? ReadCodeEntries(fs, project, false) : std::vector<ProjectEntry>()) {
      if (entry.kind != "Module" && entry.kind != "Class") continue;
      const EntryLocation where = ResolveEntryIn(folder, entry.text);
      RestoreItem item = restore->Plan(where.folder + where.name);
      if (item.state == RestoreState::kNoBackup) continue;
      EntryRecord& module = record.entries.emplace_back();
      module.kind = entry.kind;
      module.entry = fs.ToDisplayText(entry.text);
      module.path = where.folder + where.name;
      record.indexes.push_back(-1);
      items.push_back(std::move(item));
    }
    items.push_back(restore->Plan(project));
  } catch (const VbError& error) {
    ReportError(io.err, error, Shown(fs, line, project));
    NoteError(record, error);
    record.exit_status = kExitFailed;
    return kExitFailed;
  }

  heading();
  size_t to_restore = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    const bool is_project = i + 1 == items.size();
    if (items[i].state == RestoreState::kRestore) ++to_restore;
    if (is_project) {
      record.project_file = RestoreOutcome(items[i].state);
      io.out << "  Projektdatei " << Shown(fs, line, project) << ": ";
    } else {
      const EntryRecord& entry = record.entries[i];
      record.entries[i].outcome = RestoreOutcome(items[i].state);
      // A module has no number: list counts the forms only.
      io.out << "  " << (entry.number > 0 ? std::to_string(entry.number) + " " : std::string())
             << entry.entry << ": ";
    }
    io.out << RestoreText(items[i].state) << '\n';
  }
  io.out << std::flush;
  for (const RestoreItem& item : items) {
    if (item.state == RestoreState::kNoBackup) continue;
    const std::string folder_of_backup = ProjectFolderOf(item.backup);
    auto& folders = record.backup_folders;
    if (std::find(folders.begin(), folders.end(), folder_of_backup) == folders.end()) {
      folders.push_back(folder_of_backup);
    }
  }
  if (line.dry_run) return kExitOk;
  if (to_restore == 0) {
    io.out << "Nichts wiederherzustellen.\n" << std::flush;
    return kExitOk;
  }

  ConsoleSettings settings = SettingsFrom(line);
  settings.answers = answers;
  AbortFlag abort;
  ConsoleHost console(std::move(settings), io.in, io.out, io.err, terminal, abort);
  const int32_t answer = console.ShowMessage("Wiederherstellen?", mb::kYesNoQuestion, "");
  answers = console.TakeRemainingAnswers();
  auto mark = [&](size_t i, const char* outcome) -> std::string& {
    if (i + 1 == items.size()) return record.project_file = outcome;
    return record.entries[i].outcome = outcome;
  };
  if (answer != mb::kAnswerYes) {
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].state == RestoreState::kRestore) mark(i, kSkipped);
    }
    record.aborted = true;
    record.exit_status = kExitFailed;
    return kExitFailed;
  }

  // Ctrl+C asks "Wirklich abbrechen?" between two files; each file is
  // restored in one step, so an abort leaves none half done.
  terminal.CatchInterrupts();
  size_t restored = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].state != RestoreState::kRestore) continue;
    if (record.exit_status == kExitOk) {
      console.PumpMessages();
      if (abort.raised()) {
        user_aborted = record.aborted = true;
        record.exit_status = kExitFailed;
        io.err << "Wiederherstellen abgebrochen.\n" << std::flush;
      }
    }
    if (record.exit_status != kExitOk) {
      mark(i, kSkipped);
      continue;
    }
    try {
      restore->Restore(items[i]);
      ++restored;
    } catch (const VbError& error) {
      ReportError(io.err, error, DisplayPath(fs, items[i].target));
      mark(i, kFailed);
      if (i + 1 == items.size()) {
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

int RunRestore(const CommandLine& line, FileSystem& fs, Streams io, Terminal& terminal) {
  int status = kExitOk;
  const std::vector<std::string> projects = ExpandProjects(line, fs, io, status);
  RunReport report;
  report.command = "restore";
  report.dry_run = line.dry_run;
  report.line = &line;
  std::deque<Answer> answers(line.answers.begin(), line.answers.end());
  for (const std::string& project : projects) {
    ProjectRecord& record = report.projects.emplace_back();
    bool user_aborted = false;
    const int result =
        RestoreOneProject(line, fs, project, io, terminal, answers, record, user_aborted);
    status = std::max(status, result);
    if (user_aborted || (result != kExitOk && !line.keep_going)) break;
  }
  if (projects.size() > 1) {
    int32_t restored = 0;
    for (const ProjectRecord& record : report.projects) {
      restored += record.Count(kRestored) + (record.project_file == kRestored ? 1 : 0);
    }
    io.out << "Gesamt: " << report.projects.size() << " von " << projects.size() << " Projekt(en), "
           << restored << " Datei(en) "
           << (line.dry_run ? "würden wiederhergestellt" : "wiederhergestellt") << ".\n"
           << std::flush;
  }
  report.aborted = std::any_of(report.projects.begin(), report.projects.end(),
                               [](const ProjectRecord& record) { return record.aborted; });
  report.exit_status = status;
  WriteReportOrSay(report, line, fs, io, status);
  return status;
}

}  // namespace

int WorseStatus(int a, int b) {
  // 0 < 3 < 1 < 2: a failure outweighs code references.
  auto rank = [](int status) {
    return status == kExitCodeReferences ? 1 : status == 0 ? 0 : status + 1;
  };
  return rank(a) >= rank(b) ? a : b;
}

std::string ToEnginePath(std::string_view argument) {
  std::string path(argument);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::pair<std::string, std::string> SplitFormPath(const std::string& engine_path) {
  const size_t slash = engine_path.rfind('\\');
  if (slash == std::string::npos) return {"", engine_path};
  return {engine_path.substr(0, slash + 1), engine_path.substr(slash + 1)};
}

int RunXpconvert(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err, Terminal& terminal) {
  const Streams io{in, out, err};
  try {
    const CommandLine line = ParseCommandLine(args);
    if (line.command == Command::kHelp) {
      out << UsageText() << std::flush;
      return kExitOk;
    }
    if (line.command == Command::kVersion) {
      out << VersionText() << std::flush;
      return kExitOk;
    }

    std::unique_ptr<FileSystem> fs;
    try {
      fs = MakeNativeFileSystem(line.codepage);
    } catch (const VbError& error) {
      throw UsageError("--codepage \"" + line.codepage + "\": " + error.description());
    }

    switch (line.command) {
      case Command::kForm:
        return RunForm(line, *fs, io, terminal);
      case Command::kList:
        return RunList(line, *fs, io);
      case Command::kRun:
        return RunProjects(line, *fs, io, terminal);
      case Command::kRestore:
        return RunRestore(line, *fs, io, terminal);
      case Command::kCheckCode:
        return RunCheckCode(line, *fs, io);
      case Command::kNone:
      case Command::kHelp:
      case Command::kVersion:
        break;
    }
    return kExitUsage;
  } catch (const UsageError& error) {
    err << "xpconvert: " << error.what() << "\n\n" << UsageText() << std::flush;
    return kExitUsage;
  } catch (const VbError& error) {
    err << "Fehler: " << error.number() << '\n' << error.description() << '\n' << std::flush;
    return kExitFailed;
  } catch (const std::exception& error) {
    err << "xpconvert: " << error.what() << '\n' << std::flush;
    return kExitFailed;
  }
}

}  // namespace xpconv::cli
