#include "ui/wizard_controls.h"

#include <string>

#include "engine/error.h"
#include "ui/controls/check_box.h"
#include "ui/win32/text_conversion.h"
#include "ui/win32/window.h"
#include "ui/wizard_ids.h"

namespace xpconv::ui {

HWND WizardControls::control(int id) const {
  HWND window = WizardWindow();
  if (window == nullptr) return nullptr;
  if (HWND direct = ::GetDlgItem(window, id)) return direct;
  for (int container : {kIdFrame, kIdHeader}) {
    HWND parent = ::GetDlgItem(window, container);
    if (parent == nullptr) continue;
    if (HWND inner = ::GetDlgItem(parent, id)) return inner;
  }
  return nullptr;
}

HWND WizardControls::replace_box(int kind) const {
  return control(kIdReplaceFirst + kind);
}

std::string WizardControls::ProjectPath() {
  return Utf8ToAnsi(WideToUtf8(WindowText(control(kIdProject))));
}

std::string WizardControls::ProjectFolder() {
  return project_folder_;
}

int32_t WizardControls::EntryCount() {
  return static_cast<int32_t>(::SendMessageW(control(kIdList), LB_GETCOUNT, 0, 0));
}

int32_t WizardControls::SelectedCount() {
  const LRESULT count = ::SendMessageW(control(kIdList), LB_GETSELCOUNT, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int32_t>(count);
}

bool WizardControls::IsEntrySelected(int16_t index) {
  return ::SendMessageW(control(kIdList), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

std::optional<std::vector<bool>> WizardControls::Selection() {
  // Three messages for the whole list instead of one per entry.
  HWND list = control(kIdList);
  const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
  const LRESULT selected = ::SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  if (count == LB_ERR || selected == LB_ERR) return std::nullopt;
  std::vector<int> indices(static_cast<size_t>(selected));
  if (selected > 0 && ::SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(selected),
                                     reinterpret_cast<LPARAM>(indices.data())) != selected) {
    return std::nullopt;
  }
  std::vector<bool> selection(static_cast<size_t>(count), false);
  for (int index : indices) {
    if (index >= 0 && index < count) selection[static_cast<size_t>(index)] = true;
  }
  return selection;
}

std::string WizardControls::EntryText(int16_t index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
    throw VbError(381, "Ungültiger Eigenschaftenarray-Index");
  }
  return entries_[static_cast<size_t>(index)].text;
}

int32_t WizardControls::BackupOption() {
  return CheckValue(control(kIdBackup));
}

void WizardControls::SwitchBackupOn() {
  CheckSetValue(control(kIdBackup), 1);
}

void WizardControls::SetWizardEnabled(bool enabled) {
  ::EnableWindow(WizardWindow(), enabled);
}

int32_t WizardControls::ReplaceOption(int16_t kind) {
  if (kind < 0 || kind >= kReplaceKinds) {
    throw VbError(340, "Steuerelementfeld-Element '" + std::to_string(kind) + "' existiert nicht");
  }
  return CheckValue(replace_box(kind));
}

int32_t WizardControls::XPStyleOption() {
  return CheckValue(control(kIdXPStyle));
}

}  // namespace xpconv::ui
