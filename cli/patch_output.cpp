#include "cli/patch_output.h"

#include <ostream>
#include <set>
#include <string_view>

#include "cli/unified_diff.h"
#include "engine/file_helpers.h"
#include "engine/paths.h"

namespace xpconv::cli {
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

// The patch's own bytes, for files and pipes, gathered into large writes.
class StreamPatchOut final : public PatchOut {
 public:
  explicit StreamPatchOut(std::ostream& out) : out_(out) {}
  ~StreamPatchOut() override { Flush(); }

  void Piece(DiffLine::Kind, std::string_view bytes, bool) override {
    if (buffer_.size() + bytes.size() > kSize) Flush();
    if (bytes.size() >= kSize) {
      out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    } else {
      buffer_.append(bytes);
    }
  }
  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

 private:
  static constexpr size_t kSize = 64 * 1024;
  std::ostream& out_;
  std::string buffer_;
};

// On a terminal a diff line is shown in UTF-8 and coloured.
class TerminalPatchOut final : public PatchOut {
 public:
  TerminalPatchOut(FileSystem& fs, std::ostream& out) : fs_(fs), out_(out) {}

  void Piece(DiffLine::Kind kind, std::string_view bytes, bool ends) override {
    line_.append(bytes);
    if (!ends) return;
    Show(kind);
    line_.clear();
  }

 private:
  void Show(DiffLine::Kind kind) {
    std::string_view body = line_;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    const char* colour = "";
    switch (kind) {
      case DiffLine::Kind::kFileHeader:
        colour = "\x1b[1m";
        break;
      case DiffLine::Kind::kHunkHeader:
        colour = "\x1b[36m";
        break;
      case DiffLine::Kind::kRemoved:
        colour = "\x1b[31m";
        break;
      case DiffLine::Kind::kAdded:
        colour = "\x1b[32m";
        break;
      case DiffLine::Kind::kContext:
      case DiffLine::Kind::kNoNewline:
        break;
    }
    const bool content = kind == DiffLine::Kind::kContext || kind == DiffLine::Kind::kRemoved ||
                         kind == DiffLine::Kind::kAdded;
    // A content line's first byte is its marker, the rest text of the form.
    std::string shown(content ? body.substr(0, 1) : std::string_view());
    shown += fs_.ToDisplayText(content ? body.substr(1) : body);
    if (*colour != '\0') {
      out_ << colour << shown << "\x1b[0m\n";
    } else {
      out_ << shown << '\n';
    }
  }

  FileSystem& fs_;
  std::ostream& out_;
  std::string line_;
};

// A form's patch is written from the rewriter's edits where they are known,
// else from its two texts.
void PrintDiffs(const std::vector<ProjectRecord>& records, const std::string& base,
                const DryRunFiles& files, PatchOut& out) {
  FileSystem& fs = files.fs;
  std::set<std::string> done;
  for (const ProjectRecord& record : records) {
    std::vector<std::string> changed;
    if (record.library_line_added.value_or(false)) changed.push_back(record.project);
    for (const EntryRecord& entry : record.entries) {
      if (entry.outcome == kConverted) changed.push_back(entry.path);
    }
    if (record.code) {
      for (const ModuleCheck& module : record.code->modules) {
        if (module.mended) changed.push_back(module.path);
      }
    }
    for (const std::string& path : changed) {
      // A linked file is converted where it lives.
      const std::string real = fs.FinalPath(path);
      if (!done.insert(PathKey(real)).second) continue;
      const std::string name = PatchPath(fs, base, path);
      const FormEdits* edits = files.book.EditsOf(real);
      if (edits != nullptr && WriteFormPatch(*edits, fs, files.overlay, real, name, out)) continue;
      const MendEdits* mend = files.book.MendEditsOf(real);
      if (mend != nullptr && WriteMendPatch(*mend, fs, files.overlay, real, name, out)) continue;
      const OverlayFileSystem::Content after = files.overlay.ContentOf(real);
      if (!after.changed || !after.bytes) continue;
      for (const DiffLine& line :
           UnifiedDiff(ReadFileIfThere(fs, real).value_or(std::string()), *after.bytes, name)) {
        out.Piece(line.kind, line.text, true);
      }
    }
  }
}

}  // namespace

void PrintPatch(const std::vector<ProjectRecord>& records, const std::string& base,
                const DryRunFiles& files, std::ostream& out, bool to_terminal) {
  if (to_terminal) {
    TerminalPatchOut patch(files.fs, out);
    PrintDiffs(records, base, files, patch);
  } else {
    StreamPatchOut patch(out);
    PrintDiffs(records, base, files, patch);
  }
}

}  // namespace xpconv::cli
