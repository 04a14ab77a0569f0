#include "engine/preview_patch.h"

#include <set>

#include "engine/file_helpers.h"
#include "engine/paths.h"
#include "engine/unified_diff.h"

namespace xpconv {
namespace {

// The path of the file at path relative to the folder base (an absolute
// path of AbsolutePath's), in the disk's names with "/" separators, as a
// patch names files: "../" where it lies outside (which git apply and patch
// refuse, so such a file must be patched from a folder above).
std::string PatchPath(FileSystem& fs, const std::string& base, const std::string& path) {
  auto parts = [](const std::string& of) {
    std::vector<std::string> list;
    if (of.empty()) return list;
    size_t start = 0;
    for (;;) {
      const size_t slash = of.find('\\', start);
      list.push_back(of.substr(start, slash - start));
      if (slash == std::string::npos) break;
      start = slash + 1;
    }
    if (list.size() > 1 && list.back().empty()) list.pop_back();
    return list;
  };
  const std::vector<std::string> from = parts(base);
  const std::vector<std::string> to = parts(fs.AbsolutePath(path));
  size_t same = 0;
  while (same < from.size() && same + 1 < to.size() && from[same] == to[same]) ++same;
  std::string relative;
  for (size_t i = same; i < from.size(); ++i) relative += "../";
  for (size_t i = same; i < to.size(); ++i) {
    if (i > same) relative += '/';
    relative += fs.ToDisplayText(to[i]);
  }
  return relative;
}

}  // namespace

std::vector<std::string> ChangedFiles(const std::vector<ProjectRecord>& records, FileSystem& fs) {
  std::vector<std::string> files;
  std::set<std::string> done;
  for (const ProjectRecord& record : records) {
    std::vector<std::string> changed;
    if (record.library_line_added.value_or(false)) changed.push_back(record.project);
    for (const EntryRecord& entry : record.entries) {
      if (entry.outcome == outcomes::kConverted) changed.push_back(entry.path);
    }
    if (record.code) {
      for (const ModuleCheck& module : record.code->modules) {
        if (module.mended) changed.push_back(module.path);
      }
    }
    for (std::string& path : changed) {
      // A linked file is converted where it lives.
      if (done.insert(PathKey(fs.FinalPath(path))).second) files.push_back(std::move(path));
    }
  }
  return files;
}

void WriteFilePatch(const std::string& path, const std::string& base, const DryRunFiles& files,
                    PatchOut& out) {
  FileSystem& fs = files.fs;
  const std::string real = fs.FinalPath(path);
  const std::string name = PatchPath(fs, base, path);
  const FormEdits* edits = files.book.EditsOf(real);
  if (edits != nullptr && WriteFormPatch(*edits, fs, files.overlay, real, name, out)) return;
  const MendEdits* mend = files.book.MendEditsOf(real);
  if (mend != nullptr && WriteMendPatch(*mend, fs, files.overlay, real, name, out)) return;
  const OverlayFileSystem::Content after = files.overlay.ContentOf(real);
  if (!after.changed || !after.bytes) return;
  for (const DiffLine& line :
       UnifiedDiff(ReadFileIfThere(fs, real).value_or(std::string()), *after.bytes, name)) {
    out.Piece(line.kind, line.text, true);
  }
}

void WritePreviewPatch(const std::vector<ProjectRecord>& records, const std::string& base,
                       const DryRunFiles& files, PatchOut& out) {
  for (const std::string& path : ChangedFiles(records, files.fs)) {
    WriteFilePatch(path, base, files, out);
  }
}

}  // namespace xpconv
