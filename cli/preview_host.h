// The host of a dry run: every operation goes on to the console host, but
// nothing is asked and no error box is printed. A question is answered as
// --yes or the next --answer says, and otherwise with Ja, the answer that
// lets the run go on, and noted, so the preview can say which questions a
// real run would ask. Error boxes and the summary are taken note of; the
// preview shows them in its own words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/console_host.h"
#include "engine/host.h"

namespace xpconv::cli {

class PreviewHost : public Host {
 public:
  struct Question {
    std::string prompt;     // UTF-8, as the box would show it
    int32_t answer = 0;     // mb::kAnswer...
    bool scripted = false;  // from --yes or --answer rather than assumed
  };

  // inner is the host chain to forward to (the console host, or a trace
  // around it); console gives the scripted answers.
  PreviewHost(Host& inner, ConsoleHost& console) : inner_(inner), console_(console) {}

  const std::vector<Question>& questions() const { return questions_; }
  bool summary_shown() const { return summary_shown_; }

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
                      const std::string& title) override;
  void PumpMessages() override { inner_.PumpMessages(); }

 private:
  Host& inner_;
  ConsoleHost& console_;
  std::vector<Question> questions_;
  bool summary_shown_ = false;
};

}  // namespace xpconv::cli
