#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/app.h"
#include "cli/terminal.h"

int main(int argc, char** argv) {
  // On Windows these are bytes in the ANSI code page, which is what the
  // engine's paths are made of there.
  // Our streams are the only users of the standard streams: no need to
  // stay in step with C stdio, which costs a lot per --trace line.
  std::ios::sync_with_stdio(false);
  // RunXpconvert reports every failure of a command itself; what is left
  // (no memory for the arguments, a terminal that cannot be set up) still
  // ends with a message and a status, never in std::terminate.
  try {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::unique_ptr<xpconv::cli::Terminal> terminal = xpconv::cli::MakeSystemTerminal();
    return xpconv::cli::RunXpconvert(args, std::cin, std::cout, std::cerr, *terminal);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "xpconvert: Fehler: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "xpconvert: Fehler: Unbekannter Fehler\n");
  }
  return xpconv::cli::kExitFailed;
}
