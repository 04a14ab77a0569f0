#include "ui/preview_run_host.h"

namespace xpconv::ui {

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

// Until the window shows, each setter keeps the last value it was given.
void PreviewRunHost::SetCountCaption(const std::string& text) {
  if (shown_) {
    ForwardingHost::SetCountCaption(text);
  } else {
    count_caption_ = text;
  }
}
void PreviewRunHost::SetFileCaption(const std::string& text) {
  if (shown_) {
    ForwardingHost::SetFileCaption(text);
  } else {
    file_caption_ = text;
  }
}
void PreviewRunHost::SetFileBar(int32_t value) {
  if (shown_) {
    ForwardingHost::SetFileBar(value);
  } else {
    file_bar_ = value;
  }
}
void PreviewRunHost::SetTotalBar(int32_t value) {
  if (shown_) {
    ForwardingHost::SetTotalBar(value);
  } else {
    total_bar_ = value;
  }
}
void PreviewRunHost::SetTotalBarMax(int32_t value) {
  if (shown_) {
    ForwardingHost::SetTotalBarMax(value);
  } else {
    total_bar_max_ = value;
  }
}

void PreviewRunHost::ShowProgress() {
  if (!loaded_) return;
  show_wanted_ = true;
  ShowWhenDue();
}

void PreviewRunHost::UnloadProgress() {
  if (shown_) ForwardingHost::UnloadProgress();
  loaded_ = show_wanted_ = shown_ = false;
}

void PreviewRunHost::ShowWhenDue() {
  if (!show_wanted_ || shown_ || clock_() - loaded_at_ < kPreviewProgressDelay) return;
  ForwardingHost::LoadProgress();
  // The bar's maximum before its value, which the bar keeps inside it.
  if (total_bar_max_) ForwardingHost::SetTotalBarMax(*total_bar_max_);
  if (total_bar_) ForwardingHost::SetTotalBar(*total_bar_);
  if (count_caption_) ForwardingHost::SetCountCaption(*count_caption_);
  if (file_caption_) ForwardingHost::SetFileCaption(*file_caption_);
  if (file_bar_) ForwardingHost::SetFileBar(*file_bar_);
  ForwardingHost::ShowProgress();
  shown_ = true;
}

void PreviewRunHost::PumpMessages() {
  // The run pumps once per line; the clock is read at every
  // kPumpsPerClockRead-th pump only, as the Windows host reads it.
  if (show_wanted_ && !shown_ && ++pumps_since_clock_read_ >= kPumpsPerClockRead) {
    pumps_since_clock_read_ = 0;
    ShowWhenDue();
  }
  ForwardingHost::PumpMessages();
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
  // The observer has recorded the error this box shows.
  if (error_box_next_) {
    error_box_next_ = false;
    return mb::kAnswerOk;
  }
  stopped_by_message_ = true;
  return ForwardingHost::ShowMessage(prompt, buttons, title);
}

}  // namespace xpconv::ui
