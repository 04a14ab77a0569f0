#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "cli/terminal.h"

namespace xpconv::cli {
namespace {

// The handler runs on a thread the system creates, hence an atomic.
std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
    g_interrupted.store(true, std::memory_order_relaxed);
    return TRUE;
  }
  // Closing the console or logging off ends the program as usual; a form
  // being converted is replaced in one step, so it is never left half written.
  return FALSE;
}

class Win32Terminal : public Terminal {
 public:
  Win32Terminal() { SetConsoleOutputCP(CP_UTF8); }

  bool InputIsTerminal() override { return _isatty(_fileno(stdin)) != 0; }
  bool ErrorIsTerminal() override { return _isatty(_fileno(stderr)) != 0; }
  // Colours need the console's escape-sequence mode; a console that refuses
  // it gets the plain patch text.
  bool OutputIsTerminal() override {
    if (_isatty(_fileno(stdout)) == 0) return false;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(out, &mode)) return false;
    return SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
  }

  void WriteOutputAsBytes() override {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
  }

  void CatchInterrupts() override { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

  bool TakeInterrupt() override {
    if (!g_interrupted.load(std::memory_order_relaxed)) return false;
    return g_interrupted.exchange(false, std::memory_order_relaxed);
  }
};

}  // namespace

std::unique_ptr<Terminal> MakeSystemTerminal() {
  return std::make_unique<Win32Terminal>();
}

}  // namespace xpconv::cli
