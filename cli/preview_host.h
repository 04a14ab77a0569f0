// The host of a dry run: every operation goes on to the console host, but
// nothing is asked and no error box is printed. A question is answered as
// --yes or the next --answer says, and otherwise with Ja, the answer that
// lets the run go on, and noted, so the preview can say which questions a
// real run would ask. Error boxes and the summary are taken note of; the
// preview shows them in its own words.
//
// The preview is also the run's observer: it passes every report on to the
// observer it is given (the run's record), and learns from the run which
// box is an error box, whose error that observer records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/console_host.h"
#include "engine/forwarding_host.h"
#include "engine/run_observer.h"

namespace xpconv::cli {

class PreviewHost final : public ForwardingHost, public ForwardingObserver {
 public:
  struct Question {
    std::string prompt;     // UTF-8, as the box would show it
    int32_t answer = 0;     // mb::kAnswer...
    bool scripted = false;  // from --yes or --answer rather than assumed
  };

  // inner is the host chain to forward to (the console host, or a trace
  // around it); console gives the scripted answers; observer records the
  // run. All three must outlive this object.
  PreviewHost(Host& inner, ConsoleHost& console, RunObserver& observer)
      : ForwardingHost(inner), ForwardingObserver(observer), console_(console) {}

  const std::vector<Question>& questions() const { return questions_; }
  bool summary_shown() const { return summary_shown_; }

  // --- the host: what the preview changes ---
  int32_t ShowMessage(const std::string& prompt, int32_t buttons,
                      const std::string& title) override;

  // --- the observer: everything passed on (ForwardingObserver); besides,
  // the next box is the run's error box.
  void ShowingError(int32_t number, const std::string& text) override;

 private:
  ConsoleHost& console_;
  std::vector<Question> questions_;
  bool summary_shown_ = false;
  bool error_box_next_ = false;
};

}  // namespace xpconv::cli
