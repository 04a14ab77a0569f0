// The engine's host on Windows: the wizard's operations come from the wizard
// window, the progress operations act on the progress window this host owns
// between LoadProgress and UnloadProgress, questions go to our message box,
// and PumpMessages drains the thread's message queue.
#pragma once

#include <cstdint>
#include <memory>
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

class WindowsHost final : public Host {
 public:
  // The wizard and the abort flag are owned by the caller and outlive the host.
  WindowsHost(HINSTANCE instance, WizardOperations& wizard, AbortFlag& abort);
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
  HINSTANCE instance_;
  WizardOperations& wizard_;
  AbortFlag& abort_;
  std::unique_ptr<ProgressWindow> progress_;
};

}  // namespace xpconv::ui
