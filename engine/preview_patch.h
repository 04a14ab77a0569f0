// The patch of a preview: the unified diff of every file a dry run would
// change, in the shape `git apply` and `patch -p1` take, written by the
// console program's `run --dry-run --diff` and by the wizard's preview window
// alike. A file's patch comes from the rewriter's or the code fix's edits
// where they are known (form_patch.h), else from its two texts
// (unified_diff.h).
#pragma once

#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/form_patch.h"
#include "engine/overlay_file_system.h"
#include "engine/run_record.h"

namespace xpconv {

// Where a dry run's files are: the disk, what the run wrote over it, and the
// rewriter's and the code fix's edits of each file they changed.
struct DryRunFiles {
  FileSystem& fs;
  OverlayFileSystem& overlay;
  const FormEditsBook& book;
};

// The files the records' runs change, in the patch's order: each project's
// file when it gets the library line, then each form it converts, then each
// module its code fix mends; a file two projects list (or a link and the file
// it leads to) once.
std::vector<std::string> ChangedFiles(const std::vector<ProjectRecord>& records, FileSystem& fs);

// The patch of the one file at path, named relative to base (an absolute
// path of AbsolutePath's, ending in "\"). Nothing when the run left the file
// as it was.
void WriteFilePatch(const std::string& path, const std::string& base, const DryRunFiles& files,
                    PatchOut& out);

// The patch of every file ChangedFiles names, in that order.
void WritePreviewPatch(const std::vector<ProjectRecord>& records, const std::string& base,
                       const DryRunFiles& files, PatchOut& out);

}  // namespace xpconv
