#include "engine/overlay_file_system.h"

#include <algorithm>
#include <utility>

#include "engine/error.h"
#include "engine/file_helpers.h"
#include "engine/paths.h"

namespace xpconv {
namespace {

// Reads bytes the overlay holds, with the line rules of the real files:
// a line ends at CR LF, at a lone LF or at a lone CR.
class BytesInputFile final : public InputFile {
 public:
  explicit BytesInputFile(std::string bytes) : bytes_(std::move(bytes)) {}

  std::string ReadLine() override {
    std::string line;
    ReadLineInto(line);
    return line;
  }
  void ReadLineInto(std::string& line) override {
    if (AtEnd()) throw MakeError(err::kInputPastEnd);
    const size_t end = bytes_.find_first_of("\r\n", position_);
    if (end == std::string::npos) {
      line.assign(bytes_, position_, std::string::npos);
      position_ = bytes_.size();
      last_end_ = LineEnd::kNone;
      return;
    }
    line.assign(bytes_, position_, end - position_);
    position_ = end + 1;
    last_end_ = bytes_[end] == '\r' ? LineEnd::kCr : LineEnd::kLf;
    if (bytes_[end] == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
      ++position_;
      last_end_ = LineEnd::kCrLf;
    }
  }
  LineEnd LastLineEnd() const override { return last_end_; }
  bool AtEnd() override { return position_ >= bytes_.size(); }
  int64_t Position() override { return static_cast<int64_t>(position_); }
  int64_t Length() override { return static_cast<int64_t>(bytes_.size()); }
  std::string ReadAll() override {
    std::string rest = bytes_.substr(position_);
    position_ = bytes_.size();
    return rest;
  }
  void Close() override {}

 private:
  std::string bytes_;
  size_t position_ = 0;
  LineEnd last_end_ = LineEnd::kNone;
};

// The folder path lies in, without the backslash behind it; empty for a
// path without a backslash.
std::string ParentOf(std::string_view path) {
  std::string folder = FolderOf(path);
  if (!folder.empty()) folder.pop_back();
  return folder;
}

}  // namespace

// The bytes of a file the run wrote, copied or renamed: in memory, in a
// scratch file, or those of a real file.
struct OverlayFileSystem::Stored {
  Stored() = default;
  Stored(const Stored&) = delete;
  Stored& operator=(const Stored&) = delete;
  ~Stored() {
    if (scratch.empty()) return;
    try {
      owner->Remove(scratch);
    } catch (...) {
      // The folder goes as a whole when the preview ends.
    }
  }

  std::string bytes;    // when neither of the two below is set
  std::string scratch;  // the scratch file holding them, removed with this object
  std::string real;     // the real file holding them
  int64_t length = 0;
  FileSystem* owner = nullptr;
};

// Writes into the stored bytes, so the file exists (empty) from the moment it
// is opened, as a real one does.
class OverlayFileSystem::StoredOutputFile final : public OutputFile {
 public:
  StoredOutputFile(std::shared_ptr<Stored> stored, std::unique_ptr<OutputFile> file)
      : stored_(std::move(stored)), file_(std::move(file)) {}

  void WriteLine(std::string_view line) override {
    if (file_) {
      file_->WriteLine(line);
    } else {
      stored_->bytes.append(line).append("\r\n");
    }
    stored_->length += static_cast<int64_t>(line.size()) + 2;
  }
  void Write(std::string_view bytes) override {
    if (file_) {
      file_->Write(bytes);
    } else {
      stored_->bytes.append(bytes);
    }
    stored_->length += static_cast<int64_t>(bytes.size());
  }
  void Close() override {
    if (file_) file_->Close();
  }

 private:
  std::shared_ptr<Stored> stored_;
  std::unique_ptr<OutputFile> file_;
};

OverlayFileSystem::OverlayFileSystem(FileSystem& inner, std::string scratch_folder)
    : inner_(inner), scratch_folder_(std::move(scratch_folder)) {}

OverlayFileSystem::~OverlayFileSystem() = default;

const OverlayFileSystem::Node* OverlayFileSystem::Find(const std::string& path) const {
  const auto it = nodes_.find(PathKey(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

void OverlayFileSystem::Put(const std::string& path, std::shared_ptr<Stored> stored) {
  auto [it, inserted] = nodes_.try_emplace(PathKey(path), Node{path, nullptr});
  it->second.stored = std::move(stored);
}

std::shared_ptr<OverlayFileSystem::Stored> OverlayFileSystem::StoredOf(const std::string& path) {
  if (const Node* node = Find(path)) {
    if (node->stored == nullptr) throw MakeError(err::kFileNotFound);
    return node->stored;
  }
  // Opened, as the real copy or rename would, so that a missing file or a
  // folder raises the same error.
  inner_.OpenInput(path)->Close();
  auto stored = std::make_shared<Stored>();
  stored->real = path;
  stored->length = inner_.FileLength(path);
  return stored;
}

bool OverlayFileSystem::ExistsNow(const std::string& path) {
  if (const Node* node = Find(path)) return node->stored != nullptr;
  return FileExists(inner_, path);
}

bool OverlayFileSystem::FolderExists(const std::string& folder) {
  if (folder.empty()) return true;
  const std::string key = PathKey(folder);
  if (created_folders_.count(key) > 0) return true;
  const auto known = known_folders_.find(key);
  if (known != known_folders_.end()) return known->second;
  bool exists = true;
  try {
    inner_.FirstPlainFile(folder + "\\");
  } catch (const VbError&) {
    exists = false;
  }
  known_folders_.emplace(key, exists);
  return exists;
}

void OverlayFileSystem::CheckWritable(const std::string& target) {
  if (!FolderExists(ParentOf(target))) throw MakeError(err::kPathNotFound);
  if (Find(target) == nullptr && inner_.IsReadOnly(target)) {
    throw MakeError(err::kPermissionDenied);
  }
}

std::unique_ptr<InputFile> OverlayFileSystem::OpenInput(const std::string& path) {
  if (const Node* node = Find(path)) {
    const Stored* stored = node->stored.get();
    if (stored == nullptr) throw MakeError(err::kFileNotFound);
    if (!stored->real.empty()) return inner_.OpenInput(stored->real);
    if (!stored->scratch.empty()) return inner_.OpenInput(stored->scratch);
    return std::make_unique<BytesInputFile>(stored->bytes);
  }
  return inner_.OpenInput(path);
}

std::unique_ptr<OutputFile> OverlayFileSystem::OpenOutput(const std::string& path) {
  CheckWritable(path);
  auto stored = std::make_shared<Stored>();
  std::unique_ptr<OutputFile> file;
  if (!scratch_folder_.empty()) {
    const std::string scratch = scratch_folder_ + "\\" + std::to_string(++scratch_files_) + ".tmp";
    file = inner_.OpenOutput(scratch);
    stored->scratch = scratch;
    stored->owner = &inner_;
  }
  Put(path, stored);
  return std::make_unique<StoredOutputFile>(std::move(stored), std::move(file));
}

int64_t OverlayFileSystem::FileLength(const std::string& path) {
  if (const Node* node = Find(path)) {
    if (node->stored == nullptr) throw MakeError(err::kFileNotFound);
    return node->stored->length;
  }
  return inner_.FileLength(path);
}

void OverlayFileSystem::Remove(const std::string& path) {
  if (const Node* node = Find(path)) {
    if (node->stored == nullptr) throw MakeError(err::kFileNotFound);
  } else {
    inner_.FileLength(path);  // raises for a file that is not there
    if (inner_.IsReadOnly(path)) throw MakeError(err::kPermissionDenied);
  }
  Put(path, nullptr);
}

void OverlayFileSystem::CopyOver(const std::string& source, const std::string& target) {
  std::shared_ptr<Stored> stored = StoredOf(source);
  CheckWritable(target);
  Put(target, std::move(stored));
}

void OverlayFileSystem::Replace(const std::string& source, const std::string& target) {
  std::shared_ptr<Stored> stored = StoredOf(source);
  if (PathKey(source) == PathKey(target)) return;
  CheckWritable(target);
  Put(target, std::move(stored));
  Put(source, nullptr);
}

void OverlayFileSystem::CreateFolder(const std::string& path) {
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (FolderExists(folder) || ExistsNow(folder)) throw MakeError(err::kPathFileAccess);
  if (!FolderExists(ParentOf(folder))) throw MakeError(err::kPathNotFound);
  created_folders_.insert(PathKey(folder));
}

std::optional<std::string> OverlayFileSystem::FirstPlainFile(const std::string& folder) {
  std::string bare = folder;
  if (!bare.empty() && bare.back() == '\\') bare.pop_back();
  const std::string prefix = PathKey(bare) + "\\";
  for (const auto& [key, node] : nodes_) {
    if (node.stored == nullptr || !key.starts_with(prefix)) continue;
    if (key.find('\\', prefix.size()) != std::string::npos) continue;
    return NameOf(node.path);
  }
  if (created_folders_.count(PathKey(bare)) > 0) return std::nullopt;
  std::optional<std::string> first = inner_.FirstPlainFile(folder);
  // A real file the run deleted no longer counts. The real listing names
  // only its first file, so a folder whose first file was deleted is taken
  // as empty; a run deletes only its own temporary files, which a folder of
  // backups does not start with in practice.
  if (first) {
    const Node* node = Find(bare + "\\" + *first);
    if (node != nullptr && node->stored == nullptr) return std::nullopt;
  }
  return first;
}

std::string OverlayFileSystem::ToDisplayText(std::string_view ansi) {
  return inner_.ToDisplayText(ansi);
}

std::string OverlayFileSystem::FinalPath(const std::string& path) {
  // A file the run wrote is no link; only the real files have them.
  if (Find(path) != nullptr) return path;
  return inner_.FinalPath(path);
}

std::unique_ptr<RunLock> OverlayFileSystem::LockRun(const std::string& path) {
  return inner_.LockRun(path);
}

bool OverlayFileSystem::IsReadOnly(const std::string& path) {
  if (Find(path) != nullptr) return false;
  return inner_.IsReadOnly(path);
}

OverlayFileSystem::Content OverlayFileSystem::ContentOf(const std::string& path) {
  Content content;
  if (const Node* node = Find(path)) {
    content.changed = true;
    if (node->stored != nullptr) content.bytes = ReadWholeFile(*this, path);
  }
  return content;
}

}  // namespace xpconv
