// The operations through which the engine reaches the windows. The Windows
// program, the console program and the tests each implement them; the engine
// never includes a window header.
//
// Text conventions: paths and list entries (ProjectPath, ProjectFolder,
// EntryText) are bytes in the projects' ANSI code page, exactly as the project
// file holds them. Everything shown to a person (captions, prompts, titles) is
// UTF-8; the engine converts a file name to UTF-8 before it shows it.
#pragma once

#include <cstdint>
#include <string>

namespace xpconv {

// Message-box numbers of the platform: buttons and icons, and answer codes.
namespace mb {
inline constexpr int32_t kOk = 0;              // OK only, no icon
inline constexpr int32_t kYesNoCancelStop = 19;  // Ja/Nein/Abbrechen, critical icon
inline constexpr int32_t kYesNoQuestion = 36;    // Ja/Nein, question icon
inline constexpr int32_t kOkInformation = 64;    // OK, information icon

inline constexpr int32_t kAnswerOk = 1;
inline constexpr int32_t kAnswerCancel = 2;
inline constexpr int32_t kAnswerYes = 6;
inline constexpr int32_t kAnswerNo = 7;
}  // namespace mb

// The program-wide stop request: 0 = go on, -1 = stop. One object is shared by
// the batch run, the conversion job and the progress window's abort handler,
// so two independent runs (two tests) never see each other's flag.
class AbortFlag {
 public:
  int16_t value() const noexcept { return value_; }
  bool raised() const noexcept { return value_ != 0; }
  void Clear() noexcept { value_ = 0; }
  void Raise() noexcept { value_ = -1; }

 private:
  int16_t value_ = 0;
};

class Host {
 public:
  Host() = default;
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  virtual ~Host() = default;

  // --- the wizard window: project, list and options, read live ---
  virtual std::string ProjectPath() = 0;
  virtual std::string ProjectFolder() = 0;
  virtual int32_t EntryCount() = 0;
  virtual int32_t SelectedCount() = 0;
  virtual bool IsEntrySelected(int16_t index) = 0;
  virtual std::string EntryText(int16_t index) = 0;
  // chkBackup: 0 off, anything else on.
  virtual int32_t BackupOption() = 0;
  // Ticks chkBackup, so later BackupOption calls return non-zero.
  virtual void SwitchBackupOn() = 0;
  // While false the wizard window takes no input.
  virtual void SetWizardEnabled(bool enabled) = 0;
  // chkReplace(kind), kind 0 Frame, 1 CheckBox, 2 OptionButton, 3 ProgressBar.
  virtual int32_t ReplaceOption(int16_t kind) = 0;
  // chkXP: 0 gives the single XPStyle line, anything else the colour lines.
  virtual int32_t XPStyleOption() = 0;

  // --- the progress window ---
  virtual void LoadProgress() = 0;
  virtual void SetCountCaption(const std::string& text) = 0;
  virtual void SetFileCaption(const std::string& text) = 0;
  virtual void SetFileBar(int32_t value) = 0;
  virtual void SetTotalBar(int32_t value) = 0;
  virtual void SetTotalBarMax(int32_t value) = 0;
  // Shows the loaded window modeless, owned by the wizard window (which the
  // host knows), and returns at once.
  virtual void ShowProgress() = 0;
  virtual void UnloadProgress() = 0;

  // --- the message-box service and the platform ---
  // Returns the answer code (mb::kAnswer...). An empty title leaves the box's
  // default caption.
  virtual int32_t ShowMessage(const std::string& prompt, int32_t buttons,
                              const std::string& title) = 0;
  // Handles every waiting window message (a click on the abort button
  // included) and returns at once when nothing waits.
  virtual void PumpMessages() = 0;
};

}  // namespace xpconv
