// In-memory stand-ins for the files the engine opens, for tests that drive the
// rewriter line by line without touching a disk. They split lines exactly as
// the file-system layer does (CR LF, lone LF, lone CR) and write CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "engine/file_system.h"

namespace xpconv::testing {

class MemoryInputFile : public InputFile {
 public:
  // piece_limit caps the pieces ReadLinePiece hands out below the caller's
  // limit, so tests can pass long lines through in tiny pieces.
  explicit MemoryInputFile(std::string bytes, size_t piece_limit = SIZE_MAX)
      : bytes_(std::move(bytes)), piece_limit_(piece_limit) {}

  std::string ReadLine() override;
  bool ReadLinePiece(std::string& part, size_t limit) override;
  LineEnd LastLineEnd() const override { return last_end_; }
  bool AtEnd() override { return position_ >= bytes_.size(); }
  int64_t Position() override { return static_cast<int64_t>(position_); }
  int64_t Length() override { return static_cast<int64_t>(bytes_.size()); }
  std::string ReadAll() override;
  void Close() override { closed_ = true; }

  bool closed() const { return closed_; }
  // Lines handed out so far, to check how far a caller read.
  int lines_read() const { return lines_read_; }

 private:
  std::string bytes_;
  size_t piece_limit_;
  size_t position_ = 0;
  int lines_read_ = 0;
  bool in_line_ = false;
  size_t line_end_ = 0;  // of the line being handed out in pieces
  LineEnd last_end_ = LineEnd::kNone;
  bool closed_ = false;
};

class MemoryOutputFile : public OutputFile {
 public:
  void WriteLine(std::string_view line) override;
  void Write(std::string_view bytes) override;
  void Close() override { closed_ = true; }

  const std::string& bytes() const { return bytes_; }
  bool closed() const { return closed_; }

 private:
  std::string bytes_;
  bool closed_ = false;
};

// A whole file system in memory: files by their engine path (exact bytes, no
// folders needed), for tests and fuzz targets that run the conversion job or
// the project-file routines many thousands of times without a disk. It
// raises the layer's errors where the real one does: 53 for a missing file,
// 70 for a read-only one, 75 for an existing folder.
class MemoryFileSystem : public FileSystem {
 public:
  // piece_limit: see MemoryInputFile.
  explicit MemoryFileSystem(size_t piece_limit = SIZE_MAX) : piece_limit_(piece_limit) {}

  std::unique_ptr<InputFile> OpenInput(const std::string& path) override;
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path) override;
  int64_t FileLength(const std::string& path) override;
  void Remove(const std::string& path) override;
  void CopyOver(const std::string& source, const std::string& target) override;
  void Replace(const std::string& source, const std::string& target) override;
  void CreateFolder(const std::string& path) override;
  std::optional<std::string> FirstPlainFile(const std::string& folder) override;
  std::string ToDisplayText(std::string_view ansi) override { return std::string(ansi); }

  // The files, by path; tests put files here and read the results.
  std::map<std::string, std::string> files;
  // Paths of files that refuse to be written or replaced.
  std::set<std::string> read_only;
  std::set<std::string> folders;

 private:
  const std::string& Existing(const std::string& path) const;
  size_t piece_limit_;
};

// Joins lines with CR LF behind each, as the engine writes them.
std::string CrLfLines(std::initializer_list<std::string_view> lines);

}  // namespace xpconv::testing
