#include "engine/restore.h"

#include <memory>
#include <optional>

#include "engine/backup_folders.h"
#include "engine/file_helpers.h"
#include "engine/paths.h"

namespace xpconv {

const char* RestoreStateText(RestoreState state) {
  switch (state) {
    case RestoreState::kRestore:
      return "wird wiederhergestellt";
    case RestoreState::kUnchanged:
      return "unverändert";
    case RestoreState::kNoBackup:
      return "keine Sicherung";
  }
  return "";
}

RestoreItem PlanRestore(FileSystem& fs, const std::string& target) {
  RestoreItem item;
  // A run backs up a linked file beside the link and converts it where it
  // lives; the restore reads the same backup and writes the same file, so
  // the link stays a link.
  item.target = fs.FinalPath(target);
  item.backup = BackupPathOf(target);
  const std::optional<std::string> backup = ReadFileIfThere(fs, item.backup);
  if (!backup) {
    item.state = RestoreState::kNoBackup;
    return item;
  }
  const std::optional<std::string> current = ReadFileIfThere(fs, target);
  item.state = current == backup ? RestoreState::kUnchanged : RestoreState::kRestore;
  return item;
}

void RestoreFile(FileSystem& fs, const RestoreItem& item) {
  const std::string temp = FolderOf(item.target) + kTempRestoreName;
  // One left by an interrupted restore holds nothing of value.
  RemoveIfThere(fs, temp);
  CopyAtomically(fs, item.backup, item.target, temp);
}

std::unique_ptr<ProjectRestore> ProjectRestore::Begin(FileSystem& fs, const std::string& project) {
  std::unique_ptr<RunLock> lock = fs.LockRun(project);
  if (!lock) return nullptr;
  return std::unique_ptr<ProjectRestore>(new ProjectRestore(fs, std::move(lock)));
}

}  // namespace xpconv
