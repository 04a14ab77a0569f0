#include "cli/app.h"

#include <algorithm>
#include <exception>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/command_line.h"
#include "cli/console_host.h"
#include "cli/trace_host.h"
#include "engine/batch_run.h"
#include "engine/conversion_job.h"
#include "engine/engine_context.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/project_file.h"

namespace xpconv::cli {
namespace {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// The layout of the engine's own error boxes, for errors that reach us
// outside of them (a project file that cannot be read, say).
void ReportError(std::ostream& err, const VbError& error, const std::string& shown_path) {
  err << "Fehler: " << error.number() << '\n'
      << error.description() << "\n\nDatei: " << shown_path << '\n';
}

ConsoleSettings SettingsFrom(const CommandLine& line) {
  ConsoleSettings settings;
  settings.replace = line.replace;
  settings.xp_style = line.xp_style;
  settings.backup = line.backup;
  settings.yes = line.yes;
  settings.answers.assign(line.answers.begin(), line.answers.end());
  settings.reports_to_stderr = line.trace;
  return settings;
}

int RunForm(const CommandLine& line, FileSystem& fs, Streams io, Terminal& terminal) {
  AbortFlag abort;
  ConsoleHost console(SettingsFrom(line), io.in, io.out, io.err, terminal, abort);
  std::optional<TraceHost> trace;
  if (line.trace) trace.emplace(console, fs, io.out);
  Host& host = trace ? static_cast<Host&>(*trace) : console;
  EngineContext ctx{host, fs, abort};
  // With a trace, stdout carries nothing but the trace.
  std::ostream& report = line.trace ? io.err : io.out;

  terminal.CatchInterrupts();
  int status = kExitOk;
  for (size_t i = 0; i < line.paths.size(); ++i) {
    const std::string shown = fs.ToDisplayText(line.paths[i]);
    if (abort.raised()) {
      report << shown << ": übersprungen\n";
      continue;
    }
    const auto [folder, name] = SplitFormPath(ToEnginePath(line.paths[i]));
    console.ShowFileProgressOnly();
    const int32_t result = ConvertFormFile(ctx, folder, name);
    console.ClearProgressLine();
    const char* what = "fehlgeschlagen";
    if (result == kFormConverted) {
      what = "konvertiert";
    } else if (result == kFormUnchanged) {
      what = "unverändert";
    } else if (abort.raised()) {
      what = "abgebrochen, Datei unverändert";
    }
    if (result != kFormConverted && result != kFormUnchanged) status = kExitFailed;
    report << shown << ": " << what << '\n' << std::flush;
  }
  return status;
}

int RunList(const CommandLine& line, FileSystem& fs, Streams io) {
  const std::string project = ToEnginePath(line.paths[0]);
  std::vector<std::string> entries;
  try {
    entries = ReadFormEntries(fs, project);
  } catch (const VbError& error) {
    ReportError(io.err, error, fs.ToDisplayText(line.paths[0]));
    return kExitFailed;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    io.out << (i + 1) << '\t' << fs.ToDisplayText(entries[i]) << '\n';
  }
  io.out << std::flush;
  return kExitOk;
}

int RunProject(const CommandLine& line, FileSystem& fs, Streams io, Terminal& terminal) {
  ConsoleSettings settings = SettingsFrom(line);
  settings.project_path = ToEnginePath(line.paths[0]);
  settings.project_folder = ProjectFolderOf(settings.project_path);
  try {
    settings.entries = ReadFormEntries(fs, settings.project_path);
  } catch (const VbError& error) {
    ReportError(io.err, error, fs.ToDisplayText(line.paths[0]));
    return kExitFailed;
  }
  settings.selected = ResolveSelection(line.select, static_cast<int32_t>(settings.entries.size()));

  AbortFlag abort;
  ConsoleHost console(std::move(settings), io.in, io.out, io.err, terminal, abort);
  std::optional<TraceHost> trace;
  if (line.trace) trace.emplace(console, fs, io.out);
  Host& host = trace ? static_cast<Host&>(*trace) : console;
  EngineContext ctx{host, fs, abort};

  terminal.CatchInterrupts();
  try {
    RunConversion(ctx);
  } catch (const VbError& error) {
    // The run traps errors only inside its loop; one before it (the project
    // file cannot be rewritten, say) arrives here.
    console.ClearProgressLine();
    ReportError(io.err, error, fs.ToDisplayText(line.paths[0]));
    return kExitFailed;
  }
  console.ClearProgressLine();
  if (console.user_aborted()) io.err << "Konvertierung abgebrochen.\n" << std::flush;
  return console.summary_reported() ? kExitOk : kExitFailed;
}

}  // namespace

std::string ToEnginePath(std::string_view argument) {
  std::string path(argument);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::pair<std::string, std::string> SplitFormPath(const std::string& engine_path) {
  const size_t slash = engine_path.rfind('\\');
  if (slash == std::string::npos) return {"", engine_path};
  return {engine_path.substr(0, slash + 1), engine_path.substr(slash + 1)};
}

int RunXpconvert(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err, Terminal& terminal) {
  const Streams io{in, out, err};
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

    switch (line.command) {
      case Command::kForm:
        return RunForm(line, *fs, io, terminal);
      case Command::kList:
        return RunList(line, *fs, io);
      case Command::kRun:
        return RunProject(line, *fs, io, terminal);
      case Command::kNone:
      case Command::kHelp:
      case Command::kVersion:
        break;
    }
    return kExitUsage;
  } catch (const UsageError& error) {
    err << "xpconvert: " << error.what() << "\n\n" << UsageText() << std::flush;
    return kExitUsage;
  } catch (const VbError& error) {
    err << "Fehler: " << error.number() << '\n' << error.description() << '\n' << std::flush;
    return kExitFailed;
  } catch (const std::exception& error) {
    err << "xpconvert: " << error.what() << '\n' << std::flush;
    return kExitFailed;
  }
}

}  // namespace xpconv::cli
