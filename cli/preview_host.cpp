#include "cli/preview_host.h"

namespace xpconv::cli {

int32_t PreviewHost::ShowMessage(const std::string& prompt, int32_t buttons,
                                 const std::string& title) {
  const int32_t button_set = buttons & 0xF;
  if (button_set == 3 || button_set == 4) {
    Question question;
    question.prompt = prompt;
    question.answer = console_.TakeScriptedAnswer(button_set == 3);
    question.scripted = question.answer != 0;
    if (!question.scripted) question.answer = mb::kAnswerYes;
    questions_.push_back(question);
    return question.answer;
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
  return ForwardingHost::ShowMessage(prompt, buttons, title);
}

void PreviewHost::ShowingError(int32_t number, const std::string& text) {
  ForwardingObserver::ShowingError(number, text);
  error_box_next_ = true;
}

}  // namespace xpconv::cli
