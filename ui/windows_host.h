// The engine's host on Windows: the wizard's operations come from the wizard
// window, the progress operations act on the progress window this host owns
// between LoadProgress and UnloadProgress, questions go to our message box,
// and PumpMessages drains the thread's message queue.
//
// Speed: a run calls PumpMessages and SetFileBar for every line of a form.
// Each look at the queue costs a system call (under Wine a round trip to the
// Wine server), and so does every change of a caption or bar, so the host
// answers most of these calls from memory:
//  - PumpMessages looks at the queue only once a pump slice has passed since
//    it last did, and always at the first pump after the window was shown or
//    a form's job named its file (SetFileCaption). A click on "Abbrechen"
//    therefore waits at most a slice (15 ms) before its question comes up,
//    and a form the user stopped the run before is not opened. The clock
//    itself is read at every 16th pump only: a pump follows the last one a
//    line later.
//  - While the run holds the wizard disabled, the options and the selection
//    are answered from one WizardSnapshot (wizard_snapshot.h): each is read
//    from the wizard once (the run asks for them for every form).
//  - The setters only note what the window should show; the window is
//    brought up to date at most once per refresh slice (20 times a second:
//    setting a caption and painting the window cost a few milliseconds
//    under Wine) at a pump that looks at the queue, which also paints it,
//    and whenever the run shows it, asks a question or gives the wizard back.
//  - Between the engine's calls (a large form being flushed to disk and
//    renamed, see ResponsiveFileSystem) KeepResponsive answers the windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/host.h"
#include "ui/wizard_operations.h"
#include "ui/wizard_snapshot.h"

namespace xpconv::ui {

class ProgressWindow;

// The time a run goes on without looking at the message queue, the shortest
// time between two updates of the progress window, and how many pumps pass
// between two reads of the clock.
// Under Wine a look at the queue costs about 0.1 ms (a round trip to the
// Wine server, and the paint work it brings), an update of the window about
// 2 ms (captions, bars and their painting), a read of the clock 0.2 µs.
// The window still answers well within 100 ms.
inline constexpr std::chrono::milliseconds kPumpSlice{15};
inline constexpr std::chrono::milliseconds kRefreshSlice{50};
inline constexpr int kPumpsPerClockRead = 16;

// A monotonic clock in milliseconds, read at the pumps. The default is the
// system's tick count (GetTickCount64): a read of memory the system keeps up
// to date, where a high-resolution clock costs a system call (about 0.2 µs
// under Wine, a fifth of a line's whole work). It advances in steps of about
// 16 ms on Windows and of 1 ms under Wine, so a run looks at the queue about
// 60 times a second on both. Tests pass their own.
using HostClock = std::chrono::milliseconds (*)();
std::chrono::milliseconds SystemTicks();

class WindowsHost final : public Host {
 public:
  // The wizard and the abort flag are owned by the caller and outlive the host.
  WindowsHost(HINSTANCE instance, WizardOperations& wizard, AbortFlag& abort,
              HostClock clock = &SystemTicks);
  ~WindowsHost() override;

  // --- forwarded to the wizard ---
  std::string ProjectPath() override;
  std::string ProjectFolder() override;
  int32_t EntryCount() override;
  int32_t SelectedCount() override;
  bool IsEntrySelected(int16_t index) override;
  std::string EntryText(int16_t index) override;
  int32_t BackupOption() override;
  void SwitchBackupOn() override;
  void SetWizardEnabled(bool enabled) override;
  int32_t ReplaceOption(int16_t kind) override;
  int32_t XPStyleOption() override;

  // --- the progress window ---
  void LoadProgress() override;
  void SetCountCaption(const std::string& text) override;
  void SetFileCaption(const std::string& text) override;
  void SetFileBar(int32_t value) override;
  void SetTotalBar(int32_t value) override;
  void SetTotalBarMax(int32_t value) override;
  void ShowProgress() override;
  void UnloadProgress() override;

  // --- message box and message pump ---
  int32_t ShowMessage(const std::string& prompt, int32_t buttons,
                      const std::string& title) override;
  void PumpMessages() override;

  // Answers the windows while the engine waits for something that is not a
  // host call (a long file operation on another thread): brings the progress
  // window up to date when a refresh is due and handles every waiting
  // message, the abort question included. Not an engine call: the run's
  // conversation with the host is the same with or without it. False once
  // it met the program's quit request, which it leaves for the program's
  // own message loop: looking again would only meet it again.
  bool KeepResponsive();

  // For tests; null when not loaded.
  ProgressWindow* progress() const { return progress_.get(); }

 private:
  // What the run asked the progress window to show since its last update.
  struct PendingView {
    std::optional<std::string> count_caption;
    std::optional<std::string> file_caption;
    std::optional<int32_t> file_bar;
    std::optional<int32_t> total_bar;
  };

  // Brings the progress window up to date with what the run asked for.
  void RefreshProgress();
  // Handles every waiting message (at most kMostMessagesPerPump); false when
  // it stopped at the quit request.
  bool DrainQueue();

  HINSTANCE instance_;
  WizardOperations& wizard_;
  AbortFlag& abort_;
  HostClock clock_;
  std::unique_ptr<ProgressWindow> progress_;
  PendingView pending_;
  // The wizard as the run holds it: from SetWizardEnabled(false) until (true).
  std::optional<WizardSnapshot> held_;
  bool pump_due_ = true;  // the next PumpMessages looks at the queue
  int pumps_since_clock_read_ = 0;
  std::chrono::milliseconds last_pump_{};
  std::chrono::milliseconds last_refresh_{};
};

}  // namespace xpconv::ui
