#include "ui/preview_run_host.h"

namespace xpconv::ui {

namespace {

// The run pumps once per line of a form; the clock is read at every
// kPumpsPerClockRead-th pump only, as the Windows host reads it.
bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

PreviewRunHost::PreviewRunHost(Host& inner, HostClock clock) : inner_(inner), clock_(clock) {}

void PreviewRunHost::LoadProgress() {
  loaded_ = true;
  show_wanted_ = shown_ = false;
  loaded_at_ = clock_();
  count_caption_.reset();
  file_caption_.reset();
  file_bar_.reset();
  total_bar_.reset();
  total_bar_max_.reset();
}

// Until the window shows, each setter keeps the last value for it; the
// order of the bar's maximum and value is kept when they are handed on.
void PreviewRunHost::SetCountCaption(const std::string& text) {
  if (shown_) return inner_.SetCountCaption(text);
  count_caption_ = text;
}
void PreviewRunHost::SetFileCaption(const std::string& text) {
  if (shown_) return inner_.SetFileCaption(text);
  file_caption_ = text;
}
void PreviewRunHost::SetFileBar(int32_t value) {
  if (shown_) return inner_.SetFileBar(value);
  file_bar_ = value;
}
void PreviewRunHost::SetTotalBar(int32_t value) {
  if (shown_) return inner_.SetTotalBar(value);
  total_bar_ = value;
}
void PreviewRunHost::SetTotalBarMax(int32_t value) {
  if (shown_) return inner_.SetTotalBarMax(value);
  total_bar_max_ = value;
}

void PreviewRunHost::ShowProgress() {
  if (!loaded_) return;
  show_wanted_ = true;
  ShowWhenDue();
}

void PreviewRunHost::UnloadProgress() {
  if (shown_) inner_.UnloadProgress();
  loaded_ = show_wanted_ = shown_ = false;
}

void PreviewRunHost::ShowWhenDue() {
  if (!show_wanted_ || shown_ || clock_() - loaded_at_ < kPreviewProgressDelay) return;
  inner_.LoadProgress();
  if (total_bar_max_) inner_.SetTotalBarMax(*total_bar_max_);
  if (total_bar_) inner_.SetTotalBar(*total_bar_);
  if (count_caption_) inner_.SetCountCaption(*count_caption_);
  if (file_caption_) inner_.SetFileCaption(*file_caption_);
  if (file_bar_) inner_.SetFileBar(*file_bar_);
  inner_.ShowProgress();
  shown_ = true;
}

void PreviewRunHost::PumpMessages() {
  if (show_wanted_ && !shown_ && ++pumps_since_clock_read_ >= kPumpsPerClockRead) {
    pumps_since_clock_read_ = 0;
    ShowWhenDue();
  }
  inner_.PumpMessages();
}

int32_t PreviewRunHost::ShowMessage(const std::string& prompt, int32_t buttons,
                                    const std::string& title) {
  const int32_t button_set = buttons & 0xF;
  // Ja/Nein/Abbrechen and Ja/Nein: a question of the run.
  if (button_set == 3 || button_set == 4) {
    questions_.push_back(prompt);
    return mb::kAnswerYes;
  }
  if ((buttons & 0x70) == mb::kOkInformation) {
    summary_shown_ = true;
    return mb::kAnswerOk;
  }
  // The run's error boxes start so; the run observer has recorded them.
  if (StartsWith(prompt, "Fehler: ")) return mb::kAnswerOk;
  stopped_by_message_ = true;
  return inner_.ShowMessage(prompt, buttons, title);
}

}  // namespace xpconv::ui
