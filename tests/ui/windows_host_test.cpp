// The Windows host: its message pump, the progress window's life between
// LoadProgress and UnloadProgress, and whole conversion runs over real files
// in which the user presses "Abbrechen" while the run pumps.
#include "ui/windows_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/batch_run.h"
#include "engine/engine_context.h"
#include "engine/file_system.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/progress_bar.h"
#include "ui/progress_window.h"

namespace xpconv::ui {
namespace {

using namespace std::chrono_literals;

using ::xpconv::testing::BoxReply;
using ::xpconv::testing::MessageBoxAnswerer;
using ::xpconv::testing::SeenBox;
using ::xpconv::testing::TempDir;
using ::xpconv::testing::WindowTextOf;

constexpr wchar_t kPlainClass[] = L"xpconvTestWizard";

// A plain top-level window whose procedure counts WM_APP messages.
int g_app_messages = 0;
LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) {
    ++g_app_messages;
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreatePlainWindow(bool visible) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kPlainClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  HWND hwnd = ::CreateWindowExW(0, kPlainClass, L"Assistent", WS_OVERLAPPEDWINDOW, 120, 100, 560,
                                420, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (visible) ::ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

// Plays the wizard window over a plain top-level window: fixed options, a
// list of entries, and hooks at the points where a run asks the wizard.
class TestWizard final : public WizardOperations {
 public:
  struct Entry {
    std::string text;
    bool selected = true;
  };

  explicit TestWizard(bool visible = false) : hwnd_(CreatePlainWindow(visible)) {}
  ~TestWizard() override { ::DestroyWindow(hwnd_); }

  std::string project_path;
  std::string project_folder;
  std::vector<Entry> entries;
  int32_t backup = 1;
  std::vector<bool> enabled_calls;
  std::function<void(int16_t)> on_entry_selected;
  std::function<void(int16_t)> on_entry_text;
  std::function<void(bool)> on_set_enabled;

  HWND WizardWindow() const override { return hwnd_; }
  std::string ProjectPath() override { return project_path; }
  std::string ProjectFolder() override { return project_folder; }
  int32_t EntryCount() override { return static_cast<int32_t>(entries.size()); }
  int32_t SelectedCount() override {
    int32_t n = 0;
    for (const Entry& e : entries) n += e.selected ? 1 : 0;
    return n;
  }
  bool IsEntrySelected(int16_t index) override {
    if (on_entry_selected) on_entry_selected(index);
    return entries.at(index).selected;
  }
  std::string EntryText(int16_t index) override {
    if (on_entry_text) on_entry_text(index);
    return entries.at(index).text;
  }
  int32_t BackupOption() override {
    ++option_reads;
    return backup;
  }
  void SwitchBackupOn() override { backup = 1; }
  void SetWizardEnabled(bool enabled) override {
    enabled_calls.push_back(enabled);
    ::EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    if (on_set_enabled) on_set_enabled(enabled);
  }
  int32_t ReplaceOption(int16_t kind) override {
    ++option_reads;
    return kind == 2 ? 0 : 1;
  }
  int32_t XPStyleOption() override {
    ++option_reads;
    return 1;
  }
  // The whole selection in one read when selection_at_once is set (the real
  // window can); otherwise the run asks entry by entry, and the hooks see
  // each ask.
  std::optional<std::vector<bool>> Selection() override {
    ++selection_reads;
    if (!selection_at_once) return std::nullopt;
    std::vector<bool> selection;
    for (const Entry& e : entries) selection.push_back(e.selected);
    return selection;
  }
  int option_reads = 0;
  bool selection_at_once = false;
  int selection_reads = 0;

 private:
  HWND hwnd_;
};

// Clocks for the host's slices: one that stands still until a test moves
// it, and one so slow a machine that a whole slice passes between any two
// reads, so that every pump looks at the queue.
std::chrono::milliseconds g_now = 1h;
std::chrono::milliseconds StoppedClock() {
  return g_now;
}
std::chrono::milliseconds SlowClock() {
  static std::chrono::milliseconds now{};
  now += 1s;
  return now;
}

class WindowsHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xpconv::testing::EnsureUiRegistered();
    xpconv::testing::PumpPending();
  }

  AbortFlag abort_;
  TestWizard wizard_;
  WindowsHost host_{::GetModuleHandleW(nullptr), wizard_, abort_};
};

TEST_F(WindowsHostTest, PumpHandlesEveryWaitingMessageAndReturnsWhenNoneWaits) {
  g_app_messages = 0;
  for (int i = 0; i < 5; ++i) ::PostMessageW(wizard_.WizardWindow(), WM_APP, 0, 0);
  host_.PumpMessages();
  EXPECT_EQ(g_app_messages, 5);
  EXPECT_EQ(::GetQueueStatus(QS_POSTMESSAGE) & 0xFFFF, 0u);

  host_.PumpMessages();  // nothing waits: must not block
  EXPECT_EQ(g_app_messages, 5);
}

TEST_F(WindowsHostTest, PumpLeavesAQuitRequestForTheProgramsOwnLoop) {
  ::PostQuitMessage(3);
  host_.PumpMessages();
  MSG message{};
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

TEST_F(WindowsHostTest, ProgressWindowLivesFromLoadToUnloadAndReloadsAsDesigned) {
  EXPECT_EQ(host_.progress(), nullptr);
  host_.LoadProgress();
  ASSERT_NE(host_.progress(), nullptr);
  HWND first = host_.progress()->hwnd();
  EXPECT_FALSE(::IsWindowVisible(first));
  EXPECT_EQ(::GetWindow(first, GW_OWNER), wizard_.WizardWindow());

  host_.SetCountCaption("Datei 3 von 3");
  host_.SetFileCaption("frmRechnung.frm");
  host_.SetFileBar(70);
  host_.SetTotalBarMax(3);
  host_.SetTotalBar(3);
  host_.ShowProgress();
  EXPECT_TRUE(::IsWindowVisible(first));
  host_.UnloadProgress();
  EXPECT_EQ(host_.progress(), nullptr);
  EXPECT_FALSE(::IsWindow(first));
  host_.SetFileBar(10);  // nothing loaded: nothing to show it on, and no harm

  host_.LoadProgress();
  ProgressWindow* again = host_.progress();
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(::IsWindowVisible(again->hwnd()));
  EXPECT_EQ(WindowTextOf(again->control(kProgressCountLabelId)), "Datei 1 von 100");
  EXPECT_EQ(WindowTextOf(again->control(kProgressFileLabelId)), "lblFile");
  EXPECT_EQ(ProgressValue(again->control(kProgressFileBarId)), 0);
  EXPECT_EQ(ProgressMax(again->control(kProgressFileBarId)), 100);
  EXPECT_EQ(ProgressValue(again->control(kProgressTotalBarId)), 0);
  EXPECT_EQ(ProgressMax(again->control(kProgressTotalBarId)), 100);
  host_.UnloadProgress();
}

// The pumps a run makes over a few lines of a form: enough for the host to
// read its clock once.
void PumpLines(WindowsHost& host) {
  for (int i = 0; i < kPumpsPerClockRead; ++i) host.PumpMessages();
}

TEST_F(WindowsHostTest, PumpLooksAtTheQueueOncePerSliceAndAtOnceForEveryForm) {
  WindowsHost host(::GetModuleHandleW(nullptr), wizard_, abort_, &StoppedClock);
  g_app_messages = 0;
  auto post = [&] { ::PostMessageW(wizard_.WizardWindow(), WM_APP, 0, 0); };

  post();
  host.PumpMessages();
  EXPECT_EQ(g_app_messages, 1) << "the first pump looks";
  post();
  PumpLines(host);
  EXPECT_EQ(g_app_messages, 1) << "no time has passed";
  g_now += kPumpSlice - 1ms;
  PumpLines(host);
  EXPECT_EQ(g_app_messages, 1) << "less than a slice has passed";
  g_now += 1ms;
  PumpLines(host);
  EXPECT_EQ(g_app_messages, 2) << "a slice has passed";

  // A form's job names its file before it opens the form: its pump looks at
  // once. The count (named before the form's backup copy) and the bars do
  // not, and the message waits.
  struct Step {
    const char* name;
    std::function<void()> set;
    int handled;
  };
  for (const Step& step : {Step{"file", [&] { host.SetFileCaption("frmB.frm"); }, 3},
                           Step{"count", [&] { host.SetCountCaption("Datei 2 von 3"); }, 3},
                           Step{"file bar", [&] { host.SetFileBar(50); }, 3},
                           Step{"total bar", [&] { host.SetTotalBar(2); }, 3}}) {
    post();
    step.set();
    host.PumpMessages();
    EXPECT_EQ(g_app_messages, step.handled) << step.name;
  }
  xpconv::testing::PumpPending();
}

TEST_F(WindowsHostTest, OptionsAreReadOnceWhileTheWizardIsHeldDisabled) {
  auto read_all = [&] {
    std::vector<int32_t> values = {host_.BackupOption(), host_.XPStyleOption()};
    for (int16_t kind = 0; kind < 4; ++kind) values.push_back(host_.ReplaceOption(kind));
    return values;
  };
  wizard_.backup = 0;
  const std::vector<int32_t> expected = {0, 1, 1, 1, 0, 1};
  EXPECT_EQ(read_all(), expected);
  EXPECT_EQ(read_all(), expected);
  EXPECT_EQ(wizard_.option_reads, 12) << "the user may change them between two reads";

  host_.SetWizardEnabled(false);
  wizard_.option_reads = 0;
  EXPECT_EQ(read_all(), expected);
  EXPECT_EQ(read_all(), expected);
  EXPECT_EQ(wizard_.option_reads, 6) << "each read from its box once";

  host_.SwitchBackupOn();
  EXPECT_EQ(host_.BackupOption(), 1);
  EXPECT_EQ(host_.BackupOption(), 1);
  EXPECT_EQ(wizard_.option_reads, 7);

  host_.SetWizardEnabled(true);
  wizard_.backup = 0;
  EXPECT_EQ(host_.BackupOption(), 0) << "given back, the wizard is read live again";
  EXPECT_EQ(wizard_.option_reads, 8);
}

TEST_F(WindowsHostTest, SelectionIsReadOnceWhileTheWizardIsHeldDisabled) {
  wizard_.entries = {{"a.frm", true}, {"b.frm", false}, {"c.frm", true}};
  int entry_reads = 0;
  wizard_.on_entry_selected = [&](int16_t) { ++entry_reads; };
  auto read_all = [&] {
    std::vector<bool> values;
    for (int16_t index = 0; index < 3; ++index) values.push_back(host_.IsEntrySelected(index));
    return values;
  };
  const std::vector<bool> expected = {true, false, true};
  // A wizard that tells its whole selection at once, and one that can only
  // be asked entry by entry.
  for (const bool at_once : {true, false}) {
    wizard_.selection_at_once = at_once;
    wizard_.selection_reads = 0;
    entry_reads = 0;
    EXPECT_EQ(read_all(), expected);
    EXPECT_EQ(wizard_.selection_reads, 0) << "the user may change it between two reads";
    EXPECT_EQ(entry_reads, 3);

    host_.SetWizardEnabled(false);
    entry_reads = 0;
    EXPECT_EQ(read_all(), expected);
    EXPECT_EQ(read_all(), expected);
    EXPECT_EQ(wizard_.selection_reads, 1) << at_once;
    EXPECT_EQ(entry_reads, at_once ? 0 : 6) << at_once;

    host_.SetWizardEnabled(true);
    wizard_.entries[1].selected = true;
    EXPECT_TRUE(host_.IsEntrySelected(1)) << "given back, the wizard is read live again";
    wizard_.entries[1].selected = false;
  }
}

TEST_F(WindowsHostTest, ProgressWindowShowsTheRunsValuesAtMostOncePerRefreshSlice) {
  WindowsHost host(::GetModuleHandleW(nullptr), wizard_, abort_, &StoppedClock);
  host.LoadProgress();
  ProgressWindow& window = *host.progress();
  auto file_bar = [&] { return ProgressValue(window.control(kProgressFileBarId)); };
  auto count = [&] { return WindowTextOf(window.control(kProgressCountLabelId)); };

  // What the run sets before showing the window is there when it shows.
  host.SetCountCaption("Datei 1 von 2");
  host.SetFileCaption("");
  host.SetFileBar(0);
  host.SetTotalBar(0);
  host.SetTotalBarMax(2);
  host.ShowProgress();
  EXPECT_EQ(count(), "Datei 1 von 2");
  EXPECT_EQ(WindowTextOf(window.control(kProgressFileLabelId)), "");
  EXPECT_EQ(ProgressMax(window.control(kProgressTotalBarId)), 2);

  host.SetFileBar(40);
  PumpLines(host);
  g_now += kPumpSlice;
  PumpLines(host);
  EXPECT_EQ(file_bar(), 0) << "less than a refresh slice since the window was shown";
  g_now += kRefreshSlice;
  PumpLines(host);
  EXPECT_EQ(file_bar(), 40);

  // A message stands over the window as the run left it.
  host.SetFileBar(70);
  host.SetCountCaption("Datei 2 von 2");
  host.SetTotalBar(2);
  EXPECT_EQ(file_bar(), 40);
  {
    MessageBoxAnswerer answerer({BoxReply::Enter()});
    host.ShowMessage("Fehler: 53\r\nDatei nicht gefunden", mb::kOk, "");
    EXPECT_EQ(answerer.Seen().size(), 1u);
  }
  EXPECT_EQ(file_bar(), 70);
  EXPECT_EQ(count(), "Datei 2 von 2");
  EXPECT_EQ(ProgressValue(window.control(kProgressTotalBarId)), 2);

  // So does the window when the run gives the wizard back.
  host.SetFileBar(90);
  host.SetWizardEnabled(true);
  EXPECT_EQ(file_bar(), 90);

  // A new maximum reaches the total bar after the value set before it, as
  // without the delay: the bar held that value inside its old maximum.
  host.SetTotalBar(5);
  host.SetTotalBarMax(10);
  EXPECT_EQ(ProgressValue(window.control(kProgressTotalBarId)), 2);
  EXPECT_EQ(ProgressMax(window.control(kProgressTotalBarId)), 10);
  host.UnloadProgress();
}

TEST_F(WindowsHostTest, PumpGivesThePressedKeysOfTheProgressWindowTheirDialogMeaning) {
  // Every pump of this host looks at the queue.
  WindowsHost host(::GetModuleHandleW(nullptr), wizard_, abort_, &SlowClock);
  host.LoadProgress();
  host.ShowProgress();
  HWND button = host.progress()->control(kProgressAbortButtonId);

  struct Press {
    const char* name;
    WPARAM key;
    bool alt;
  };
  for (const Press& press : {Press{"Escape", VK_ESCAPE, false}, Press{"Enter", VK_RETURN, false},
                             Press{"Space", VK_SPACE, false}, Press{"Alt+F4", VK_F4, true}}) {
    ::SetFocus(button);
    MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonNo)});
    // Bit 29 of the key data says Alt is held.
    const LPARAM alt_bit = press.alt ? (1 << 29) : 0;
    ::PostMessageW(button, press.alt ? WM_SYSKEYDOWN : WM_KEYDOWN, press.key, 0x00000001 | alt_bit);
    ::PostMessageW(button, press.alt ? WM_SYSKEYUP : WM_KEYUP, press.key,
                   static_cast<LPARAM>(0xC0000001u) | alt_bit);
    PumpLines(host);
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u) << press.name;
    EXPECT_EQ(seen[0].prompt, "Wirklich abbrechen?") << press.name;
    EXPECT_EQ(abort_.value(), 0) << press.name << ": Nein changes nothing";
    PumpLines(host);
  }
  host.UnloadProgress();
}

// --- whole runs over files on disk ---

class AbortedRunTest : public WindowsHostTest {
 protected:
  void SetUp() override {
    WindowsHostTest::SetUp();
    for (const char* name : kForms) {
      const std::string stem = std::string(name).substr(0, std::string(name).size() - 4);
      originals_.push_back(xpconv::testing::ConvertibleForm(stem));
      dir_.WriteFile(name, originals_.back());
    }
    dir_.WriteFile("Kunden.vbp", xpconv::testing::ProjectText({kForms[0], kForms[1], kForms[2]}));
    wizard_.project_path = dir_.Path("Kunden.vbp");
    wizard_.project_folder = dir_.path();
    for (const char* name : kForms) wizard_.entries.push_back({name, true});
    fs_ = MakeNativeFileSystem();
  }

  void Run() {
    EngineContext ctx{host_, *fs_, abort_};
    RunConversion(ctx);
  }

  // Clicks "Abbrechen" the way a user does: the click waits in the queue
  // until the run's next pump handles it.
  void ClickAbortLater() {
    ASSERT_NE(host_.progress(), nullptr);
    ::PostMessageW(host_.progress()->control(kProgressAbortButtonId), BM_CLICK, 0, 0);
  }

  bool Converted(int index) const {
    const std::string now = dir_.ReadFile(kForms[index]);
    return now != originals_[index] && now.find("qorXPControls.qorFrame") != std::string::npos;
  }
  bool Untouched(int index) const { return dir_.ReadFile(kForms[index]) == originals_[index]; }

  static constexpr const char* kForms[3] = {"frmKunden.frm", "frmAuftrag.frm", "frmRechnung.frm"};
  TempDir dir_;
  std::vector<std::string> originals_;
  std::unique_ptr<FileSystem> fs_;
};

// What the run had shown when it gave the wizard back, and whether the
// progress window was up and owned by the wizard while the run went on.
struct RunView {
  bool shown_and_owned = false;
  std::string count_caption;
  int32_t total_bar = -1;
  int32_t total_max = -1;
};

void WatchRun(TestWizard& wizard, WindowsHost& host, RunView& view) {
  wizard.on_set_enabled = [&wizard, &host, &view](bool enabled) {
    ProgressWindow* progress = host.progress();
    ASSERT_NE(progress, nullptr) << "the wizard is enabled again before the window goes";
    if (!enabled) {
      view.shown_and_owned = ::IsWindowVisible(progress->hwnd()) &&
                             ::GetWindow(progress->hwnd(), GW_OWNER) == wizard.WizardWindow();
      return;
    }
    view.count_caption = WindowTextOf(progress->control(kProgressCountLabelId));
    view.total_bar = ProgressValue(progress->control(kProgressTotalBarId));
    view.total_max = ProgressMax(progress->control(kProgressTotalBarId));
  };
}

TEST_F(AbortedRunTest, JaWhileTheRunPumpsBeforeAFileStopsBeforeThatFile) {
  RunView view;
  WatchRun(wizard_, host_, view);
  // The run asks whether entry 2 is selected after file 1's job is done and
  // before its own pump for file 2: a click then is handled at the latest
  // in the pump of file 2's job before it opens the form.
  wizard_.on_entry_selected = [&](int16_t index) {
    if (index == 1) ClickAbortLater();
  };
  MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonYes), BoxReply::Enter()},
                              ui::kMessageBoxClass, std::chrono::seconds(3));
  Run();
  const std::vector<SeenBox> seen = answerer.Seen();

  ASSERT_EQ(seen.size(), 1u) << "the abort question, and no summary after it";
  EXPECT_EQ(seen[0].prompt, "Wirklich abbrechen?");
  EXPECT_EQ(seen[0].title, "Konverierung");
  EXPECT_TRUE(view.shown_and_owned);
  EXPECT_EQ(view.count_caption, "Datei 2 von 3");
  EXPECT_EQ(view.total_bar, 2);
  EXPECT_EQ(view.total_max, 3);
  EXPECT_TRUE(Converted(0));
  EXPECT_TRUE(Untouched(1));
  EXPECT_TRUE(Untouched(2));
  EXPECT_EQ(wizard_.enabled_calls, (std::vector<bool>{false, true}));
  EXPECT_TRUE(::IsWindowEnabled(wizard_.WizardWindow()));
  EXPECT_EQ(host_.progress(), nullptr);
  EXPECT_EQ(abort_.value(), -1);
}

TEST_F(AbortedRunTest, JaWhileAJobPumpsLeavesThatFormAsItWas) {
  RunView view;
  WatchRun(wizard_, host_, view);
  // Entry 2's text is read after the run's own pump: the click is handled
  // in the pumps of file 2's job.
  wizard_.on_entry_text = [&](int16_t index) {
    if (index == 1) ClickAbortLater();
  };
  MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonYes), BoxReply::Enter()},
                              ui::kMessageBoxClass, std::chrono::seconds(3));
  Run();
  const std::vector<SeenBox> seen = answerer.Seen();

  ASSERT_EQ(seen.size(), 1u) << "the abort question, and no summary after it";
  EXPECT_EQ(seen[0].prompt, "Wirklich abbrechen?");
  EXPECT_EQ(view.count_caption, "Datei 2 von 3");
  EXPECT_TRUE(Converted(0));
  EXPECT_TRUE(Untouched(1));
  EXPECT_TRUE(Untouched(2));
  EXPECT_FALSE(dir_.Exists("~form.tmp"));
  EXPECT_TRUE(::IsWindowEnabled(wizard_.WizardWindow()));
  EXPECT_EQ(host_.progress(), nullptr);
}

TEST_F(AbortedRunTest, NeinLetsTheRunGoOnToItsSummary) {
  RunView view;
  WatchRun(wizard_, host_, view);
  wizard_.on_entry_text = [&](int16_t index) {
    if (index == 1) ClickAbortLater();
  };
  MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonNo), BoxReply::Enter()});
  Run();
  const std::vector<SeenBox> seen = answerer.Seen();

  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].prompt, "Wirklich abbrechen?");
  EXPECT_EQ(seen[1].title, "Konvertierung erfolgreich");
  EXPECT_EQ(seen[1].prompt.rfind("3 Datei(en) wurde(n) aktualisiert.", 0), 0u) << seen[1].prompt;
  EXPECT_EQ(view.count_caption, "Datei 3 von 3");
  EXPECT_EQ(view.total_bar, 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Converted(i)) << kForms[i];
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dir_.ReadFile(std::string("_Backup\\") + kForms[i]), originals_[i]) << kForms[i];
  }
  EXPECT_EQ(abort_.value(), 0);
  EXPECT_EQ(host_.progress(), nullptr);
}

}  // namespace
}  // namespace xpconv::ui
