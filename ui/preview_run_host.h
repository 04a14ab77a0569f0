// The host of the wizard's preview run: the run goes to the Windows host as
// a real run does (the wizard's list and options, the wizard disabled, the
// message pump), with these differences, so that it asks nothing and
// changes nothing, in the wizard either:
//  - every question is answered Ja, the answer that lets a run go on, and
//    noted; the preview window lists the questions a run would ask;
//  - "Ja" to the backup question switches backups on for the preview only;
//    the wizard's box stays as the user left it;
//  - the run's error boxes and its summary are noted, not shown (the run's
//    record holds the errors, the preview window shows them);
//  - the progress window comes up only once the preview has taken longer
//    than a moment; until then the busy pointer shows.
// A message that ends the run before it starts (nothing selected, a project
// another command holds) is shown as the run shows it.
//
// It is also the run's observer: it passes every report on to the observer
// it is given (the run's record) and learns from the run which box is an
// error box.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/forwarding_host.h"
#include "engine/run_observer.h"
#include "ui/windows_host.h"

namespace xpconv::ui {

// How long a preview runs before its progress window shows.
inline constexpr std::chrono::milliseconds kPreviewProgressDelay{400};

class PreviewRunHost final : public ForwardingHost, public ForwardingObserver {
 public:
  // inner and observer outlive this host.
  PreviewRunHost(Host& inner, RunObserver& observer, HostClock clock = &SystemTicks)
      : ForwardingHost(inner), ForwardingObserver(observer), clock_(clock) {}

  // The questions the run asked (UTF-8, as the box would show them).
  const std::vector<std::string>& questions() const { return questions_; }
  bool summary_shown() const { return summary_shown_; }
  // A message other than a question, an error or the summary was shown.
  bool stopped_by_message() const { return stopped_by_message_; }

  // --- the host: what the preview changes ---
  int32_t BackupOption() override {
    return backup_switched_on_ ? 1 : ForwardingHost::BackupOption();
  }
  void SwitchBackupOn() override { backup_switched_on_ = true; }
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

  // --- the observer: everything passed on (ForwardingObserver); besides,
  // the next box is the run's error box.
  void ShowingError(int32_t number, const std::string& text) override {
    ForwardingObserver::ShowingError(number, text);
    error_box_next_ = true;
  }

 private:
  // Brings the progress window up with everything the run set so far, once
  // the run asked for it and the delay has passed.
  void ShowWhenDue();

  HostClock clock_;
  std::vector<std::string> questions_;
  bool summary_shown_ = false;
  bool stopped_by_message_ = false;
  bool error_box_next_ = false;
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
