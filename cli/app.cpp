// The dispatcher: parses the command line, answers --help and --version, and
// hands every other call to its command (one file each, see command.h).
#include "cli/app.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <ostream>

#include "cli/command.h"
#include "cli/command_line.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/messages.h"

namespace xpconv::cli {
namespace {

struct CommandEntry {
  Command command;
  int (*run)(const CommandCall& call);
};

// The commands that work on files, by the word that names them.
constexpr CommandEntry kCommands[] = {
    {Command::kForm, RunFormCommand},
    {Command::kList, RunListCommand},
    {Command::kRun, RunRunCommand},
    {Command::kRestore, RunRestoreCommand},
    {Command::kCheckCode, RunCheckCodeCommand},
};

}  // namespace

int WorseStatus(int a, int b) {
  // 0 < 3 < 1 < 2: a failure outweighs code references.
  auto rank = [](int status) {
    return status == kExitCodeReferences ? 1 : status == 0 ? 0 : status + 1;
  };
  return rank(a) >= rank(b) ? a : b;
}

std::string ToEnginePath(std::string_view argument) {
  std::string path(argument);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

int RunXpconvert(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err, Terminal& terminal) {
  try {
    const CommandLine line = ParseCommandLine(args);
    if (line.command == Command::kHelp) {
      out << UsageText() << std::flush;
      return kExitOk;
    }
    if (line.command == Command::kVersion) {
      out << VersionText() << std::flush;
      return kExitOk;
    }

    std::unique_ptr<FileSystem> fs;
    try {
      fs = MakeNativeFileSystem(line.codepage);
    } catch (const VbError& error) {
      throw UsageError("--codepage \"" + line.codepage + "\": " + error.description());
    }

    const CommandCall call{line, *fs, Streams{in, out, err}, terminal};
    for (const CommandEntry& entry : kCommands) {
      if (entry.command == line.command) return entry.run(call);
    }
    return kExitUsage;
  } catch (const UsageError& error) {
    err << "xpconvert: " << error.what() << "\n\n" << UsageText() << std::flush;
    return kExitUsage;
  } catch (const VbError& error) {
    err << msg::ErrorPrompt(error.number(), error.description(), "\n") << '\n' << std::flush;
    return kExitFailed;
  } catch (const std::exception& error) {
    err << "xpconvert: " << error.what() << '\n' << std::flush;
    return kExitFailed;
  }
}

}  // namespace xpconv::cli
