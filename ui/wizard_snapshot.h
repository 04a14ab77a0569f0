// The wizard as a run holds it: while the run keeps the window disabled the
// user can change nothing in it, but the run asks for the options for every
// form and for the selection of every entry, and each of those reads is a
// message to a control (under Wine a round trip to the Wine server). So each
// is read from the wizard once, when the run first asks, and then answered
// from here. The one change the run makes itself, SwitchBackupOn, goes to
// the wizard and is read back afresh. The Windows host keeps one snapshot
// from SetWizardEnabled(false) to SetWizardEnabled(true).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/wizard_operations.h"

namespace xpconv::ui {

class WizardSnapshot {
 public:
  // The wizard is owned by the caller and outlives the snapshot.
  explicit WizardSnapshot(WizardOperations& wizard) : wizard_(wizard) {}

  bool IsEntrySelected(int16_t index);
  int32_t BackupOption();
  void SwitchBackupOn();
  int32_t ReplaceOption(int16_t kind);
  int32_t XPStyleOption();

 private:
  WizardOperations& wizard_;
  // The selection, once asked for: the wizard's answer to Selection(), which
  // is nothing when it can only answer entry by entry (asked live then).
  std::optional<std::optional<std::vector<bool>>> selection_;
  std::optional<int32_t> backup_;
  std::optional<int32_t> xp_style_;
  std::optional<int32_t> replace_[4];
};

}  // namespace xpconv::ui
