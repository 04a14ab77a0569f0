#include "ui/wizard_snapshot.h"

namespace xpconv::ui {

namespace {

// The value held in slot, read through read the first time.
template <typename Read>
int32_t HeldOrRead(std::optional<int32_t>& slot, Read read) {
  if (!slot) slot = read();
  return *slot;
}

}  // namespace

bool WizardSnapshot::IsEntrySelected(int16_t index) {
  if (!selection_) selection_ = wizard_.Selection();
  const std::optional<std::vector<bool>>& selection = *selection_;
  if (selection && index >= 0 && static_cast<size_t>(index) < selection->size()) {
    return (*selection)[static_cast<size_t>(index)];
  }
  return wizard_.IsEntrySelected(index);
}

int32_t WizardSnapshot::BackupOption() {
  return HeldOrRead(backup_, [this] { return wizard_.BackupOption(); });
}

void WizardSnapshot::SwitchBackupOn() {
  backup_.reset();
  wizard_.SwitchBackupOn();
}

int32_t WizardSnapshot::ReplaceOption(int16_t kind) {
  // A kind outside 0..3 is the wizard's to refuse.
  if (kind < 0 || kind >= 4) return wizard_.ReplaceOption(kind);
  return HeldOrRead(replace_[kind], [this, kind] { return wizard_.ReplaceOption(kind); });
}

int32_t WizardSnapshot::XPStyleOption() {
  return HeldOrRead(xp_style_, [this] { return wizard_.XPStyleOption(); });
}

}  // namespace xpconv::ui
