// What xpconvert needs from the console beyond its streams: whether a person
// sits at it, and Ctrl+C. Tests supply their own.
#pragma once

#include <memory>

namespace xpconv::cli {

class Terminal {
 public:
  Terminal() = default;
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  virtual ~Terminal() = default;

  // True when standard input is a terminal, so a question can be answered.
  virtual bool InputIsTerminal() = 0;
  // True when standard error is a terminal, so a progress line makes sense.
  virtual bool ErrorIsTerminal() = 0;
  // True when standard output is a terminal that shows colours: a diff is
  // then shown converted and coloured instead of as the files' own bytes.
  virtual bool OutputIsTerminal() { return false; }
  // From now on standard output takes the bytes written to it as they are:
  // a patch sent to a file or a pipe must keep its own line ends, which the
  // Windows runtime's text mode would turn from LF into CR LF.
  virtual void WriteOutputAsBytes() {}
  // From now on Ctrl+C no longer ends the program but is remembered for
  // TakeInterrupt.
  virtual void CatchInterrupts() = 0;
  // True when Ctrl+C was pressed since the last call; clears that. Called
  // once per line of a form, so it must be cheap.
  virtual bool TakeInterrupt() = 0;
};

// The console of this process. Also switches the Windows console to UTF-8
// output, since every text we print is UTF-8.
std::unique_ptr<Terminal> MakeSystemTerminal();

}  // namespace xpconv::cli
