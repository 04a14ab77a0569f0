// A host that passes every operation on to another host. A host that changes
// only some operations of the one it wraps (the console program's preview,
// say) derives from it and overrides those alone.
#pragma once

#include <cstdint>
#include <string>

#include "engine/host.h"

namespace xpconv {

class ForwardingHost : public Host {
 public:
  // inner must outlive this object.
  explicit ForwardingHost(Host& inner) : inner_(inner) {}

  std::string ProjectPath() override { return inner_.ProjectPath(); }
  std::string ProjectFolder() override { return inner_.ProjectFolder(); }
  int32_t EntryCount() override { return inner_.EntryCount(); }
  int32_t SelectedCount() override { return inner_.SelectedCount(); }
  bool IsEntrySelected(int16_t index) override { return inner_.IsEntrySelected(index); }
  std::string EntryText(int16_t index) override { return inner_.EntryText(index); }
  int32_t BackupOption() override { return inner_.BackupOption(); }
  void SwitchBackupOn() override { inner_.SwitchBackupOn(); }
  void SetWizardEnabled(bool enabled) override { inner_.SetWizardEnabled(enabled); }
  int32_t ReplaceOption(int16_t kind) override { return inner_.ReplaceOption(kind); }
  int32_t XPStyleOption() override { return inner_.XPStyleOption(); }
  void LoadProgress() override { inner_.LoadProgress(); }
  void SetCountCaption(const std::string& text) override { inner_.SetCountCaption(text); }
  void SetFileCaption(const std::string& text) override { inner_.SetFileCaption(text); }
  void SetFileBar(int32_t value) override { inner_.SetFileBar(value); }
  void SetTotalBar(int32_t value) override { inner_.SetTotalBar(value); }
  void SetTotalBarMax(int32_t value) override { inner_.SetTotalBarMax(value); }
  void ShowProgress() override { inner_.ShowProgress(); }
  void UnloadProgress() override { inner_.UnloadProgress(); }
  int32_t ShowMessage(const std::string& prompt, int32_t buttons,
                      const std::string& title) override {
    return inner_.ShowMessage(prompt, buttons, title);
  }
  void PumpMessages() override { inner_.PumpMessages(); }

 private:
  Host& inner_;
};

}  // namespace xpconv
