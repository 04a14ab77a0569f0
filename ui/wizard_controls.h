// The wizard window's controls as the engine sees them: every operation of
// WizardOperations, answered live from the controls (the path box, the list,
// the check boxes) and from the project the window loaded. The wizard window
// (wizard_window.h) derives from it: it creates, fills and lays out the
// controls and keeps the loaded project here; this class finds the controls
// and reads and sets them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/project_file.h"
#include "ui/wizard_operations.h"

namespace xpconv::ui {

class WizardControls : public WizardOperations {
 public:
  // The control of that id (wizard_ids.h), also inside the frame and the
  // header band; nullptr before the window exists.
  HWND control(int id) const;
  // chkReplace(kind), 0..3.
  HWND replace_box(int kind) const;

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
  std::optional<std::vector<bool>> Selection() override;

 protected:
  // The loaded project's folder, and its entries as the project file holds
  // them (kind and ANSI text); the list shows the texts converted for
  // display.
  std::string project_folder_;
  std::vector<ProjectEntry> entries_;
};

}  // namespace xpconv::ui
