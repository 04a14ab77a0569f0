// `xpconvert form`: converts form files one by one, outside of any project.
#include <optional>
#include <ostream>

#include "cli/app.h"
#include "cli/command.h"
#include "cli/trace_host.h"
#include "engine/conversion_job.h"
#include "engine/engine_context.h"
#include "engine/paths.h"

namespace xpconv::cli {

int RunFormCommand(const CommandCall& call) {
  const CommandLine& line = call.line;
  FileSystem& fs = call.fs;
  AbortFlag abort;
  ConsoleHost console(call.Settings(), call.io.in, call.io.out, call.io.err, call.terminal, abort);
  std::optional<TraceHost> trace;
  if (line.trace) trace.emplace(console, fs, call.io.out);
  Host& host = trace ? static_cast<Host&>(*trace) : console;
  EngineContext ctx{host, fs, abort};
  // With a trace, stdout carries nothing but the trace.
  std::ostream& report = line.trace ? call.io.err : call.io.out;

  call.terminal.CatchInterrupts();
  int status = kExitOk;
  for (size_t i = 0; i < line.paths.size(); ++i) {
    const std::string shown = fs.ToDisplayText(line.paths[i]);
    if (abort.raised()) {
      report << shown << ": übersprungen\n";
      continue;
    }
    const std::string path = ToEnginePath(line.paths[i]);
    console.ShowFileProgressOnly();
    const int32_t result = ConvertFormFile(ctx, FolderOf(path), NameOf(path));
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

}  // namespace xpconv::cli
