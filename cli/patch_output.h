// The patch `run --dry-run --diff` prints: the unified diff of every file the
// dry run would change, as the patch's own bytes for files and pipes, or as
// coloured UTF-8 lines on a terminal.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/form_patch.h"
#include "cli/run_record.h"
#include "engine/file_system.h"
#include "engine/overlay_file_system.h"

namespace xpconv::cli {

// Where a dry run's files are: the disk, what the run wrote over it, and the
// rewriter's and the code fix's edits of each file they changed.
struct DryRunFiles {
  FileSystem& fs;
  OverlayFileSystem& overlay;
  const FormEditsBook& book;
};

// Writes the diff of each project's file when it gets the library line, of
// each form the projects' records convert and of each module their code fix
// mends, named relative to base (an absolute path of AbsolutePath's). A file
// two projects list appears once. A file's patch is written from the
// rewriter's and the mend's edits where they are known, else from its two
// texts.
void PrintPatch(const std::vector<ProjectRecord>& records, const std::string& base,
                const DryRunFiles& files, std::ostream& out, bool to_terminal);

}  // namespace xpconv::cli
