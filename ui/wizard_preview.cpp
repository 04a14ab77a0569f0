#include "ui/wizard_preview.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "engine/batch_run.h"
#include "engine/control_kinds.h"
#include "engine/engine_context.h"
#include "engine/error.h"
#include "engine/file_helpers.h"
#include "engine/file_system.h"
#include "engine/form_patch.h"
#include "engine/messages.h"
#include "engine/overlay_file_system.h"
#include "engine/paths.h"
#include "engine/preview_patch.h"
#include "engine/run_record.h"
#include "engine/run_report.h"
#include "engine/scratch_folder.h"
#include "ui/busy_pointer.h"
#include "ui/message_box.h"
#include "ui/preview_run_host.h"
#include "ui/preview_window.h"
#include "ui/windows_host.h"
#include "ui/wizard_window.h"

namespace xpconv::ui {

namespace {

// The line a replaced header becomes starts so, after its indent.
constexpr std::string_view kReplacedHeader = "Begin qorXPControls.";

// The code page the wizard's paths are in, named as xpconvert's --codepage
// names code pages.
std::string CodePageName() {
  const UINT page = ::GetACP();
  if (page == 874 || (page >= 1250 && page <= 1258)) return "WINDOWS-" + std::to_string(page);
  return "CP" + std::to_string(page);
}

// The selection as --select names it ("1-3,5"), "all" when every entry is
// selected.
std::string SelectionText(const std::vector<bool>& selected) {
  if (std::all_of(selected.begin(), selected.end(), [](bool s) { return s; })) return "all";
  std::string text;
  for (size_t i = 0; i < selected.size(); ++i) {
    if (!selected[i] || (i > 0 && selected[i - 1])) continue;
    size_t last = i;
    while (last + 1 < selected.size() && selected[last + 1]) ++last;
    if (!text.empty()) text += ',';
    text += std::to_string(i + 1);
    if (last > i) text.append("-").append(std::to_string(last + 1));
  }
  return text;
}

// The wizard's options as a report records them: in xpconvert's terms, with
// the arguments xpconvert would be given for them.
ReportOptions OptionsOf(const PreviewRequest& request) {
  ReportOptions options;
  options.select = SelectionText(request.selected);
  options.replace = request.replace;
  options.xp_style = request.xp_style;
  options.backup = request.backup;
  options.designers = request.designers;
  options.codepage = CodePageName();
  std::vector<std::string>& args = options.arguments;
  args.push_back("--dry-run");
  if (options.select != "all") args.insert(args.end(), {"--select", options.select});
  for (size_t k = 0; k < kControlKindCount; ++k) {
    if (request.replace[k] == 0)
      args.insert(args.end(), {"--keep", std::string(kControlKindKeys[k])});
  }
  if (request.xp_style == 0) args.push_back("--plain");
  if (request.backup == 0) args.push_back("--no-backup");
  if (options.codepage != "WINDOWS-1252") args.insert(args.end(), {"--codepage", options.codepage});
  if (request.designers) args.push_back("--designers");
  return options;
}

std::string TextOfPrompt(const std::string& prompt) {
  // The question proper is the box's last line.
  const size_t end = prompt.find_last_not_of("\r\n");
  if (end == std::string::npos) return prompt;
  const size_t start = prompt.find_last_of("\r\n", end);
  const size_t from = start == std::string::npos ? 0 : start + 1;
  return prompt.substr(from, end - from + 1);
}

// Of a long code line the window shows this many bytes (UTF-8), cut between
// two characters.
constexpr size_t kShownCodeBytes = 300;

// Collects the first kMostDiffLines lines of one file's patch as the window
// shows them, and stops the patch there.
class PanePatchOut final : public PatchOut {
 public:
  struct Full {};  // thrown to end the patch once the pane is full

  PanePatchOut(FileSystem& fs, DiffText& text) : fs_(fs), text_(text) {}

  void Piece(DiffLine::Kind kind, std::string_view bytes, bool ends) override {
    // Of a very long line only its start is kept.
    if (line_.size() < kMostDiffLineBytes + 2) {
      line_.append(bytes.substr(0, kMostDiffLineBytes + 2 - line_.size()));
    }
    if (ends) Take(kind);
  }

  int32_t replaced_shown() const { return replaced_shown_; }

 private:
  void Take(DiffLine::Kind kind) {
    if (text_.lines.size() >= kMostDiffLines) throw Full{};
    std::string_view body = line_;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    const bool cut = body.size() > kMostDiffLineBytes;
    if (cut) body = body.substr(0, kMostDiffLineBytes);
    const bool content = kind == DiffLine::Kind::kContext || kind == DiffLine::Kind::kRemoved ||
                         kind == DiffLine::Kind::kAdded;
    if (kind == DiffLine::Kind::kAdded) {
      const size_t start = body.find_first_not_of(' ', 1);
      if (start != std::string_view::npos &&
          body.substr(start, kReplacedHeader.size()) == kReplacedHeader) {
        ++replaced_shown_;
      }
    }
    // A content line's first byte is its marker, the rest text of the form.
    std::string shown(content ? body.substr(0, 1) : std::string_view());
    shown += fs_.ToDisplayText(content ? body.substr(1) : body);
    if (cut) shown += " \u2026";
    text_.lines.push_back({static_cast<DiffText::Kind>(kind), std::move(shown)});
    line_.clear();
  }

  FileSystem& fs_;
  DiffText& text_;
  std::string line_;
  int32_t replaced_shown_ = 0;
};

// The patch's own bytes, into a file, gathered into large writes.
class FilePatchOut final : public PatchOut {
 public:
  explicit FilePatchOut(OutputFile& out) : out_(out) {}

  void Piece(DiffLine::Kind, std::string_view bytes, bool) override {
    buffer_.append(bytes);
    if (buffer_.size() >= kSize) Flush();
  }
  void Flush() {
    out_.Write(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr size_t kSize = 64 * 1024;
  OutputFile& out_;
  std::string buffer_;
};

}  // namespace

void AddCodeLines(const ProjectCodeCheck& check, FileSystem& fs, PreviewFacts& facts) {
  auto note = [](int32_t number, const std::string& text) {
    return "Code nicht geprüft, Fehler " + std::to_string(number) + ": " + text;
  };
  if (check.error_number != 0) {
    facts.code.push_back({facts.project_name, "", note(check.error_number, check.error_text), ""});
  }
  int64_t lines = 0;
  int64_t files = 0;
  int64_t more = 0;
  for (const ModuleCheck& module : check.modules) {
    const std::string file = fs.ToDisplayText(module.entry);
    if (module.error_number != 0) {
      facts.code.push_back({file, "", note(module.error_number, module.error_text), ""});
    }
    int64_t last_line = 0;
    for (const CodeFinding& finding : module.scan.findings) {
      if (finding.fix == CodeFix::Mended) continue;
      std::string about(CodeFindingFormName(finding.form));
      about.append(", ").append(kControlKindNames[static_cast<size_t>(finding.kind)]);
      if (finding.line == last_line) {
        facts.code.back().about += "; " + about;
        continue;
      }
      if (last_line == 0) ++files;
      last_line = finding.line;
      ++lines;
      facts.code.push_back({file, std::to_string(finding.line),
                            ShownCodeLine(fs, finding.text, kShownCodeBytes), about});
    }
    if (module.scan.more_findings > 0) {
      if (last_line == 0) ++files;
      more += module.scan.more_findings;
      facts.code.push_back({file, "",
                            std::to_string(module.scan.more_findings) +
                                " weitere Codestelle(n), hier nicht aufgeführt",
                            ""});
    }
  }
  facts.code_count = std::to_string(lines) + " Zeile(n) in " + std::to_string(files) + " Datei(en)";
  if (more > 0) facts.code_count += " und " + std::to_string(more) + " weitere Codestelle(n)";
}

struct WizardPreview::State {
  PreviewRequest request;
  std::unique_ptr<FileSystem> fs;
  // The bytes the preview writes stay outside memory, in a folder of their
  // own; the overlay reads through to the disk.
  std::unique_ptr<ScratchFolder> scratch;
  std::unique_ptr<OverlayFileSystem> overlay;
  std::unique_ptr<FormEditsBook> book;
  RunReport report;
  std::vector<std::string> questions;
  // The folder the patch names its files relative to, as xpconvert's does
  // for the project given.
  std::string base;

  ProjectRecord& record() { return report.projects.front(); }
  DryRunFiles files() { return DryRunFiles{*fs, *overlay, *book}; }
};

WizardPreview::WizardPreview(std::unique_ptr<State> state) : state_(std::move(state)) {}

WizardPreview::~WizardPreview() = default;

std::unique_ptr<WizardPreview> WizardPreview::Run(HINSTANCE instance, WizardOperations& wizard,
                                                  AbortFlag& abort, const PreviewRequest& request) {
  auto state = std::make_unique<State>();
  state->request = request;
  state->fs = MakeNativeFileSystem();
  state->scratch = std::make_unique<ScratchFolder>();
  state->overlay = std::make_unique<OverlayFileSystem>(*state->fs, state->scratch->EnginePath());
  state->book = std::make_unique<FormEditsBook>(*state->overlay);
  state->base = FolderOf(state->fs->AbsolutePath(request.project));

  RunReport& report = state->report;
  report.command = "run";
  report.dry_run = true;
  report.options = OptionsOf(request);
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
  RunRecorder recorder(record, state->book.get());
  PreviewRunHost host(windows, recorder);
  CodeCheckRequest code_check;
  code_check.options = request.code;
  EngineContext context{host, *state->overlay, abort, &host, &code_check};
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
  record.code = std::move(code_check.result);
  if (host.stopped_by_message()) return nullptr;
  const bool failed = record.Count(outcomes::kFailed) > 0 || record.error_number != 0;
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
  facts_.project_name = s.fs->ToDisplayText(NameOf(s.request.project));
  for (const EntryRecord& entry : record.entries) {
    PreviewRow row;
    row.number = std::to_string(entry.number);
    row.file = entry.entry;
    const bool counted =
        entry.outcome == outcomes::kConverted || entry.outcome == outcomes::kUnchanged;
    if (entry.outcome == outcomes::kConverted) {
      row.outcome = "wird konvertiert";
    } else if (entry.outcome == outcomes::kUnchanged) {
      row.outcome = "unverändert";
    } else if (entry.outcome == outcomes::kFailed) {
      row.outcome = msg::ErrorPrompt(entry.error_number, entry.error_text, " ");
    } else {
      row.outcome = "wird nicht erreicht";
    }
    for (size_t k = 0; k < kControlKindCount; ++k) {
      if (counted) row.replaced[k] = std::to_string(entry.replaced[k]);
    }
    facts_.rows.push_back(std::move(row));
  }
  PreviewRow project;
  project.kind = PreviewRow::Kind::kProjectFile;
  project.file = facts_.project_name;
  if (record.error_number != 0) {
    project.outcome = msg::ErrorPrompt(record.error_number, record.error_text, " ");
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

  if (record.code) AddCodeLines(*record.code, *s.fs, facts_);

  if (record.exit_status == 0) {
    facts_.summary = "Ein Lauf würde " + std::to_string(record.Count(outcomes::kConverted)) +
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
    if (entry.outcome != outcomes::kConverted) return text;
    path = entry.path;
    for (int32_t count : entry.replaced) replaced += count;
  } else if (row == record.entries.size() && record.library_line_added.value_or(false)) {
    path = record.project;
  } else {
    return text;
  }
  PanePatchOut pane(*s.fs, text);
  try {
    WriteFilePatch(path, s.base, s.files(), pane);
  } catch (const PanePatchOut::Full&) {
    // Only the changes shown were read: a form of any size shows at once.
    const int32_t more = replaced - pane.replaced_shown();
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
  RunReport report = s.report;
  report.options.arguments.insert(report.options.arguments.end(),
                                  {"--report", s.fs->ToDisplayText(path)});
  WriteReport(report, *s.fs, path);
}

void WizardPreview::SavePatch(const std::string& path) {
  State& s = *state_;
  // Written as it is made, through a temporary file beside the patch.
  WriteAtomically(*s.fs, path, path + ".tmp", [&](OutputFile& out) {
    FilePatchOut patch(out);
    WritePreviewPatch(s.report.projects, s.base, s.files(), patch);
    patch.Flush();
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
  request.code = CodeOptions();

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

CodeCheckOptions Wizard::CodeOptions() {
  CodeCheckOptions options;
  for (int16_t kind = 0; kind < kReplaceKinds; ++kind) {
    options.kinds[static_cast<size_t>(kind)] = ReplaceOption(kind) == 1;
  }
  options.designers = DesignersOption();
  options.fix = false;
  return options;
}

void Wizard::OfferCodeLines(const ProjectCodeCheck& check, FileSystem& fs) {
  PreviewFacts facts;
  facts.project_path = ProjectPath();
  facts.project_name = fs.ToDisplayText(NameOf(facts.project_path));
  AddCodeLines(check, fs, facts);
  if (std::none_of(facts.code.begin(), facts.code.end(),
                   [](const CodeLine& line) { return !line.line.empty(); })) {
    return;
  }
  const std::string prompt = "Im Code des Projekts nennen noch " + facts.code_count +
                             " Steuerelementtypen, die ersetzt wurden.\r\n"
                             "Diese Stellen bitte von Hand prüfen.\r\n\r\n"
                             "Zeilen anzeigen?";
  if (ShowMessage(prompt, mb::kYesNoQuestion, kCodeTitle) != mb::kAnswerYes) return;
  facts.summary = "Diese Codezeilen nennen Steuerelementtypen, die der Lauf ersetzt hat.";
  try {
    PreviewWindow window(instance_, facts);
    window.Run(hwnd());
  } catch (const std::exception& error) {
    ShowMessage(std::string("Fehler: ") + error.what(), mb::kOk, "");
  }
}

}  // namespace xpconv::ui
