// The whole console program behind main(), so tests run complete commands
// against real files without starting a process.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/terminal.h"

namespace xpconv::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// --fail-on-code-references: code still names a replaced class.
inline constexpr int kExitCodeReferences = 3;

// The worse of two exit statuses: usage before failure before code
// references before success.
int WorseStatus(int a, int b);

// args are the arguments after the program name. Returns the exit status.
int RunXpconvert(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err, Terminal& terminal);

// A path argument in the engine's form: every "/" becomes "\".
std::string ToEnginePath(std::string_view argument);

}  // namespace xpconv::cli
