#include "tests/support/recording_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace xpconv::testing {

std::string ToString(const HostCall& call) {
  std::string out = call.op + "(";
  for (size_t i = 0; i < call.args.size(); ++i) {
    if (i > 0) out += ", ";
    out += call.args[i];
  }
  return out + ")";
}

std::string ToString(const std::vector<HostCall>& calls) {
  std::string out;
  for (const auto& call : calls) out += ToString(call) + "\n";
  return out;
}

void RecordingHost::SetEntries(const std::vector<std::string>& texts) {
  entries.clear();
  for (const auto& text : texts) entries.push_back({text, false});
}

std::vector<HostCall> RecordingHost::CallsOf(std::initializer_list<std::string> ops) const {
  std::vector<HostCall> out;
  for (const auto& call : calls) {
    if (std::find(ops.begin(), ops.end(), call.op) != ops.end()) out.push_back(call);
  }
  return out;
}

void RecordingHost::Record(std::string op, std::vector<std::string> args) {
  calls.push_back({std::move(op), std::move(args)});
}

std::string RecordingHost::ProjectPath() {
  Record("ProjectPath");
  return project_path;
}

std::string RecordingHost::ProjectFolder() {
  Record("ProjectFolder");
  return project_folder;
}

int32_t RecordingHost::EntryCount() {
  Record("EntryCount");
  return static_cast<int32_t>(entries.size());
}

int32_t RecordingHost::SelectedCount() {
  Record("SelectedCount");
  return static_cast<int32_t>(
      std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.selected; }));
}

bool RecordingHost::IsEntrySelected(int16_t index) {
  Record("IsEntrySelected", {std::to_string(index)});
  return entries.at(static_cast<size_t>(index)).selected;
}

std::string RecordingHost::EntryText(int16_t index) {
  Record("EntryText", {std::to_string(index)});
  return entries.at(static_cast<size_t>(index)).text;
}

int32_t RecordingHost::BackupOption() {
  Record("BackupOption");
  return backup;
}

void RecordingHost::SwitchBackupOn() {
  Record("SwitchBackupOn");
  backup = 1;
}

void RecordingHost::SetWizardEnabled(bool enabled) {
  Record("SetWizardEnabled", {enabled ? "true" : "false"});
  wizard_enabled = enabled;
}

int32_t RecordingHost::ReplaceOption(int16_t kind) {
  Record("ReplaceOption", {std::to_string(kind)});
  return replace.at(static_cast<size_t>(kind));
}

int32_t RecordingHost::XPStyleOption() {
  Record("XPStyleOption");
  return xp_style;
}

void RecordingHost::LoadProgress() {
  Record("LoadProgress");
  EXPECT_FALSE(progress_loaded) << "LoadProgress while the window is loaded";
  progress_loaded = true;
  progress_shown = false;
  count_caption = "Datei 1 von 100";
  file_caption = "lblFile";
  file_bar = 0;
  total_bar = 0;
  total_bar_max = 100;
}

void RecordingHost::SetCountCaption(const std::string& text) {
  Record("SetCountCaption", {text});
  EXPECT_TRUE(progress_loaded) << "SetCountCaption without a progress window";
  count_caption = text;
}

void RecordingHost::SetFileCaption(const std::string& text) {
  Record("SetFileCaption", {text});
  file_caption = text;
}

void RecordingHost::SetFileBar(int32_t value) {
  Record("SetFileBar", {std::to_string(value)});
  file_bar = value;
}

void RecordingHost::SetTotalBar(int32_t value) {
  Record("SetTotalBar", {std::to_string(value)});
  total_bar = value;
}

void RecordingHost::SetTotalBarMax(int32_t value) {
  Record("SetTotalBarMax", {std::to_string(value)});
  total_bar_max = value;
}

void RecordingHost::ShowProgress() {
  Record("ShowProgress");
  EXPECT_TRUE(progress_loaded) << "ShowProgress without LoadProgress";
  progress_shown = true;
}

void RecordingHost::UnloadProgress() {
  Record("UnloadProgress");
  progress_loaded = false;
  progress_shown = false;
}

int32_t RecordingHost::ShowMessage(const std::string& prompt, int32_t buttons,
                                   const std::string& title) {
  Record("ShowMessage", {prompt, std::to_string(buttons), title});
  messages.push_back({prompt, buttons, title});
  if (!answers.empty()) {
    const int32_t answer = answers.front();
    answers.pop_front();
    return answer;
  }
  if (buttons == mb::kOk || buttons == mb::kOkInformation) return mb::kAnswerOk;
  ADD_FAILURE() << "unexpected question: " << prompt;
  return mb::kAnswerCancel;
}

void RecordingHost::PumpMessages() {
  Record("PumpMessages");
  ++pumps;
  if (on_pump) on_pump(pumps);
}

}  // namespace xpconv::testing
