#include "ui/wizard_preview.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <optional>
#include <set>
#include <utility>

#include "cli/command_line.h"
#include "cli/report.h"
#include "cli/run_record.h"
#include "cli/unified_diff.h"
#include "engine/batch_run.h"
#include "engine/conversion_job.h"
#include "engine/engine_context.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/overlay_file_system.h"
#include "ui/busy_pointer.h"
#include "ui/message_box.h"
#include "ui/preview_run_host.h"
#include "ui/preview_window.h"
#include "ui/windows_host.h"
#include "ui/wizard_window.h"

namespace xpconv::ui {

namespace {

using cli::DiffLine;
using cli::EntryRecord;
using cli::ProjectRecord;

constexpr const char* kKindNames[4] = {"Frame", "CheckBox", "OptionButton", "ProgressBar"};
constexpr const char* kKeepNames[4] = {"frame", "checkbox", "option", "progressbar"};
// The line a replaced header becomes starts so, after its indent.
constexpr std::string_view kReplacedHeader = "Begin qorXPControls.";

// The code page the wizard's paths are in, named as xpconvert's --codepage
// names code pages.
std::string CodePageName() {
  const UINT page = ::GetACP();
  if (page == 874 || (page >= 1250 && page <= 1258)) return "WINDOWS-" + std::to_string(page);
  return "CP" + std::to_string(page);
}

// The selection as --select writes it ("1-3,5"), empty when every entry is
// selected.
std::vector<cli::SelectRange> SelectionRanges(const std::vector<bool>& selected) {
  std::vector<cli::SelectRange> ranges;
  if (std::all_of(selected.begin(), selected.end(), [](bool s) { return s; })) return ranges;
  for (size_t i = 0; i < selected.size(); ++i) {
    if (!selected[i]) continue;
    const auto number = static_cast<int32_t>(i + 1);
    if (!ranges.empty() && ranges.back().last + 1 == number) {
      ranges.back().last = number;
    } else {
      ranges.push_back({number, number});
    }
  }
  return ranges;
}

std::string JoinedRanges(const std::vector<cli::SelectRange>& ranges) {
  std::string text;
  for (const cli::SelectRange& range : ranges) {
    if (!text.empty()) text += ',';
    text += std::to_string(range.first);
    if (range.last != range.first) text += "-" + std::to_string(range.last);
  }
  return text;
}

std::string BareName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TextOfPrompt(const std::string& prompt) {
  // The question proper is the box's last line.
  const size_t end = prompt.find_last_not_of("\r\n");
  if (end == std::string::npos) return prompt;
  const size_t start = prompt.find_last_of("\r\n", end);
  const size_t from = start == std::string::npos ? 0 : start + 1;
  return prompt.substr(from, end - from + 1);
}

std::string CurrentBytes(FileSystem& fs, const std::string& path) {
  if (!FileExists(fs, path)) return {};
  std::unique_ptr<InputFile> in = fs.OpenInput(path);
  std::string bytes = in->ReadAll();
  in->Close();
  return bytes;
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('\\', start);
    std::string part = path.substr(start, slash - start);
    if (part == ".." && !parts.empty() && parts.back() != ".." && !parts.back().empty()) {
      parts.pop_back();
    } else if (part != "." && !(part.empty() && !parts.empty())) {
      parts.push_back(std::move(part));
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return parts;
}

std::string PatchPath(FileSystem& fs, const std::string& base, const std::string& path) {
  const std::vector<std::string> from = Components(base);
  const std::vector<std::string> to = Components(path);
  size_t same = 0;
  while (same < from.size() && same + 1 < to.size() &&
         OverlayFileSystem::KeyOf(from[same]) == OverlayFileSystem::KeyOf(to[same])) {
    ++same;
  }
  std::string relative;
  for (size_t i = same; i < from.size(); ++i) relative += "../";
  for (size_t i = same; i < to.size(); ++i) {
    if (i > same) relative += '/';
    relative += fs.ToDisplayText(to[i]);
  }
  return relative;
}

// Where the lines of a patch go.
class PatchSink {
 public:
  PatchSink() = default;
  PatchSink(const PatchSink&) = delete;
  PatchSink& operator=(const PatchSink&) = delete;
  virtual ~PatchSink() = default;
  virtual void Line(DiffLine::Kind kind, const std::string& bytes) = 0;
};

// Collects the first kMostDiffLines lines of one file's patch as the window
// shows them, and stops the patch there.
class PaneSink final : public PatchSink {
 public:
  struct Full {};  // thrown to end the patch once the pane is full

  PaneSink(FileSystem& fs, DiffText& text) : fs_(fs), text_(text) {}

  void Line(DiffLine::Kind kind, const std::string& bytes) override {
    if (text_.lines.size() >= kMostDiffLines) throw Full{};
    std::string_view body = bytes;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    const bool content = kind == DiffLine::Kind::kContext || kind == DiffLine::Kind::kRemoved ||
                         kind == DiffLine::Kind::kAdded;
    if (kind == DiffLine::Kind::kAdded) {
      const size_t start = body.find_first_not_of(' ', 1);
      if (start != std::string_view::npos &&
          body.substr(start, kReplacedHeader.size()) == kReplacedHeader) {
        ++replaced_shown_;
      }
    }
    if (body.size() > kMostDiffLineBytes) body = body.substr(0, kMostDiffLineBytes);
    std::string shown = content ? std::string(body.substr(0, 1)) + fs_.ToDisplayText(body.substr(1))
                                : fs_.ToDisplayText(body);
    if (bytes.size() > kMostDiffLineBytes + 2) shown += " \u2026";
    text_.lines.push_back({static_cast<DiffText::Kind>(kind), std::move(shown)});
  }

  int32_t replaced_shown() const { return replaced_shown_; }

 private:
  FileSystem& fs_;
  DiffText& text_;
  int32_t replaced_shown_ = 0;
};

// The patch's own bytes, into a file.
class FileSink final : public PatchSink {
 public:
  explicit FileSink(OutputFile& out) : out_(out) {}
  void Line(DiffLine::Kind, const std::string& bytes) override { out_.Write(bytes); }

 private:
  OutputFile& out_;
};

// Writes text to path through a temporary file beside it, renamed over it,
// as the report is written.
void WriteAtomically(FileSystem& fs, const std::string& path,
                     const std::function<void(OutputFile&)>& write) {
  const std::string temp = path + ".tmp";
  bool created = false;
  try {
    std::unique_ptr<OutputFile> out = fs.OpenOutput(temp);
    created = true;
    write(*out);
    out->Close();
    fs.Replace(temp, path);
  } catch (...) {
    if (created) {
      try {
        fs.Remove(temp);
      } catch (...) {
      }
    }
    throw;
  }
}

}  // namespace

struct WizardPreview::State {
  PreviewRequest request;
  std::unique_ptr<FileSystem> fs;
  std::unique_ptr<OverlayFileSystem> overlay;
  cli::CommandLine line;  // the options, as xpconvert would be given them
  cli::RunReport report;
  std::vector<std::string> questions;

  ProjectRecord& record() { return report.projects.front(); }

  // The patch of the one file at path, named relative to the project's
  // folder, into sink.
  void PatchOf(const std::string& path, PatchSink& sink) {
    const std::string real = fs->FinalPath(path);
    const OverlayFileSystem::Content after = overlay->ContentOf(real);
    if (!after.changed || !after.bytes) return;
    const std::string name = PatchPath(*fs, ProjectFolderOf(request.project), path);
    for (const DiffLine& diff_line :
         cli::UnifiedDiff(CurrentBytes(*fs, real), *after.bytes, name)) {
      sink.Line(diff_line.kind, diff_line.text);
    }
  }

  // The files the preview changes, in the patch's order: the project file
  // when it gets the library line, then each converted form once.
  std::vector<std::string> ChangedFiles() {
    std::vector<std::string> files;
    std::set<std::string> done;
    auto add = [&](const std::string& path) {
      if (done.insert(OverlayFileSystem::KeyOf(fs->FinalPath(path))).second) {
        files.push_back(path);
      }
    };
    if (record().library_line_added.value_or(false)) add(record().project);
    for (const EntryRecord& entry : record().entries) {
      if (entry.outcome == cli::kConverted) add(entry.path);
    }
    return files;
  }
};

WizardPreview::WizardPreview(std::unique_ptr<State> state) : state_(std::move(state)) {}

WizardPreview::~WizardPreview() = default;

std::unique_ptr<WizardPreview> WizardPreview::Run(HINSTANCE instance, WizardOperations& wizard,
                                                  AbortFlag& abort, const PreviewRequest& request) {
  auto state = std::make_unique<State>();
  state->request = request;
  state->fs = MakeNativeFileSystem();
  state->overlay = std::make_unique<OverlayFileSystem>(*state->fs);

  cli::CommandLine& line = state->line;
  line.command = cli::Command::kRun;
  line.paths = {request.project};
  line.replace = request.replace;
  line.xp_style = request.xp_style;
  line.backup = request.backup;
  line.codepage = CodePageName();
  line.select = SelectionRanges(request.selected);
  line.dry_run = true;
  line.designers = request.designers;
  line.option_args = {"--dry-run"};
  if (!line.select.empty())
    line.option_args.insert(line.option_args.end(), {"--select", JoinedRanges(line.select)});
  for (size_t k = 0; k < 4; ++k) {
    if (request.replace[k] == 0)
      line.option_args.insert(line.option_args.end(), {"--keep", kKeepNames[k]});
  }
  if (request.xp_style == 0) line.option_args.push_back("--plain");
  if (request.backup == 0) line.option_args.push_back("--no-backup");
  if (line.codepage != "WINDOWS-1252")
    line.option_args.insert(line.option_args.end(), {"--codepage", line.codepage});
  if (request.designers) line.option_args.push_back("--designers");

  cli::RunReport& report = state->report;
  report.command = "run";
  report.dry_run = true;
  report.line = &state->line;
  ProjectRecord& record = report.projects.emplace_back();
  record.project = request.project;
  for (size_t i = 0; i < request.entries.size() && i < request.selected.size(); ++i) {
    if (!request.selected[i]) continue;
    EntryRecord entry;
    entry.number = static_cast<int32_t>(i + 1);
    entry.kind = request.entries[i].kind;
    entry.entry = state->fs->ToDisplayText(request.entries[i].text);
    record.entries.push_back(std::move(entry));
    record.indexes.push_back(static_cast<int16_t>(i));
  }

  WindowsHost windows(instance, wizard, abort);
  PreviewRunHost host(windows);
  cli::RunRecorder recorder(record);
  EngineContext context{host, *state->overlay, abort, &recorder};
  {
    BusyPointer busy;
    try {
      RunConversion(context);
    } catch (const VbError& error) {
      // The run traps errors only inside its loop; one before it (the
      // project file cannot be read, say) arrives here.
      record.error_number = error.number();
      record.error_text = error.description();
    }
  }
  if (host.stopped_by_message()) return nullptr;
  const bool failed = record.Count(cli::kFailed) > 0 || record.error_number != 0;
  // Without an error, a run that gave no summary was stopped by the user.
  if (!host.summary_shown() && !failed) return nullptr;
  record.exit_status = host.summary_shown() ? 0 : 1;
  report.exit_status = record.exit_status;
  state->questions = host.questions();

  auto preview = std::unique_ptr<WizardPreview>(new WizardPreview(std::move(state)));
  preview->MakeFacts();
  return preview;
}

void WizardPreview::MakeFacts() {
  State& s = *state_;
  const ProjectRecord& record = s.record();
  facts_.project_path = s.request.project;
  facts_.project_name = s.fs->ToDisplayText(BareName(s.request.project));
  for (const EntryRecord& entry : record.entries) {
    PreviewRow row;
    row.number = std::to_string(entry.number);
    row.file = entry.entry;
    const bool counted = entry.outcome == cli::kConverted || entry.outcome == cli::kUnchanged;
    if (entry.outcome == cli::kConverted) {
      row.outcome = "wird konvertiert";
    } else if (entry.outcome == cli::kUnchanged) {
      row.outcome = "unverändert";
    } else if (entry.outcome == cli::kFailed) {
      row.outcome = "Fehler " + std::to_string(entry.error_number) + ": " + entry.error_text;
    } else {
      row.outcome = "wird nicht erreicht";
    }
    for (size_t k = 0; k < 4; ++k) {
      if (counted) row.replaced[k] = std::to_string(entry.replaced[k]);
    }
    facts_.rows.push_back(std::move(row));
  }
  PreviewRow project;
  project.kind = PreviewRow::Kind::kProjectFile;
  project.file = facts_.project_name;
  if (record.error_number != 0) {
    project.outcome = "Fehler " + std::to_string(record.error_number) + ": " + record.error_text;
  } else if (!record.library_line_added) {
    project.outcome = "wird nicht erreicht";
  } else {
    project.outcome = *record.library_line_added ? "Bibliothekszeile wird eingetragen"
                                                 : "Bibliothekszeile ist schon eingetragen";
  }
  facts_.rows.push_back(std::move(project));
  for (const std::string& question : s.questions) {
    PreviewRow row;
    row.kind = PreviewRow::Kind::kQuestion;
    row.file = "Rückfrage";
    row.outcome = "\"" + TextOfPrompt(question) + "\" - Antwort Ja (angenommen)";
    facts_.rows.push_back(std::move(row));
  }

  if (record.exit_status == 0) {
    facts_.summary = "Ein Lauf würde " + std::to_string(record.Count(cli::kConverted)) +
                     " Datei(en) aktualisieren. Die Vorschau hat nichts geändert.";
  } else {
    facts_.summary = "Ein Lauf würde mit einem Fehler enden. Die Vorschau hat nichts geändert.";
  }
}

DiffText WizardPreview::DiffOf(size_t row) {
  DiffText text;
  State& s = *state_;
  const ProjectRecord& record = s.record();
  std::string path;
  int32_t replaced = 0;
  if (row < record.entries.size()) {
    const EntryRecord& entry = record.entries[row];
    if (entry.outcome != cli::kConverted) return text;
    path = entry.path;
    for (int32_t count : entry.replaced) replaced += count;
  } else if (row == record.entries.size()) {
    if (!record.library_line_added.value_or(false)) return text;
    path = record.project;
  } else {
    return text;
  }
  PaneSink sink(*s.fs, text);
  try {
    s.PatchOf(path, sink);
  } catch (const PaneSink::Full&) {
    const int32_t more = replaced - sink.replaced_shown();
    text.more = "Gekürzt nach " + std::to_string(kMostDiffLines) + " Zeilen: " +
                (more > 0 ? "es folgen die Änderungen an " + std::to_string(more) +
                                " weiteren Steuerelementen."
                          : "es folgen weitere geänderte Zeilen.");
  }
  return text;
}

void WizardPreview::SaveReport(const std::string& path) {
  State& s = *state_;
  // The arguments name the report as `--report` would.
  cli::CommandLine line = s.line;
  line.report = path;
  line.option_args.insert(line.option_args.end(), {"--report", s.fs->ToDisplayText(path)});
  cli::RunReport report = s.report;
  report.line = &line;
  cli::WriteReport(report, *s.fs, path);
}

void WizardPreview::SavePatch(const std::string& path) {
  State& s = *state_;
  const std::vector<std::string> files = s.ChangedFiles();
  WriteAtomically(*s.fs, path, [&](OutputFile& out) {
    FileSink sink(out);
    for (const std::string& file : files) s.PatchOf(file, sink);
  });
}

// --- the wizard's button ---

void Wizard::ShowPreview() {
  if (!TakesProjects() || entries_.empty()) return;
  PreviewRequest request;
  request.project = ProjectPath();
  request.entries = entries_;
  if (std::optional<std::vector<bool>> selection = Selection()) {
    request.selected = std::move(*selection);
  } else {
    for (size_t i = 0; i < entries_.size(); ++i) {
      request.selected.push_back(IsEntrySelected(static_cast<int16_t>(i)));
    }
  }
  request.designers = DesignersOption();
  for (int16_t kind = 0; kind < kReplaceKinds; ++kind) {
    request.replace[static_cast<size_t>(kind)] = ReplaceOption(kind);
  }
  request.xp_style = XPStyleOption();
  request.backup = BackupOption();

  std::unique_ptr<WizardPreview> preview;
  // A preview pumps messages in this window's stack, as a run does; the
  // window must outlive it.
  running_ = true;
  try {
    preview = WizardPreview::Run(instance_, *this, abort_, request);
  } catch (const VbError& error) {
    ShowError(error.number(), error.description());
  } catch (const std::exception& error) {
    ShowMessage(std::string("Fehler: ") + error.what(), mb::kOk, "");
  }
  running_ = false;
  if (hwnd() != nullptr && !::IsWindowEnabled(hwnd())) ::EnableWindow(hwnd(), TRUE);
  if (!preview) return;

  PreviewWindow::Outcome outcome = PreviewWindow::Outcome::kClosed;
  try {
    PreviewWindow window(instance_, *preview, save_dialog_);
    outcome = window.Run(hwnd());
  } catch (const std::exception& error) {
    ShowMessage(std::string("Fehler: ") + error.what(), mb::kOk, "");
    return;
  }
  // What the preview holds goes before the run starts.
  preview.reset();
  if (outcome == PreviewWindow::Outcome::kStart) StartConversion();
}

}  // namespace xpconv::ui
