#include "cli/trace_host.h"

#include <ostream>

#include "engine/json.h"

namespace xpconv::cli {
namespace {

std::string Number(int64_t value) {
  return std::to_string(value);
}
std::string Bool(bool value) {
  return value ? "true" : "false";
}

}  // namespace

TraceHost::TraceHost(Host& inner, FileSystem& fs, std::ostream& out)
    : inner_(inner), fs_(fs), out_(out) {}

void TraceHost::Write(std::string_view op, std::string_view args, std::string_view result) {
  out_ << "{\"op\":\"" << op << "\",\"args\":[" << args << ']';
  if (!result.empty()) out_ << ",\"result\":" << result;
  out_ << "}\n";
}

std::string TraceHost::Ansi(const std::string& text) {
  return JsonString(fs_.ToDisplayText(text));
}

std::string TraceHost::ProjectPath() {
  std::string result = inner_.ProjectPath();
  Write("ProjectPath", "", Ansi(result));
  return result;
}

std::string TraceHost::ProjectFolder() {
  std::string result = inner_.ProjectFolder();
  Write("ProjectFolder", "", Ansi(result));
  return result;
}

int32_t TraceHost::EntryCount() {
  const int32_t result = inner_.EntryCount();
  Write("EntryCount", "", Number(result));
  return result;
}

int32_t TraceHost::SelectedCount() {
  const int32_t result = inner_.SelectedCount();
  Write("SelectedCount", "", Number(result));
  return result;
}

bool TraceHost::IsEntrySelected(int16_t index) {
  const bool result = inner_.IsEntrySelected(index);
  Write("IsEntrySelected", Number(index), Bool(result));
  return result;
}

std::string TraceHost::EntryText(int16_t index) {
  std::string result = inner_.EntryText(index);
  Write("EntryText", Number(index), Ansi(result));
  return result;
}

int32_t TraceHost::BackupOption() {
  const int32_t result = inner_.BackupOption();
  Write("BackupOption", "", Number(result));
  return result;
}

void TraceHost::SwitchBackupOn() {
  inner_.SwitchBackupOn();
  Write("SwitchBackupOn", "");
}

void TraceHost::SetWizardEnabled(bool enabled) {
  inner_.SetWizardEnabled(enabled);
  Write("SetWizardEnabled", Bool(enabled));
}

int32_t TraceHost::ReplaceOption(int16_t kind) {
  const int32_t result = inner_.ReplaceOption(kind);
  Write("ReplaceOption", Number(kind), Number(result));
  return result;
}

int32_t TraceHost::XPStyleOption() {
  const int32_t result = inner_.XPStyleOption();
  Write("XPStyleOption", "", Number(result));
  return result;
}

void TraceHost::LoadProgress() {
  inner_.LoadProgress();
  Write("LoadProgress", "");
}

void TraceHost::SetCountCaption(const std::string& text) {
  inner_.SetCountCaption(text);
  Write("SetCountCaption", JsonString(text));
}

void TraceHost::SetFileCaption(const std::string& text) {
  inner_.SetFileCaption(text);
  Write("SetFileCaption", JsonString(text));
}

void TraceHost::SetFileBar(int32_t value) {
  inner_.SetFileBar(value);
  Write("SetFileBar", Number(value));
}

void TraceHost::SetTotalBar(int32_t value) {
  inner_.SetTotalBar(value);
  Write("SetTotalBar", Number(value));
}

void TraceHost::SetTotalBarMax(int32_t value) {
  inner_.SetTotalBarMax(value);
  Write("SetTotalBarMax", Number(value));
}

void TraceHost::ShowProgress() {
  inner_.ShowProgress();
  Write("ShowProgress", "");
}

void TraceHost::UnloadProgress() {
  inner_.UnloadProgress();
  Write("UnloadProgress", "");
}

int32_t TraceHost::ShowMessage(const std::string& prompt, int32_t buttons,
                               const std::string& title) {
  const int32_t result = inner_.ShowMessage(prompt, buttons, title);
  Write("ShowMessage", JsonString(prompt) + "," + Number(buttons) + "," + JsonString(title),
        Number(result));
  return result;
}

void TraceHost::PumpMessages() {
  inner_.PumpMessages();
  Write("PumpMessages", "");
}

}  // namespace xpconv::cli
