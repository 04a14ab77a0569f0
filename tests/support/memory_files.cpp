#include "tests/support/memory_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/error.h"

namespace xpconv::testing {

std::string MemoryInputFile::ReadLine() {
  EXPECT_FALSE(closed_) << "ReadLine on a closed file";
  if (AtEnd()) throw MakeError(err::kInputPastEnd);
  in_line_ = false;
  const size_t end = bytes_.find_first_of("\r\n", position_);
  if (end == std::string::npos) {
    std::string line = bytes_.substr(position_);
    position_ = bytes_.size();
    last_end_ = LineEnd::kNone;
    ++lines_read_;
    return line;
  }
  std::string line = bytes_.substr(position_, end - position_);
  position_ = end + 1;
  last_end_ = bytes_[end] == '\r' ? LineEnd::kCr : LineEnd::kLf;
  if (bytes_[end] == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
    ++position_;
    last_end_ = LineEnd::kCrLf;
  }
  ++lines_read_;
  return line;
}

bool MemoryInputFile::ReadLinePiece(std::string& part, size_t limit) {
  EXPECT_FALSE(closed_) << "ReadLinePiece on a closed file";
  EXPECT_GT(limit, 0u);
  if (!in_line_) {
    if (AtEnd()) throw MakeError(err::kInputPastEnd);
    ++lines_read_;
    // Found once per line: a scan per piece would make long lines cost
    // their length squared.
    const char* begin = bytes_.data() + position_;
    const size_t rest = bytes_.size() - position_;
    const void* lf = std::memchr(begin, '\n', rest);
    const size_t before_lf = lf ? static_cast<size_t>(static_cast<const char*>(lf) - begin) : rest;
    const void* cr = std::memchr(begin, '\r', before_lf);
    line_end_ =
        position_ + (cr ? static_cast<size_t>(static_cast<const char*>(cr) - begin) : before_lf);
  }
  limit = std::min(limit, piece_limit_);
  const size_t end = line_end_;
  const size_t size = std::min(end - position_, limit);
  part.assign(bytes_, position_, size);
  position_ += size;
  in_line_ = position_ < end;
  if (in_line_) return false;
  last_end_ = LineEnd::kNone;
  if (position_ < bytes_.size()) {
    // The line end, CR LF as one.
    ++position_;
    last_end_ = bytes_[end] == '\r' ? LineEnd::kCr : LineEnd::kLf;
    if (bytes_[end] == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
      ++position_;
      last_end_ = LineEnd::kCrLf;
    }
  }
  return true;
}

std::string MemoryInputFile::ReadAll() {
  std::string rest = bytes_.substr(position_);
  position_ = bytes_.size();
  return rest;
}

void MemoryOutputFile::WriteLine(std::string_view line) {
  EXPECT_FALSE(closed_) << "WriteLine on a closed file";
  bytes_.append(line);
  bytes_.append("\r\n");
}

void MemoryOutputFile::Write(std::string_view bytes) {
  EXPECT_FALSE(closed_) << "Write on a closed file";
  bytes_.append(bytes);
}

namespace {

// Writes into the file system's entry for its path as it goes, like a
// real file written without buffering. The entry must stay while the file
// is open (as the engine never removes or renames a file it writes).
class StoredOutputFile final : public OutputFile {
 public:
  explicit StoredOutputFile(std::string& bytes) : bytes_(bytes) {}
  void WriteLine(std::string_view line) override {
    Write(line);
    Write("\r\n");
  }
  void Write(std::string_view bytes) override {
    if (closed_) throw MakeError(err::kBadFileNameOrNumber);
    bytes_.append(bytes);
  }
  void Close() override { closed_ = true; }

 private:
  std::string& bytes_;
  bool closed_ = false;
};

}  // namespace

const std::string& MemoryFileSystem::Existing(const std::string& path) const {
  const auto it = files.find(path);
  if (it == files.end()) throw MakeError(err::kFileNotFound);
  return it->second;
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenInput(const std::string& path) {
  return std::make_unique<MemoryInputFile>(Existing(path), piece_limit_);
}

std::unique_ptr<OutputFile> MemoryFileSystem::OpenOutput(const std::string& path) {
  if (read_only.count(path) != 0) throw MakeError(err::kPermissionDenied);
  std::string& bytes = files[path];
  bytes.clear();
  return std::make_unique<StoredOutputFile>(bytes);
}

int64_t MemoryFileSystem::FileLength(const std::string& path) {
  return static_cast<int64_t>(Existing(path).size());
}

void MemoryFileSystem::Remove(const std::string& path) {
  Existing(path);
  files.erase(path);
}

void MemoryFileSystem::CopyOver(const std::string& source, const std::string& target) {
  std::string bytes = Existing(source);
  if (read_only.count(target) != 0) throw MakeError(err::kPermissionDenied);
  files[target] = std::move(bytes);
}

void MemoryFileSystem::Replace(const std::string& source, const std::string& target) {
  std::string bytes = Existing(source);
  if (read_only.count(target) != 0) throw MakeError(err::kPermissionDenied);
  files[target] = std::move(bytes);
  files.erase(source);
}

void MemoryFileSystem::CreateFolder(const std::string& path) {
  if (!folders.insert(path).second) throw MakeError(err::kPathFileAccess);
}

std::optional<std::string> MemoryFileSystem::FirstPlainFile(const std::string& folder) {
  for (auto it = files.lower_bound(folder); it != files.end(); ++it) {
    if (!std::string_view(it->first).starts_with(folder)) break;
    const std::string name = it->first.substr(folder.size());
    if (name.find('\\') == std::string::npos) return name;
  }
  return std::nullopt;
}

std::string CrLfLines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) {
    out.append(line);
    out.append("\r\n");
  }
  return out;
}

}  // namespace xpconv::testing
