#include "ui/windows_host.h"

#include <memory>
#include <utility>

#include "ui/message_box.h"
#include "ui/progress_window.h"

namespace xpconv::ui {
namespace {

// A window that keeps posting itself messages (a zero-interval timer, a
// control that repaints from its own paint) must not hold a run inside one
// pump for ever; the rest waits for the next pump, a line later.
constexpr int kMostMessagesPerPump = 4096;

}  // namespace

std::chrono::milliseconds SystemTicks() {
  return std::chrono::milliseconds(::GetTickCount64());
}

WindowsHost::WindowsHost(HINSTANCE instance, WizardOperations& wizard, AbortFlag& abort,
                         HostClock clock)
    : instance_(instance), wizard_(wizard), abort_(abort), clock_(clock) {}

// Out of line, where ProgressWindow is complete.
WindowsHost::~WindowsHost() = default;

std::string WindowsHost::ProjectPath() {
  return wizard_.ProjectPath();
}
std::string WindowsHost::ProjectFolder() {
  return wizard_.ProjectFolder();
}
int32_t WindowsHost::EntryCount() {
  return wizard_.EntryCount();
}
int32_t WindowsHost::SelectedCount() {
  return wizard_.SelectedCount();
}
bool WindowsHost::IsEntrySelected(int16_t index) {
  return held_ ? held_->IsEntrySelected(index) : wizard_.IsEntrySelected(index);
}
std::string WindowsHost::EntryText(int16_t index) {
  return wizard_.EntryText(index);
}
int32_t WindowsHost::BackupOption() {
  return held_ ? held_->BackupOption() : wizard_.BackupOption();
}
void WindowsHost::SwitchBackupOn() {
  if (held_) {
    held_->SwitchBackupOn();
  } else {
    wizard_.SwitchBackupOn();
  }
}
void WindowsHost::SetWizardEnabled(bool enabled) {
  // The run gives the wizard back (or takes it) with the window showing
  // everything it was told.
  RefreshProgress();
  held_.reset();
  if (!enabled) held_.emplace(wizard_);
  wizard_.SetWizardEnabled(enabled);
}
int32_t WindowsHost::ReplaceOption(int16_t kind) {
  return held_ ? held_->ReplaceOption(kind) : wizard_.ReplaceOption(kind);
}
int32_t WindowsHost::XPStyleOption() {
  return held_ ? held_->XPStyleOption() : wizard_.XPStyleOption();
}

void WindowsHost::LoadProgress() {
  // There is one progress window at a time; loading again starts afresh from
  // the designed contents.
  progress_.reset();
  pending_ = PendingView{};
  auto window = std::make_unique<ProgressWindow>(instance_, abort_);
  window->Load(wizard_.WizardWindow());
  progress_ = std::move(window);
}

// The run only calls the setters between LoadProgress and UnloadProgress;
// outside that span there is nothing to show them on. A form's job names its
// file before it opens the form: the pump after that looks at the queue, so
// that a click made during the previous form stops the run before this one
// is opened. The count caption, which comes before the form's backup copy,
// does not force a look: in a project of small forms that would be a second
// round trip per form, only to spare a copy that changes nothing.
void WindowsHost::SetCountCaption(const std::string& text) {
  if (progress_) pending_.count_caption = text;
}
void WindowsHost::SetFileCaption(const std::string& text) {
  pump_due_ = true;
  if (progress_) pending_.file_caption = text;
}
void WindowsHost::SetFileBar(int32_t value) {
  if (progress_) pending_.file_bar = value;
}
void WindowsHost::SetTotalBar(int32_t value) {
  if (progress_) pending_.total_bar = value;
}
void WindowsHost::SetTotalBarMax(int32_t value) {
  if (!progress_) return;
  // The bar holds its value inside 0..Max: a value asked for before the new
  // maximum reaches the bar before it, as it would have without the delay.
  if (pending_.total_bar) {
    progress_->SetTotalBar(*pending_.total_bar);
    pending_.total_bar.reset();
  }
  progress_->SetTotalBarMax(value);
}
void WindowsHost::ShowProgress() {
  if (!progress_) return;
  RefreshProgress();
  progress_->Show(wizard_.WizardWindow());
  pump_due_ = true;
}
void WindowsHost::UnloadProgress() {
  progress_.reset();
  pending_ = PendingView{};
}

void WindowsHost::RefreshProgress() {
  if (!progress_) return;
  if (pending_.count_caption) progress_->SetCountCaption(*pending_.count_caption);
  if (pending_.file_caption) progress_->SetFileCaption(*pending_.file_caption);
  if (pending_.file_bar) progress_->SetFileBar(*pending_.file_bar);
  if (pending_.total_bar) progress_->SetTotalBar(*pending_.total_bar);
  pending_ = PendingView{};
  last_refresh_ = clock_();
}

int32_t WindowsHost::ShowMessage(const std::string& prompt, int32_t buttons,
                                 const std::string& title) {
  // A message during a run stands over the window as the run left it.
  RefreshProgress();
  return ui::ShowMessage(prompt, buttons, title);
}

void WindowsHost::PumpMessages() {
  // Most pumps follow the last one within a microsecond or two (one line of
  // a form): the clock is read at every kPumpsPerClockRead-th of them only,
  // unless the window was just shown or a form's job named its file.
  if (!pump_due_ && ++pumps_since_clock_read_ < kPumpsPerClockRead) return;
  pumps_since_clock_read_ = 0;
  const auto now = clock_();
  if (!pump_due_ && now - last_pump_ < kPumpSlice) return;
  pump_due_ = false;
  last_pump_ = now;
  // Updated here, the window paints in the same look at the queue.
  if (progress_ && now - last_refresh_ >= kRefreshSlice) RefreshProgress();
  DrainQueue();
}

bool WindowsHost::KeepResponsive() {
  if (progress_ && clock_() - last_refresh_ >= kRefreshSlice) RefreshProgress();
  return DrainQueue();
}

bool WindowsHost::DrainQueue() {
  MSG message{};
  for (int handled = 0; handled < kMostMessagesPerPump; ++handled) {
    if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return true;
    if (message.message == WM_QUIT) {
      // The quit request belongs to the program's own message loop: hand it
      // back so that loop still sees it once the run is over.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    // Re-read per message: the abort question can run inside this loop.
    HWND dialog = progress_ ? progress_->hwnd() : nullptr;
    if (dialog != nullptr && ::IsDialogMessageW(dialog, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return true;
}

}  // namespace xpconv::ui
