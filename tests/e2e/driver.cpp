// Drives the real xpwizard.exe the way a user does: it starts the program,
// opens the project through the real open dialog (typing the path into the
// dialog's file name box), clicks "Alle Dateien" and "&Starten", answers the
// summary with OK and ends the program with "&Beenden". Every wait has a
// timeout and every failure says what was expected.
//
//   e2e_driver <xpwizard.exe> <project path> [--argument]
//
// With --argument the program is started with the project as its argument
// (as Explorer's verb starts it) and the list must be loaded without the
// open dialog ever showing.
//
// With --preview-restore REPORT it walks the way of a user who looks before
// and undoes after: the user-controls box ticked, "Alle Dateien",
// "&Vorschau...", the JSON report saved through the real save dialog (typing
// REPORT, a Windows path), "&Starten" in the preview window, OK on the
// summary, then "&Wiederherstellen...", Ja and OK, and "&Beenden".
//
// With --code-lines the project's code names a replaced class: after the
// summary of a run the driver expects the message that says so, answers
// "Ja" (after a start from the preview: "Nein") and checks that the window
// it opens lists the lines and nothing else.
//
// The bench options (used by bench/wizard_bench.sh, see BenchOptions) add
// timings and other ways through the wizard; without them the driver does
// exactly the end-to-end test's walk.
// clang-format off
// <windows.h> first: the common controls' header builds on it.
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ui/controls/message_box_object.h"
#include "ui/preview_ids.h"
#include "ui/progress_window.h"
#include "ui/wizard_ids.h"

namespace {

using namespace std::chrono_literals;
using xpconv::ui::kIdAll;
using xpconv::ui::kIdDesigners;
using xpconv::ui::kIdExit;
using xpconv::ui::kIdFolder;
using xpconv::ui::kIdList;
using xpconv::ui::kIdPreview;
using xpconv::ui::kIdProject;
using xpconv::ui::kIdRestore;
using xpconv::ui::kIdStart;

constexpr auto kStepTimeout = 20s;
constexpr const char* kSummaryTitle = "Konvertierung erfolgreich";

// The program under test, ended when the driver fails so that it never
// outlives a failed run.
HANDLE g_program = nullptr;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "e2e_driver: FAILED: %s\n", what.c_str());
  std::fflush(stderr);
  if (g_program != nullptr) ::TerminateProcess(g_program, 3);
  std::exit(1);
}

void Say(const std::string& what) {
  std::printf("e2e_driver: %s\n", what.c_str());
  std::fflush(stdout);
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[2048] = {};
  // WM_GETTEXT is copied across processes by the system.
  ::SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  ::GetClassNameW(window, buffer, 256);
  return buffer;
}

// Waits until probe returns true, asking every poll; fails with what after
// the timeout.
void WaitFor(const std::function<bool()>& probe, const std::string& what,
             std::chrono::milliseconds timeout = kStepTimeout,
             std::chrono::milliseconds poll = 20ms) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!probe()) {
    if (std::chrono::steady_clock::now() > end) Fail("timed out waiting for " + what);
    std::this_thread::sleep_for(poll);
  }
}

struct Program {
  PROCESS_INFORMATION info{};
  DWORD process_id() const { return info.dwProcessId; }
};

// A visible top-level window of the program with the given class.
HWND FindTopLevel(const Program& program, const std::wstring& class_name) {
  struct Search {
    DWORD pid;
    const std::wstring* cls;
    HWND found;
  } search{program.process_id(), &class_name, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        if (pid == s->pid && ::IsWindowVisible(window) && ClassOf(window) == *s->cls) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& match) {
  struct Search {
    const std::function<bool(HWND)>* match;
    HWND found;
  } search{&match, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if ((*s->match)(child)) {
          s->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PostClick(HWND wizard, int id) {
  // Posted, not sent: the click opens modal windows, and a sent message
  // would hold the driver until they close.
  ::PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(wizard, id)));
}

LRESULT Ask(HWND window, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result)) {
    Fail("the wizard does not answer (message " + std::to_string(msg) + ")");
  }
  return static_cast<LRESULT>(result);
}

// --- timings for the benchmark (bench/wizard_bench.sh) ---
//
// Each timing is printed as a line "timing <name>_ms=<milliseconds>", read by
// the benchmark script. Waits that are timed poll every millisecond.

struct BenchOptions {
  bool by_argument = false;              // --argument: the end-to-end test's way (see above)
  bool timings = false;                  // --timings: print the timings below
  bool list_only = false;                // --list-only: load and select, start nothing
  int abort_after_ms = -1;               // --abort-after-ms N: N ms into the first form
  std::chrono::seconds run_timeout{60};  // --run-timeout S: for big projects
  std::wstring preview_report;           // --preview-restore REPORT: the walk described above
  bool code_lines = false;               // --code-lines: see above
};

BenchOptions ParseBenchOptions(int argc, wchar_t** argv, int first) {
  BenchOptions options;
  for (int i = first; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == L"--argument") {
      options.by_argument = true;
    } else if (arg == L"--timings") {
      options.timings = true;
    } else if (arg == L"--list-only") {
      options.list_only = true;
    } else if (arg == L"--abort-after-ms" && has_value) {
      options.abort_after_ms = std::stoi(argv[++i]);
    } else if (arg == L"--run-timeout" && has_value) {
      options.run_timeout = std::chrono::seconds(std::stoi(argv[++i]));
    } else if (arg == L"--code-lines") {
      options.code_lines = true;
    } else if (arg == L"--preview-restore" && has_value) {
      options.preview_report = argv[++i];
    } else {
      Fail("unknown option " + Narrow(arg));
    }
  }
  return options;
}

using BenchClock = std::chrono::steady_clock;

// Like Ask, for a wizard that may be busy for long: a slow step is timed,
// not failed.
LRESULT AskPatiently(HWND window, UINT msg) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, msg, 0, 0, SMTO_ABORTIFHUNG, 60000, &result)) {
    Fail("the wizard does not answer within a minute (message " + std::to_string(msg) + ")");
  }
  return static_cast<LRESULT>(result);
}

double MillisecondsSince(BenchClock::time_point start) {
  return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count();
}

void ReportTiming(const BenchOptions& options, const char* name, double ms) {
  if (!options.timings) return;
  std::printf("timing %s_ms=%.1f\n", name, ms);
  std::fflush(stdout);
}

// How long a window's thread takes to answer a message sent to it: while a
// run goes on, the time until the run's next real look at the queue, which
// is also when the progress window next repaints. Negative when the window
// is gone or does not answer within 5 s.
double AnswerTime(HWND window) {
  const auto start = BenchClock::now();
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
  return MillisecondsSince(start);
}

// Waits for the run's end, the summary; with timings it asks the progress
// window every 10 ms for an answer and reports the longest answer time.
HWND WaitForSummaryWatchingProgress(const Program& program, const BenchOptions& options) {
  HWND box = nullptr;
  double longest = 0;
  double longest_at = 0;
  int probes = 0;
  const auto start = BenchClock::now();
  auto last_probe = start;
  WaitFor(
      [&] {
        box = FindTopLevel(program, xpconv::ui::kMessageBoxClass);
        if (box != nullptr) return true;
        if (options.timings && BenchClock::now() - last_probe >= 10ms) {
          last_probe = BenchClock::now();
          HWND progress = FindTopLevel(program, xpconv::ui::kProgressWindowClass);
          const double answer = progress != nullptr ? AnswerTime(progress) : -1;
          if (answer >= 0) {
            if (answer > longest) {
              longest = answer;
              longest_at = MillisecondsSince(start);
            }
            ++probes;
          }
        }
        return false;
      },
      "the summary message", options.run_timeout, options.timings ? 2ms : 20ms);
  if (options.timings) {
    std::printf("progress_probes=%d, the longest answer came %.0f ms into the run\n", probes,
                longest_at);
  }
  ReportTiming(options, "longest_progress_answer", longest);
  return box;
}

// Clicks "Abbrechen" abort_after_ms into the first form's conversion (once
// the progress window names a form), times the question "Wirklich
// abbrechen?", answers "Ja" and checks that the run ends without a summary.
void AbortRunAndTimeTheQuestion(const Program& program, const BenchOptions& options) {
  HWND progress = nullptr;
  WaitFor(
      [&] {
        return (progress = FindTopLevel(program, xpconv::ui::kProgressWindowClass)) != nullptr;
      },
      "the progress window", options.run_timeout, 1ms);
  HWND file_label = ::GetDlgItem(progress, xpconv::ui::kProgressFileLabelId);
  WaitFor(
      [&] {
        // A small form can be done before this look: the window is gone.
        if (!::IsWindow(progress))
          Fail("the run ended before the abort click; give it a bigger form");
        const std::wstring shown = TextOf(file_label);
        return !shown.empty() && shown != L"lblFile";
      },
      "the progress window to name a form", options.run_timeout, 1ms);
  Say("converting " + Narrow(TextOf(file_label)));
  std::this_thread::sleep_for(std::chrono::milliseconds(options.abort_after_ms));
  if (FindTopLevel(program, xpconv::ui::kProgressWindowClass) != progress) {
    Fail("the run ended before the abort click; give it a bigger form");
  }

  const auto click = BenchClock::now();
  ::PostMessageW(::GetDlgItem(progress, xpconv::ui::kProgressAbortButtonId), BM_CLICK, 0, 0);
  HWND question = nullptr;
  WaitFor(
      [&] { return (question = FindTopLevel(program, xpconv::ui::kMessageBoxClass)) != nullptr; },
      "the abort question", 20s, 1ms);
  ReportTiming(options, "abort_question", MillisecondsSince(click));
  const std::string prompt =
      Narrow(TextOf(::GetDlgItem(question, xpconv::ui::kMessageBoxPromptId)));
  if (prompt != "Wirklich abbrechen?") Fail("expected the abort question, got \"" + prompt + "\"");
  ::PostMessageW(::GetDlgItem(question, xpconv::ui::kMessageBoxButtonYes), BM_CLICK, 0, 0);

  const auto yes = BenchClock::now();
  WaitFor([&] { return !::IsWindow(progress); }, "the run to stop after \"Ja\"", 20s, 1ms);
  ReportTiming(options, "stop_after_yes", MillisecondsSince(yes));
  // An aborted run ends without a summary and gives the wizard back.
  std::this_thread::sleep_for(1s);
  if (HWND box = FindTopLevel(program, xpconv::ui::kMessageBoxClass)) {
    Fail("a message came up after the abort: \"" +
         Narrow(TextOf(::GetDlgItem(box, xpconv::ui::kMessageBoxPromptId))) + "\"");
  }
  std::printf("aborted=1\n");
}

// Waits for the system's file dialog, checks its title, types path into its
// file name box and presses its default button (Open or Save).
void AnswerFileDialog(const Program& program, const std::wstring& title, const std::wstring& path) {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = FindTopLevel(program, L"#32770")) != nullptr; },
          "the file dialog \"" + Narrow(title) + "\"");
  Say("file dialog: \"" + Narrow(TextOf(dialog)) + "\"");
  if (TextOf(dialog) != title) Fail("the file dialog's title is not \"" + Narrow(title) + "\"");
  HWND name_box = nullptr;
  WaitFor(
      [&] {
        // The file name box: an edit of its own (edt1) or inside the combo
        // box cmb13, depending on the dialog's version.
        name_box = ::GetDlgItem(dialog, 0x480);
        if (name_box == nullptr) {
          HWND combo = ::GetDlgItem(dialog, 0x47c);
          if (combo != nullptr) {
            name_box = FindDescendant(combo, [](HWND h) { return ClassOf(h) == L"Edit"; });
            if (name_box == nullptr) name_box = combo;
          }
        }
        return name_box != nullptr;
      },
      "the file dialog's file name box");
  ::SendMessageW(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  HWND default_button = ::GetDlgItem(dialog, IDOK);
  if (default_button == nullptr) Fail("the file dialog has no default button");
  ::PostMessageW(default_button, BM_CLICK, 0, 0);
  WaitFor([&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); },
          "the file dialog to close", kStepTimeout, 1ms);
}

// Says what a message box of the program shows, fails unless it has the
// title, presses the button and returns the prompt.
std::string Answer(HWND box, const std::string& title, int button) {
  const std::string shown = Narrow(TextOf(box));
  const std::string prompt = Narrow(TextOf(::GetDlgItem(box, xpconv::ui::kMessageBoxPromptId)));
  Say("message \"" + shown + "\": " + prompt);
  if (shown != title) Fail("expected the message \"" + title + "\", got \"" + shown + "\"");
  ::PostMessageW(::GetDlgItem(box, button), BM_CLICK, 0, 0);
  WaitFor([&] { return !::IsWindow(box); }, "the message to close");
  return prompt;
}

// Waits for the next message box of the program and answers it as Answer does.
std::string AnswerBox(const Program& program, const std::string& title, int button) {
  HWND box = nullptr;
  WaitFor([&] { return (box = FindTopLevel(program, xpconv::ui::kMessageBoxClass)) != nullptr; },
          "the message \"" + title + "\"", 60s);
  return Answer(box, title, button);
}

// The message after a run whose project's code names a replaced class; with
// look, "Ja" and the window of the code lines, which must list some and
// nothing else, closed with "Schließen".
void CodeLines(const Program& program, bool look) {
  using namespace xpconv::ui;
  AnswerBox(program, kCodeTitle, look ? kMessageBoxButtonYes : kMessageBoxButtonNo);
  if (!look) return;
  HWND window = nullptr;
  WaitFor([&] { return (window = FindTopLevel(program, kPreviewWindowClass)) != nullptr; },
          "the window of the code lines");
  const LRESULT lines = Ask(::GetDlgItem(window, kPreviewCodeId), LVM_GETITEMCOUNT);
  Say("code window \"" + Narrow(TextOf(window)) + "\": " + std::to_string(lines) + " line(s)");
  if (lines <= 0) Fail("the window of the code lines lists none");
  if (::GetDlgItem(window, kPreviewListId) != nullptr) Fail("the code window shows the preview");
  ::PostMessageW(::GetDlgItem(window, kPreviewCloseId), BM_CLICK, 0, 0);
  WaitFor([&] { return !::IsWindow(window); }, "the window of the code lines to close");
  std::printf("code_lines=%d\n", static_cast<int>(lines));
}

// The preview, its JSON report through the real save dialog, a start from
// the preview, then the restore.
void PreviewStartAndRestore(const Program& program, HWND wizard, const std::wstring& report,
                            bool code_lines) {
  using namespace xpconv::ui;
  PostClick(wizard, kIdPreview);
  HWND preview = nullptr;
  WaitFor([&] { return (preview = FindTopLevel(program, kPreviewWindowClass)) != nullptr; },
          "the preview window", 60s);
  Say("preview window \"" + Narrow(TextOf(preview)) +
      "\": " + Narrow(TextOf(::GetDlgItem(preview, kPreviewSummaryId))));
  ::PostMessageW(::GetDlgItem(preview, kPreviewSaveReportId), BM_CLICK, 0, 0);
  AnswerFileDialog(program, L"Bericht speichern", report);
  WaitFor([&] { return ::GetFileAttributesW(report.c_str()) != INVALID_FILE_ATTRIBUTES; },
          "the report to be written");
  ::PostMessageW(::GetDlgItem(preview, kPreviewStartId), BM_CLICK, 0, 0);
  WaitFor([&] { return !::IsWindow(preview); }, "the preview window to close");
  const std::string summary = AnswerBox(program, kSummaryTitle, kMessageBoxButtonOk);
  std::printf("converted=%d\n", std::atoi(summary.c_str()));
  if (code_lines) CodeLines(program, false);
  WaitFor([&] { return ::IsWindowEnabled(wizard) != FALSE; }, "the wizard to take input again");

  PostClick(wizard, kIdRestore);
  AnswerBox(program, kRestoreTitle, kMessageBoxButtonYes);
  const std::string restored = AnswerBox(program, kRestoreTitle, kMessageBoxButtonOk);
  std::printf("restored=%d\n", std::atoi(restored.c_str()));
  WaitFor([&] { return ::IsWindowEnabled(wizard) != FALSE; }, "the wizard to take input again");
}

// "&Beenden": the program must end, with code 0.
void EndWithExitButton(const Program& program, HWND wizard) {
  PostClick(wizard, kIdExit);
  if (::WaitForSingleObject(program.info.hProcess, 15000) != WAIT_OBJECT_0) {
    ::TerminateProcess(program.info.hProcess, 3);
    Fail("the program did not end after \"&Beenden\"");
  }
  DWORD exit_code = 1;
  ::GetExitCodeProcess(program.info.hProcess, &exit_code);
  ::CloseHandle(program.info.hThread);
  ::CloseHandle(program.info.hProcess);
  if (exit_code != 0) Fail("the program ended with code " + std::to_string(exit_code));
  Say("the program ended with code 0");
}

// Started with the project as its argument, the wizard loads the list by
// itself; the open dialog must never show.
void WaitForListFromArgument(const Program& program, HWND wizard) {
  WaitFor(
      [&] {
        if (FindTopLevel(program, L"#32770") != nullptr) Fail("the open dialog showed");
        return ::IsWindowEnabled(::GetDlgItem(wizard, kIdAll)) != FALSE;
      },
      "the list to be loaded from the argument (\"Alle Dateien\" enabled)");
  if (FindTopLevel(program, xpconv::ui::kMessageBoxClass) != nullptr) {
    Fail("a message shows after loading the project from the argument");
  }
  Say("loaded from the argument without the open dialog");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: e2e_driver <xpwizard.exe> <project path> [--argument] [--code-lines] "
                 "[bench options]\n");
    return 2;
  }
  const std::wstring exe = argv[1];
  const std::wstring project = argv[2];
  const BenchOptions bench = ParseBenchOptions(argc, argv, 3);
  const bool by_argument = bench.by_argument;

  Program program;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring command = L"\"" + exe + L"\"";
  if (by_argument) command += L" \"" + project + L"\"";
  if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &program.info)) {
    Fail("cannot start " + Narrow(exe) + " (error " + std::to_string(::GetLastError()) + ")");
  }
  g_program = program.info.hProcess;
  Say("started " + Narrow(exe));

  HWND wizard = nullptr;
  WaitFor([&] { return (wizard = FindTopLevel(program, xpconv::ui::kWizardClass)) != nullptr; },
          "the wizard window");
  if (Narrow(TextOf(wizard)) != xpconv::ui::kWizardCaption) {
    Fail("the wizard's caption is \"" + Narrow(TextOf(wizard)) + "\"");
  }
  HWND list = ::GetDlgItem(wizard, kIdList);
  if (list == nullptr) Fail("the wizard has no list");
  if (by_argument) {
    WaitForListFromArgument(program, wizard);
  } else {
    if (::IsWindowEnabled(::GetDlgItem(wizard, kIdStart))) Fail("\"&Starten\" is enabled at start");
    PostClick(wizard, kIdFolder);
    AnswerFileDialog(program, L"\u00d6ffnen", project);
  }
  const auto dialog_closed = BenchClock::now();
  WaitFor([&] { return ::IsWindowEnabled(::GetDlgItem(wizard, kIdAll)) != FALSE; },
          "the list to be loaded (\"Alle Dateien\" enabled)", kStepTimeout, 1ms);
  AskPatiently(wizard, WM_NULL);  // answered once the wizard takes input again
  if (!by_argument) ReportTiming(bench, "list_load", MillisecondsSince(dialog_closed));
  const auto count = static_cast<int>(Ask(list, LB_GETCOUNT));
  const std::string shown_path = Narrow(TextOf(::GetDlgItem(wizard, kIdProject)));
  Say("project box: " + shown_path + ", " + std::to_string(count) + " entries");
  if (Widen(shown_path) != project) Fail("the path box does not show the chosen project");
  if (count <= 0) Fail("the list is empty");

  if (!bench.preview_report.empty()) {
    // The user controls too: the list grows by the project's user control.
    // A click on the box itself: it ticks and tells the wizard.
    ::PostMessageW(::GetDlgItem(wizard, kIdDesigners), BM_CLICK, 0, 0);
    WaitFor([&] { return Ask(list, LB_GETCOUNT) > count; }, "the user controls in the list");
  }
  const int listed = static_cast<int>(Ask(list, LB_GETCOUNT));
  const auto all_clicked = BenchClock::now();
  PostClick(wizard, kIdAll);
  WaitFor([&] { return AskPatiently(list, LB_GETSELCOUNT) == listed; },
          "every entry to be selected", kStepTimeout, 1ms);
  ReportTiming(bench, "select_all", MillisecondsSince(all_clicked));
  Say("all " + std::to_string(listed) + " entries selected");

  if (!bench.preview_report.empty()) {
    PreviewStartAndRestore(program, wizard, bench.preview_report, bench.code_lines);
    EndWithExitButton(program, wizard);
    return 0;
  }

  if (bench.list_only) {
    EndWithExitButton(program, wizard);
    return 0;
  }

  const auto start_clicked = BenchClock::now();
  PostClick(wizard, kIdStart);

  if (bench.abort_after_ms >= 0) {
    AbortRunAndTimeTheQuestion(program, bench);
    EndWithExitButton(program, wizard);
    return 0;
  }

  // The summary is the only message of a run with backups on.
  HWND box = WaitForSummaryWatchingProgress(program, bench);
  ReportTiming(bench, "run", MillisecondsSince(start_clicked));
  const std::string summary = Answer(box, kSummaryTitle, xpconv::ui::kMessageBoxButtonOk);
  std::printf("converted=%d\n", std::atoi(summary.c_str()));
  if (bench.code_lines) CodeLines(program, true);
  // The summary, modal over the wizard, holds it disabled while it shows.
  WaitFor([&] { return ::IsWindowEnabled(wizard) != FALSE; }, "the wizard to take input again");
  if (FindTopLevel(program, xpconv::ui::kProgressWindowClass) != nullptr) {
    Fail("the progress window is still shown after the run");
  }
  if (Ask(list, LB_GETSELCOUNT) != listed) Fail("the selection changed during the run");

  EndWithExitButton(program, wizard);
  return 0;
}
