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
//    it last did, and always at the first pump after a new file was named
//    (SetCountCaption, SetFileCaption) or the window was shown. A click on
//    "Abbrechen" therefore waits at most a slice (with the system's tick
//    count, one tick of about 16 ms) before its question comes up, and a
//    file the user stopped the run before is not touched.
//  - While the run holds the wizard disabled, its options change only
//    through SwitchBackupOn: each is read from its check box once and then
//    answered from memory (the run asks for them for every form).
//  - The setters only note what the window should show; the window is
//    brought up to date at most once per refresh slice (about 30 times a
//    second: painting our bars costs a few milliseconds under Wine) at a
//    pump that looks at the queue, which also paints it, and whenever the
//    run shows it, asks a question or gives the wizard back.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/host.h"
#include "ui/win32_util.h"

namespace xpconv::ui {

class ProgressWindow;

// What the wizard window offers the engine; implemented by the wizard window
// and by tests.
class WizardOperations {
 public:
  virtual ~WizardOperations() = default;
  virtual HWND WizardWindow() = 0;  // owner of the progress window
  virtual std::string ProjectPath() = 0;
  virtual std::string ProjectFolder() = 0;
  virtual int32_t EntryCount() = 0;
  virtual int32_t SelectedCount() = 0;
  virtual bool IsEntrySelected(int16_t index) = 0;
  virtual std::string EntryText(int16_t index) = 0;
  virtual int32_t BackupOption() = 0;
  virtual void SwitchBackupOn() = 0;
  virtual void SetWizardEnabled(bool enabled) = 0;
  virtual int32_t ReplaceOption(int16_t kind) = 0;
  virtual int32_t XPStyleOption() = 0;
};

// The time a run goes on without looking at the message queue, and the
// shortest time between two updates of the progress window (two ticks).
inline constexpr std::chrono::milliseconds kPumpSlice{5};
inline constexpr std::chrono::milliseconds kRefreshSlice{30};

// A monotonic clock in milliseconds, read at every pump. The default is the
// system's tick count (GetTickCount64): a read of memory the system keeps up
// to date, where a high-resolution clock costs a system call (about 0.2 µs
// under Wine, a fifth of a line's whole work). It advances in steps of about
// 16 ms, so in practice a run looks at the queue about 60 times a second.
// Tests pass their own.
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

  // The options as read while the wizard is held disabled.
  struct HeldOptions {
    std::optional<int32_t> backup;
    std::optional<int32_t> xp_style;
    std::optional<int32_t> replace[4];
  };

  // Brings the progress window up to date with what the run asked for.
  void RefreshProgress();
  // Handles every waiting message (at most kMostMessagesPerPump).
  void DrainQueue();

  HINSTANCE instance_;
  WizardOperations& wizard_;
  AbortFlag& abort_;
  HostClock clock_;
  std::unique_ptr<ProgressWindow> progress_;
  PendingView pending_;
  bool wizard_held_ = false;  // SetWizardEnabled(false) until (true)
  HeldOptions held_;
  bool pump_due_ = true;  // the next PumpMessages looks at the queue
  std::chrono::milliseconds last_pump_{};
  std::chrono::milliseconds last_refresh_{};
};

}  // namespace xpconv::ui
