#include "cli/patch_output.h"

#include <ostream>
#include <string_view>

namespace xpconv::cli {
namespace {

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

}  // namespace

void PrintPatch(const std::vector<ProjectRecord>& records, const std::string& base,
                const DryRunFiles& files, std::ostream& out, bool to_terminal) {
  if (to_terminal) {
    TerminalPatchOut patch(files.fs, out);
    WritePreviewPatch(records, base, files, patch);
  } else {
    StreamPatchOut patch(out);
    WritePreviewPatch(records, base, files, patch);
  }
}

}  // namespace xpconv::cli
