// A host for tests: it plays the wizard window (project, list, selection and
// options are plain fields), records every call with its arguments in order,
// and answers questions from a script.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/host.h"

namespace xpconv::testing {

struct HostCall {
  std::string op;
  std::vector<std::string> args;  // numbers in decimal, texts as they were
  bool operator==(const HostCall&) const = default;
};

// Renders one call as `op(arg, arg)`, for readable test failures.
std::string ToString(const HostCall& call);
std::string ToString(const std::vector<HostCall>& calls);

class RecordingHost : public Host {
 public:
  struct Entry {
    std::string text;
    bool selected = false;
  };

  // --- the wizard's state, set by the test ---
  std::string project_path;
  std::string project_folder;
  std::vector<Entry> entries;
  std::array<int32_t, 4> replace{1, 1, 1, 1};
  int32_t xp_style = 1;
  int32_t backup = 1;
  bool wizard_enabled = true;

  // --- what the progress window shows ---
  bool progress_loaded = false;
  bool progress_shown = false;
  std::string count_caption;
  std::string file_caption;
  int32_t file_bar = 0;
  int32_t total_bar = 0;
  int32_t total_bar_max = 100;

  // Answers for ShowMessage, taken in order. With none left a box is
  // answered with OK (buttons 0 and 64) and otherwise fails the test.
  std::deque<int32_t> answers;
  // Called inside every PumpMessages with the number of that pump (from 1),
  // so a test can "click" the abort button at a chosen point.
  std::function<void(int)> on_pump;

  // Every call in order, and the messages alone.
  std::vector<HostCall> calls;
  struct Message {
    std::string prompt;
    int32_t buttons;
    std::string title;
    bool operator==(const Message&) const = default;
  };
  std::vector<Message> messages;
  int pumps = 0;

  // Adds entries with the given texts, none selected.
  void SetEntries(const std::vector<std::string>& texts);
  // The calls whose op is one of ops, in order.
  std::vector<HostCall> CallsOf(std::initializer_list<std::string> ops) const;

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
  int32_t ShowMessage(const std::string& prompt, int32_t buttons, const std::string& title) override;
  void PumpMessages() override;

 private:
  void Record(std::string op, std::vector<std::string> args = {});
};

}  // namespace xpconv::testing
