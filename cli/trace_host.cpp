#include "cli/trace_host.h"

#include <ostream>

namespace xpconv::cli {
namespace {

// Length of the valid UTF-8 sequence at the start of text, 0 if there is
// none (overlong forms, surrogates and code points past U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

std::string Number(int64_t value) {
  return std::to_string(value);
}
std::string Bool(bool value) {
  return value ? "true" : "false";
}

}  // namespace

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t length = Utf8SequenceLength(text.substr(i));
      if (length == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

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
