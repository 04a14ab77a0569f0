#include "engine/restore.h"

#include <memory>

#include "engine/conversion_job.h"
#include "engine/error.h"

namespace xpconv {
namespace {

constexpr const char* kBackupFolderName = "_Backup\\";

std::string FolderPart(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The whole file, or nullopt when it is not there.
std::optional<std::string> ReadIfThere(FileSystem& fs, const std::string& path) {
  if (!FileExists(fs, path)) return std::nullopt;
  std::unique_ptr<InputFile> in = fs.OpenInput(path);
  std::string bytes = in->ReadAll();
  in->Close();
  return bytes;
}

}  // namespace

std::string BackupPathOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return FolderPart(path) + kBackupFolderName + name;
}

RestoreItem PlanRestore(FileSystem& fs, const std::string& target) {
  RestoreItem item;
  // A run backs up a linked file beside the link and converts it where it
  // lives; the restore reads the same backup and writes the same file, so
  // the link stays a link.
  item.target = fs.FinalPath(target);
  item.backup = BackupPathOf(target);
  const std::optional<std::string> backup = ReadIfThere(fs, item.backup);
  if (!backup) {
    item.state = RestoreState::kNoBackup;
    return item;
  }
  const std::optional<std::string> current = ReadIfThere(fs, target);
  item.state = current == backup ? RestoreState::kUnchanged : RestoreState::kRestore;
  return item;
}

void RestoreFile(FileSystem& fs, const RestoreItem& item) {
  const std::string temp = FolderPart(item.target) + kTempRestoreName;
  // One left by an interrupted restore holds nothing of value.
  if (FileExists(fs, temp)) fs.Remove(temp);
  bool copied = false;
  try {
    fs.CopyOver(item.backup, temp);
    copied = true;
    fs.Replace(temp, item.target);
  } catch (...) {
    // Also after a failed copy, which may have left part of a file. Best
    // effort: the error that brought us here is the one to report.
    try {
      if (copied || FileExists(fs, temp)) fs.Remove(temp);
    } catch (...) {
    }
    throw;
  }
}

std::unique_ptr<ProjectRestore> ProjectRestore::Begin(FileSystem& fs,
                                                      const std::string& project) {
  std::unique_ptr<RunLock> lock = fs.LockRun(project);
  if (!lock) return nullptr;
  return std::unique_ptr<ProjectRestore>(new ProjectRestore(fs, std::move(lock)));
}

}  // namespace xpconv
