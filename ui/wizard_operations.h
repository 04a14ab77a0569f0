// The wizard's part of a run: what the wizard window offers the engine (the
// project, the list, the options, taking input away while a run goes on),
// which the Windows host passes on. Implemented by the wizard window (see
// wizard_controls.h) and by tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xpconv::ui {

class WizardOperations {
 public:
  WizardOperations() = default;
  WizardOperations(const WizardOperations&) = delete;
  WizardOperations& operator=(const WizardOperations&) = delete;
  virtual ~WizardOperations() = default;

  // The window the progress window belongs to.
  virtual HWND WizardWindow() const = 0;

  // As the engine's host operations of the same names (engine/host.h).
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

  // Whether each entry is selected, read in one go (for WizardSnapshot);
  // nothing when the selection can only be asked entry by entry.
  virtual std::optional<std::vector<bool>> Selection() = 0;
};

}  // namespace xpconv::ui
