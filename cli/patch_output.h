// The patch `run --dry-run --diff` prints: the unified diff of every file the
// dry run would change, as the patch's own bytes for files and pipes, or as
// coloured UTF-8 lines on a terminal.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/preview_patch.h"
#include "engine/run_record.h"

namespace xpconv::cli {

// Writes the patch of the records' dry runs (WritePreviewPatch) to out.
void PrintPatch(const std::vector<ProjectRecord>& records, const std::string& base,
                const DryRunFiles& files, std::ostream& out, bool to_terminal);

}  // namespace xpconv::cli
