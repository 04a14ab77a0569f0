// A console for xpconvert tests: whether stdin/stderr count as terminals is
// set by the test, and Ctrl+C is "pressed" at a chosen check.
#pragma once

#include <set>

#include "cli/terminal.h"

namespace xpconv::testing {

class FakeTerminal : public cli::Terminal {
 public:
  bool input_is_terminal = false;
  bool error_is_terminal = false;
  bool output_is_terminal = false;
  bool catching = false;
  // Ctrl+C is pressed right before these checks (numbered from 1).
  std::set<int> interrupt_at;
  int checks = 0;

  bool InputIsTerminal() override { return input_is_terminal; }
  bool ErrorIsTerminal() override { return error_is_terminal; }
  bool OutputIsTerminal() override { return output_is_terminal; }
  void CatchInterrupts() override { catching = true; }
  bool TakeInterrupt() override {
    ++checks;
    // Before CatchInterrupts a real Ctrl+C would have ended the program.
    return catching && interrupt_at.count(checks) > 0;
  }
};

}  // namespace xpconv::testing
