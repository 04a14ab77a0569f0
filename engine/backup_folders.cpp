#include "engine/backup_folders.h"

#include <string>

#include "engine/paths.h"

namespace xpconv {

std::string BackupFolderIn(std::string_view folder) {
  return std::string(folder) + std::string(kBackupFolderName);
}

std::string BackupPathOf(std::string_view path) {
  return BackupFolderIn(FolderOf(path)) + NameOf(path);
}

// Both probes swallow every failure, not only VbError: the batch run relies
// on them never interrupting it, whatever the file system throws.

void MakeFolder(FileSystem& fs, const std::string& folder_path) {
  try {
    std::string path = folder_path;
    // One backslash only: "X\\" keeps one, as the folder is then named so.
    if (!path.empty() && path.back() == '\\') path.pop_back();
    if (path.empty()) return;
    // A bare drive ("C:") is never created, with or without its backslash.
    if (path.back() == ':') return;
    fs.CreateFolder(path);
  } catch (...) {
  }
}

bool FolderHasFiles(FileSystem& fs, const std::string& folder_path) {
  try {
    std::string folder = folder_path;
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return fs.FirstPlainFile(folder).has_value();
  } catch (...) {
    return false;
  }
}

}  // namespace xpconv
