#include <signal.h>
#include <unistd.h>

#include <csignal>

#include "cli/terminal.h"

namespace xpconv::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
}

class PosixTerminal : public Terminal {
 public:
  bool InputIsTerminal() override { return isatty(STDIN_FILENO) == 1; }
  bool ErrorIsTerminal() override { return isatty(STDERR_FILENO) == 1; }
  bool OutputIsTerminal() override { return isatty(STDOUT_FILENO) == 1; }

  void CatchInterrupts() override {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Restarting keeps a question's read going when Ctrl+C is pressed while
    // it waits; the press is then asked about at the next pumping point.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
  }

  bool TakeInterrupt() override {
    if (g_interrupted == 0) return false;
    g_interrupted = 0;
    return true;
  }
};

}  // namespace

std::unique_ptr<Terminal> MakeSystemTerminal() {
  return std::make_unique<PosixTerminal>();
}

}  // namespace xpconv::cli
