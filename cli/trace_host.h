// A host decorator for --trace: every operation the engine calls goes on to
// the wrapped host and is written as one JSON line, with its arguments and,
// where it returns one, its result:
//   {"op":"ReplaceOption","args":[0],"result":1}
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "engine/file_system.h"
#include "engine/host.h"

namespace xpconv::cli {

class TraceHost : public Host {
 public:
  // fs converts the ANSI texts (paths, list entries) to UTF-8 for the trace.
  TraceHost(Host& inner, FileSystem& fs, std::ostream& out);

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
  void PumpMessages() override;

 private:
  // args and result are JSON already; an empty result leaves the key out.
  void Write(std::string_view op, std::string_view args, std::string_view result = {});
  std::string Ansi(const std::string& text);

  Host& inner_;
  FileSystem& fs_;
  std::ostream& out_;
};

}  // namespace xpconv::cli
