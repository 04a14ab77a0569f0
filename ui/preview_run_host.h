// The host of the wizard's preview run: the run goes to the Windows host as
// a real run does (the wizard's list and options, the wizard disabled, the
// message pump), with these differences, so that it asks nothing and
// changes nothing, in the wizard either:
//  - every question is answered Ja, the answer that lets a run go on, and
//    noted; the preview window lists the questions a run would ask;
//  - "Ja" to the backup question switches backups on for the preview only;
//    the wizard's box stays as the user left it;
//  - the run's error boxes and its summary are noted, not shown (the run
//    observer records the errors, the preview window shows them);
//  - the progress window comes up only once the preview has taken longer
//    than a moment; until then the busy pointer shows.
// A message that ends the run before it starts (nothing selected, a project
// another command holds) is shown as the run shows it.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/host.h"
#include "ui/windows_host.h"

namespace xpconv::ui {

// How long a preview runs before its progress window shows.
inline constexpr std::chrono::milliseconds kPreviewProgressDelay{400};

class PreviewRunHost final : public Host {
 public:
  // inner outlives this host.
  explicit PreviewRunHost(Host& inner, HostClock clock = &SystemTicks);

  // The questions the run asked (UTF-8, as the box would show them).
  const std::vector<std::string>& questions() const { return questions_; }
  bool summary_shown() const { return summary_shown_; }
  // A message other than a question, an error or the summary was shown.
  bool stopped_by_message() const { return stopped_by_message_; }
  // The progress window was brought up.
  bool progress_shown() const { return shown_; }

  std::string ProjectPath() override { return inner_.ProjectPath(); }
  std::string ProjectFolder() override { return inner_.ProjectFolder(); }
  int32_t EntryCount() override { return inner_.EntryCount(); }
  int32_t SelectedCount() override { return inner_.SelectedCount(); }
  bool IsEntrySelected(int16_t index) override { return inner_.IsEntrySelected(index); }
  std::string EntryText(int16_t index) override { return inner_.EntryText(index); }
  int32_t BackupOption() override { return backup_switched_on_ ? 1 : inner_.BackupOption(); }
  void SwitchBackupOn() override { backup_switched_on_ = true; }
  void SetWizardEnabled(bool enabled) override { inner_.SetWizardEnabled(enabled); }
  int32_t ReplaceOption(int16_t kind) override { return inner_.ReplaceOption(kind); }
  int32_t XPStyleOption() override { return inner_.XPStyleOption(); }

  void LoadProgress() override;
  void SetCountCaption(const std::string& text) override;
  void SetFileCaption(const std::string& text) override;
  void SetFileBar(int32_t value) override;
  void SetTotalBar(int32_t value) override;
  void SetTotalBarMax(int32_t value) override;
  void ShowProgress() override;
  void UnloadProgress() override;

  int32_t ShowMessage(const std::string& prompt, int32_t buttons,
                      const std::string& title) override;
  void PumpMessages() override;

 private:
  // Brings the progress window up with everything the run set so far, once
  // the run asked for it and the delay has passed.
  void ShowWhenDue();

  Host& inner_;
  HostClock clock_;
  std::vector<std::string> questions_;
  bool summary_shown_ = false;
  bool stopped_by_message_ = false;
  bool backup_switched_on_ = false;

  // The progress window as the run sees it, and as it shows.
  bool loaded_ = false;
  bool show_wanted_ = false;
  bool shown_ = false;
  std::chrono::milliseconds loaded_at_{};
  int pumps_since_clock_read_ = 0;
  std::optional<std::string> count_caption_;
  std::optional<std::string> file_caption_;
  std::optional<int32_t> file_bar_;
  std::optional<int32_t> total_bar_;
  std::optional<int32_t> total_bar_max_;
};

}  // namespace xpconv::ui
