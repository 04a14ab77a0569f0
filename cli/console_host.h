// The host of xpconvert: the wizard window's state comes from the command
// line, the progress window is one line on stderr, message boxes are text and
// questions are answered on the terminal, from --answer/--yes, or by rule.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/terminal.h"
#include "engine/host.h"

namespace xpconv::cli {

struct ConsoleSettings {
  std::string project_path;    // engine form, ANSI bytes
  std::string project_folder;  // ends in "\" or is empty
  std::vector<std::string> entries;
  std::vector<bool> selected;  // one flag per entry
  std::array<int32_t, 4> replace{1, 1, 1, 1};
  int32_t xp_style = 1;
  int32_t backup = 1;
  bool yes = false;
  std::deque<Answer> answers;
  // With a trace on stdout, reports (the summary) go to stderr instead.
  bool reports_to_stderr = false;
};

// The progress window's contents, as one line of text.
struct ProgressView {
  std::string count_caption;
  std::string file_caption;
  int32_t file_bar = 0;
  int32_t total_bar = 0;
  int32_t total_bar_max = 100;
  // Off for `form`, which has no count and no overall bar.
  bool with_total = true;
};

std::string RenderProgressLine(const ProgressView& view);

class ConsoleHost : public Host {
 public:
  ConsoleHost(ConsoleSettings settings, std::istream& in, std::ostream& out, std::ostream& err,
              Terminal& terminal, AbortFlag& abort);
  ~ConsoleHost() override;

  // `form` converts without LoadProgress/ShowProgress: this shows the file
  // name and the per-file bar on their own.
  void ShowFileProgressOnly();
  // Takes the progress line off the terminal, so other output starts on a
  // clean line.
  void ClearProgressLine();
  // True once the summary (the information box) has been shown.
  bool summary_reported() const { return summary_reported_; }
  // True once the abort question was answered with Ja.
  bool user_aborted() const { return user_aborted_; }
  // The current value of chkBackup, SwitchBackupOn included.
  int32_t backup() const { return settings_.backup; }
  // The answer --yes or the next --answer gives a question (taking it), or
  // 0 when none is scripted.
  int32_t TakeScriptedAnswer(bool has_cancel);
  // The --answer values no question has taken yet, for the next project.
  std::deque<Answer> TakeRemainingAnswers();

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
  // Ctrl+C since the last pump asks "Wirklich abbrechen?"; Ja raises the
  // abort flag.
  void PumpMessages() override;

 private:
  int32_t Ask(const std::string& prompt, int32_t buttons, const std::string& title,
              bool abort_question);
  int32_t AnswerFromTerminal(bool has_cancel, bool abort_question);
  void Redraw();

  ConsoleSettings settings_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  Terminal& terminal_;
  AbortFlag& abort_;
  const bool draw_progress_;

  ProgressView view_;
  bool progress_shown_ = false;
  size_t drawn_width_ = 0;  // columns of the progress line on the terminal
  bool summary_reported_ = false;
  bool user_aborted_ = false;
};

}  // namespace xpconv::cli
